// SPDX-License-Identifier: GPL-3.0-or-later
// The search: settled responses of known settings are found again, and what the unit cannot do is met
// as closely as it can and said so.
#include "fit/fader_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace KVX::Fit
{
namespace
{
constexpr double kRate = 48000.0;

const CResponseModel& Model()
{
    static const CResponseModel model(kRate, FitFrequencies(kRate));
    return model;
}

FitResult Fitted(const FitRequest& request)
{
    FitResult result;
    std::string error;
    EXPECT_TRUE(FitFaders(Model(), request, result, error)) << error;
    return result;
}

double LargestDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    double largest = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        largest = std::max(largest, std::fabs(a[i] - b[i]));
    }
    return largest;
}

// Where the response alone does not tell the faders apart, other faders may be found: the responses are
// what must agree.
TEST(FaderFit, FindsTheResponseOfRandomSettingsAgainWithinATwentiethOfADecibel)
{
    std::mt19937 generator(20240611);
    std::uniform_real_distribution<float> position(0.0f, 1.0f);
    double worst = 0.0;
    for (int n = 0; n < 200; ++n)
    {
        Faders faders;
        for (float& f : faders)
        {
            f = position(generator);
        }
        FitRequest request;
        request.targetDb = Model().ResponseDb(faders);
        const FitResult result = Fitted(request);
        const double miss = LargestDifference(Model().ResponseDb(result.faders), request.targetDb);
        EXPECT_LT(miss, 0.05) << "setting " << n;
        worst = std::max(worst, miss);
    }
    RecordProperty("worst_db", std::to_string(worst));
}

TEST(FaderFit, GivesTheSameFadersForTheSameTargetBitForBit)
{
    FitRequest request;
    request.targetDb.assign(Model().Frequencies().size(), 0.0);
    for (std::size_t i = 0; i < request.targetDb.size(); ++i)
    {
        request.targetDb[i] = 4.0 * std::sin(std::log(Model().Frequencies()[i]));
    }
    const FitResult first = Fitted(request);
    EXPECT_EQ(Fitted(request).faders, first.faders);
    EXPECT_EQ(Fitted(request).fittedDb, first.fittedDb);
}

TEST(FaderFit, MeetsATargetBeyondTheUnitAsCloselyAsItCanAndSaysSo)
{
    FitRequest request;
    request.targetDb.assign(Model().Frequencies().size(), 40.0);
    const FitResult result = Fitted(request);
    EXPECT_EQ(result.limitedBands.size(), static_cast<std::size_t>(kBandCount));
    for (float f : result.faders)
    {
        EXPECT_EQ(f, 1.0f);
    }
    EXPECT_GT(result.rmsDb, 10.0);
}

TEST(FaderFit, FindsAFreeLevelWhenAskedAndTakesZeroDecibelsFromFlatAsFlat)
{
    Faders faders = {0.6f, 0.3f, 0.5f, 0.7f, 0.2f, 0.9f, 0.5f, 0.4f, 0.65f, 0.35f};
    FitRequest request;
    request.targetDb = Model().ResponseDb(faders);
    for (double& db : request.targetDb)
    {
        db -= 7.5;
    }
    request.normalise = true;
    // Near their centres the bands are broad level changes themselves: the level found is not unique, the
    // fit is.
    const FitResult normalised = Fitted(request);
    EXPECT_NEAR(normalised.offsetDb, 7.5, 0.5);
    EXPECT_LT(normalised.worstDb, 0.05);

    FitRequest flat;
    flat.targetDb.assign(Model().Frequencies().size(), 0.0);
    flat.fromFlat = true;
    EXPECT_EQ(Fitted(flat).faders, kFlatFaders);
}

TEST(FaderFit, RefusesTargetsAndWeightsThatCannotBeFitted)
{
    FitResult result;
    std::string error;
    FitRequest request;
    request.targetDb.assign(Model().Frequencies().size(), 0.0);
    request.weights.assign(request.targetDb.size(), 0.0);
    EXPECT_FALSE(FitFaders(Model(), request, result, error));
    request.weights[3] = std::nan("");
    EXPECT_FALSE(FitFaders(Model(), request, result, error));
    request.weights.clear();
    request.targetDb.pop_back();
    EXPECT_FALSE(FitFaders(Model(), request, result, error));
}
} // namespace
} // namespace KVX::Fit
