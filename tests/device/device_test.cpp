// SPDX-License-Identifier: GPL-3.0-or-later
// The device object the plug-in formats talk to: the one rule for a host's channels (checked exactly with
// IN off, where the device passes its input through), the rate rule, host values and the state.
#include "device/device.h"
#include "formats/program_chunk.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace KVX
{
namespace
{
namespace D = Device::Description;
using Samples = std::vector<float>;

std::unique_ptr<CDevice> PassingDevice()
{
    auto device = CDevice::Create();
    EXPECT_NE(device, nullptr);
    EXPECT_TRUE(device->Prepare(48000.0, 64));
    device->SetValue(D::kInParameter, 0.0f);
    return device;
}

TEST(DeviceChannels, SeparateInPlaceCrossedAndSharedBuffersAllArriveIntact)
{
    auto device = PassingDevice();
    const Samples a = {1, 2, 3, 4}, b = {10, 20, 30, 40};
    Samples l(4), r(4), x = a, y = b;
    const float* in[2] = {a.data(), b.data()};
    float* out[2] = {l.data(), r.data()};
    device->Process(in, 2, out, 2, 4);
    EXPECT_EQ(l, a);
    EXPECT_EQ(r, b);

    // Crossed: the left output is the right input and the other way round.
    const float* crossedIn[2] = {x.data(), y.data()};
    float* crossedOut[2] = {y.data(), x.data()};
    device->Process(crossedIn, 2, crossedOut, 2, 4);
    EXPECT_EQ(y, a);
    EXPECT_EQ(x, b);

    // Only the left output on the right input: the right input is read before it is overwritten.
    x = a, y = b;
    Samples right(4);
    const float* halfIn[2] = {x.data(), y.data()};
    float* halfOut[2] = {y.data(), right.data()};
    device->Process(halfIn, 2, halfOut, 2, 4);
    EXPECT_EQ(y, a);
    EXPECT_EQ(right, b);
}

TEST(DeviceChannels, AMonoInputFeedsBothSidesAndMissingInputsAreSilence)
{
    auto device = PassingDevice();
    const Samples a = {1, 2, 3, 4};
    Samples l(4, -1), r(4, -1);
    const float* mono[1] = {a.data()};
    float* out[2] = {l.data(), r.data()};
    device->Process(mono, 1, out, 2, 4);
    EXPECT_EQ(l, a);
    EXPECT_EQ(r, a);

    // In place on the left output.
    Samples shared = a;
    const float* monoInPlace[1] = {shared.data()};
    float* outInPlace[2] = {shared.data(), r.data()};
    device->Process(monoInPlace, 1, outInPlace, 2, 4);
    EXPECT_EQ(shared, a);
    EXPECT_EQ(r, a);

    const float* nulls[2] = {nullptr, nullptr};
    device->Process(nulls, 2, out, 2, 4);
    EXPECT_EQ(l, Samples(4, 0.0f));
    device->Process(nullptr, 0, out, 2, 4);
    EXPECT_EQ(r, Samples(4, 0.0f));
}

TEST(DeviceChannels, ConstantInputsOneOrSharedOutputsAndExtraOutputs)
{
    auto device = PassingDevice();
    const Samples a = {1, 2, 3, 4}, b = {10, 0, 0, 0};
    Samples l(4), r(4), extra(4, 5.0f);
    const float* in[2] = {a.data(), b.data()};
    float* out[3] = {l.data(), r.data(), extra.data()};
    device->Process(in, 2, out, 3, 4, 0b10);
    EXPECT_EQ(r, Samples(4, 10.0f));
    EXPECT_EQ(extra, Samples(4, 0.0f));

    // One output gets the left side; two outputs on one buffer get it too, through the device's buffers.
    Samples only(4);
    float* one[1] = {only.data()};
    device->Process(in, 2, one, 1, 4);
    EXPECT_EQ(only, a);
    float* same[2] = {only.data(), only.data()};
    std::fill(only.begin(), only.end(), 0.0f);
    device->Process(in, 2, same, 2, 4);
    EXPECT_EQ(only, a);
    float* leftMissing[2] = {nullptr, r.data()};
    device->Process(in, 2, leftMissing, 2, 4);
    EXPECT_EQ(r, b);
}

TEST(DeviceStream, OnlyRatesInTheDocumentedRangeArePrepared)
{
    auto device = CDevice::Create();
    ASSERT_NE(device, nullptr);
    for (double rate :
         {0.0, -48000.0, 999.0, 1536001.0, 1e300, std::nan(""), std::numeric_limits<double>::infinity()})
    {
        EXPECT_FALSE(device->Prepare(rate, 512)) << rate;
    }
    for (double rate : {1000.0, 1234.57, 44100.0, 1234567.8, 1536000.0})
    {
        EXPECT_TRUE(device->Prepare(rate, 512)) << rate;
    }
}

TEST(DeviceValues, HostValuesAreClampedSwitchesRoundAndNaNIsIgnored)
{
    auto device = CDevice::Create();
    ASSERT_NE(device, nullptr);
    device->SetValue(3, 0.25f);
    device->SetValue(3, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(device->Value(3), 0.25f);
    device->SetValue(3, 7.0f);
    EXPECT_EQ(device->Value(3), 1.0f);
    device->SetValue(D::kInParameter, 0.3f);
    EXPECT_EQ(device->Value(D::kInParameter), 0.0f);
    device->SetValue(D::kInParameter, 0.5f);
    EXPECT_EQ(device->Value(D::kInParameter), 1.0f);
    device->SetValue(-1, 0.5f);
    device->SetValue(D::kParameterCount, 0.5f);
    EXPECT_EQ(device->Value(D::kParameterCount), 0.0f);
}

TEST(DeviceState, ARoundTripKeepsEveryValueAndDamagedStatesChangeNothing)
{
    auto device = CDevice::Create();
    ASSERT_NE(device, nullptr);
    device->SetValue(0, 0.125f);
    device->SetValue(D::kInParameter, 0.0f);
    const CDevice::State saved = device->SaveState();
    auto other = CDevice::Create();
    ASSERT_TRUE(other->LoadState(saved.data(), saved.size()));
    EXPECT_EQ(other->Value(0), 0.125f);
    EXPECT_EQ(other->Value(D::kInParameter), 0.0f);

    const auto withEntry = [&](std::uint32_t index, float value)
    {
        CDevice::State state = saved;
        std::memcpy(&state[0], &index, 4);
        std::memcpy(&state[4], &value, 4);
        return state;
    };
    const CDevice::State bad[] = {
        withEntry(3, 0.5f),  // index 3 twice, 0 missing
        withEntry(11, 0.5f), // no such parameter
        withEntry(0xFFFFFFFFu, 0.5f),
        withEntry(0, std::numeric_limits<float>::quiet_NaN()),
        withEntry(0, std::numeric_limits<float>::infinity()),
        withEntry(0, 1.5f),
        withEntry(0, -0.25f),
        CDevice::State{}, // all index 0
    };
    auto fresh = CDevice::Create();
    const CDevice::State before = fresh->SaveState();
    for (const auto& state : bad)
    {
        EXPECT_FALSE(fresh->LoadState(state.data(), state.size()));
    }
    EXPECT_FALSE(fresh->LoadState(saved.data(), saved.size() - 1));
    EXPECT_FALSE(fresh->LoadState(nullptr, saved.size()));
    EXPECT_EQ(fresh->SaveState(), before);
}

TEST(DeviceStream, AResetSilencesTheRingingOfThePastStream)
{
    auto device = CDevice::Create();
    ASSERT_TRUE(device->Prepare(48000.0, 256));
    for (int band = 0; band < D::kBandCount; ++band)
    {
        device->SetValue(band, 1.0f);
    }
    Samples l(256, 0.0f), r(256, 0.0f);
    for (int block = 0; block < 40; ++block) // past the start-up glide
    {
        device->Process(l.data(), r.data(), 256);
    }
    l.back() = r.back() = 1.0f;
    device->Process(l.data(), r.data(), 256);
    device->Reset();
    std::fill(l.begin(), l.end(), 0.0f);
    std::fill(r.begin(), r.end(), 0.0f);
    device->Process(l.data(), r.data(), 256);
    EXPECT_EQ(l, Samples(256, 0.0f));
    EXPECT_EQ(r, Samples(256, 0.0f));
}
} // namespace
} // namespace KVX

namespace KVX
{
namespace
{
std::pair<int, int> Size(const CDevice& device)
{
    int width = 0;
    int height = 0;
    device.EditorSize(width, height);
    return {width, height};
}

std::pair<int, int> Adjusted(const CDevice& device, int width, int height)
{
    device.AdjustEditorSize(width, height);
    return {width, height};
}

TEST(DeviceEditorScale, AHostsScaleIsClampedAndWhatIsNoScaleIsIgnored)
{
    auto device = CDevice::Create();
    ASSERT_NE(device, nullptr);
    const CDevice::State before = device->SaveState();
    device->SetEditorScale(2.0);
    EXPECT_TRUE(device->HostSetEditorScale());
    EXPECT_EQ(Size(*device), std::make_pair(1800, 516));
    device->SetEditorScale(1.25);
    EXPECT_EQ(Size(*device), std::make_pair(1125, 323));
    for (const double nonsense : {std::nan(""), 0.0, -1.0, std::numeric_limits<double>::infinity()})
    {
        device->SetEditorScale(nonsense);
        EXPECT_EQ(device->EditorScale(), 1.25) << nonsense;
    }
    device->SetEditorScale(0.5);
    EXPECT_EQ(Size(*device), std::make_pair(900, 258)) << "never below the panel's own size";
    device->SetEditorScale(100.0);
    EXPECT_EQ(Size(*device), std::make_pair(1800, 516)) << "nor beyond twice it";
    EXPECT_EQ(device->SaveState(), before) << "the scale is the screen's, not the project's";
}

TEST(DeviceEditorScale, AHostsResizeSnapsToTheAspectAndTheScaleSteps)
{
    auto device = CDevice::Create();
    ASSERT_NE(device, nullptr);
    device->SetEditorScale(1.0);
    EXPECT_EQ(Adjusted(*device, 900, 258), std::make_pair(900, 258));
    EXPECT_EQ(Adjusted(*device, 1500, 400), std::make_pair(1350, 387)) << "the largest that fits";
    EXPECT_EQ(Adjusted(*device, 1300, 500), std::make_pair(1125, 323));
    EXPECT_EQ(Adjusted(*device, 1790, 258), std::make_pair(1800, 516)) << "one edge dragged";
    EXPECT_EQ(Adjusted(*device, 5000, 5000), std::make_pair(1800, 516));
    EXPECT_EQ(Adjusted(*device, 10, 10), std::make_pair(900, 258));
    EXPECT_EQ(Adjusted(*device, 0, -5), std::make_pair(900, 258)) << "no size: the current one";

    EXPECT_FALSE(device->SetEditorSize(1500, 400));
    EXPECT_EQ(Size(*device), std::make_pair(1350, 387));
    EXPECT_TRUE(device->SetEditorSize(1800, 516));
    EXPECT_EQ(device->EditorScale(), 2.0);
    EXPECT_FALSE(device->SetEditorSize(0, 0));
    EXPECT_EQ(Size(*device), std::make_pair(1800, 516));

    // A host's own scale between the steps stays what it is when the host asks for its current size.
    device->SetEditorScale(1.1);
    EXPECT_EQ(Adjusted(*device, 990, 284), std::make_pair(990, 284));
    EXPECT_TRUE(device->SetEditorSize(990, 284));
}
} // namespace
} // namespace KVX
