// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fader values as the formats carry them: the normalised value the VST parameters and the state chunk
// hold, the dB value of the LV2 and CLAP band ports and of tovik's settings, and the text the panel shows;
// every conversion is the band's own value type's.
#include "fit/response_model.h"

#include <string>

namespace KVX::Fit
{
// The gain in dB a band port (and a "1k=+3dB" setting) carries for normalised value v, in single precision.
float PortDb(int band, float v);
// The normalised value such a gain selects, as the plug-ins convert it.
float NormalisedFromDb(int band, float db);

// Each value moved (by at most a few parts in ten million) to the nearest one that survives the trip to a
// port value and back unchanged, so that a preset, a port value and a setting all give the very same audio.
Faders StoredExactly(const Faders& faders);

// What the panel and the host show for the fader: "+4.8", "0.0", "-12.0".
std::string DisplayText(int band, float v);
// A setting tovik takes for the band, exact to the bit: "1k=+3.0517578dB".
std::string GainSetting(int band, float v);
// The band's short name as settings take it: "31", "63", … "1k", … "16k".
std::string BandKey(int band);
} // namespace KVX::Fit
