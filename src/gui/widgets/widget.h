// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The base of every control on the panel: a rectangle that may be bound to a host parameter, animates its
// opacity, hover level and width, and receives the mouse events the panel routes to it.
#include "gui/core/slots.h"
#include "gui/widgets/widget_record.h"

#include <cstdint>
#include <string>

namespace KVX
{
class CGUI;

// A quantity that moves towards its target over a rise or fall time (0 = at once).
struct Animated
{
    float current = 0.0f;
    float target = 0.0f;
    float riseMs = 0.0f;
    float fallMs = 0.0f;

    void Step(float elapsedMs);
    // Sets the target; jumps when the time for that direction is 0.
    void SetTarget(float value);
};

class CWidget
{
public:
    CWidget(CGUI* panel, const WidgetSpec& record);
    virtual ~CWidget();

    CWidget(const CWidget&) = delete;
    CWidget& operator=(const CWidget&) = delete;

    // Mouse operations; the base reacts to none of the buttons.
    virtual void OnMouseDown(int x, int y, std::uint32_t keys);
    virtual void OnMouseUp(int x, int y, std::uint32_t keys);
    virtual void OnMouseMove(int x, int y, std::uint32_t keys);
    virtual void OnDoubleClick(int x, int y, std::uint32_t keys);
    virtual void OnMouseWheel(float steps, std::uint32_t keys);
    virtual void OnMouseEnter();
    virtual void OnMouseLeave();

    // Loads an image into one of the widget's texture slots; true when the slot is loaded afterwards.
    virtual bool LoadImage(TextureSlot& slot, const std::u16string& imageName, const std::u16string& folder);
    virtual void DrawShadow();
    virtual void DrawBody();
    virtual void DrawSelectionFrame();

    virtual void Tick(float elapsedMs);
    virtual void Draw();
    virtual void ReleaseTextures();
    virtual void ReleaseShader();
    virtual void SetWidth(float width);
    virtual void SetHeight(std::int32_t height);
    virtual void SetDisplayValue(float value);
    // A display value the user typed: as SetDisplayValue, and a value-holding widget reports the edit.
    virtual void EnterDisplayValue(float value);

    // The value text (true) or the display text (false). Built from the widget's state on every call, so
    // a host thread and the editor thread may ask at the same time.
    virtual std::u16string GetText(bool valueText) const;

    // Whether the panel point (px, py) lies in the inset rectangle of a visible, enabled widget.
    bool HitTest(int px, int py) const;

    std::int32_t ParamIndex() const { return m_ParamIndex; }
    const std::u16string& Name() const { return m_Name; }
    const std::u16string& Title() const { return m_Title; }
    void SetName(const std::u16string& name) { m_Name = name; }
    void SetTitle(const std::u16string& title) { m_Title = title; }

    std::int32_t X() const { return m_X; }
    std::int32_t Y() const { return m_Y; }
    float Width() const { return m_WidthAnim.current; }
    float WidthTarget() const { return m_WidthAnim.target; }
    std::int32_t Height() const { return m_Height; }
    void SetPosition(std::int32_t x, std::int32_t y)
    {
        m_X = x;
        m_Y = y;
    }

    bool IsEnabled() const { return m_Enabled; }
    bool ShowsHint() const { return m_ShowHint; }
    float Opacity() const { return m_Opacity.current; }
    float OpacityTarget() const { return m_Opacity.target; }
    void SetOpacityTarget(float target) { m_Opacity.SetTarget(target); }
    float HoverLevel() const { return m_Hover.current; }

protected:
    // One pass of an image part over the widget, moved by (dx, dy): nine-sliced when the widget has slice
    // margins, else one quad (repeated at the image's pixel size when tiled). Skipped when `alpha`
    // truncates to 0.
    void DrawPass(const TextureSlot& slot, float u0, float v0, float u1, float v1, float framePixelWidth,
                  float framePixelHeight, float dx, float dy, std::uint32_t rgb, float alpha);
    void DrawWholeImage(const TextureSlot& slot, float dx, float dy, std::uint32_t rgb, float alpha);
    void ApplyAnchors();
    bool EnsureLoaded(TextureSlot& slot, const std::u16string& imageName, const std::u16string& folder);
    void FreeSlot(TextureSlot& slot);

    CGUI* m_Panel;
    std::int32_t m_ParamIndex;
    std::u16string m_Name;
    std::u16string m_Title;
    std::u16string m_Image;
    std::u16string m_ImageFolder;
    std::u16string m_SpecularImage;
    std::u16string m_SpecularFolder;
    std::u16string m_NormalImage;
    std::u16string m_NormalFolder;
    std::u16string m_ShaderName;
    std::u16string m_ValueText;
    std::u16string m_DisplayText;
    Animated m_Opacity;
    Animated m_Hover;
    Animated m_WidthAnim;
    std::int32_t m_X;
    std::int32_t m_Y;
    std::int32_t m_Height;
    std::int32_t m_InsetLeft;
    std::int32_t m_InsetTop;
    std::int32_t m_InsetRight;
    std::int32_t m_InsetBottom;
    std::int32_t m_SliceLeft;
    std::int32_t m_SliceTop;
    std::int32_t m_SliceRight;
    std::int32_t m_SliceBottom;
    std::uint32_t m_Anchors;
    std::uint32_t m_Colour;
    std::uint32_t m_HoverColour;
    bool m_Enabled;
    bool m_Tile;
    bool m_ShowHint;
    bool m_Shadow;
    bool m_ScaleImages;
    std::uint8_t m_ShadowBlur;
    std::int32_t m_ShadowOffsetX;
    std::int32_t m_ShadowOffsetY;
    std::uint32_t m_ShadowColour;
    TextureSlot m_BodySlot;
    TextureSlot m_SpecularSlot;
    TextureSlot m_NormalSlot;
    TextureSlot m_ShadowSlot;
    ShaderSlot m_Shader;
};
} // namespace KVX
