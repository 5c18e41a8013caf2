// SPDX-License-Identifier: GPL-3.0-or-later
#include "lv2_features.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/parameters/parameters.h>
#include <lv2/state/state.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace KVX::Tovik
{
namespace
{
// Properties some plug-ins list as required features; tovik meets them by what it is: it runs one
// plug-in, offline, with separate input and output buffers.
constexpr const char* kMetByDesign[] = {LV2_CORE__hardRTCapable, LV2_CORE__inPlaceBroken, LV2_CORE__isLive};

constexpr const char* kOffered[] = {LV2_URID__map,        LV2_URID__unmap,
                                    LV2_OPTIONS__options, LV2_BUF_SIZE__boundedBlockLength,
                                    LV2_LOG__log,         LV2_STATE__loadDefaultState};

int LogV(LV2_Log_Handle, LV2_URID, const char* format, va_list arguments)
{
    std::fputs("tovik: plug-in says: ", stderr);
    return std::vfprintf(stderr, format, arguments);
}

int Log(LV2_Log_Handle handle, LV2_URID type, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const int written = LogV(handle, type, format, arguments);
    va_end(arguments);
    return written;
}
} // namespace

UridMap::UridMap()
{
    m_Map.handle = this;
    m_Map.map = [](LV2_URID_Map_Handle handle, const char* uri)
    { return static_cast<UridMap*>(handle)->Map(uri); };
    m_Unmap.handle = this;
    m_Unmap.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID urid)
    { return static_cast<UridMap*>(handle)->Unmap(urid); };
}

LV2_URID UridMap::Map(const char* uri)
{
    if (uri == nullptr)
    {
        return 0;
    }
    const auto found = m_Ids.find(uri);
    if (found != m_Ids.end())
    {
        return found->second;
    }
    m_Uris.emplace_back(uri);
    const auto id = static_cast<LV2_URID>(m_Uris.size());
    m_Ids.emplace(uri, id);
    return id;
}

const char* UridMap::Unmap(LV2_URID urid) const
{
    return urid >= 1 && urid <= m_Uris.size() ? m_Uris[urid - 1].c_str() : nullptr;
}

HostFeatures::HostFeatures(UridMap& urids, double sampleRate, int maxBlock, int sequenceSize)
    : m_SampleRate(static_cast<float>(sampleRate)), m_MaxBlock(maxBlock), m_SequenceSize(sequenceSize)
{
    const LV2_URID intType = urids.Map(LV2_ATOM__Int);
    const LV2_URID floatType = urids.Map(LV2_ATOM__Float);
    const auto option = [&](const char* key, LV2_URID type, const void* value) {
        m_Options.push_back({LV2_OPTIONS_INSTANCE, 0, urids.Map(key), sizeof(std::int32_t), type, value});
    };
    option(LV2_BUF_SIZE__minBlockLength, intType, &m_MinBlock);
    option(LV2_BUF_SIZE__maxBlockLength, intType, &m_MaxBlock);
    option(LV2_BUF_SIZE__nominalBlockLength, intType, &m_MaxBlock);
    option(LV2_BUF_SIZE__sequenceSize, intType, &m_SequenceSize);
    option(LV2_PARAMETERS__sampleRate, floatType, &m_SampleRate);
    m_Options.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});

    m_Log.handle = this;
    m_Log.printf = Log;
    m_Log.vprintf = LogV;

    m_Features = {{LV2_URID__map, &urids.m_Map},
                  {LV2_URID__unmap, &urids.m_Unmap},
                  {LV2_OPTIONS__options, m_Options.data()},
                  {LV2_BUF_SIZE__boundedBlockLength, nullptr},
                  {LV2_LOG__log, &m_Log},
                  {LV2_STATE__loadDefaultState, nullptr}};
    for (const auto& feature : m_Features)
    {
        m_Array.push_back(&feature);
    }
    m_Array.push_back(nullptr);
}

std::vector<std::string> HostFeatures::Missing(const std::vector<std::string>& required)
{
    std::vector<std::string> missing;
    for (const auto& uri : required)
    {
        const auto is = [&](const char* known) { return uri == known; };
        if (std::none_of(std::begin(kOffered), std::end(kOffered), is) &&
            std::none_of(std::begin(kMetByDesign), std::end(kMetByDesign), is))
        {
            missing.push_back(ShortUri(uri));
        }
    }
    std::sort(missing.begin(), missing.end());
    return missing;
}

std::string ShortUri(const std::string& uri)
{
    static const std::string kBase = "http://lv2plug.in/ns/";
    const auto hash = uri.find('#');
    if (uri.compare(0, kBase.size(), kBase) != 0 || hash == std::string::npos)
    {
        return uri;
    }
    const std::string path = uri.substr(0, hash);
    std::string prefix = path.substr(path.rfind('/') + 1);
    if (prefix == "lv2core")
    {
        prefix = "lv2";
    }
    return prefix + ":" + uri.substr(hash + 1);
}
} // namespace KVX::Tovik
