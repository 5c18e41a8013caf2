// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The host features tovik offers LV2 plug-ins, and which of a plug-in's required features it lacks.
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace KVX::Tovik
{
// URIs to numbers and back, for the life of one plug-in instance. Not for the audio thread.
class UridMap
{
public:
    UridMap();
    UridMap(const UridMap&) = delete;
    UridMap& operator=(const UridMap&) = delete;

    LV2_URID Map(const char* uri);
    const char* Unmap(LV2_URID urid) const;
    LV2_URID_Map* MapFeature() { return &m_Map; }

private:
    std::unordered_map<std::string, LV2_URID> m_Ids;
    std::vector<std::string> m_Uris;
    LV2_URID_Map m_Map{};
    LV2_URID_Unmap m_Unmap{};
    friend class HostFeatures;
};

// The feature array given to instantiate and to state restore. The options say that blocks run from 1 to
// `maxBlock` frames at `sampleRate`.
class HostFeatures
{
public:
    HostFeatures(UridMap& urids, double sampleRate, int maxBlock, int sequenceSize);
    HostFeatures(const HostFeatures&) = delete;
    HostFeatures& operator=(const HostFeatures&) = delete;

    const LV2_Feature* const* Array() const { return m_Array.data(); }

    // The features in `required` that tovik does not offer, as short names ("worker:schedule").
    static std::vector<std::string> Missing(const std::vector<std::string>& required);

private:
    float m_SampleRate;
    std::int32_t m_MinBlock = 1;
    std::int32_t m_MaxBlock;
    std::int32_t m_SequenceSize;
    std::vector<LV2_Options_Option> m_Options;
    LV2_Log_Log m_Log{};
    std::vector<LV2_Feature> m_Features;
    std::vector<const LV2_Feature*> m_Array;
};

// "http://lv2plug.in/ns/ext/urid#map" as "urid:map", "http://lv2plug.in/ns/lv2core#AudioPort" as
// "lv2:AudioPort"; other URIs whole.
std::string ShortUri(const std::string& uri);
} // namespace KVX::Tovik
