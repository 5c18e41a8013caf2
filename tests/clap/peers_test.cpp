// SPDX-License-Identifier: GPL-3.0-or-later
// tovik's CLAP host on CLAP plug-ins we did not write (installed in /usr/lib/clap): each must do what its
// parameters say once tovik has set them, measured in its audio.
#include "tovik/plugin_session.h"
#include "tovik/response_measurement.h"
#include "tovik/settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace KVX::Tovik
{
namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 256;

bool Installed(const std::string& path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0;
}

std::unique_ptr<Session> OpenPeer(const std::string& name, const std::vector<std::string>& sets)
{
    const std::string path = "/usr/lib/clap/" + name + ".clap";
    if (!Installed(path))
    {
        return nullptr;
    }
    PluginChoice choice;
    choice.plugin = path;
    std::string error;
    auto session = Session::Open(choice, error);
    EXPECT_NE(session, nullptr) << error;
    if (session == nullptr)
    {
        return nullptr;
    }
    std::vector<Setting> settings;
    EXPECT_TRUE(ParseSettings(session->Parameters(), sets, settings, error)) << error;
    ApplySettings(*session, settings);
    session->Start(kRate, kBlock);
    return session;
}

// The gain in dB at each frequency of the first output.
std::vector<double> Gains(Session& session, const std::vector<double>& frequencies)
{
    const ResponseCurves curves = MeasureResponse(session, kRate, frequencies);
    return curves.gainsDb.empty() ? std::vector<double>{} : curves.gainsDb.front();
}

#define SKIP_UNLESS_INSTALLED(name)                                                                          \
    if (!Installed("/usr/lib/clap/" name ".clap"))                                                           \
    {                                                                                                        \
        GTEST_SKIP() << name ".clap is not installed";                                                       \
    }

TEST(ClapPeers, ATwoBandEqualiserBoostsWhereItsFirstBandIsSet)
{
    SKIP_UNLESS_INSTALLED("ZamEQ2");
    auto flat = OpenPeer("ZamEQ2", {});
    auto boosted = OpenPeer("ZamEQ2", {"Boost/Cut 1=12", "Frequency 1=1000"});
    ASSERT_NE(flat, nullptr);
    ASSERT_NE(boosted, nullptr);
    EXPECT_EQ(boosted->Name(), "ZamEQ2");
    const std::vector<double> at = {100.0, 1000.0, 10000.0};
    const auto before = Gains(*flat, at);
    const auto after = Gains(*boosted, at);
    ASSERT_EQ(after.size(), 3u);
    for (double gain : before)
    {
        EXPECT_NEAR(gain, 0.0, 0.1);
    }
    EXPECT_NEAR(after[1], 12.0, 0.5);
    EXPECT_LT(after[0], 2.0);
    EXPECT_LT(after[2], 2.0);
}

TEST(ClapPeers, AThirtyOneBandEqualiserCutsOnlyTheBandThatWasPulledDown)
{
    SKIP_UNLESS_INSTALLED("ZamGEQ31");
    auto session = OpenPeer("ZamGEQ31", {"501Hz=-12"});
    ASSERT_NE(session, nullptr);
    const auto gains = Gains(*session, {63.0, 501.0, 8000.0});
    ASSERT_EQ(gains.size(), 3u);
    EXPECT_LT(gains[1], -9.0);
    EXPECT_NEAR(gains[0], 0.0, 1.0);
    EXPECT_NEAR(gains[2], 0.0, 1.0);
}

TEST(ClapPeers, ADelayMovesAnImpulseByTheTimeItIsSetTo)
{
    SKIP_UNLESS_INSTALLED("ZamDelay");
    for (double ms : {5.0, 20.0})
    {
        auto session = OpenPeer("ZamDelay", {"Time=" + std::to_string(ms), "Dry/Wet=1", "LPF=20000"});
        ASSERT_NE(session, nullptr);
        ASSERT_EQ(session->Inputs(), 1);
        // Settled on silence, then one impulse; find the loudest output sample.
        for (int i = 0; i < 40; ++i)
        {
            session->ClearInputs();
            session->Process(kBlock);
        }
        long peakAt = -1;
        float peak = 0.0f;
        for (int block = 0; block < 16; ++block)
        {
            session->ClearInputs();
            if (block == 0)
            {
                session->Input(0)[0] = 1.0f;
            }
            session->Process(kBlock);
            for (int i = 0; i < kBlock; ++i)
            {
                const float sample = std::fabs(session->Output(0)[i]);
                if (sample > peak)
                {
                    peak = sample;
                    peakAt = block * kBlock + i;
                }
            }
        }
        const double expected = ms * kRate / 1000.0;
        EXPECT_GT(peak, 0.1f) << ms << " ms";
        EXPECT_NEAR(static_cast<double>(peakAt), expected, 0.02 * expected + 2.0) << ms << " ms";
    }
}
} // namespace
} // namespace KVX::Tovik
