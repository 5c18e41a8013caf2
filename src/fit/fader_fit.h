// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fader values whose settled response comes closest, in dB, to a target curve.
#include "fit/response_model.h"

#include <string>
#include <vector>

namespace KVX::Fit
{
struct FitRequest
{
    // The wanted response in dB at each of the model's frequencies.
    std::vector<double> targetDb;
    // How much each frequency counts (0 or more, not all 0); empty for equal weights.
    std::vector<double> weights;
    // The target's level is free: a constant in dB is added to the target wherever that fits best, as for a
    // correction, whose absolute level means nothing.
    bool normalise = false;
    // The target is a change from the unit's flat response rather than a response of its own: the output
    // low-pass, which every setting has, is added to it, so that a target of 0 dB is met by flat faders.
    bool fromFlat = false;
};

struct FitResult
{
    Faders faders = kFlatFaders;
    // The constant added to the target (0 unless normalised).
    double offsetDb = 0.0;
    // The settled response of the faders, in dB, at the model's frequencies.
    std::vector<double> fittedDb;
    // The target as met: plus the offset.
    std::vector<double> targetDb;
    // Weighted root-mean-square and largest error over the frequencies, in dB, and where the largest lies.
    double rmsDb = 0.0;
    double worstDb = 0.0;
    double worstHz = 0.0;
    // Bands that sit at an end of their travel and would go further if they could: the target asks for more
    // than the unit can do there.
    std::vector<int> limitedBands;
    int evaluations = 0;
};

// Deterministic: the same request and model give the same faders, bit for bit. False with `error` set when
// the request does not fit the model (sizes, weights, non-finite numbers).
bool FitFaders(const CResponseModel& model, const FitRequest& request, FitResult& result, std::string& error);
} // namespace KVX::Fit
