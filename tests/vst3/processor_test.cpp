// SPDX-License-Identifier: GPL-3.0-or-later
// The audio side as a host drives it: bus set-up, sample sizes, processing with parameter changes,
// bypass, and the calls hosts make with odd arguments.
#include "plugin_fixture.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace KVX::Test::Vst3
{
namespace
{
std::vector<float> Noise(std::size_t frames, std::uint32_t seed)
{
    std::vector<float> out(frames);
    for (float& sample : out)
    {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<float>(static_cast<std::int32_t>(seed >> 8) - (1 << 23)) /
                 static_cast<float>(1 << 24);
    }
    return out;
}

class Vst3Processor : public Vst3Plugin
{
protected:
    // One block of noise through the plug-in, with the given changes.
    StereoBuffers Render(CInstance& instance, std::int32_t frames, IParameterChanges* changes = nullptr,
                         std::uint32_t seed = 1)
    {
        m_Left = Noise(static_cast<std::size_t>(frames), seed);
        m_Right = Noise(static_cast<std::size_t>(frames), seed + 1);
        const float* in[2] = {m_Left.data(), m_Right.data()};
        StereoBuffers out(static_cast<std::size_t>(frames));
        EXPECT_EQ(instance.Process(in, out.Channels(), frames, changes), kResultOk);
        EXPECT_EQ(instance.OutputChanges(), 0) << "the processor has no output parameters";
        return out;
    }

    std::vector<float> m_Left;
    std::vector<float> m_Right;
};

TEST_F(Vst3Processor, OffersOneStereoBusEachWayAndAcceptsNothingElse)
{
    EXPECT_EQ(Component()->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(Component()->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(Component()->getBusCount(kEvent, kInput), 0);
    EXPECT_EQ(Component()->getBusCount(kEvent, kOutput), 0);
    for (BusDirection direction : {kInput, kOutput})
    {
        BusInfo bus{};
        ASSERT_EQ(Component()->getBusInfo(kAudio, direction, 0, bus), kResultOk);
        EXPECT_EQ(bus.direction, direction);
        EXPECT_EQ(bus.channelCount, 2);
        EXPECT_EQ(bus.busType, kMain);
        EXPECT_EQ(bus.flags & BusInfo::kDefaultActive, BusInfo::kDefaultActive);
        EXPECT_FALSE(Narrow(bus.name, 128).empty());
        EXPECT_NE(Component()->getBusInfo(kAudio, direction, 1, bus), kResultOk);
        EXPECT_NE(Component()->getBusInfo(kEvent, direction, 0, bus), kResultOk);
        SpeakerArrangement arrangement = 0;
        ASSERT_EQ(Processor()->getBusArrangement(direction, 0, arrangement), kResultOk);
        EXPECT_EQ(arrangement, kStereo);
    }

    SpeakerArrangement stereo = kStereo;
    SpeakerArrangement mono = 1;
    SpeakerArrangement surround = 0x3F;
    SpeakerArrangement two[2] = {kStereo, kStereo};
    EXPECT_EQ(Processor()->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
    EXPECT_NE(Processor()->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
    EXPECT_NE(Processor()->setBusArrangements(&mono, 1, &stereo, 1), kResultTrue);
    EXPECT_NE(Processor()->setBusArrangements(&surround, 1, &surround, 1), kResultTrue);
    EXPECT_NE(Processor()->setBusArrangements(two, 2, two, 2), kResultTrue);
    EXPECT_NE(Processor()->setBusArrangements(nullptr, 0, &stereo, 1), kResultTrue);

    EXPECT_EQ(Processor()->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_NE(Processor()->canProcessSampleSize(kSample64), kResultTrue);
    EXPECT_EQ(Processor()->getLatencySamples(), 0u);
}

TEST_F(Vst3Processor, RefusesSetupsItCannotRunAndKeepsProcessingAfterwards)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const ProcessSetup& setup :
         {ProcessSetup{0, kSample64, 512, 48000.0}, ProcessSetup{0, kSample32, 512, 0.0},
          ProcessSetup{0, kSample32, 512, -48000.0}, ProcessSetup{0, kSample32, 512, nan},
          ProcessSetup{0, kSample32, 512, inf}, ProcessSetup{0, kSample32, 512, 1e12}})
    {
        ProcessSetup copy = setup;
        EXPECT_NE(Processor()->setupProcessing(copy), kResultOk) << setup.sampleRate;
    }
    // A block size of 0 is no reason to refuse: the processor takes any block it is given.
    ProcessSetup zeroBlock{0, kSample32, 0, 44100.0};
    EXPECT_EQ(Processor()->setupProcessing(zeroBlock), kResultOk);
    ASSERT_EQ(m_Instance->Start(48000.0, 512), kResultOk);
    const auto out = Render(*m_Instance, 256);
    for (std::size_t i = 0; i < out.left.size(); ++i)
    {
        ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << i;
    }
}

TEST_F(Vst3Processor, SurvivesEmptyBlocksAndMissingBuffersAndStillTakesTheirParameterChanges)
{
    ASSERT_EQ(m_Instance->Start(48000.0, 512), kResultOk);
    CParameterChanges changes;
    changes.Add(3, 0, 0.9);
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.inputParameterChanges = &changes;
    EXPECT_EQ(Processor()->process(data), kResultOk) << "a flush: no frames, no buses";
    EXPECT_FLOAT_EQ(StateValue(m_Instance->State(), 3), 0.9f);

    data.inputParameterChanges = nullptr;
    data.numSamples = 64;
    EXPECT_EQ(Processor()->process(data), kResultOk) << "frames but no buses";

    // Outputs without inputs: silence, flagged as such.
    std::vector<float> left(64, 5.0f);
    std::vector<float> right(64, 5.0f);
    float* outChannels[2] = {left.data(), right.data()};
    AudioBusBuffers outBus{};
    outBus.numChannels = 2;
    outBus.channelBuffers32 = outChannels;
    data.numOutputs = 1;
    data.outputs = &outBus;
    EXPECT_EQ(Processor()->process(data), kResultOk);
    EXPECT_EQ(left, std::vector<float>(64, 0.0f));
    EXPECT_EQ(right, std::vector<float>(64, 0.0f));
    EXPECT_EQ(outBus.silenceFlags, 3u);

    // Buses with missing channels are not written through.
    AudioBusBuffers inBus{};
    inBus.numChannels = 1;
    float* inChannels[2] = {left.data(), nullptr};
    inBus.channelBuffers32 = inChannels;
    data.numInputs = 1;
    data.inputs = &inBus;
    outChannels[1] = nullptr;
    EXPECT_EQ(Processor()->process(data), kResultOk);
    outBus.channelBuffers32 = nullptr;
    EXPECT_EQ(Processor()->process(data), kResultOk);

    // Doubles were refused at set-up; a host that sends them anyway gets an error, not a misread buffer.
    data.symbolicSampleSize = kSample64;
    EXPECT_NE(Processor()->process(data), kResultOk);
}

TEST_F(Vst3Processor, AppliesTheLastPointOfEachQueueAndIgnoresWhatIsNoParameter)
{
    ASSERT_EQ(m_Instance->Start(48000.0, 512), kResultOk);
    CParameterChanges changes;
    changes.Add(0, 0, 0.2);
    changes.Add(0, 100, 0.9); // the value at the block's end wins
    changes.Add(1, 10, 1.7);  // clamped
    changes.Add(2, 10, -0.5);
    changes.Add(4, 0, std::numeric_limits<double>::quiet_NaN()); // no value at all: left alone
    changes.Add(10, 5, 0.3); // a switch with one step: off below the middle
    changes.Add(99, 0, 0.1); // no such parameter
    Render(*m_Instance, 256, &changes);
    const auto state = m_Instance->State();
    EXPECT_FLOAT_EQ(StateValue(state, 0), 0.9f);
    EXPECT_FLOAT_EQ(StateValue(state, 1), 1.0f);
    EXPECT_FLOAT_EQ(StateValue(state, 2), 0.0f);
    EXPECT_FLOAT_EQ(StateValue(state, 4), 0.5f);
    EXPECT_FLOAT_EQ(StateValue(state, 10), 0.0f);
    CParameterChanges on;
    on.Add(10, 0, 0.6);
    Render(*m_Instance, 16, &on);
    EXPECT_FLOAT_EQ(StateValue(m_Instance->State(), 10), 1.0f);
}

TEST_F(Vst3Processor, BypassPassesTheInputThroughBitForBitAndLeavesTheStateAlone)
{
    ASSERT_EQ(m_Instance->Start(48000.0, 512), kResultOk);
    CParameterChanges boost;
    boost.Add(5, 0, 1.0);
    const auto processed = Render(*m_Instance, 512, &boost);
    EXPECT_NE(processed.left, m_Left) << "a boosted band changes the audio";
    const auto stateBefore = m_Instance->State();

    CParameterChanges bypass;
    bypass.Add(11, 0, 1.0);
    for (int block = 0; block < 3; ++block)
    {
        const auto out = Render(*m_Instance, 300, block == 0 ? &bypass : nullptr, 7 + block);
        EXPECT_EQ(std::memcmp(out.left.data(), m_Left.data(), m_Left.size() * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(out.right.data(), m_Right.data(), m_Right.size() * sizeof(float)), 0);
    }
    const auto stateBypassed = m_Instance->State();
    EXPECT_TRUE(std::equal(stateBefore.begin(), stateBefore.end(), stateBypassed.begin()))
        << "the device's chunk is unchanged; the bypass is stored after it";

    CParameterChanges resume;
    resume.Add(11, 0, 0.0);
    const auto again = Render(*m_Instance, 512, &resume);
    EXPECT_NE(again.left, m_Left);
}

TEST_F(Vst3Processor, InPlaceAndCrossedBuffersGiveWhatSeparateBuffersGive)
{
    auto reference = NewInstance();
    ASSERT_EQ(reference->Start(48000.0, 512), kResultOk);
    ASSERT_EQ(m_Instance->Start(48000.0, 512), kResultOk);
    CParameterChanges changes;
    changes.Add(0, 0, 0.8);
    changes.Add(9, 0, 0.1);
    const auto separate = Render(*reference, 400, &changes);

    auto left = Noise(400, 1);
    auto right = Noise(400, 2);
    // Each output on the other channel's input.
    const float* in[2] = {left.data(), right.data()};
    float* out[2] = {right.data(), left.data()};
    ASSERT_EQ(m_Instance->Process(in, out, 400, &changes), kResultOk);
    EXPECT_EQ(right, separate.left);
    EXPECT_EQ(left, separate.right);

    left = Noise(400, 3);
    right = Noise(400, 4);
    const auto expected = Render(*reference, 400, nullptr, 3);
    float* same[2] = {left.data(), right.data()};
    ASSERT_EQ(m_Instance->Process(same, same, 400), kResultOk);
    EXPECT_EQ(left, expected.left);
    EXPECT_EQ(right, expected.right);
}

// Every band at +12 dB and settled, then an impulse in a block's last sample: the filters ring on.
void RingAfterAnImpulse(CInstance& instance)
{
    CParameterChanges boost;
    for (ParamID id = 0; id < 10; ++id)
    {
        boost.Add(id, 0, 1.0);
    }
    std::vector<float> block(512, 0.0f);
    const float* in[2] = {block.data(), block.data()};
    StereoBuffers out(512);
    for (int i = 0; i < 20; ++i)
    {
        ASSERT_EQ(instance.Process(in, out.Channels(), 512, i == 0 ? &boost : nullptr), kResultOk);
    }
    block.back() = 1.0f;
    ASSERT_EQ(instance.Process(in, out.Channels(), 512), kResultOk);
}

std::vector<float> SilenceThrough(CInstance& instance)
{
    const std::vector<float> silence(512, 0.0f);
    const float* in[2] = {silence.data(), silence.data()};
    StereoBuffers out(512);
    EXPECT_EQ(instance.Process(in, out.Channels(), 512), kResultOk);
    out.left.insert(out.left.end(), out.right.begin(), out.right.end());
    return out.left;
}

TEST_F(Vst3Processor, ReactivationForgetsWhatTheFiltersHeard)
{
    auto reference = NewInstance();
    ASSERT_EQ(reference->Start(48000.0, 512), kResultOk);
    RingAfterAnImpulse(*reference);
    EXPECT_NE(SilenceThrough(*reference), std::vector<float>(1024, 0.0f)) << "without a restart it rings on";

    ASSERT_EQ(m_Instance->Start(48000.0, 512), kResultOk);
    RingAfterAnImpulse(*m_Instance);
    m_Instance->Stop();
    ASSERT_EQ(m_Instance->Start(48000.0, 512), kResultOk);
    EXPECT_EQ(SilenceThrough(*m_Instance), std::vector<float>(1024, 0.0f));
}

TEST_F(Vst3Processor, SaysItNeedsNothingOfTheProcessContext)
{
    void* object = nullptr;
    ASSERT_EQ(Component()->queryInterface(Iid::IProcessContextRequirements.Data(), &object), kResultOk);
    auto* requirements = static_cast<IProcessContextRequirements*>(object);
    EXPECT_EQ(requirements->getProcessContextRequirements(), 0u);
    requirements->release();
}

TEST_F(Vst3Processor, FlagsTheOutputChannelsItLeavesSilent)
{
    ASSERT_EQ(m_Instance->Start(48000.0, 64), kResultOk);
    std::vector<float> left(64, 0.0f), right(64, 0.0f), outLeft(64), outRight(64);
    right[10] = 0.5f;
    float* in[2] = {left.data(), right.data()};
    float* out[2] = {outLeft.data(), outRight.data()};
    AudioBusBuffers inBus{2, 0, {in}};
    AudioBusBuffers outBus{2, 0, {out}};
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = 64;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    ASSERT_EQ(Processor()->process(data), kResultOk);
    EXPECT_EQ(outBus.silenceFlags, 1u) << "the left output is silent, the right is not";
}
} // namespace
} // namespace KVX::Test::Vst3
