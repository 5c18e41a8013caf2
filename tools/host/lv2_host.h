// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small LV2 host: loads a plug-in binary through its exported lv2_descriptor, exactly as an LV2 host
// does, owns its control values, and saves and restores its state through the state extension.
#include "lv2/port_values.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
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
} // namespace KVX::Host
