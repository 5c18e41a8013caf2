// SPDX-License-Identifier: GPL-3.0-or-later
// The CLAP layer's plain logic: value mapping, value texts, input routing and state streams, without a
// plug-in instance.
#include "clap/audio_routing.h"
#include "clap/param_values.h"
#include "clap/state_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace KVX::Clap
{
namespace
{
using Device::Description::kInParameter;
using Device::Description::kParameters;

const auto& kBand = kParameters[5];
const auto& kIn = kParameters[kInParameter];

TEST(ClapValues, EverySingleNormalisedBandValueSurvivesTheWayThereAndBack)
{
    // A float in every 97 from 2^-30 up to 1 (all binades, all mantissa patterns mod 97): a host that
    // echoes what it reads must set exactly what was there.
    for (std::uint32_t bits = 0x30800000u; bits <= 0x3F800000u; bits += 97)
    {
        float v;
        std::memcpy(&v, &bits, sizeof v);
        const auto back = NormalisedFromValue(kBand, ValueFromNormalised(kBand, v));
        ASSERT_TRUE(back.has_value());
        ASSERT_EQ(*back, v) << v;
    }
    for (float v : {0.0f, 1.0f, 0x1p-30f, 0x1p-21f})
    {
        EXPECT_EQ(NormalisedFromValue(kBand, ValueFromNormalised(kBand, v)), v);
    }
}

TEST(ClapValues, BandsCarryDecibelsAndTheSwitchIsStepped)
{
    EXPECT_EQ(ValueFromNormalised(kBand, 0.0f), -12.0);
    EXPECT_EQ(ValueFromNormalised(kBand, 0.5f), 0.0);
    EXPECT_EQ(ValueFromNormalised(kBand, 0.75f), 6.0);
    EXPECT_EQ(ValueFromNormalised(kBand, 2.0f), 12.0);
    EXPECT_EQ(ValueFromNormalised(kBand, std::numeric_limits<float>::quiet_NaN()), -12.0);
    EXPECT_EQ(NormalisedFromValue(kBand, 6.0), 0.75f);
    EXPECT_EQ(NormalisedFromValue(kBand, 100.0), 1.0f);
    EXPECT_EQ(NormalisedFromValue(kBand, -1e300), 0.0f);
    EXPECT_EQ(NormalisedFromValue(kBand, std::numeric_limits<double>::infinity()), 1.0f);
    EXPECT_FALSE(NormalisedFromValue(kBand, std::numeric_limits<double>::quiet_NaN()).has_value());

    EXPECT_EQ(NormalisedFromValue(kIn, 1.0), 1.0f);
    EXPECT_EQ(NormalisedFromValue(kIn, 0.999), 0.0f);
    EXPECT_EQ(NormalisedFromValue(kIn, 7.0), 1.0f);
    EXPECT_EQ(NormalisedFromValue(kIn, -3.0), 0.0f);
    EXPECT_EQ(ValueFromNormalised(kIn, 0.25f), 1.0); // the processor's rule: anything but 0 is on
    EXPECT_EQ(ValueFromNormalised(kIn, 0.0f), 0.0);
}

TEST(ClapValues, TextsTypedBackAreReadInTheParametersUnits)
{
    EXPECT_EQ(ValueFromText(kBand, "+6.0 dB"), 6.0);
    EXPECT_EQ(ValueFromText(kBand, "  -3.5dB "), -3.5);
    EXPECT_EQ(ValueFromText(kBand, "12"), 12.0);
    EXPECT_EQ(ValueFromText(kBand, "0 DB"), 0.0);
    for (const char* bad : {"", "dB", "12.5", "-12.01 dB", "six", "6 dB!", "nan", "inf", "1e999", "+-3"})
    {
        EXPECT_FALSE(ValueFromText(kBand, bad).has_value()) << bad;
    }
    EXPECT_FALSE(ValueFromText(kBand, nullptr).has_value());
    EXPECT_EQ(ValueFromText(kIn, "On"), 1.0);
    EXPECT_EQ(ValueFromText(kIn, " off "), 0.0);
    EXPECT_EQ(ValueFromText(kIn, "1"), 1.0);
    EXPECT_FALSE(ValueFromText(kIn, "2").has_value());
    EXPECT_FALSE(ValueFromText(kIn, "maybe").has_value());
}

// ---- routing ---------------------------------------------------------------------------------------
struct Channels
{
    std::vector<float> a = {1, 2, 3, 4};
    std::vector<float> b = {10, 20, 30, 40};
    float* pointers[2] = {a.data(), b.data()};
    AudioBuffer Buffer(std::uint64_t constantMask = 0) { return {pointers, nullptr, 2, 0, constantMask}; }
};

TEST(ClapRouting, SeparateInPlaceAndCrossedBuffersAllArriveIntact)
{
    Channels in;
    std::vector<float> l(4), r(4);
    AudioBuffer buffer = in.Buffer();
    FillFromInputs(&buffer, 0, l.data(), r.data(), 4);
    EXPECT_EQ(l, in.a);
    EXPECT_EQ(r, in.b);

    FillFromInputs(&buffer, 0, in.a.data(), in.b.data(), 4);
    EXPECT_EQ(in.a, (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(in.b, (std::vector<float>{10, 20, 30, 40}));

    // Left output on the right input and the other way round.
    FillFromInputs(&buffer, 0, in.b.data(), in.a.data(), 4);
    EXPECT_EQ(in.b, (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(in.a, (std::vector<float>{10, 20, 30, 40}));

    // Only the left output on the right input: the right channel must be read before it is overwritten.
    Channels half;
    AudioBuffer halfBuffer = half.Buffer();
    std::vector<float> right(4);
    FillFromInputs(&halfBuffer, 0, half.b.data(), right.data(), 4);
    EXPECT_EQ(half.b, (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(right, (std::vector<float>{10, 20, 30, 40}));
}

TEST(ClapRouting, ConstantMissingAndOffsetChannels)
{
    Channels in;
    std::vector<float> l(4, -1.0f), r(4, -1.0f);
    AudioBuffer constant = in.Buffer(0b10);
    FillFromInputs(&constant, 0, l.data(), r.data(), 4);
    EXPECT_EQ(l, in.a);
    EXPECT_EQ(r, std::vector<float>(4, 10.0f));

    // A constant channel whose buffer is the other channel's output.
    Channels shared;
    AudioBuffer sharedBuffer = shared.Buffer(0b01);
    FillFromInputs(&sharedBuffer, 0, shared.b.data(), shared.a.data(), 4);
    EXPECT_EQ(shared.b, std::vector<float>(4, 1.0f));
    EXPECT_EQ(shared.a, (std::vector<float>{10, 20, 30, 40}));

    AudioBuffer mono = in.Buffer();
    mono.channelCount = 1;
    FillFromInputs(&mono, 0, l.data(), r.data(), 4);
    EXPECT_EQ(r, std::vector<float>(4, 0.0f));
    float* nulls[2] = {nullptr, nullptr};
    AudioBuffer empty{nulls, nullptr, 2, 0, 0};
    FillFromInputs(&empty, 0, l.data(), r.data(), 4);
    EXPECT_EQ(l, std::vector<float>(4, 0.0f));
    FillFromInputs(nullptr, 0, l.data(), r.data(), 4);
    AudioBuffer noData{nullptr, nullptr, 2, 0, 0};
    FillFromInputs(&noData, 0, l.data(), r.data(), 4);
    EXPECT_EQ(l, std::vector<float>(4, 0.0f));

    AudioBuffer offset = in.Buffer();
    FillFromInputs(&offset, 2, l.data(), r.data(), 2);
    EXPECT_EQ(l[0], 3.0f);
    EXPECT_EQ(r[1], 40.0f);
}

// ---- state streams ---------------------------------------------------------------------------------
struct Stream
{
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
    std::size_t step = 1 << 20; // bytes per call at most
    std::int64_t failAt = -1;   // the call that returns an error
    int calls = 0;

    IStream Reader()
    {
        return {this,
                [](const IStream* s, void* buffer, std::uint64_t size) -> std::int64_t
                {
                    auto& self = *static_cast<Stream*>(s->ctx);
                    if (self.calls++ == self.failAt)
                    {
                        return -1;
                    }
                    const std::size_t n = std::min<std::size_t>(
                        {static_cast<std::size_t>(size), self.step, self.bytes.size() - self.position});
                    std::copy_n(self.bytes.begin() + static_cast<long>(self.position), n,
                                static_cast<std::uint8_t*>(buffer));
                    self.position += n;
                    return static_cast<std::int64_t>(n);
                }};
    }
    OStream Writer()
    {
        return {this,
                [](const OStream* s, const void* buffer, std::uint64_t size) -> std::int64_t
                {
                    auto& self = *static_cast<Stream*>(s->ctx);
                    if (self.calls++ == self.failAt)
                    {
                        return -1;
                    }
                    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), self.step);
                    const auto* data = static_cast<const std::uint8_t*>(buffer);
                    self.bytes.insert(self.bytes.end(), data, data + n);
                    return static_cast<std::int64_t>(n);
                }};
    }
};

StateChunk GoodChunk()
{
    StateChunk chunk{};
    for (std::uint32_t i = 0; i < kParamCount; ++i)
    {
        const std::uint32_t index = kParamCount - 1 - i; // any order
        const float value = static_cast<float>(index) / 10.0f;
        std::memcpy(&chunk[8 * i], &index, 4);
        std::memcpy(&chunk[8 * i + 4], &value, 4);
    }
    return chunk;
}

TEST(ClapStateStreams, WholeChunksCrossStreamsThatTakeAndGiveAByteAtATime)
{
    const StateChunk chunk = GoodChunk();
    Stream out;
    out.step = 1;
    const OStream writer = out.Writer();
    ASSERT_TRUE(WriteAll(&writer, chunk.data(), chunk.size()));
    EXPECT_EQ(out.bytes.size(), chunk.size());

    Stream in;
    in.bytes = out.bytes;
    in.step = 1;
    const IStream reader = in.Reader();
    const auto read = ReadChunk(&reader);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, chunk);
    EXPECT_TRUE(IsWholeChunk(*read));
}

TEST(ClapStateStreams, FailingShortLongAndStuckStreamsAreRefused)
{
    const StateChunk chunk = GoodChunk();
    Stream failing;
    failing.step = 10;
    failing.failAt = 3;
    const OStream failingWriter = failing.Writer();
    EXPECT_FALSE(WriteAll(&failingWriter, chunk.data(), chunk.size()));

    Stream stuck;
    stuck.step = 0; // takes nothing, ever
    const OStream stuckWriter = stuck.Writer();
    EXPECT_FALSE(WriteAll(&stuckWriter, chunk.data(), chunk.size()));
    EXPECT_FALSE(WriteAll(nullptr, chunk.data(), chunk.size()));

    Stream broken;
    broken.bytes.assign(chunk.begin(), chunk.end());
    broken.failAt = 0;
    const IStream brokenReader = broken.Reader();
    EXPECT_FALSE(ReadChunk(&brokenReader).has_value());

    for (std::size_t size :
         {std::size_t{0}, std::size_t{8}, chunk.size() - 1, chunk.size() + 1, std::size_t{4096}})
    {
        Stream in;
        in.bytes.assign(size, 0);
        std::copy_n(chunk.begin(), std::min(size, chunk.size()), in.bytes.begin());
        in.step = 7;
        const IStream reader = in.Reader();
        EXPECT_FALSE(ReadChunk(&reader).has_value()) << size << " bytes";
    }
    EXPECT_FALSE(ReadChunk(nullptr).has_value());
}

TEST(ClapStateStreams, ChunksWithMissingRepeatedOrUnusableEntriesAreNotWhole)
{
    const auto withEntry = [](std::size_t entry, std::uint32_t index, float value)
    {
        StateChunk chunk = GoodChunk();
        std::memcpy(&chunk[8 * entry], &index, 4);
        std::memcpy(&chunk[8 * entry + 4], &value, 4);
        return chunk;
    };
    EXPECT_TRUE(IsWholeChunk(GoodChunk()));
    EXPECT_FALSE(IsWholeChunk(withEntry(0, 3, 0.5f)));  // index 3 twice, 10 missing
    EXPECT_FALSE(IsWholeChunk(withEntry(0, 11, 0.5f))); // no such parameter
    EXPECT_FALSE(IsWholeChunk(withEntry(0, 0xFFFFFFFFu, 0.5f)));
    EXPECT_FALSE(IsWholeChunk(withEntry(0, 10, std::numeric_limits<float>::quiet_NaN())));
    EXPECT_FALSE(IsWholeChunk(withEntry(0, 10, std::numeric_limits<float>::infinity())));
    EXPECT_FALSE(IsWholeChunk(withEntry(0, 10, 1.5f)));
    EXPECT_FALSE(IsWholeChunk(withEntry(0, 10, -0.25f)));
    EXPECT_FALSE(IsWholeChunk(StateChunk{})); // all index 0
}

} // namespace
} // namespace KVX::Clap
