// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One instance of the device as a CLAP plug-in: the same processor as the VST build, driven through its
// dispatcher and processReplacing path, with the host's parameter events applied at the start of each
// block and the panel's edits sent back as gesture and value events.
#include "clap/clap_abi.h"
#include "shell/edit_queue.h"
#include "vst/audioeffect.h"

#include <memory>
#include <vector>

namespace KVX
{
class CDeviceDSP;
}

namespace KVX::Clap
{
class CPlugin
{
public:
    // Null when the processor cannot be built (its factory has said why).
    static CPlugin* Create(const Host* host);
    ~CPlugin();

    const Plugin* Record() const { return &m_Record; }
    static CPlugin* From(const Plugin* plugin);

    // The processor's host callback lands here for edits made on the panel.
    void OnPanelEdit(PanelEdit::Kind kind, VstInt32 index, float value);

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

    // The processor's panel, which holds the parameter values.
    CDeviceDSP& Device() const { return *m_Device; }

    // Frames processed at a time when the host's buffers cannot be used in place.
    static constexpr std::uint32_t kScratchFrames = 4096;
    // The longest piece of a block handed to the processor at once.
    static constexpr std::uint32_t kMaxPiece = 1u << 20;

private:
    explicit CPlugin(const Host* host);

    void ApplyEvents(const InputEvents* in) noexcept;
    void SendEdits(const OutputEvents* out) noexcept;
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    void RunStereo(float* left, float* right, std::uint32_t frames) noexcept;
    void RunThroughScratch(const AudioBuffer* in, AudioBuffer& out, std::uint32_t frames) noexcept;

    Plugin m_Record{};
    const Host* m_Host;
    const HostParams* m_HostParams = nullptr;
    std::unique_ptr<AudioEffect> m_Effect;
    CDeviceDSP* m_Device = nullptr;
    CEditQueue m_Edits;
    bool m_Active = false;
    bool m_Processing = false;
    bool m_GuiCreated = false;
    bool m_GuiOpen = false;
    std::vector<float> m_Scratch[2];
};
} // namespace KVX::Clap
