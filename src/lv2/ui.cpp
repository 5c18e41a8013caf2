// SPDX-License-Identifier: GPL-3.0-or-later
// The device's editor as an LV2 X11 UI, opened as a child of the host's window. The UI's own device holds
// the values the host last sent; edits go back through the host's write function (and touch, where
// offered) on the host's own thread, from the idle call.
#include "device/device.h"
#include "device/edit_queue.h"
#include "lv2/features.h"
#include "lv2/lv2_names.h"
#include "lv2/port_values.h"

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

// The three edit notifications come from the editor's own thread; they are queued here and handed to
// the host from idle. A dropped value still reaches the host through the idle poll.
class CUi final : private CDevice::IEditSink
{
public:
    CUi(std::unique_ptr<CDevice> device, LV2UI_Write_Function write, LV2UI_Controller controller,
        const LV2UI_Touch* touch)
        : m_Device(std::move(device)), m_Write(write), m_Controller(controller), m_Touch(touch)
    {
        // The device starts with the plug-in's own values until the host sends its.
        for (std::uint32_t port = 0; port < kControlPortCount; ++port)
        {
            m_Known[port] = m_Device->Value(static_cast<int>(port));
        }
        m_Device->SetEditSink(this);
    }

    ~CUi()
    {
        m_Device->CloseEditor();
        m_Device->SetEditSink(nullptr);
    }

    // The child window of the host's window, or 0 when it could not be made (the panel has said why).
    std::uintptr_t Open(void* parent) { return m_Device->OpenEditor(parent) ? m_Device->EditorWindow() : 0; }

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
        const auto index = static_cast<int>(port);
        m_Device->SetValue(index, normalised);
        m_Known[port] = m_Device->Value(index);
    }

    int Idle()
    {
        PanelEdit edit;
        while (m_Edits.Pop(edit))
        {
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
                Send(port, edit.value);
                break;
            }
        }
        // Every change on the panel reaches the host, whether or not its widget announced it.
        for (std::uint32_t port = 0; port < kControlPortCount; ++port)
        {
            const float value = m_Device->Value(static_cast<int>(port));
            if (value != m_Known[port])
            {
                Send(port, value);
            }
        }
        return 0;
    }

private:
    void OnPanelEdit(const PanelEdit& edit) override { m_Edits.Push(edit); }

    void Send(std::uint32_t port, float normalised)
    {
        m_Known[port] = normalised;
        const float value = PortFromNormalised(kParameters[port], normalised);
        if (m_Write != nullptr)
        {
            m_Write(m_Controller, port, sizeof value, 0, &value);
        }
    }

    std::unique_ptr<CDevice> m_Device;
    CEditQueue m_Edits;
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
        auto device = CDevice::Create();
        if (device == nullptr)
        {
            return nullptr; // it has shown why
        }
        auto ui = std::make_unique<CUi>(std::move(device), write, controller, touch);
        const std::uintptr_t window = ui->Open(parent->data);
        if (window == 0)
        {
            return nullptr;
        }
        if (resize != nullptr)
        {
            resize->ui_resize(resize->handle, CDevice::kEditorWidth, CDevice::kEditorHeight);
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
