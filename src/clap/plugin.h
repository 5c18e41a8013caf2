// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One instance of the device as a CLAP plug-in, with the host's parameter events applied at the start of
// each block and the panel's edits sent back as gesture and value events.
#include "clap/clap_abi.h"
#include "device/device.h"
#include "device/edit_queue.h"

#include <memory>

namespace KVX::Clap
{
class CPlugin final : private CDevice::IEditSink, private CDevice::IEditorHost
{
public:
    // Null when the processor cannot be built (its factory has said why).
    static CPlugin* Create(const Host* host);
    ~CPlugin();

    const Plugin* Record() const { return &m_Record; }
    static CPlugin* From(const Plugin* plugin);

    // Lifecycle.
    bool Init();
    bool Activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void Deactivate();
    bool StartProcessing();
    void StopProcessing();
    ProcessStatus Run(const Process* process) noexcept;
    // On the audio thread between blocks: the filters forget the stream so far.
    void Reset() noexcept;

    // Parameters.
    bool GetValue(Id id, double* value) const;
    bool ValueToText(Id id, double value, char* text, std::uint32_t capacity) const;
    void Flush(const InputEvents* in, const OutputEvents* out) noexcept;

    // State.
    bool Save(const OStream* stream);
    bool Load(const IStream* stream);

    // Editor.
    bool CreateGui(const char* api, bool floating);
    void DestroyGui();
    bool SetParent(const Window* window);
    bool GetSize(std::uint32_t* width, std::uint32_t* height) const;
    // The editor's scale and size (from 1 to 2 times the panel's, in its aspect), before, while and after
    // the editor exists.
    bool SetScale(double scale);
    bool AdjustSize(std::uint32_t* width, std::uint32_t* height) const;
    bool SetSize(std::uint32_t width, std::uint32_t height);

private:
    CPlugin(const Host* host, std::unique_ptr<CDevice> device);

    // From the panel's thread.
    void OnPanelEdit(const PanelEdit& edit) override;
    // From the panel when the screen wants another size: the host is asked to resize its frame.
    bool RequestEditorSize(int width, int height) override;
    void ApplyEvents(const InputEvents* in) noexcept;
    void SendEdits(const OutputEvents* out) noexcept;

    Plugin m_Record{};
    const Host* m_Host;
    const HostParams* m_HostParams = nullptr;
    const HostGui* m_HostGui = nullptr;
    std::unique_ptr<CDevice> m_Device;
    CEditQueue m_Edits;
    bool m_Active = false;
    bool m_Processing = false;
    bool m_GuiCreated = false;
    bool m_GuiOpen = false;
};
} // namespace KVX::Clap
