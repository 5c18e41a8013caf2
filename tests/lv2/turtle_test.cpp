// SPDX-License-Identifier: GPL-3.0-or-later
// The bundle's generated Turtle: valid against the installed LV2 specifications, and, read back by lilv
// (the library most LV2 hosts use), saying what the device description says.
#include "lv2/lv2_names.h"
#include "scripted_session.h"
#include "support/program_runner.h"

#include <lilv/lilv.h>
#include <lv2/options/options.h>
#include <lv2/presets/presets.h>
#include <lv2/ui/ui.h>
#include <lv2/units/units.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace KVX::Test
{
namespace
{
using Device::Description::kParameters;
using Device::Description::ParameterKind;

const fs::path kBundle = KVX_LV2_BUNDLE_DIR;

TEST(Lv2Turtle, ValidatesAgainstTheInstalledSpecifications)
{
    if (!IsExecutable("/usr/bin/lv2_validate"))
    {
        GTEST_SKIP() << "lv2_validate is not installed (scripts/setup.sh installs lv2-dev)";
    }
    const ProgramRun run =
        RunProgram({"/usr/bin/lv2_validate", (kBundle / "manifest.ttl").string(),
                    (kBundle / LV2::kPluginTurtle).string(), (kBundle / LV2::kPresetsTurtle).string()},
                   {}, std::chrono::seconds(60));
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE((run.out + run.err).find("Found 0 errors"), std::string::npos) << run.out << run.err;
}

class Lv2World : public ::testing::Test
{
protected:
    void SetUp() override
    {
        world = lilv_world_new();
        // The LV2 core bundle names the plug-in classes; nothing else is loaded from the system.
        for (const std::string& folder : {kBundle.string() + "/", std::string("/usr/lib/lv2/core.lv2/")})
        {
            LilvNode* bundle = lilv_new_file_uri(world, nullptr, folder.c_str());
            lilv_world_load_bundle(world, bundle);
            lilv_node_free(bundle);
        }
        lilv_world_load_specifications(world);
        lilv_world_load_plugin_classes(world);
        LilvNode* uri = Uri(LV2::kPluginUri);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        ASSERT_NE(plugin, nullptr) << "the bundle does not describe " << LV2::kPluginUri;
    }
    void TearDown() override
    {
        for (LilvNode* node : nodes)
        {
            lilv_node_free(node);
        }
        lilv_world_free(world);
    }

    LilvNode* Uri(std::string_view text)
    {
        nodes.push_back(lilv_new_uri(world, std::string(text).c_str()));
        return nodes.back();
    }
    std::string Text(const LilvNode* node) { return node != nullptr ? lilv_node_as_string(node) : ""; }
    std::string Path(const LilvNode* fileUri)
    {
        char* path = lilv_file_uri_parse(lilv_node_as_uri(fileUri), nullptr);
        std::string out = path != nullptr ? path : "";
        lilv_free(path);
        return out;
    }

    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    std::vector<LilvNode*> nodes;
};

TEST_F(Lv2World, DescribesTheDeviceItsBinaryAndItsFeatures)
{
    LilvNode* name = lilv_plugin_get_name(plugin);
    EXPECT_EQ(Text(name), Device::Description::kIdentity.name);
    lilv_node_free(name);
    LilvNode* author = lilv_plugin_get_author_name(plugin);
    EXPECT_EQ(Text(author), Device::Description::kIdentity.vendor);
    lilv_node_free(author);
    EXPECT_EQ(Text(lilv_plugin_class_get_uri(lilv_plugin_get_class(plugin))), LV2_CORE__MultiEQPlugin);
    EXPECT_TRUE(fs::exists(Path(lilv_plugin_get_library_uri(plugin))));
    EXPECT_EQ(fs::path(Path(lilv_plugin_get_library_uri(plugin))).filename(), LV2::kPluginBinary);

    EXPECT_TRUE(lilv_plugin_has_feature(plugin, Uri(LV2_CORE__hardRTCapable)));
    EXPECT_TRUE(lilv_plugin_has_extension_data(plugin, Uri(LV2_STATE__interface)));
    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    EXPECT_EQ(lilv_nodes_size(required), 0u) << "every host can instantiate it";
    lilv_nodes_free(required);
    EXPECT_FALSE(lilv_plugin_has_latency(plugin));
}

TEST_F(Lv2World, HasTheDescriptionsParametersAsControlPortsThenStereoAudio)
{
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), LV2::kPortCount);
    std::vector<float> minimum(LV2::kPortCount), maximum(LV2::kPortCount), defaults(LV2::kPortCount);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
    LilvNode* control = Uri(LV2_CORE__ControlPort);
    LilvNode* input = Uri(LV2_CORE__InputPort);
    LilvNode* output = Uri(LV2_CORE__OutputPort);
    LilvNode* audio = Uri(LV2_CORE__AudioPort);
    LilvNode* unit = Uri(LV2_UNITS__unit);
    LilvNode* toggled = Uri(LV2_CORE__toggled);
    for (const auto& parameter : kParameters)
    {
        SCOPED_TRACE(std::string(parameter.name));
        const auto index = static_cast<std::uint32_t>(parameter.index);
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        ASSERT_NE(port, nullptr);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, control));
        EXPECT_TRUE(lilv_port_is_a(plugin, port, input));
        EXPECT_EQ(Text(lilv_port_get_symbol(plugin, port)), parameter.symbol);
        LilvNode* portName = lilv_port_get_name(plugin, port);
        EXPECT_EQ(Text(portName), parameter.name);
        lilv_node_free(portName);
        const LV2::PortRange range = LV2::RangeOf(parameter);
        EXPECT_EQ(minimum[index], range.minimum);
        EXPECT_EQ(maximum[index], range.maximum);
        EXPECT_EQ(defaults[index], range.defaultValue);

        LilvNodes* units = lilv_port_get_value(plugin, port, unit);
        LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
        std::set<float> values;
        LILV_FOREACH(scale_points, i, points)
        {
            values.insert(lilv_node_as_float(lilv_scale_point_get_value(lilv_scale_points_get(points, i))));
        }
        if (parameter.kind == ParameterKind::BandFader)
        {
            ASSERT_EQ(lilv_nodes_size(units), 1u);
            EXPECT_EQ(Text(lilv_nodes_get_first(units)), LV2_UNITS__db);
            EXPECT_EQ(values, std::set<float>(Device::Description::kDbScalePoints.begin(),
                                              Device::Description::kDbScalePoints.end()));
            EXPECT_FALSE(lilv_port_has_property(plugin, port, toggled));
            // The band's dB range is the fader's display range.
            EXPECT_EQ(range.minimum, parameter.displayMin);
            EXPECT_EQ(range.maximum, parameter.displayMax);
        }
        else
        {
            EXPECT_EQ(lilv_nodes_size(units), 0u);
            EXPECT_TRUE(lilv_port_has_property(plugin, port, toggled));
            EXPECT_EQ(values, (std::set<float>{0.0f, 1.0f}));
        }
        lilv_scale_points_free(points);
        lilv_nodes_free(units);
    }
    const std::pair<std::uint32_t, LilvNode*> audioPorts[] = {{LV2::kAudioInLeft, input},
                                                              {LV2::kAudioInRight, input},
                                                              {LV2::kAudioOutLeft, output},
                                                              {LV2::kAudioOutRight, output}};
    for (const auto& [index, direction] : audioPorts)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        ASSERT_NE(port, nullptr);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, audio)) << index;
        EXPECT_TRUE(lilv_port_is_a(plugin, port, direction)) << index;
    }
}

TEST_F(Lv2World, OffersThePanelAsAnX11UiThatTakesTheHostsScale)
{
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    EXPECT_EQ(Text(lilv_ui_get_uri(ui)), LV2::kUiUri);
    EXPECT_TRUE(lilv_ui_is_a(ui, Uri(LV2_UI__X11UI)));
    const std::string binary = Path(lilv_ui_get_binary_uri(ui));
    EXPECT_EQ(fs::path(binary).filename(), LV2::kUiBinary);
    EXPECT_TRUE(fs::exists(binary));
    EXPECT_NE(binary, Path(lilv_plugin_get_library_uri(plugin))) << "the UI lives in a binary of its own";

    auto objects = [&](const char* predicate)
    {
        std::set<std::string> out;
        LilvNodes* values = lilv_world_find_nodes(world, lilv_ui_get_uri(ui), Uri(predicate), nullptr);
        LILV_FOREACH(nodes, i, values)
        {
            out.insert(Text(lilv_nodes_get(values, i)));
        }
        lilv_nodes_free(values);
        return out;
    };
    EXPECT_EQ(objects(LV2_CORE__requiredFeature), (std::set<std::string>{LV2_UI__parent}));
    const auto optional = objects(LV2_CORE__optionalFeature);
    EXPECT_TRUE(optional.count(LV2_UI__noUserResize));
    EXPECT_TRUE(optional.count(LV2_UI__idleInterface));
    // The host's scale arrives as an option, which needs the host's map to be read.
    EXPECT_TRUE(optional.count(LV2_OPTIONS__options));
    EXPECT_TRUE(optional.count(LV2_URID__map));
    EXPECT_EQ(objects(LV2_OPTIONS__supportedOption), (std::set<std::string>{LV2_UI__scaleFactor}));
    EXPECT_EQ(objects(LV2_CORE__extensionData),
              (std::set<std::string>{LV2_UI__idleInterface, LV2_UI__resize, LV2_OPTIONS__interface}));
    lilv_uis_free(uis);
}

TEST_F(Lv2World, TheDefaultPresetIsTheDefaultProgram)
{
    LilvNodes* presets = lilv_plugin_get_related(plugin, Uri(LV2_PRESETS__Preset));
    // The factory presets come with it (tests/resources checks those).
    const LilvNode* preset = nullptr;
    LILV_FOREACH(nodes, i, presets)
    {
        if (Text(lilv_nodes_get(presets, i)) == LV2::kDefaultPresetUri)
        {
            preset = lilv_nodes_get(presets, i);
        }
    }
    ASSERT_NE(preset, nullptr);
    lilv_world_load_resource(world, preset);

    UridMap map;
    LilvState* state = lilv_state_new_from_world(world, map.Map(), preset);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(std::string(lilv_state_get_label(state)), Device::Description::kDefaultProgramName);
    std::map<std::string, float> values;
    lilv_state_emit_port_values(
        state,
        [](const char* symbol, void* data, const void* value, std::uint32_t size, std::uint32_t)
        {
            if (size == sizeof(float))
            {
                (*static_cast<std::map<std::string, float>*>(data))[symbol] =
                    *static_cast<const float*>(value);
            }
        },
        &values);
    ASSERT_EQ(values.size(), kParameters.size());
    for (const auto& parameter : kParameters)
    {
        EXPECT_EQ(values[std::string(parameter.symbol)], LV2::RangeOf(parameter).defaultValue)
            << parameter.name;
    }
    lilv_state_free(state);
    lilv_nodes_free(presets);
}
} // namespace
} // namespace KVX::Test
