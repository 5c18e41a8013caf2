// SPDX-License-Identifier: GPL-3.0-or-later
// The device's editor as an LV2 X11 UI, opened as a child of the host's window. The UI's own device holds
// the values the host last sent; edits go back through the host's write function (and touch, where
// offered) on the host's own thread, from the idle call. Its size follows the host's ui:scaleFactor (or
// the screen's), and a host may resize it to the sizes the panel can take.
#include "device/device.h"
#include "device/edit_queue.h"
#include "lv2/features.h"
#include "lv2/lv2_names.h"
#include "lv2/port_values.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

namespace KVX::LV2
{
namespace
{
using Device::Description::kParameters;

// The URIDs the scale option is spoken in; all 0 when the host has no map, and then no option is ours.
struct OptionUrids
{
    LV2_URID scaleFactor = 0;
    LV2_URID atomFloat = 0;
    LV2_URID atomDouble = 0;
};

OptionUrids MapOptionUrids(const LV2_URID_Map* map)
{
    if (map == nullptr)
    {
        return {};
    }
    return {map->map(map->handle, LV2_UI__scaleFactor), map->map(map->handle, LV2_ATOM__Float),
            map->map(map->handle, LV2_ATOM__Double)};
}

bool IsScaleFactor(const LV2_Options_Option& option, const OptionUrids& urids)
{
    return urids.scaleFactor != 0 && option.key == urids.scaleFactor;
}

// The value of a scale factor option, when it is a float or a double of the right size.
std::optional<double> ScaleFactorOf(const LV2_Options_Option& option, const OptionUrids& urids)
{
    if (!IsScaleFactor(option, urids) || option.value == nullptr)
    {
        return std::nullopt;
    }
    if (option.type == urids.atomFloat && option.size == sizeof(float))
    {
        float value;
        std::memcpy(&value, option.value, sizeof value);
        return value;
    }
    if (option.type == urids.atomDouble && option.size == sizeof(double))
    {
        double value;
        std::memcpy(&value, option.value, sizeof value);
        return value;
    }
    return std::nullopt;
}

// The three edit notifications come from the editor's own thread; they are queued here and handed to
// the host from idle. A dropped value still reaches the host through the idle poll.
class CUi final : private CDevice::IEditSink, private CDevice::IEditorHost
{
public:
    CUi(std::unique_ptr<CDevice> device, LV2UI_Write_Function write, LV2UI_Controller controller,
        const LV2UI_Touch* touch, const LV2UI_Resize* resize, const LV2_URID_Map* map)
        : m_Device(std::move(device)), m_Write(write), m_Controller(controller), m_Touch(touch),
          m_Resize(resize), m_Urids(MapOptionUrids(map))
    {
        // The device starts with the plug-in's own values until the host sends its.
        for (std::uint32_t port = 0; port < kControlPortCount; ++port)
        {
            m_Known[port] = m_Device->Value(static_cast<int>(port));
        }
        m_Device->SetEditSink(this);
        m_Device->SetEditorHost(this);
    }

    ~CUi()
    {
        m_Device->CloseEditor();
        m_Device->SetEditorHost(nullptr);
        m_Device->SetEditSink(nullptr);
    }

    // The child window of the host's window, or 0 when it could not be made (the panel has said why). The
    // host hears the size it opened at.
    std::uintptr_t Open(void* parent)
    {
        if (!m_Device->OpenEditor(parent))
        {
            return 0;
        }
        TellHostSize();
        return m_Device->EditorWindow();
    }

    // The options a host hands the UI: ui:scaleFactor is the one it takes; any other is a key it does not
    // know.
    std::uint32_t SetOptions(const LV2_Options_Option* options)
    {
        std::uint32_t status = LV2_OPTIONS_SUCCESS;
        int width = 0;
        int height = 0;
        m_Device->EditorSize(width, height);
        for (; options != nullptr && options->key != 0; ++options)
        {
            if (!IsScaleFactor(*options, m_Urids))
            {
                status |= LV2_OPTIONS_ERR_BAD_KEY;
                continue;
            }
            const std::optional<double> scale = ScaleFactorOf(*options, m_Urids);
            if (!scale || !std::isfinite(*scale) || *scale <= 0.0)
            {
                status |= LV2_OPTIONS_ERR_BAD_VALUE;
                continue;
            }
            m_Device->SetEditorScale(*scale);
        }
        int newWidth = 0;
        int newHeight = 0;
        m_Device->EditorSize(newWidth, newHeight);
        if (m_Device->IsEditorOpen() && (newWidth != width || newHeight != height))
        {
            TellHostSize();
        }
        return status;
    }

    // The host asks for options by key; the answer for ui:scaleFactor stays valid while the UI lives.
    std::uint32_t GetOptions(LV2_Options_Option* options)
    {
        std::uint32_t status = LV2_OPTIONS_SUCCESS;
        for (; options != nullptr && options->key != 0; ++options)
        {
            if (!IsScaleFactor(*options, m_Urids))
            {
                status |= LV2_OPTIONS_ERR_BAD_KEY;
                continue;
            }
            m_ScaleAnswer = static_cast<float>(m_Device->EditorScale());
            options->type = m_Urids.atomFloat;
            options->size = sizeof m_ScaleAnswer;
            options->value = &m_ScaleAnswer;
        }
        return status;
    }

    // The host resizes the UI: it takes the nearest size it can, and the host hears of that one when it
    // differs from the one asked for.
    int Resize(int width, int height)
    {
        if (width <= 0 || height <= 0)
        {
            return 1;
        }
        if (!m_Device->SetEditorSize(width, height))
        {
            TellHostSize();
        }
        return 0;
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

    bool RequestEditorSize(int width, int height) override
    {
        return m_Resize != nullptr && m_Resize->ui_resize(m_Resize->handle, width, height) == 0;
    }

    void TellHostSize()
    {
        int width = 0;
        int height = 0;
        m_Device->EditorSize(width, height);
        RequestEditorSize(width, height);
    }

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
    const LV2UI_Resize* m_Resize;
    OptionUrids m_Urids;
    float m_ScaleAnswer = 1.0f;
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
    const auto* map = FeatureWith(features, LV2_URID__map, &LV2_URID_Map::map);
    const LV2_Feature* options = FindFeature(features, LV2_OPTIONS__options);
    try
    {
        auto device = CDevice::Create();
        if (device == nullptr)
        {
            return nullptr; // it has shown why
        }
        auto ui = std::make_unique<CUi>(std::move(device), write, controller, touch, resize, map);
        if (options != nullptr)
        {
            ui->SetOptions(static_cast<const LV2_Options_Option*>(options->data));
        }
        const std::uintptr_t window = ui->Open(parent->data);
        if (window == 0)
        {
            return nullptr;
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

// A UI's extensions are called with the UI's own handle.
int Resize(LV2UI_Feature_Handle ui, int width, int height)
{
    return ui != nullptr ? static_cast<CUi*>(ui)->Resize(width, height) : 1;
}

std::uint32_t GetOptions(LV2_Handle ui, LV2_Options_Option* options)
{
    return ui != nullptr ? static_cast<CUi*>(ui)->GetOptions(options)
                         : std::uint32_t{LV2_OPTIONS_ERR_UNKNOWN};
}

std::uint32_t SetOptions(LV2_Handle ui, const LV2_Options_Option* options)
{
    return ui != nullptr ? static_cast<CUi*>(ui)->SetOptions(options)
                         : std::uint32_t{LV2_OPTIONS_ERR_UNKNOWN};
}

const LV2UI_Idle_Interface g_IdleInterface = {Idle};
const LV2UI_Resize g_ResizeInterface = {nullptr, Resize};
const LV2_Options_Interface g_OptionsInterface = {GetOptions, SetOptions};

const void* ExtensionData(const char* uri)
{
    const std::string_view name = uri != nullptr ? uri : "";
    if (name == LV2_UI__idleInterface)
    {
        return &g_IdleInterface;
    }
    if (name == LV2_UI__resize)
    {
        return &g_ResizeInterface;
    }
    if (name == LV2_OPTIONS__interface)
    {
        return &g_OptionsInterface;
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
