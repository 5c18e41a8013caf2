// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small LV2 host: loads a plug-in binary through its exported lv2_descriptor, exactly as an LV2 host
// does, owns its control values, and saves and restores its state through the state extension. It also
// loads a UI binary through lv2ui_descriptor and opens the UI in a window of the caller's.
#include "lv2/port_values.h"

#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace KVX::Host
{
class UridMap
{
public:
    UridMap();
    LV2_URID Map(const std::string& uri);
    const LV2_Feature* Feature() const { return &m_Feature; }
    LV2_URID_Map* Map() { return &m_Map; }

private:
    static LV2_URID MapCallback(LV2_URID_Map_Handle handle, const char* uri);
    std::vector<std::string> m_Uris;
    LV2_URID_Map m_Map{};
    LV2_Feature m_Feature{};
};

// One stored property of a state.
struct StateValue
{
    std::vector<unsigned char> bytes;
    LV2_URID type = 0;
    std::uint32_t flags = 0;
};
using State = std::map<LV2_URID, StateValue>;

class Lv2Module
{
public:
    // Leaves Descriptor() null and Error() set when the binary cannot be loaded.
    explicit Lv2Module(const std::string& path);
    ~Lv2Module();
    Lv2Module(const Lv2Module&) = delete;
    Lv2Module& operator=(const Lv2Module&) = delete;

    const LV2_Descriptor* Descriptor() const { return m_Descriptor; }
    const std::string& Error() const { return m_Error; }
    // The binary describes further plug-ins after the first (the one loaded).
    bool MoreThanOnePlugin() const { return m_MoreThanOnePlugin; }

private:
    void* m_Handle = nullptr;
    const LV2_Descriptor* m_Descriptor = nullptr;
    std::string m_Error;
    bool m_MoreThanOnePlugin = false;
};

class Lv2Instance
{
public:
    // Null `map` instantiates without the URID feature.
    Lv2Instance(const Lv2Module& module, double sampleRate, UridMap* map);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    bool Valid() const { return m_Handle != nullptr; }

    // The control values the host holds; each starts at its port's default.
    float& Control(std::uint32_t index) { return m_Controls[index]; }

    // Runs one block; in-place (the output buffers are the inputs) when `out` is null.
    void Run(float* inLeft, float* inRight, float* outLeft, float* outRight, std::uint32_t frames);

    // deactivate and activate again, as a host does between two runs of a session.
    void Reactivate();

    // LV2_STATE_ERR_UNKNOWN when the plug-in offers no state interface.
    LV2_State_Status Save(State& state);
    LV2_State_Status Restore(const State& state);

private:
    const LV2_Descriptor* m_Descriptor;
    LV2_Handle m_Handle = nullptr;
    std::array<float, LV2::kControlPortCount> m_Controls{};
    const LV2_State_Interface* m_State = nullptr;
};

class Lv2UiModule
{
public:
    // Leaves Descriptor() null and Error() set when the binary cannot be loaded.
    explicit Lv2UiModule(const std::string& path);
    ~Lv2UiModule();
    Lv2UiModule(const Lv2UiModule&) = delete;
    Lv2UiModule& operator=(const Lv2UiModule&) = delete;

    const LV2UI_Descriptor* Descriptor() const { return m_Descriptor; }
    const std::string& Error() const { return m_Error; }

private:
    void* m_Handle = nullptr;
    const LV2UI_Descriptor* m_Descriptor = nullptr;
    std::string m_Error;
};

// One UI of a plug-in, made with the parent window, a URID map, the host's ui:resize and, when given, the
// host's ui:scaleFactor among its options. Port writes are recorded.
class Lv2UiInstance
{
public:
    struct Written
    {
        std::uint32_t port;
        float value;
    };
    // The host's side of ui:resize: true when the host's window took the size.
    using ResizeHandler = std::function<bool(int width, int height)>;

    Lv2UiInstance(const Lv2UiModule& module, const std::string& pluginUri, std::uintptr_t parent,
                  std::optional<float> scaleFactor = std::nullopt, ResizeHandler resize = {});
    ~Lv2UiInstance();
    Lv2UiInstance(const Lv2UiInstance&) = delete;
    Lv2UiInstance& operator=(const Lv2UiInstance&) = delete;

    bool Valid() const { return m_Handle != nullptr; }
    std::uintptr_t Widget() const { return reinterpret_cast<std::uintptr_t>(m_Widget); }

    // The host's idle call and a control value sent to the UI.
    void Idle();
    void PortEvent(std::uint32_t port, float value);
    std::vector<Written> Writes() const { return m_Writes; }
    void ClearWrites() { m_Writes.clear(); }
    // The sizes the UI asked the host's window for, in order.
    const std::vector<std::pair<int, int>>& ResizeRequests() const { return m_ResizeRequests; }

    // The UI's resize extension: its answer (0 = done), or nothing when the UI offers none.
    std::optional<int> Resize(int width, int height);
    // ui:scaleFactor through the UI's options interface, as an atom:Float or atom:Double: the status, or
    // nothing when the UI offers no options interface.
    std::optional<std::uint32_t> SetScaleFactor(double scale, bool asDouble = false);
    // ui:scaleFactor as the UI answers it (nothing when it does not).
    std::optional<float> ScaleFactor();

private:
    static void Write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                      std::uint32_t protocol, const void* buffer);
    static int HostResize(LV2UI_Feature_Handle handle, int width, int height);

    const LV2UI_Descriptor* m_Descriptor;
    UridMap m_Map;
    float m_ScaleFactor = 1.0f;
    std::vector<LV2_Options_Option> m_Options;
    LV2UI_Resize m_Resize{};
    ResizeHandler m_ResizeHandler;
    std::vector<LV2_Feature> m_Features;
    LV2UI_Handle m_Handle = nullptr;
    LV2UI_Widget m_Widget = nullptr;
    std::vector<Written> m_Writes;
    std::vector<std::pair<int, int>> m_ResizeRequests;
};
} // namespace KVX::Host
