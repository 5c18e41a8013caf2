// SPDX-License-Identifier: GPL-3.0-or-later
// The device's panel as an LV2 X11 UI: the same panel and widgets as the VST editor, opened as a child of
// the host's window. Its widgets hold the values the host last sent; edits go back through the host's
// write function (and touch, where offered) on the host's own thread, from the idle call.
#include "device/description.h"
#include "device/device_gui.h"
#include "lv2/features.h"
#include "lv2/lv2_names.h"
#include "lv2/port_values.h"
#include "shell/edit_queue.h"

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

namespace KVX::LV2
{
namespace
{
using Device::Description::kParameters;

// The panel without a processor. The three edit notifications come from the editor's own thread; they
// are queued here and handed to the host from idle. A dropped value still reaches the host through the
// idle poll.
class CPanel : public CDeviceGUI
{
public:
    CPanel() : CDeviceGUI(nullptr) {}

    void BeginParamEdit(std::int32_t index) override { m_Edits.Push({PanelEdit::Kind::Begin, index, 0.0f}); }
    void AutomateParam(std::int32_t index, float value) override
    {
        m_Edits.Push({PanelEdit::Kind::Value, index, value});
    }
    void EndParamEdit(std::int32_t index) override { m_Edits.Push({PanelEdit::Kind::End, index, 0.0f}); }

    bool Pop(PanelEdit& edit) { return m_Edits.Pop(edit); }

private:
    CEditQueue m_Edits;
};

class CUi
{
public:
    CUi(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch)
        : m_Write(write), m_Controller(controller), m_Touch(touch)
    {
        // Shown as the plug-in starts until the host sends its values.
        for (const auto& parameter : kParameters)
        {
            m_Panel.SetParamValue(parameter.index, parameter.programDefault);
            m_Known[static_cast<std::size_t>(parameter.index)] = m_Panel.ParamValue(parameter.index);
        }
        FollowInSwitch();
    }

    ~CUi() { m_Panel.close(); }

    // The child window of the host's window, or 0 when it could not be made (the panel has said why).
    std::uintptr_t Open(void* parent)
    {
        m_Panel.open(parent);
        return m_Panel.NativeWindow();
    }

    // A value from the host: shown, and remembered so that it is not sent back.
    void PortEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer)
    {
        if (port >= kControlPortCount || format != 0 || size != sizeof(float) || buffer == nullptr)
        {
            return;
        }
        float value;
        std::memcpy(&value, buffer, sizeof value);
        const float normalised = NormalisedFromPort(kParameters[port], value);
        if (std::isnan(normalised))
        {
            return;
        }
        const auto index = static_cast<std::int32_t>(port);
        m_Panel.SetParamValue(index, normalised);
        m_Known[port] = m_Panel.ParamValue(index);
        FollowInSwitch();
    }

    int Idle()
    {
        PanelEdit edit;
        while (m_Panel.Pop(edit))
        {
            if (edit.index < 0 || edit.index >= static_cast<std::int32_t>(kControlPortCount))
            {
                continue;
            }
            const auto port = static_cast<std::uint32_t>(edit.index);
            switch (edit.kind)
            {
            case PanelEdit::Kind::Begin:
            case PanelEdit::Kind::End:
                if (m_Touch != nullptr)
                {
                    m_Touch->touch(m_Touch->handle, port, edit.kind == PanelEdit::Kind::Begin);
                }
                break;
            case PanelEdit::Kind::Value:
                Send(port, CMeter::Sanitise(edit.value));
                break;
            }
        }
        // Every change on the panel reaches the host, whether or not its widget announced it.
        for (std::uint32_t port = 0; port < kControlPortCount; ++port)
        {
            const float value = m_Panel.ParamValue(static_cast<std::int32_t>(port));
            if (value != m_Known[port])
            {
                Send(port, value);
            }
        }
        FollowInSwitch();
        return 0;
    }

private:
    void Send(std::uint32_t port, float normalised)
    {
        m_Known[port] = normalised;
        const float value = PortFromNormalised(kParameters[port], normalised);
        if (m_Write != nullptr)
        {
            m_Write(m_Controller, port, sizeof value, 0, &value);
        }
    }

    // The lamp shows what the processor does with the IN switch.
    void FollowInSwitch() { m_Panel.Lamp().SetValue(m_Panel.InButton().Value() == 0.0f ? 0.0f : 1.0f); }

    CPanel m_Panel;
    LV2UI_Write_Function m_Write;
    LV2UI_Controller m_Controller;
    const LV2UI_Touch* m_Touch;
    std::array<float, kControlPortCount> m_Known{};
};

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features)
{
    if (pluginUri == nullptr || kPluginUri != pluginUri || widget == nullptr)
    {
        return nullptr;
    }
    const LV2_Feature* parent = FindFeature(features, LV2_UI__parent);
    if (parent == nullptr || parent->data == nullptr)
    {
        return nullptr;
    }
    const auto* touch = FeatureWith(features, LV2_UI__touch, &LV2UI_Touch::touch);
    const auto* resize = FeatureWith(features, LV2_UI__resize, &LV2UI_Resize::ui_resize);
    try
    {
        auto ui = std::make_unique<CUi>(write, controller, touch);
        const std::uintptr_t window = ui->Open(parent->data);
        if (window == 0)
        {
            return nullptr;
        }
        if (resize != nullptr)
        {
            resize->ui_resize(resize->handle, Device::Description::kPanelWidth,
                              Device::Description::kPanelHeight);
        }
        *widget = reinterpret_cast<LV2UI_Widget>(window);
        return ui.release();
    }
    catch (...)
    {
        return nullptr; // nothing may escape into the host
    }
}

void Cleanup(LV2UI_Handle ui)
{
    delete static_cast<CUi*>(ui);
}

void PortEvent(LV2UI_Handle ui, std::uint32_t port, std::uint32_t size, std::uint32_t format,
               const void* buffer)
{
    static_cast<CUi*>(ui)->PortEvent(port, size, format, buffer);
}

int Idle(LV2UI_Handle ui)
{
    return static_cast<CUi*>(ui)->Idle();
}

const LV2UI_Idle_Interface g_IdleInterface = {Idle};

const void* ExtensionData(const char* uri)
{
    if (uri != nullptr && std::string_view(uri) == LV2_UI__idleInterface)
    {
        return &g_IdleInterface;
    }
    return nullptr;
}

const LV2UI_Descriptor g_Descriptor = {KVX_LV2_PLUGIN_URI "#ui", Instantiate, Cleanup, PortEvent,
                                       ExtensionData};
} // namespace
} // namespace KVX::LV2

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index)
{
    return index == 0 ? &KVX::LV2::g_Descriptor : nullptr;
}
