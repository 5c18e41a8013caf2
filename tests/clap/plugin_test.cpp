// SPDX-License-Identifier: GPL-3.0-or-later
// The CLAP module as a host meets it: loaded through clap_entry and driven by tovik's CLAP host, with the
// VST build loaded beside it as the reference for texts, state bytes and audio.
#include "clap/param_values.h"
#include "device/parameter_values.h"
#include "device/description.h"
#include "host/plugin_host.h"
#include "our_plugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace KVX::Tovik
{
namespace
{
using namespace KVX::Clap;
using Device::Description::kIdentity;
using Device::Description::kInParameter;
using Device::Description::kParameters;
using Device::Description::ParameterKind;

constexpr const char* kId = kOurId;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::unique_ptr<Host::Plugin> NewVst()
{
    std::string error;
    auto plugin = Host::Plugin::Load(KVX_VST_PLUGIN_PATH, error);
    EXPECT_NE(plugin, nullptr) << error;
    if (plugin != nullptr)
    {
        plugin->Dispatch(effOpen);
    }
    return plugin;
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// ---- identity --------------------------------------------------------------------------------------
TEST(ClapModule, ListsOneEqualiserWithTheDescriptionsIdentity)
{
    auto module = OpenOurModule();
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(IsCompatible(module->Entry().clapVersion));
    EXPECT_EQ(module->Entry().getFactory("clap.some-other-factory"), nullptr);
    EXPECT_EQ(module->Entry().getFactory(nullptr), nullptr);
    ASSERT_EQ(module->Descriptors().size(), 1u);
    const PluginDescriptor& d = *module->Descriptors()[0];
    EXPECT_STREQ(d.id, kId);
    EXPECT_EQ(d.name, kIdentity.name);
    EXPECT_EQ(d.vendor, kIdentity.vendor);
    EXPECT_EQ(d.version, kIdentity.versionText);
    std::vector<std::string> features;
    for (auto f = d.features; *f != nullptr; ++f)
    {
        features.emplace_back(*f);
    }
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "equalizer", "stereo"}));
    const PluginFactory* factory = module->Factory();
    EXPECT_EQ(factory->getPluginDescriptor(factory, 1), nullptr);
    EXPECT_EQ(factory->getPluginDescriptor(factory, 0xFFFFFFFFu), nullptr);
}

TEST(ClapModule, MakesNoPluginForAnotherIdAMissingHostOrAnOlderAbi)
{
    auto module = OpenOurModule();
    ASSERT_NE(module, nullptr);
    const PluginFactory* factory = module->Factory();
    std::string error;
    auto plugin = ClapPlugin::Create(module, kId, error);
    ASSERT_NE(plugin, nullptr) << error;
    EXPECT_EQ(factory->createPlugin(factory, plugin->HostRecord(), "example.brellmoor.other"), nullptr);
    EXPECT_EQ(factory->createPlugin(factory, plugin->HostRecord(), nullptr), nullptr);
    EXPECT_EQ(factory->createPlugin(factory, nullptr, kId), nullptr);
    Clap::Host old = *plugin->HostRecord();
    old.clapVersion = {0, 9, 0};
    EXPECT_EQ(factory->createPlugin(factory, &old, kId), nullptr);
    EXPECT_EQ(ClapPlugin::Create(module, "nope", error), nullptr);
    EXPECT_NE(error.find(kId), std::string::npos) << "the error lists what the file holds: " << error;
}

TEST(ClapPlugin, HasOneStereoPortEachWayProcessedInPlace)
{
    auto plugin = NewOurPlugin();
    ASSERT_NE(plugin, nullptr);
    ASSERT_EQ(plugin->InputPorts().size(), 1u);
    ASSERT_EQ(plugin->OutputPorts().size(), 1u);
    for (const auto* ports : {&plugin->InputPorts(), &plugin->OutputPorts()})
    {
        EXPECT_EQ(ports->front().channels, 2u);
        EXPECT_EQ(ports->front().type, "stereo");
        EXPECT_NE(ports->front().flags & kAudioPortIsMain, 0u);
    }
    const auto* ports = static_cast<const PluginAudioPorts*>(plugin->Extension(kExtAudioPorts));
    AudioPortInfo info{};
    ASSERT_TRUE(ports->get(plugin->Raw(), 0, false, &info));
    EXPECT_EQ(info.inPlacePair, 0u);
    EXPECT_FALSE(ports->get(plugin->Raw(), 1, true, &info));
    EXPECT_FALSE(ports->get(plugin->Raw(), 0, true, nullptr));
    EXPECT_EQ(plugin->Extension("clap.no-such-extension"), nullptr);
    EXPECT_EQ(plugin->Extension(nullptr), nullptr);
}

// ---- parameters ------------------------------------------------------------------------------------
TEST(ClapParams, ShowTheTextsOfTheVstBuild)
{
    auto plugin = NewOurPlugin();
    auto vst = NewVst();
    ASSERT_NE(plugin, nullptr);
    ASSERT_NE(vst, nullptr);
    ASSERT_EQ(plugin->Params().size(), ParamCount());
    for (const auto& parameter : kParameters)
    {
        const auto index = parameter.index;
        const auto id = static_cast<Id>(index);
        EXPECT_EQ(plugin->Params()[static_cast<std::size_t>(index)].name, vst->Text(effGetParamName, index));
        for (float v : {0.0f, 0.01f, 0.1f, 0.25f, 0.333f, 0.4979f, 0.5f, 0.5021f, 0.75f, 0.999f, 1.0f})
        {
            if (parameter.kind == ParameterKind::Switch && v != 0.0f && v != 1.0f)
            {
                continue;
            }
            vst->SetParameter(index, v);
            std::string expected = vst->Text(effGetParamDisplay, index);
            const std::string label = vst->Text(effGetParamLabel, index);
            if (!label.empty())
            {
                expected += " " + label;
            }
            const double value = Device::ValueTypeOf(index).ToPlain(v);
            const std::string text = plugin->ValueText(id, value);
            EXPECT_EQ(text, expected) << parameter.name << " at " << v;
            // What the host shows, typed back, is the value it shows.
            const auto typed = plugin->TextValue(id, text);
            ASSERT_TRUE(typed.has_value()) << text;
            EXPECT_EQ(plugin->ValueText(id, *typed), text);
        }
    }
    EXPECT_EQ(plugin->ValueText(99, 0.0), "");
    EXPECT_EQ(plugin->ValueText(0, kNaN), "");
    EXPECT_FALSE(plugin->TextValue(99, "1").has_value());
    EXPECT_FALSE(plugin->TextValue(0, "loud").has_value());
    // A short buffer is filled and terminated, never overrun.
    char small[4] = {'x', 'x', 'x', 'x'};
    ASSERT_TRUE(plugin->ParamsExtension()->valueToText(plugin->Raw(), 0, 6.0, small, 3));
    EXPECT_STREQ(small, "+6");
    EXPECT_EQ(small[3], 'x');
}

TEST(ClapParams, ValuesFlushedWhileInactiveAreAppliedAndReadBackAndBadOnesChangeNothing)
{
    auto plugin = NewOurPlugin();
    ASSERT_NE(plugin, nullptr);
    for (const auto& param : plugin->Params())
    {
        EXPECT_EQ(plugin->Value(param.id), param.defaultValue) << param.name;
    }
    plugin->SetParam(5, 6.0);
    plugin->SetParam(kInParameter, 0.0);
    EXPECT_EQ(plugin->Value(5), 6.0);
    EXPECT_EQ(plugin->Value(kInParameter), 0.0);

    plugin->SetParam(5, kNaN);
    plugin->SetParam(77, 3.0);
    plugin->SetParam(kInvalidId, 3.0);
    EXPECT_EQ(plugin->Value(5), 6.0) << "NaN is no value";
    EXPECT_FALSE(plugin->Value(77).has_value());

    plugin->SetParam(2, 1e9);
    plugin->SetParam(3, -std::numeric_limits<double>::infinity());
    plugin->SetParam(kInParameter, 42.0);
    EXPECT_EQ(plugin->Value(2), 12.0);
    EXPECT_EQ(plugin->Value(3), -12.0);
    EXPECT_EQ(plugin->Value(kInParameter), 1.0);

    // Events that are not core parameter values, or claim less than one, are passed over.
    struct Odd
    {
        std::vector<EventParamValue> events;
    } odd;
    EventParamValue event{};
    event.header = {sizeof event, 0, 1, kEventParamValue, 0}; // another event space
    event.paramId = 0;
    event.value = 12.0;
    odd.events.push_back(event);
    event.header = {sizeof event, 0, kCoreEventSpace, kEventParamMod, 0};
    odd.events.push_back(event);
    event.header = {sizeof(EventHeader), 0, kCoreEventSpace, kEventParamValue, 0};
    odd.events.push_back(event);
    const InputEvents in{
        &odd,
        [](const InputEvents* list) -> std::uint32_t
        { return static_cast<std::uint32_t>(static_cast<Odd*>(list->ctx)->events.size()) + 1; },
        [](const InputEvents* list, std::uint32_t i) -> const EventHeader*
        {
            auto& events = static_cast<Odd*>(list->ctx)->events;
            return i < events.size() ? &events[i].header : nullptr; // one null too
        }};
    plugin->ParamsExtension()->flush(plugin->Raw(), &in, nullptr);
    EXPECT_EQ(plugin->Value(0), 0.0);
    plugin->ParamsExtension()->flush(plugin->Raw(), nullptr, nullptr);
}

// ---- state -----------------------------------------------------------------------------------------
TEST(ClapState, IsTheVstChunkAndComesBackInAFreshInstance)
{
    auto plugin = NewOurPlugin();
    auto vst = NewVst();
    ASSERT_NE(plugin, nullptr);
    ASSERT_NE(vst, nullptr);
    const std::vector<std::pair<int, double>> settings = {
        {0, 12.0}, {4, -3.25}, {9, 0.5}, {kInParameter, 0.0}};
    for (const auto& [index, value] : settings)
    {
        plugin->SetParam(static_cast<Id>(index), value);
        vst->SetParameter(index, *Device::ValueTypeOf(index).ToNormalised(value));
    }
    std::vector<std::uint8_t> state;
    ASSERT_TRUE(plugin->SaveState(state));
    void* chunk = nullptr;
    const auto size = vst->Dispatch(effGetChunk, 1, 0, &chunk);
    ASSERT_EQ(size, Device::Description::kChunkBytes);
    EXPECT_EQ(state, std::vector<std::uint8_t>(static_cast<std::uint8_t*>(chunk),
                                               static_cast<std::uint8_t*>(chunk) + size));

    auto fresh = NewOurPlugin();
    ASSERT_NE(fresh, nullptr);
    ASSERT_TRUE(fresh->LoadState(state));
    for (const auto& param : plugin->Params())
    {
        EXPECT_EQ(fresh->Value(param.id), plugin->Value(param.id)) << param.name;
    }
    EXPECT_GE(fresh->RescanRequests(), 1) << "the host is told the values changed";
}

TEST(ClapState, ShortLongGarbageAndNanStatesAreRefusedAndChangeNothing)
{
    auto plugin = NewOurPlugin();
    ASSERT_NE(plugin, nullptr);
    plugin->SetParam(1, 7.5);
    std::vector<std::uint8_t> good;
    ASSERT_TRUE(plugin->SaveState(good));
    plugin->SetParam(1, -3.0);

    std::vector<std::vector<std::uint8_t>> bad;
    bad.emplace_back();                                // nothing
    bad.emplace_back(good.begin(), good.begin() + 80); // short
    bad.push_back(good);
    bad.back().push_back(0);                               // longer: some other state
    bad.emplace_back(std::vector<std::uint8_t>(88, 0xFF)); // garbage
    bad.push_back(good);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(bad.back().data() + 8 * 3 + 4, &nan, 4); // one NaN value
    bad.push_back(good);
    std::memcpy(bad.back().data() + 8 * 5, bad.back().data() + 8 * 6, 4); // an index twice
    const std::string text = "{\"preset\":\"some other plug-in's state, 88 bytes of it............\"}";
    bad.emplace_back(text.begin(), text.end());
    bad.back().resize(88, ' ');
    for (std::size_t i = 0; i < bad.size(); ++i)
    {
        EXPECT_FALSE(plugin->LoadState(bad[i])) << "state " << i;
        EXPECT_EQ(plugin->Value(1), -3.0) << "state " << i;
    }
    const auto* state = static_cast<const PluginState*>(plugin->Extension(kExtState));
    EXPECT_FALSE(state->load(plugin->Raw(), nullptr));
    EXPECT_FALSE(state->save(plugin->Raw(), nullptr));
    EXPECT_TRUE(plugin->LoadState(good));
    EXPECT_EQ(plugin->Value(1), 7.5);
}

// ---- processing ------------------------------------------------------------------------------------
TEST(ClapProcess, RefusesRatesTheFiltersCannotRunAtAndTakesAnyBlockBounds)
{
    auto plugin = NewOurPlugin();
    ASSERT_NE(plugin, nullptr);
    std::string error;
    for (double rate : {0.0, -48000.0, kNaN, std::numeric_limits<double>::infinity(), 1e12, 0.5})
    {
        EXPECT_FALSE(plugin->Activate(rate, 512, error)) << rate;
        EXPECT_FALSE(plugin->Active());
    }
    EXPECT_EQ(plugin->ProcessBuffers(nullptr, 0, nullptr, 0, 16), kProcessError)
        << "processing before activation";
    for (std::uint32_t maxFrames : {0u, 1u, 0xFFFFFFFFu})
    {
        ASSERT_TRUE(plugin->Activate(44100.0, maxFrames, error)) << error;
        auto left = Noise(64, 1), right = Noise(64, 2);
        const float* in[] = {left.data(), right.data()};
        std::vector<float> l(64), r(64);
        float* out[] = {l.data(), r.data()};
        EXPECT_EQ(plugin->Process(in, out, 64), kProcessContinue);
        EXPECT_TRUE(std::all_of(l.begin(), l.end(), [](float x) { return std::isfinite(x); }));
        plugin->Deactivate();
    }
}

// Active at 48 kHz with the 31 Hz band up and the 2 kHz band down.
std::unique_ptr<ClapPlugin> NewActivePlugin()
{
    auto plugin = NewOurPlugin();
    std::string error;
    if (plugin == nullptr || !plugin->Activate(48000.0, 1024, error))
    {
        ADD_FAILURE() << error;
        return nullptr;
    }
    plugin->SetParam(0, 12.0);
    plugin->SetParam(6, -9.0);
    return plugin;
}

class ActivePlugin : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plugin = NewActivePlugin();
        ASSERT_NE(plugin, nullptr);
    }

    // The same blocks through the VST build.
    static void RunVst(Host::Plugin& vst, std::vector<float>& l, std::vector<float>& r, std::uint32_t block)
    {
        vst.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        vst.Dispatch(effSetBlockSize, 0, 1024);
        vst.Dispatch(effMainsChanged, 0, 1);
        vst.SetParameter(0, 1.0f);
        vst.SetParameter(6, 0.125f);
        for (std::size_t at = 0; at < l.size(); at += block)
        {
            float* channels[] = {l.data() + at, r.data() + at};
            vst.Effect()->processReplacing(vst.Effect(), channels, channels, static_cast<VstInt32>(block));
        }
    }

    Clap::ProcessStatus Run(AudioBuffer* in, std::uint32_t inCount, AudioBuffer* out, std::uint32_t outCount,
                            std::uint32_t frames)
    {
        return plugin->ProcessBuffers(in, inCount, out, outCount, frames);
    }

    std::unique_ptr<ClapPlugin> plugin;
};

TEST_F(ActivePlugin, SeparateAndInPlaceBuffersGiveTheVstBuildsSamples)
{
    const auto left = Noise(4096, 5), right = Noise(4096, 6);
    auto vstLeft = left, vstRight = right;
    auto vst = NewVst();
    ASSERT_NE(vst, nullptr);
    RunVst(*vst, vstLeft, vstRight, 256);

    auto inL = left, inR = right;
    std::vector<float> outL(4096), outR(4096);
    for (std::size_t at = 0; at < 4096; at += 256)
    {
        float* in[] = {inL.data() + at, inR.data() + at};
        float* out[] = {outL.data() + at, outR.data() + at};
        AudioBuffer input{in, nullptr, 2, 0, 0};
        AudioBuffer output{out, nullptr, 2, 0, 0};
        ASSERT_EQ(Run(&input, 1, &output, 1, 256), kProcessContinue);
    }
    EXPECT_TRUE(SameBits(outL, vstLeft));
    EXPECT_TRUE(SameBits(outR, vstRight));
    EXPECT_TRUE(SameBits(inL, left)) << "the inputs are the host's";

    // A second instance in place.
    SetUp();
    auto l = left, r = right;
    for (std::size_t at = 0; at < 4096; at += 256)
    {
        float* channels[] = {l.data() + at, r.data() + at};
        AudioBuffer buffer{channels, nullptr, 2, 0, 0};
        ASSERT_EQ(Run(&buffer, 1, &buffer, 1, 256), kProcessContinue);
    }
    EXPECT_TRUE(SameBits(l, vstLeft));
    EXPECT_TRUE(SameBits(r, vstRight));
}

TEST_F(ActivePlugin, EmptyBlocksNullBuffersAndMissingPortsAreSafe)
{
    std::vector<float> l(128, 0.5f), r(128, 0.5f);
    float* channels[] = {l.data(), r.data()};
    AudioBuffer buffer{channels, nullptr, 2, 0, 0};
    EXPECT_EQ(Run(&buffer, 1, &buffer, 1, 0), kProcessContinue);
    EXPECT_EQ(Run(nullptr, 0, nullptr, 0, 128), kProcessContinue);
    EXPECT_EQ(Run(&buffer, 1, nullptr, 0, 128), kProcessContinue);
    AudioBuffer noData{nullptr, nullptr, 2, 0, 0};
    EXPECT_EQ(Run(&buffer, 1, &noData, 1, 128), kProcessContinue);
    float* nulls[] = {nullptr, nullptr};
    AudioBuffer nullChannels{nulls, nullptr, 2, 0, 0};
    EXPECT_EQ(Run(&nullChannels, 1, &nullChannels, 1, 128), kProcessContinue);
    AudioBuffer noChannels{channels, nullptr, 0, 0, 0};
    EXPECT_EQ(Run(&noChannels, 1, &noChannels, 1, 128), kProcessContinue);
    EXPECT_EQ(l, std::vector<float>(128, 0.5f)) << "nothing was written where there was nowhere to write";

    // No input at all: silence in, so the output is the filters' silence.
    std::vector<float> ol(128, 9.0f), orr(128, 9.0f);
    float* outs[] = {ol.data(), orr.data()};
    AudioBuffer output{outs, nullptr, 2, 0, 0};
    EXPECT_EQ(Run(nullptr, 0, &output, 1, 128), kProcessContinue);
    EXPECT_EQ(ol, std::vector<float>(128, 0.0f));

    // A block far longer than any the host declared is still filtered to its end.
    const std::size_t longFrames = (1u << 20) + 1000;
    const std::vector<float> longInput = Noise(longFrames, 4);
    std::vector<float> longL = longInput, longR = longInput;
    float* longChannels[] = {longL.data(), longR.data()};
    AudioBuffer longBuffer{longChannels, nullptr, 2, 0, 0};
    EXPECT_EQ(Run(&longBuffer, 1, &longBuffer, 1, static_cast<std::uint32_t>(longFrames)), kProcessContinue);
    EXPECT_TRUE(std::isfinite(longL.back()));
    EXPECT_NE(longL.back(), longInput.back()) << "the last piece was filtered";
}

TEST_F(ActivePlugin, OddChannelCountsAndConstantInputsGiveTheStereoResult)
{
    const auto left = Noise(2048, 8), right = Noise(2048, 9);
    // The reference: a plain stereo run of a second instance.
    auto refL = left, refR = right;
    {
        auto reference = NewActivePlugin();
        ASSERT_NE(reference, nullptr);
        float* channels[] = {refL.data(), refR.data()};
        AudioBuffer buffer{channels, nullptr, 2, 0, 0};
        ASSERT_EQ(reference->ProcessBuffers(&buffer, 1, &buffer, 1, 2048), kProcessContinue);
    }
    // One output channel: the left of the stereo result.
    auto inL = left, inR = right;
    float* in[] = {inL.data(), inR.data()};
    AudioBuffer input{in, nullptr, 2, 0, 0};
    std::vector<float> mono(2048);
    float* monoOut[] = {mono.data()};
    AudioBuffer monoBuffer{monoOut, nullptr, 1, 0, 0};
    ASSERT_EQ(Run(&input, 1, &monoBuffer, 1, 2048), kProcessContinue);
    EXPECT_TRUE(SameBits(mono, refL));

    // Three output channels, after a fresh start: the third is silent.
    SetUp();
    std::vector<float> a(2048), b(2048), c(2048, 3.0f);
    float* three[] = {a.data(), b.data(), c.data()};
    AudioBuffer threeBuffer{three, nullptr, 3, 0, 0b111};
    ASSERT_EQ(Run(&input, 1, &threeBuffer, 1, 2048), kProcessContinue);
    EXPECT_TRUE(SameBits(a, refL));
    EXPECT_TRUE(SameBits(b, refR));
    EXPECT_EQ(c, std::vector<float>(2048, 0.0f));
    EXPECT_EQ(threeBuffer.constantMask, 0b100u) << "only the silent third output is constant";

    // Both outputs on one buffer: processed through the plug-in's own, the buffer gets one channel.
    SetUp();
    std::vector<float> shared(2048);
    float* sharedOut[] = {shared.data(), shared.data()};
    AudioBuffer sharedBuffer{sharedOut, nullptr, 2, 0, 0};
    ASSERT_EQ(Run(&input, 1, &sharedBuffer, 1, 2048), kProcessContinue);
    EXPECT_TRUE(SameBits(shared, refR) || SameBits(shared, refL));

    // A constant input channel is its first sample throughout, whatever follows it in the buffer.
    SetUp();
    std::vector<float> dc(2048, 0.25f), garbage(2048, std::numeric_limits<float>::quiet_NaN());
    garbage[0] = 0.25f;
    float* constantIn[] = {dc.data(), garbage.data()};
    AudioBuffer constantInput{constantIn, nullptr, 2, 0, 0b10};
    std::vector<float> cl(2048), cr(2048);
    float* constantOut[] = {cl.data(), cr.data()};
    AudioBuffer constantOutput{constantOut, nullptr, 2, 0, 0};
    ASSERT_EQ(Run(&constantInput, 1, &constantOutput, 1, 2048), kProcessContinue);
    EXPECT_TRUE(SameBits(cl, cr));
}

// Every band at +12 dB and settled, then an impulse in a block's last sample: the filters ring on.
void RingAfterAnImpulse(ClapPlugin& plugin)
{
    for (Id id = 0; id < 10; ++id)
    {
        plugin.SetParam(id, 12.0);
    }
    std::vector<float> l(512), r(512);
    for (int i = 0; i <= 20; ++i)
    {
        std::fill(l.begin(), l.end(), 0.0f);
        std::fill(r.begin(), r.end(), 0.0f);
        l.back() = r.back() = i == 20 ? 1.0f : 0.0f;
        float* channels[] = {l.data(), r.data()};
        AudioBuffer buffer{channels, nullptr, 2, 0, 0};
        ASSERT_EQ(plugin.ProcessBuffers(&buffer, 1, &buffer, 1, 512), kProcessContinue);
    }
}

std::vector<float> SilenceThrough(ClapPlugin& plugin)
{
    std::vector<float> l(512, 0.0f), r(512, 0.0f);
    float* channels[] = {l.data(), r.data()};
    AudioBuffer buffer{channels, nullptr, 2, 0, 0};
    EXPECT_EQ(plugin.ProcessBuffers(&buffer, 1, &buffer, 1, 512), kProcessContinue);
    l.insert(l.end(), r.begin(), r.end());
    return l;
}

TEST_F(ActivePlugin, ResetForgetsWhatTheFiltersHeard)
{
    auto reference = NewActivePlugin();
    ASSERT_NE(reference, nullptr);
    RingAfterAnImpulse(*reference);
    EXPECT_NE(SilenceThrough(*reference), std::vector<float>(1024, 0.0f)) << "without a reset it rings on";

    RingAfterAnImpulse(*plugin);
    plugin->Raw()->reset(plugin->Raw());
    EXPECT_EQ(SilenceThrough(*plugin), std::vector<float>(1024, 0.0f));

    // So does a new activation.
    RingAfterAnImpulse(*plugin);
    plugin->Deactivate();
    std::string error;
    ASSERT_TRUE(plugin->Activate(48000.0, 1024, error)) << error;
    EXPECT_EQ(SilenceThrough(*plugin), std::vector<float>(1024, 0.0f));
}

TEST_F(ActivePlugin, FlagsTheOutputsThatHoldOneValueThroughout)
{
    std::vector<float> l(256, 0.0f), r(256, 0.0f);
    r[3] = 0.5f;
    float* channels[] = {l.data(), r.data()};
    AudioBuffer buffer{channels, nullptr, 2, 0, 0};
    ASSERT_EQ(Run(&buffer, 1, &buffer, 1, 256), kProcessContinue);
    EXPECT_EQ(buffer.constantMask, 0b01u) << "the silent left only";
}
} // namespace
} // namespace KVX::Tovik
