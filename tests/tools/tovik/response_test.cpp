// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik response` against the analytic response of the filters the engine designs for the same faders.
#include "dsp/band_tuning.h"
#include "dsp/biquad.h"
#include "dsp/output_lowpass.h"
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <complex>
#include <cstdio>
#include <sstream>

namespace KVX::Test
{
namespace
{
constexpr double kTwoPi = 6.283185307179586;

double GainDb(double b0, double b1, double b2, double a1, double a2, double w)
{
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    return 20.0 * std::log10(std::abs((b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2)));
}

// Ten peaking sections at their tuned gain, Q and frequency (a centred band passes unchanged), then the
// single-precision output low-pass.
double AnalyticDb(const float (&faders)[kBandCount], double rate, double frequency)
{
    const double w = kTwoPi * frequency / rate;
    double total = 0.0;
    for (int band = 0; band < kBandCount; ++band)
    {
        const double position = static_cast<double>(faders[band]);
        if (position == 0.5)
        {
            continue;
        }
        BandTuning tuning = LookupBandTuning(band, position);
        tuning.frequency = std::min(tuning.frequency, rate * CBiquad::kMaxFrequencyRatio);
        BiquadCoefficients c;
        Design(kBiquadPeaking, rate, tuning.q, tuning.gainDb, tuning.frequency, c);
        total += GainDb(c.b0, c.b1, c.b2, c.a1, c.a2, w);
    }
    COutputLowPass lowPass;
    lowPass.SetSampleRate(static_cast<float>(rate));
    return total + GainDb(lowPass.b0, lowPass.b1, lowPass.b2, lowPass.a1, lowPass.a2, w);
}

struct Row
{
    double frequency;
    double left;
    double right;
};

std::vector<Row> ReadCsv(const std::string& path, std::string& header)
{
    std::istringstream text(ReadBytes(path));
    std::getline(text, header);
    std::vector<Row> rows;
    std::string line;
    while (std::getline(text, line))
    {
        Row row{};
        if (std::sscanf(line.c_str(), "%lf,%lf,%lf", &row.frequency, &row.left, &row.right) == 3)
        {
            rows.push_back(row);
        }
    }
    return rows;
}

TEST(Response, MatchesTheDesignedFiltersWithinAHundredthOfADecibel)
{
    struct Case
    {
        double rate;
        std::vector<std::string> sets;
        float faders[kBandCount];
    };
    const Case cases[] = {
        {48000.0,
         {"31=+9dB", "63=-12dB", "250=0.3", "1k=+6dB", "2k=-4.5dB", "4k=-12dB", "8k=0.6", "16k=+12dB"},
         {0.875f, 0.0f, 0.5f, 0.3f, 0.5f, 0.75f, 0.3125f, 0.0f, 0.6f, 1.0f}},
        {44100.0,
         {"125=+12dB", "500=-7dB", "16 kHz=-12dB"},
         {0.5f, 0.5f, 1.0f, 0.5f, static_cast<float>(5.0 / 24.0), 0.5f, 0.5f, 0.5f, 0.5f, 0.0f}},
    };
    for (const Case& test : cases)
    {
        TempFolder folder;
        std::vector<std::string> args{
            "response", KVX_PLUGIN_PATH,      "--csv",  folder.Path("r.csv"),
            "--plot",   folder.Path("r.png"), "--rate", std::to_string(static_cast<int>(test.rate))};
        for (const auto& set : test.sets)
        {
            args.insert(args.end(), {"--set", set});
        }
        const auto run = RunTovik(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ReadBytes(folder.Path("r.png")).substr(1, 3), "PNG");

        std::string header;
        const auto rows = ReadCsv(folder.Path("r.csv"), header);
        EXPECT_EQ(header, "frequency_hz,left_db,right_db");
        ASSERT_GT(rows.size(), 400u);
        EXPECT_DOUBLE_EQ(rows.front().frequency, 20.0);
        int checked = 0;
        double largestGain = 0.0;
        for (const Row& row : rows)
        {
            if (row.frequency > 16000.0)
            {
                continue;
            }
            const double expected = AnalyticDb(test.faders, test.rate, row.frequency);
            ASSERT_NEAR(row.left, expected, 0.01) << row.frequency << " Hz at " << test.rate;
            ASSERT_NEAR(row.right, expected, 0.01) << row.frequency << " Hz at " << test.rate;
            largestGain = std::max(largestGain, std::fabs(expected));
            ++checked;
        }
        EXPECT_GT(checked, 400);
        EXPECT_GT(largestGain, 3.0);
    }
}
} // namespace
} // namespace KVX::Test
