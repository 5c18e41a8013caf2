// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A label that holds one normalised value (the host parameter itself) and shows it as a frame of a sprite
// sheet. The value is read by the audio thread and written by host calls and the editor: one atomic float.
#include "gui/widgets/label.h"

#include <atomic>

namespace KVX
{
class CMeter : public CLabel
{
public:
    CMeter(CGUI* panel, const WidgetSpec& record);

    void Tick(float elapsedMs) override;
    bool LoadImage(TextureSlot& slot, const std::u16string& imageName, const std::u16string& folder) override;
    void DrawShadow() override;
    void DrawBody() override;

    // Stores v clamped to [0, 1] and ignores NaN; the shown value follows over the rise or fall time.
    virtual void SetValue(float v);

    float Value() const { return m_Value.load(std::memory_order_relaxed); }
    float ShownValue() const { return m_Shown.load(std::memory_order_relaxed); }

    // v clamped to [0, 1], NaN read as 0 (a record's default has no earlier value to keep).
    static float Sanitise(float v);

    // The sprite-sheet frame that a shown value selects.
    static std::int32_t FrameIndex(std::int32_t frames, float shownValue);

protected:
    // Draws frame `index` of a sheet over the widget.
    void DrawFrame(const TextureSlot& slot, std::int32_t index, float dx, float dy, std::uint32_t rgb,
                   float alpha);

    // Stores the value; true when it changed (never for NaN, which is ignored).
    bool StoreValue(float v);
    // A user's change made in one step (a wheel notch, a reset, a typed value, a click): the panel hears
    // begin, the new value and end. Nothing at all when the value would stay as it is. With `immediate`
    // the picture jumps to the new value.
    void EditInOneStep(float v, bool immediate);

    std::atomic<float> m_Shown{0.0f};
    std::atomic<float> m_Value{0.0f};
    std::int32_t m_RiseMs;
    std::int32_t m_FallMs;
    std::uint32_t m_OnColour;
};
static_assert(std::atomic<float>::is_always_lock_free, "widget values are shared without locks");
} // namespace KVX
