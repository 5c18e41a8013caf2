// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One object that is both the framework's panel and the host's editor, and that answers the processor's
// parameter requests from the widgets (the widgets hold the parameter values).
#include "gui/core/gui.h"
#include "vst/aeffeditor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace KVX
{
class CMeter;

class CGUIVSTv24 : public CGUI, public AEffEditor
{
public:
    // The chunk holds one entry for each of the device's parameterCount host parameters.
    CGUIVSTv24(AudioEffect* effect, const WidgetSpec& hintSpec, const WidgetSpec& lightSpec,
               std::int32_t parameterCount);
    ~CGUIVSTv24() override;

    // Editor side.
    bool getRect(ERect** rect) override;
    bool open(void* parent) override;
    void close() override;
    void SetBackground(CWidget* widget) override;

    // Edits on the panel go to the host as begin edit, automate and end edit of the bound parameter.
    void OnEditBegin(CWidget* widget) override;
    void OnEditValue(CWidget* widget, float value) override;
    void OnEditEnd(CWidget* widget) override;

    // A host's scale for the editor (1 = 100 %): from here on the editor's rectangle is the scaled one.
    void SetHostScale(double scale);
    // The screen's scale, which the host's frame has been sized for by other means (a device that told
    // its host the size): the rectangle is the scaled one, and later changes of the screen follow.
    void SetScreenScale(double scale);
    bool HostAskedForScale() const { return m_HostScale || m_ScaleAccepted; }
    // The screen's scale changed under the open editor (Windows): a host that never set a scale is asked
    // for a window of the new size, and the panel follows when it agrees.
    void OnSystemScaleChanged(double scale) override;

    // The processor, once it exists (the panel is built before it).
    void AttachEffect(AudioEffect* owner) { effect = owner; }

    // Parameter side.
    virtual std::u16string ParamName(std::int32_t index) const;
    virtual std::u16string ParamDisplay(std::int32_t index) const;
    virtual std::u16string ParamLabel(std::int32_t index) const;
    virtual float ParamValue(std::int32_t index) const;
    virtual void SetParamValue(std::int32_t index, float value);
    virtual void AutomateParam(std::int32_t index, float value);
    virtual void BeginParamEdit(std::int32_t index);
    virtual void EndParamEdit(std::int32_t index);
    virtual void OnProgramLoaded(const std::u16string& name);
    virtual void OnProgramRenamed(const std::u16string& name);

    // The program chunk: one little-endian (int32 index, float32 value) entry per host parameter.
    std::int32_t ChunkBytes() const { return static_cast<std::int32_t>(m_Chunk.size()); }
    std::int32_t GetChunk(void** data, bool isPreset);
    bool SetChunk(const void* data, std::uint32_t byteSize, bool isPreset);

    // The first widget bound to the host parameter, or null (negative indices find none).
    CWidget* BoundWidget(std::int32_t index) const;
    static CMeter* AsValueHolder(CWidget* widget);

protected:
    // Asks the host for a window at that scale; the panel takes it when the host agrees.
    bool AskHostForScale(double scale);

    ERect m_Rect{};
    bool m_HostScale = false;     // the host has set a scale
    bool m_ScaleAccepted = false; // the host resized its window to a scale the panel asked for
    std::u16string m_Empty;
    std::vector<std::uint8_t> m_Chunk; // sized once, at construction
};
} // namespace KVX
