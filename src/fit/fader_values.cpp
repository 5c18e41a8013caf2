// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit/fader_values.h"

#include "device/description.h"
#include "device/parameter_values.h"

#include <charconv>

namespace KVX::Fit
{
float PortDb(int band, float v)
{
    return static_cast<float>(Device::ValueTypeOf(band).ToPlain(v));
}

float NormalisedFromDb(int band, float db)
{
    // A gain is never NaN here: it came from a value.
    return Device::ValueTypeOf(band).ToNormalised(db).value_or(0.0f);
}

Faders StoredExactly(const Faders& faders)
{
    Faders out = faders;
    for (int b = 0; b < kBandCount; ++b)
    {
        float& v = out[static_cast<std::size_t>(b)];
        // Two round trips reach a value that stays: the second lands where the first left off.
        for (int trip = 0; trip < 4 && NormalisedFromDb(b, PortDb(b, v)) != v; ++trip)
        {
            v = NormalisedFromDb(b, PortDb(b, v));
        }
    }
    return out;
}

std::string DisplayText(int band, float v)
{
    return Device::ValueTypeOf(band).Format(v);
}

std::string GainSetting(int band, float v)
{
    // Exactly 0 dB is written unsigned: a signed zero reads as the value a hair beside the centre, which
    // the panel shows as "+0.0" or "-0.0".
    const float db = PortDb(band, v);
    char buffer[32];
    char* p = buffer;
    if (db > 0.0f)
    {
        *p++ = '+';
    }
    const auto result = std::to_chars(p, buffer + sizeof buffer, db);
    return BandKey(band) + "=" + std::string(buffer, result.ptr) + "dB";
}

std::string BandKey(int band)
{
    // The nominal centre from the description: whole hertz below 1 kHz, whole kilohertz from there.
    const auto hz =
        static_cast<int>(Device::Description::kParameters[static_cast<std::size_t>(band)].frequencyHz);
    return hz < 1000 ? std::to_string(hz) : std::to_string(hz / 1000) + "k";
}
} // namespace KVX::Fit
