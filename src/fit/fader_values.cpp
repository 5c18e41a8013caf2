// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit/fader_values.h"

#include "device/description.h"

#include <charconv>

namespace KVX::Fit
{
namespace
{
namespace D = Device::Description;
constexpr float kLowDb = D::kParameters[0].displayMin;
constexpr float kHighDb = D::kParameters[0].displayMax;
constexpr const char* kBandKeys[kBandCount] = {"31", "63", "125", "250", "500",
                                               "1k", "2k", "4k",  "8k",  "16k"};
} // namespace

float PortDb(float v)
{
    return static_cast<float>(kLowDb + (static_cast<double>(kHighDb) - kLowDb) * static_cast<double>(v));
}

float NormalisedFromDb(float db)
{
    return static_cast<float>((static_cast<double>(db) - kLowDb) / (static_cast<double>(kHighDb) - kLowDb));
}

Faders StoredExactly(const Faders& faders)
{
    Faders out = faders;
    for (float& v : out)
    {
        // Two round trips reach a value that stays: the second lands where the first left off.
        for (int trip = 0; trip < 4 && NormalisedFromDb(PortDb(v)) != v; ++trip)
        {
            v = NormalisedFromDb(PortDb(v));
        }
    }
    return out;
}

std::string DisplayText(float v)
{
    // The panel's own arithmetic and format: single precision, one decimal, a plus sign above zero.
    const float d = (kHighDb - kLowDb) * v + kLowDb;
    char buffer[32];
    char* p = buffer;
    if (d > 0.0f)
    {
        *p++ = '+';
    }
    const auto result = std::to_chars(p, buffer + sizeof buffer, d, std::chars_format::fixed, 1);
    return std::string(buffer, result.ptr);
}

std::string GainSetting(int band, float v)
{
    const float db = PortDb(v);
    char buffer[32];
    char* p = buffer;
    if (db >= 0.0f)
    {
        *p++ = '+';
    }
    const auto result = std::to_chars(p, buffer + sizeof buffer, db);
    return BandKey(band) + "=" + std::string(buffer, result.ptr) + "dB";
}

std::string BandKey(int band)
{
    return kBandKeys[band];
}
} // namespace KVX::Fit
