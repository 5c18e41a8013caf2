// SPDX-License-Identifier: GPL-3.0-or-later
// One set of value rules: the same value shows the same text, and the same typed text sets the same value,
// in every format a host meets (VST 2.4, VST3, CLAP, LV2) and in tovik's settings, each loaded through its
// real entry point. The expected answers are the device's value types.
#include "device/description.h"
#include "device/parameter_values.h"
#include "formats/program_chunk.h"
#include "host/lv2_host.h"
#include "host/plugin_host.h"
#include "host/vst3_host.h"
#include "tovik/clap_host.h"
#include "tovik/settings.h"
#include "values/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace KVX
{
namespace
{
namespace D = Device::Description;
using Values::CValueType;

const CValueType& TypeOf(int index)
{
    return Device::ValueTypeOf(index);
}

std::vector<float> ValuesFor(int index)
{
    if (D::kParameters[static_cast<std::size_t>(index)].kind == D::ParameterKind::Switch)
    {
        return {0.0f, 1.0f};
    }
    return {
        0.0f,    1e-6f, 0.2f,  0.25f,  0.4979f, std::nextafter(0.5f, 0.0f), 0.5f, std::nextafter(0.5f, 1.0f),
        0.5021f, 0.7f,  0.75f, 0.999f, 1.0f};
}

const std::vector<std::string> kBandTexts = {"+4.8 dB", "+4.8dB", " -3 DB ", "6",    "0.0", "+0.0 dB", "-0.0",
                                             "12",      "12.1",   "+20 dB",  "-1e3", "1e1", "+-3",     "--3",
                                             "4.8.1",   "abc",    "",        "nan",  "inf", "dB",      "1,5"};
const std::vector<std::string> kSwitchTexts = {"On",  "off", "OFF", " on ", "1",     "0", "0.7",
                                               "0.3", "0.5", "2",   "-1",   "maybe", "",  "+-1"};

std::unique_ptr<Host::Plugin> Vst2()
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

struct Vst3Plugin
{
    std::unique_ptr<KVX::Host::Vst3::CModule> module;
    std::unique_ptr<KVX::Host::Vst3::CInstance> instance;

    Vst3Plugin()
    {
        std::string error;
        module = KVX::Host::Vst3::CModule::Load(KVX_VST3_BUNDLE, error);
        EXPECT_NE(module, nullptr) << error;
        Vst3::PClassInfo info{};
        if (module != nullptr && module->FindAudioClass(info))
        {
            instance = KVX::Host::Vst3::CInstance::Create(*module, info, error);
        }
        EXPECT_NE(instance, nullptr) << error;
    }

    std::string Text(int index, double normalised) const
    {
        Vst3::String128 text{};
        EXPECT_EQ(instance->Controller()->getParamStringByValue(static_cast<Vst3::ParamID>(index), normalised,
                                                                text),
                  Vst3::kResultOk);
        Vst3::ParameterInfo info{};
        instance->Controller()->getParameterInfo(index, info);
        std::string out(text, text + std::char_traits<char16_t>::length(text));
        const std::string units(info.units, info.units + std::char_traits<char16_t>::length(info.units));
        return units.empty() ? out : out + " " + units;
    }

    std::optional<float> Parse(int index, const std::string& text) const
    {
        std::u16string wide(text.begin(), text.end());
        Vst3::ParamValue value = -1.0;
        if (instance->Controller()->getParamValueByString(static_cast<Vst3::ParamID>(index), wide.data(),
                                                          value) != Vst3::kResultOk)
        {
            return std::nullopt;
        }
        return static_cast<float>(value);
    }
};

std::unique_ptr<Tovik::ClapPlugin> Clap()
{
    std::string error;
    auto module = Tovik::ClapModule::Open(KVX_CLAP_PLUGIN_PATH, error);
    EXPECT_NE(module, nullptr) << error;
    auto plugin = module != nullptr
                      ? Tovik::ClapPlugin::Create(module, std::string(D::kIdentity.clapId).c_str(), error)
                      : nullptr;
    EXPECT_NE(plugin, nullptr) << error;
    return plugin;
}

TEST(FormatsAgree, AValueShowsTheSameTextInEveryFormat)
{
    auto vst2 = Vst2();
    Vst3Plugin vst3;
    auto clap = Clap();
    ASSERT_TRUE(vst2 != nullptr && vst3.instance != nullptr && clap != nullptr);
    for (int index = 0; index < D::kParameterCount; ++index)
    {
        for (float v : ValuesFor(index))
        {
            const std::string expected = TypeOf(index).FormatWithUnit(v);
            vst2->SetParameter(index, v);
            const std::string label = vst2->Text(effGetParamLabel, index);
            const std::string shown =
                vst2->Text(effGetParamDisplay, index) + (label.empty() ? "" : " " + label);
            EXPECT_EQ(shown, expected) << "VST 2.4, parameter " << index << " at " << v;
            EXPECT_EQ(vst3.Text(index, v), expected) << "VST3, parameter " << index << " at " << v;
            EXPECT_EQ(clap->ValueText(static_cast<Clap::Id>(index), TypeOf(index).ToPlain(v)), expected)
                << "CLAP, parameter " << index << " at " << v;
        }
    }
}

TEST(FormatsAgree, ATypedTextSetsTheSameValueInEveryFormat)
{
    Vst3Plugin vst3;
    auto clap = Clap();
    auto vst2 = Vst2();
    ASSERT_TRUE(vst2 != nullptr && vst3.instance != nullptr && clap != nullptr);
    const Tovik::ParameterNames names = Tovik::DescribeParameters(*vst2);
    for (int index = 0; index < D::kParameterCount; ++index)
    {
        const bool isSwitch =
            D::kParameters[static_cast<std::size_t>(index)].kind == D::ParameterKind::Switch;
        for (const std::string& text : isSwitch ? kSwitchTexts : kBandTexts)
        {
            const auto expected = TypeOf(index).Parse(text);
            EXPECT_EQ(vst3.Parse(index, text), expected)
                << "VST3, parameter " << index << ": '" << text << "'";
            const auto plain = clap->TextValue(static_cast<Clap::Id>(index), text);
            EXPECT_EQ(plain ? TypeOf(index).ToNormalised(*plain) : std::nullopt, expected)
                << "CLAP, parameter " << index << ": '" << text << "'";
            // tovik's command line takes a band's gain in dB and refuses what lies beyond the faders.
            const std::string_view trimmed = Values::Trimmed(text);
            const auto gain =
                Values::EndsWithFolded(trimmed, "dB")
                    ? Values::ParseDecimal(Values::Trimmed(trimmed.substr(0, trimmed.size() - 2)))
                    : std::nullopt;
            const bool inRange = gain && std::abs(*gain) <= 12.0;
            if (!isSwitch && inRange)
            {
                std::vector<Tovik::Setting> settings;
                std::string error;
                ASSERT_TRUE(
                    Tovik::ParseSettings(names, {std::to_string(index) + "=" + text}, settings, error))
                    << text << ": " << error;
                EXPECT_EQ(settings.at(0).value, *expected)
                    << "tovik, parameter " << index << ": '" << text << "'";
            }
        }
    }
}

TEST(FormatsAgree, AHostValueIsHeldAlikeInEveryFormat)
{
    auto vst2 = Vst2();
    Vst3Plugin vst3;
    auto clap = Clap();
    ASSERT_TRUE(vst2 != nullptr && vst3.instance != nullptr && clap != nullptr);
    KVX::Host::Lv2Module lv2Module(KVX_LV2_PLUGIN_PATH);
    EXPECT_NE(lv2Module.Descriptor(), nullptr) << lv2Module.Error();
    EXPECT_FALSE(lv2Module.MoreThanOnePlugin()) << "one plug-in per binary";
    KVX::Host::UridMap map;
    KVX::Host::Lv2Instance lv2(lv2Module, 48000.0, &map);
    ASSERT_TRUE(lv2.Valid());
    for (const float v : {0.0f, 0.2f, 0.3f, 0.5f, 0.7f, 1.0f})
    {
        for (int index = 0; index < D::kParameterCount; ++index)
        {
            const auto& type = TypeOf(index);
            // What every format other than VST 2.4 holds; VST 2.4 keeps a host's value as it was set.
            const float held = *type.FromHostNormalised(v);
            vst2->SetParameter(index, v);
            EXPECT_EQ(vst2->GetParameter(index), v);
            vst3.instance->Controller()->setParamNormalized(static_cast<Vst3::ParamID>(index), v);
            EXPECT_EQ(vst3.instance->Controller()->getParamNormalized(static_cast<Vst3::ParamID>(index)),
                      held)
                << "VST3, parameter " << index << " at " << v;
            clap->SetParam(static_cast<Clap::Id>(index), type.ToPlain(held));
            lv2.Control(static_cast<std::uint32_t>(index)) = static_cast<float>(type.ToPlain(held));
        }
        float silence[64] = {};
        float outL[64], outR[64];
        lv2.Run(silence, silence, outL, outR, 64);
        KVX::Host::State state;
        ASSERT_EQ(lv2.Save(state), LV2_STATE_SUCCESS);
        ASSERT_EQ(state.size(), 1u);
        const auto& chunk = state.begin()->second.bytes;
        ASSERT_EQ(chunk.size(), static_cast<std::size_t>(D::kChunkBytes));
        for (int index = 0; index < D::kParameterCount; ++index)
        {
            const float held = *TypeOf(index).FromHostNormalised(v);
            const auto entry = Formats::GetChunkEntry(chunk.data(), static_cast<std::size_t>(index));
            EXPECT_EQ(entry.value, held) << "LV2, parameter " << index << " at " << v;
            clap->Flush();
            const auto plain = clap->Value(static_cast<Clap::Id>(index));
            ASSERT_TRUE(plain.has_value());
            EXPECT_EQ(TypeOf(index).ToNormalised(*plain), held) << "CLAP, parameter " << index << " at " << v;
        }
    }
}
} // namespace
} // namespace KVX
