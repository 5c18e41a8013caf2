// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The framework's panel: the list of widgets, the mouse routing and (while the editor is open) the child
// window with its OpenGL context and frame clock. One panel exists for the plug-in's whole life.
#include "gui/core/shader_cache.h"
#include "gui/core/texture_cache.h"
#include "gui/widgets/edit.h"
#include "gui/widgets/hint.h"
#include "gui/widgets/light.h"
#include "platform/font.h"
#include "platform/window.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace KVX
{
class CGUI : public Platform::WindowClient
{
public:
    // The built-in hint and light take their records from the device's layout.
    CGUI(const WidgetSpec& hintSpec, const WidgetSpec& lightSpec);
    ~CGUI() override;

    CGUI(const CGUI&) = delete;
    CGUI& operator=(const CGUI&) = delete;

    // Mouse events from the window, in its physical pixels (panel units at scale 1); they are routed in
    // panel units. keys holds the Platform::kKey bits.
    void OnMouseDown(int x, int y, std::uint32_t keys) override;
    void OnMouseUp(int x, int y, std::uint32_t keys) override;
    void OnMouseMove(int x, int y, std::uint32_t keys) override;
    void OnDoubleClick(int x, int y, std::uint32_t keys) override;
    void OnMouseWheel(float steps, std::uint32_t keys) override;
    // The pointer left the window: the hover ends as if it had moved off every widget (not during a press,
    // which keeps its widget until the release).
    void OnMouseLeftWindow() override;
    // Called by value-holding widgets after their value changed; a hook for derived panels.
    virtual void OnValueChanged(CWidget* widget, float value);
    virtual void SetBackground(CWidget* widget);
    // A user's edit of a widget's value, for a host that records automation and marks its project as
    // changed: one gesture (a drag, a wheel notch, a reset, a typed value, a click) is one begin, each new
    // value, one end. Host-set values never come here. Hooks for derived panels; the base ignores them.
    virtual void OnEditBegin(CWidget* widget);
    virtual void OnEditValue(CWidget* widget, float value);
    virtual void OnEditEnd(CWidget* widget);

    // The editor window's life (called from the host's thread): the child window of the parent with its
    // context and frame clock. Failures are shown to the user and leave the panel without a window or
    // without a context; the panel itself stays usable.
    void CreatePanelWindow();
    void DestroyPanelWindow();
    bool HasWindow() const { return m_Window != nullptr; }
    std::uintptr_t NativeWindow() const { return m_Window ? m_Window->NativeHandle() : 0; }

    // Called on the window's own thread.
    void OnContextCreated() override;
    void OnContextFailed(std::exception_ptr failure) override;
    // A tick of the clock: animations advance; the frame is drawn (and so presented) only when anything
    // it shows changed since the last one, or the window asked for its picture again.
    bool OnFrame(std::uint32_t timeMs) override;
    // The window's contents were lost (uncovered, or the back buffer is undefined): the next tick redraws.
    void OnExposed() override;
    void OnContextReleasing() override;
    // Closing ends what the user had under way: an open edit is applied, a press is released (capture,
    // hidden cursor) and the hover and hint end, so that nothing of it carries over to the next open.
    void OnWindowClosing() override;
    // Sets up the OpenGL state for pixel drawing; throws Exceptions::OGL.
    void InitGL();
    // Gives back every widget's textures and programs.
    void ReleaseGL();
    // Draws one frame: every widget ticks and draws, then the hint and the edit box. False when there was
    // nothing to draw or the frame was abandoned (its failure has been shown): it is not to be presented.
    bool ReDraw(std::uint32_t timeMs);
    // How many frames the window has put on screen since it opened (0 without a window).
    std::uint64_t PresentedFrames() const;

    // Caches shared by the widgets (window thread, context current).
    TextureSlot GetTexture(const std::u16string& name, const std::u16string& path, std::int32_t width,
                           std::int32_t height, std::int32_t blur);
    void FreeTexture(TextureSlot& slot);
    ShaderSlot GetShader(const std::u16string& shaderName);
    void FreeShader(ShaderSlot& slot);
    Platform::TextBox MeasureText(const std::u16string& text, const Platform::Font& font) const;
    const CTextureCache& Textures() const { return m_Textures; }

    // Appends a widget to the list; every widget's constructor calls it.
    void AddWidget(CWidget* widget);
    const std::vector<CWidget*>& Widgets() const { return m_Widgets; }

    // The topmost widget that the point hits (the list walked from last to first), or null.
    CWidget* HitWidget(int x, int y, bool skipHintAndEdit) const;

    // Services the widgets use.
    void OpenEditBox(CWidget* widget);
    // The window's text field for the edit box, or null without a window.
    Platform::TextField* TextField(Platform::TextFieldClient* client) const;
    // The cursor's hot spot offset, in panel units.
    void CursorHotSpotOffset(int& x, int& y) const;
    bool GetCursorScreenPos(int& x, int& y);
    void SetCursorScreenPos(int x, int y);
    void ShowCursor(bool show);

    // What the device tells its panel about itself: the panel's fixed size in pixels, and the caption of
    // every error box the panel shows (the product's name and version).
    void SetPanelSize(std::int32_t width, std::int32_t height);
    void SetErrorCaption(const std::u16string& caption) { m_ErrorCaption = caption; }
    const std::u16string& ErrorCaption() const { return m_ErrorCaption; }

    // ---- scale: the window is round(width × s) × round(height × s) physical pixels, s in 1 … 2, while
    // everything inside is laid out, hit and dragged in the panel's own units.
    static constexpr double kMinScale = 1.0;
    static constexpr double kMaxScale = 2.0;
    // Clamped into 1 … 2; anything not finite counts as 1.
    static double ClampScale(double scale);
    // Any thread. An open window takes the new size (on its own thread); NaN changes nothing.
    void SetScale(double scale);
    double Scale() const { return m_Scale.load(); }
    // The window's size in physical pixels at a scale (clamped) or at the current one.
    void ScaledSize(double scale, std::int32_t& width, std::int32_t& height) const;
    void ScaledSize(std::int32_t& width, std::int32_t& height) const { ScaledSize(Scale(), width, height); }

    // Window thread: what the frames are drawn at. Physical pixels per unit of the window's current size,
    // the sheets' density it calls for (2 above 1×), and the conversions both ways.
    double ViewScale() const;
    std::int32_t Density() const { return m_Density; }
    void ToUnits(int& x, int& y) const;
    // A rectangle of panel units as the window's pixels it covers.
    void ToWindow(int& x, int& y, int& width, int& height) const;
    void OnResized(int width, int height) override;

    std::int32_t Width() const { return m_Width; }
    std::int32_t Height() const { return m_Height; }
    const std::u16string& BaseFolder() const { return m_BaseFolder; }

    CHint& Hint() { return m_Hint; }
    CEdit& EditBox() { return m_Edit; }
    CLight& Light() { return m_Light; }
    CWidget* PressedWidget() const { return m_Pressed; }
    CWidget* HoveredWidget() const { return m_Hovered; }
    int LastMouseX() const { return m_LastMouseX; }
    int LastMouseY() const { return m_LastMouseY; }

protected:
    CTextureCache m_Textures;
    CShaderCache m_Shaders;
    std::int32_t m_FrameRate = 30;
    std::unique_ptr<Platform::Window> m_Window;
    std::uintptr_t m_ParentWindow = 0;
    std::vector<CWidget*> m_Widgets;
    CHint m_Hint;
    CEdit m_Edit;
    CLight m_Light;
    CWidget* m_Pressed = nullptr;
    std::uint32_t m_PressButtons = 0; // the button bits of the press that made m_Pressed
    int m_ExtraPresses = 0;           // presses of other buttons during that press, not yet released
    CWidget* m_Hovered = nullptr;
    int m_LastMouseX = 0;
    int m_LastMouseY = 0;
    int m_HotSpotX = 0;
    int m_HotSpotY = 0;
    std::u16string m_BaseFolder;
    std::int32_t m_Width = 0;
    std::int32_t m_Height = 0;
    std::u16string m_ErrorCaption;
    bool m_Shown = false;
    std::uint32_t m_LastFrameTime = 0;
    bool m_GLReady = false;      // the context is set up (window thread only)
    bool m_ShowingError = false; // a redraw failure's box is up; its modal loop may deliver further ticks
    bool m_RedrawPending = true; // the shown picture may differ from what the widgets' state would draw
    std::uint64_t m_LastStamp = 0;
    const CWidget* m_HintTarget = nullptr; // whose text the hint shows this frame

    // Mouse routing in panel units.
    void PressAt(int x, int y, std::uint32_t keys);
    void ReleaseAt(int x, int y, std::uint32_t keys);
    void MoveAt(int x, int y, std::uint32_t keys);
    void DoubleClickAt(int x, int y, std::uint32_t keys);

    std::atomic<double> m_Scale{1.0};
    std::int32_t m_ViewWidth = 0; // window thread: the size frames are drawn at, physical pixels
    std::int32_t m_ViewHeight = 0;
    std::int32_t m_Density = 1;

private:
    // Sets the view up for the window's current size; the sheets' density follows it.
    void ApplyView(int width, int height);
    // Ticks every widget, then draws unless `always` is false and nothing shown has changed.
    bool RunFrame(std::uint32_t timeMs, bool always);
    // A digest of everything the widgets draw from, to tell an unchanged picture.
    std::uint64_t PictureStamp() const;
};
} // namespace KVX
