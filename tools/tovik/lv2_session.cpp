// SPDX-License-Identifier: GPL-3.0-or-later
#include "lv2_session.h"

#include "device/description.h"
#include "lv2/lv2_names.h"
#include "lv2_features.h"
#include "stderr_capture.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/port-props/port-props.h>
#include <lv2/resize-port/resize-port.h>
#include <lv2/state/state.h>
#include <lv2/units/units.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace KVX::Tovik
{
namespace
{
// Atom ports get at least this much room; a plug-in asks for more with rsz:minimumSize.
constexpr std::size_t kAtomCapacity = 8192;
// Our equaliser: ten band ports in dB, then its IN switch.
constexpr std::size_t kEqualiserControls = Device::Description::kParameterCount;

enum class PortKind
{
    Audio,
    Control,
    Cv,
    Atom,
    // Optional and of a kind tovik does not know: left unconnected.
    Unconnected,
};

struct Port
{
    PortKind kind = PortKind::Unconnected;
    bool input = true;
    std::string symbol;
    std::string name;
    std::string unit;
    bool toggled = false;
    bool integer = false;
    float minimum = -std::numeric_limits<float>::infinity();
    float maximum = std::numeric_limits<float>::infinity();
    float defaultValue = 0.0f;
    // The control value, read or written by the plug-in through its connection.
    float value = 0.0f;
    std::vector<float> cv;
    // Atom buffers are 64-bit aligned.
    std::vector<std::uint64_t> atom;
};

std::string NodeText(const LilvNode* node)
{
    if (node == nullptr)
    {
        return {};
    }
    if (lilv_node_is_uri(node))
    {
        return lilv_node_as_uri(node);
    }
    const char* text = lilv_node_as_string(node);
    return text != nullptr ? text : "";
}

// Takes ownership of `node`.
std::string Owned(LilvNode* node)
{
    std::string text = NodeText(node);
    lilv_node_free(node);
    return text;
}

std::vector<std::string> Owned(LilvNodes* nodes)
{
    std::vector<std::string> out;
    LILV_FOREACH(nodes, i, nodes)
    {
        out.push_back(NodeText(lilv_nodes_get(nodes, i)));
    }
    lilv_nodes_free(nodes);
    return out;
}

std::string PathOf(const std::string& uri)
{
    char* path = lilv_file_uri_parse(uri.c_str(), nullptr);
    if (path == nullptr)
    {
        return uri;
    }
    std::string out = path;
    lilv_free(path);
    return out;
}

std::string Joined(const std::vector<std::string>& items, const char* separator)
{
    std::string out;
    for (const auto& item : items)
    {
        out += (out.empty() ? "" : separator) + item;
    }
    return out;
}

const char* KindName(const Port& port)
{
    switch (port.kind)
    {
    case PortKind::Audio:
        return port.input ? "audio in" : "audio out";
    case PortKind::Control:
        return port.input ? "control in" : "control out";
    case PortKind::Cv:
        return port.input ? "cv in" : "cv out";
    case PortKind::Atom:
        return port.input ? "atom in" : "atom out";
    case PortKind::Unconnected:
        break;
    }
    return "unconnected";
}

std::string Number(float value)
{
    if (std::isinf(value))
    {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}
} // namespace

struct Lv2Session::Loaded
{
    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    UridMap urids;
    std::unique_ptr<HostFeatures> features;
    std::string given;
    std::string uri;
    std::vector<Port> ports;
    std::vector<std::uint32_t> audioInputs;
    std::vector<std::uint32_t> audioOutputs;
    std::vector<std::string> requiredFeatures;
    std::vector<std::string> optionalFeatures;
    bool wantsDefaultState = false;
    bool isEqualiser = false;
    double sampleRate = 0.0;
    int maxBlock = 0;
    LV2_URID sequenceType = 0;
    LV2_URID chunkType = 0;

    Loaded() : world(lilv_world_new()) {}
    ~Loaded()
    {
        if (instance != nullptr)
        {
            lilv_instance_free(instance);
        }
        features.reset();
        lilv_world_free(world);
    }

    LilvNode* NewUri(const char* text) { return lilv_new_uri(world, text); }
    bool PortIs(const LilvPort* port, const char* cls)
    {
        LilvNode* node = NewUri(cls);
        const bool is = lilv_port_is_a(plugin, port, node);
        lilv_node_free(node);
        return is;
    }
    bool PortHas(const LilvPort* port, const char* property)
    {
        LilvNode* node = NewUri(property);
        const bool has = lilv_port_has_property(plugin, port, node);
        lilv_node_free(node);
        return has;
    }
    std::string PortValue(const LilvPort* port, const char* predicate)
    {
        LilvNode* node = NewUri(predicate);
        std::string text = Owned(lilv_port_get(plugin, port, node));
        lilv_node_free(node);
        return text;
    }
    // "dB" for units:db, from the units vocabulary where it is loaded (or from the plug-in's own
    // description of a unit of its own); else the URI's last word.
    std::string UnitLabel(const LilvPort* port)
    {
        LilvNode* predicate = NewUri(LV2_UNITS__unit);
        LilvNodes* units = lilv_port_get_value(plugin, port, predicate);
        lilv_node_free(predicate);
        std::string label;
        if (units != nullptr && lilv_nodes_size(units) > 0)
        {
            const LilvNode* unit = lilv_nodes_get_first(units);
            LilvNode* symbol = NewUri(LV2_UNITS__symbol);
            label = Owned(lilv_world_get(world, unit, symbol, nullptr));
            lilv_node_free(symbol);
            if (label.empty() && lilv_node_is_uri(unit))
            {
                const std::string uri = lilv_node_as_uri(unit);
                label = uri.substr(uri.find_last_of("#/") + 1);
            }
        }
        lilv_nodes_free(units);
        return label;
    }

    bool ReadPorts(std::string& error);
    bool Instantiate(double rate, int block, bool restorePortValues, std::string& error);
    void ConnectFixedPorts();
};

bool Lv2Session::Loaded::ReadPorts(std::string& error)
{
    const std::uint32_t count = lilv_plugin_get_num_ports(plugin);
    std::vector<float> minimum(count), maximum(count), defaults(count);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
    ports.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const LilvPort* lilvPort = lilv_plugin_get_port_by_index(plugin, i);
        Port& port = ports[i];
        port.symbol = NodeText(lilv_port_get_symbol(plugin, lilvPort));
        port.name = Owned(lilv_port_get_name(plugin, lilvPort));
        port.input = PortIs(lilvPort, LV2_CORE__InputPort);
        const bool output = PortIs(lilvPort, LV2_CORE__OutputPort);
        const bool optional = PortHas(lilvPort, LV2_CORE__connectionOptional);
        if (PortIs(lilvPort, LV2_CORE__AudioPort))
        {
            port.kind = PortKind::Audio;
        }
        else if (PortIs(lilvPort, LV2_CORE__ControlPort))
        {
            port.kind = PortKind::Control;
        }
        else if (PortIs(lilvPort, LV2_CORE__CVPort))
        {
            port.kind = PortKind::Cv;
        }
        else if (PortIs(lilvPort, LV2_ATOM__AtomPort))
        {
            port.kind = PortKind::Atom;
        }
        else if (!optional)
        {
            error = "port " + std::to_string(i) + " ('" + port.symbol +
                    "') is of a kind tovik cannot connect, and the plug-in needs it connected";
            return false;
        }
        if (port.input == output && port.kind != PortKind::Unconnected)
        {
            error = "port " + std::to_string(i) + " ('" + port.symbol + "') is not one input or one output";
            return false;
        }
        if (port.kind == PortKind::Control)
        {
            port.minimum = std::isnan(minimum[i]) ? -std::numeric_limits<float>::infinity() : minimum[i];
            port.maximum = std::isnan(maximum[i]) ? std::numeric_limits<float>::infinity() : maximum[i];
            // A port without a default starts at its minimum, or 0 where that is unbounded.
            float start = defaults[i];
            if (std::isnan(start))
            {
                start = std::isfinite(port.minimum) ? port.minimum : 0.0f;
            }
            port.defaultValue = start;
            port.value = start;
            port.toggled = PortHas(lilvPort, LV2_CORE__toggled);
            port.integer = PortHas(lilvPort, LV2_CORE__integer);
            port.unit = UnitLabel(lilvPort);
        }
        if (port.kind == PortKind::Atom)
        {
            const std::string minimumSize = PortValue(lilvPort, LV2_RESIZE_PORT__minimumSize);
            const std::size_t wanted =
                minimumSize.empty() ? 0 : std::strtoul(minimumSize.c_str(), nullptr, 10);
            const std::size_t bytes = std::clamp<std::size_t>(wanted, kAtomCapacity, 16u << 20);
            port.atom.assign((bytes + 7) / 8, 0);
        }
        if (port.kind == PortKind::Audio)
        {
            (port.input ? audioInputs : audioOutputs).push_back(i);
        }
    }
    if (audioInputs.size() > static_cast<std::size_t>(kMaxChannels) ||
        audioOutputs.size() > static_cast<std::size_t>(kMaxChannels))
    {
        error = "the plug-in has " + std::to_string(audioInputs.size()) + " audio inputs and " +
                std::to_string(audioOutputs.size()) + " audio outputs";
        return false;
    }
    if (audioOutputs.empty())
    {
        error = "the plug-in has no audio outputs";
        return false;
    }
    return true;
}

bool Lv2Session::Loaded::Instantiate(double rate, int block, bool restorePortValues, std::string& error)
{
    if (instance != nullptr)
    {
        lilv_instance_free(instance);
        instance = nullptr;
    }
    std::size_t sequenceSize = kAtomCapacity;
    for (const auto& port : ports)
    {
        sequenceSize = std::max(sequenceSize, port.atom.size() * 8);
    }
    features = std::make_unique<HostFeatures>(urids, rate, block, static_cast<int>(sequenceSize));
    sampleRate = rate;
    maxBlock = block;
    {
        StderrCapture capture;
        instance = lilv_plugin_instantiate(plugin, rate, features->Array());
        const std::string said = capture.Finish();
        if (instance == nullptr)
        {
            error = "the plug-in could not be instantiated" + (said.empty() ? "" : " (" + said + ")");
            return false;
        }
    }
    if (wantsDefaultState)
    {
        LilvNode* subject = NewUri(uri.c_str());
        LilvState* state = lilv_state_new_from_world(world, urids.MapFeature(), subject);
        lilv_node_free(subject);
        if (state != nullptr)
        {
            const auto setValue =
                [](const char* symbol, void* user, const void* value, std::uint32_t size, std::uint32_t type)
            {
                auto* self = static_cast<Loaded*>(user);
                for (auto& port : self->ports)
                {
                    if (port.kind != PortKind::Control || !port.input || port.symbol != symbol)
                    {
                        continue;
                    }
                    if (type == self->urids.Map(LV2_ATOM__Float) && size == sizeof(float))
                    {
                        std::memcpy(&port.value, value, sizeof(float));
                    }
                    else if (type == self->urids.Map(LV2_ATOM__Double) && size == sizeof(double))
                    {
                        double d = 0.0;
                        std::memcpy(&d, value, sizeof d);
                        port.value = static_cast<float>(d);
                    }
                    else if ((type == self->urids.Map(LV2_ATOM__Int) ||
                              type == self->urids.Map(LV2_ATOM__Bool)) &&
                             size == sizeof(std::int32_t))
                    {
                        std::int32_t n = 0;
                        std::memcpy(&n, value, sizeof n);
                        port.value = static_cast<float>(n);
                    }
                }
            };
            // A second instance keeps the port values it was given since.
            const LilvSetPortValueFunc portValues = setValue;
            lilv_state_restore(state, instance, restorePortValues ? portValues : nullptr, this, 0,
                               features->Array());
            lilv_state_free(state);
        }
    }
    ConnectFixedPorts();
    return true;
}

void Lv2Session::Loaded::ConnectFixedPorts()
{
    for (std::uint32_t i = 0; i < ports.size(); ++i)
    {
        Port& port = ports[i];
        switch (port.kind)
        {
        case PortKind::Control:
            lilv_instance_connect_port(instance, i, &port.value);
            break;
        case PortKind::Cv:
            port.cv.assign(static_cast<std::size_t>(maxBlock), 0.0f);
            lilv_instance_connect_port(instance, i, port.cv.data());
            break;
        case PortKind::Atom:
            lilv_instance_connect_port(instance, i, port.atom.data());
            break;
        case PortKind::Unconnected:
            lilv_instance_connect_port(instance, i, nullptr);
            break;
        case PortKind::Audio:
            break;
        }
    }
}

std::unique_ptr<Session> Lv2Session::OpenUri(const PluginChoice& choice, std::string& error)
{
    if (choice.uri && *choice.uri != choice.plugin)
    {
        error = "--uri " + *choice.uri + " picks a plug-in from a bundle; the plug-in is already named by URI";
        return nullptr;
    }
    auto loaded = std::make_unique<Loaded>();
    loaded->given = choice.plugin;
    {
        StderrCapture capture;
        lilv_world_load_all(loaded->world);
    }
    LilvNode* uri = loaded->NewUri(choice.plugin.c_str());
    loaded->plugin =
        uri != nullptr ? lilv_plugins_get_by_uri(lilv_world_get_all_plugins(loaded->world), uri) : nullptr;
    lilv_node_free(uri);
    if (loaded->plugin == nullptr)
    {
        const char* path = std::getenv("LV2_PATH");
        error = "no LV2 plug-in has the URI " + choice.plugin + " (searched " +
                (path != nullptr ? "LV2_PATH=" + std::string(path) : std::string("lilv's default folders")) +
                "; a file or bundle folder of that name does not exist either)";
        return nullptr;
    }
    return Finish(std::move(loaded), choice, error);
}

std::unique_ptr<Session> Lv2Session::OpenBundle(const PluginChoice& choice, std::string& error)
{
    char* real = realpath(choice.plugin.c_str(), nullptr);
    if (real == nullptr)
    {
        error = choice.plugin + ": " + std::strerror(errno);
        return nullptr;
    }
    const std::string folder = real;
    std::free(real);
    struct stat info
    {
    };
    if (stat((folder + "/manifest.ttl").c_str(), &info) != 0)
    {
        error = choice.plugin + " is a folder but not an LV2 bundle (it has no manifest.ttl)";
        return nullptr;
    }
    auto loaded = std::make_unique<Loaded>();
    loaded->given = choice.plugin;
    LilvNode* bundle = lilv_new_file_uri(loaded->world, nullptr, (folder + "/").c_str());
    const std::string bundleUri = NodeText(bundle);
    std::string said;
    {
        StderrCapture capture;
        // The bundle alone first, to learn which plug-ins it holds.
        std::vector<std::string> held;
        {
            LilvWorld* alone = lilv_world_new();
            LilvNode* node = lilv_new_file_uri(alone, nullptr, (folder + "/").c_str());
            lilv_world_load_bundle(alone, node);
            const LilvPlugins* plugins = lilv_world_get_all_plugins(alone);
            LILV_FOREACH(plugins, i, plugins)
            {
                held.push_back(NodeText(lilv_plugin_get_uri(lilv_plugins_get(plugins, i))));
            }
            lilv_node_free(node);
            lilv_world_free(alone);
        }
        // Then LV2_PATH, without the bundles there that hold copies of the same plug-ins (lilv would keep
        // the first copy it saw and mix the descriptions), and the given bundle last.
        lilv_world_load_all(loaded->world);
        for (const auto& uri : held)
        {
            LilvNode* node = loaded->NewUri(uri.c_str());
            const LilvPlugin* copy = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(loaded->world), node);
            lilv_node_free(node);
            if (copy != nullptr && NodeText(lilv_plugin_get_bundle_uri(copy)) != bundleUri)
            {
                lilv_world_unload_bundle(loaded->world, lilv_plugin_get_bundle_uri(copy));
            }
        }
        lilv_world_load_bundle(loaded->world, bundle);
        said = capture.Finish();
    }
    lilv_node_free(bundle);

    std::vector<const LilvPlugin*> found;
    const LilvPlugins* plugins = lilv_world_get_all_plugins(loaded->world);
    LILV_FOREACH(plugins, i, plugins)
    {
        const LilvPlugin* plugin = lilv_plugins_get(plugins, i);
        if (NodeText(lilv_plugin_get_bundle_uri(plugin)) == bundleUri)
        {
            found.push_back(plugin);
        }
    }
    std::vector<std::string> uris;
    for (const LilvPlugin* plugin : found)
    {
        uris.push_back(NodeText(lilv_plugin_get_uri(plugin)));
    }
    if (found.empty())
    {
        error = choice.plugin + " holds no LV2 plug-in" + (said.empty() ? "" : " (" + said + ")");
        return nullptr;
    }
    if (choice.uri)
    {
        const auto match = std::find(uris.begin(), uris.end(), *choice.uri);
        if (match == uris.end())
        {
            error = choice.plugin + " holds no plug-in " + *choice.uri + "; it holds " + Joined(uris, ", ");
            return nullptr;
        }
        loaded->plugin = found[static_cast<std::size_t>(match - uris.begin())];
    }
    else if (found.size() > 1)
    {
        error = choice.plugin + " holds " + std::to_string(found.size()) +
                " plug-ins; name one with --uri: " + Joined(uris, ", ");
        return nullptr;
    }
    else
    {
        loaded->plugin = found.front();
    }
    return Finish(std::move(loaded), choice, error);
}

std::unique_ptr<Session> Lv2Session::Finish(std::unique_ptr<Loaded> loaded, const PluginChoice& choice,
                                            std::string& error)
{
    const LilvPlugin* plugin = loaded->plugin;
    loaded->uri = NodeText(lilv_plugin_get_uri(plugin));
    const std::string prefix = loaded->given + ": ";
    if (!lilv_plugin_verify(plugin))
    {
        error = prefix + "the plug-in's description is incomplete (no binary, name or valid ports)";
        return nullptr;
    }
    loaded->requiredFeatures = Owned(lilv_plugin_get_required_features(plugin));
    loaded->optionalFeatures = Owned(lilv_plugin_get_optional_features(plugin));
    const auto missing = HostFeatures::Missing(loaded->requiredFeatures);
    if (!missing.empty())
    {
        error = prefix + "the plug-in needs features tovik does not offer: " + Joined(missing, ", ");
        return nullptr;
    }
    const auto asks = [&](const char* feature)
    {
        return std::count(loaded->requiredFeatures.begin(), loaded->requiredFeatures.end(), feature) > 0 ||
               std::count(loaded->optionalFeatures.begin(), loaded->optionalFeatures.end(), feature) > 0;
    };
    loaded->wantsDefaultState = asks(LV2_STATE__loadDefaultState);
    if (!loaded->ReadPorts(error))
    {
        error = prefix + error;
        return nullptr;
    }
    loaded->sequenceType = loaded->urids.Map(LV2_ATOM__Sequence);
    loaded->chunkType = loaded->urids.Map(LV2_ATOM__Chunk);
    if (!loaded->Instantiate(choice.sampleRate, choice.maxBlockSize, true, error))
    {
        error = prefix + error;
        return nullptr;
    }
    // Ours lists its ten band ports and its IN switch first, as the VST build lists its parameters.
    std::size_t controls = 0;
    for (std::size_t i = 0; i < loaded->ports.size(); ++i)
    {
        const Port& port = loaded->ports[i];
        controls += port.kind == PortKind::Control && port.input && i == controls ? 1 : 0;
    }
    loaded->isEqualiser = loaded->uri == LV2::kPluginUri && controls == kEqualiserControls;
    return std::unique_ptr<Session>(new Lv2Session(std::move(loaded)));
}

Lv2Session::Lv2Session(std::unique_ptr<Loaded> loaded) : m_Loaded(std::move(loaded))
{
    m_Inputs = static_cast<int>(m_Loaded->audioInputs.size());
    m_Outputs = static_cast<int>(m_Loaded->audioOutputs.size());
}

Lv2Session::~Lv2Session()
{
    Stop();
}

std::string Lv2Session::Name() const
{
    const std::string name = Owned(lilv_plugin_get_name(m_Loaded->plugin));
    return name.empty() ? m_Loaded->uri : name;
}

ParameterNames Lv2Session::Parameters() const
{
    ParameterNames parameters;
    for (std::size_t i = 0; i < m_Loaded->ports.size(); ++i)
    {
        const Port& port = m_Loaded->ports[i];
        if (port.kind == PortKind::Control && port.input)
        {
            parameters.names.push_back(port.name);
            parameters.ports.push_back(
                {static_cast<VstInt32>(i), port.symbol, port.minimum, port.maximum, port.unit});
        }
    }
    parameters.isEqualiser = m_Loaded->isEqualiser;
    return parameters;
}

void Lv2Session::SetParameter(const Setting& setting)
{
    if (setting.index >= 0 && static_cast<std::size_t>(setting.index) < m_Loaded->ports.size())
    {
        Port& port = m_Loaded->ports[static_cast<std::size_t>(setting.index)];
        if (port.kind == PortKind::Control && port.input)
        {
            port.value = setting.value;
        }
    }
}

void Lv2Session::PrintInfo() const
{
    Loaded& loaded = *m_Loaded;
    const LilvPlugin* plugin = loaded.plugin;
    std::printf("Plug-in     %s\n", loaded.given.c_str());
    std::printf("Format      LV2\n");
    std::printf("URI         %s\n", loaded.uri.c_str());
    std::printf("Name        %s\n", Name().c_str());
    std::printf("Author      %s\n", Owned(lilv_plugin_get_author_name(plugin)).c_str());
    std::printf("Class       %s\n",
                NodeText(lilv_plugin_class_get_label(lilv_plugin_get_class(plugin))).c_str());
    std::printf("Bundle      %s\n", PathOf(NodeText(lilv_plugin_get_bundle_uri(plugin))).c_str());
    std::printf("Binary      %s\n", PathOf(NodeText(lilv_plugin_get_library_uri(plugin))).c_str());
    std::printf("Inputs      %d\n", Inputs());
    std::printf("Outputs     %d\n", Outputs());
    std::vector<std::string> required;
    std::vector<std::string> optional;
    for (const auto& uri : loaded.requiredFeatures)
    {
        required.push_back(ShortUri(uri));
    }
    for (const auto& uri : loaded.optionalFeatures)
    {
        optional.push_back(ShortUri(uri));
    }
    // lilv gives no fixed order; the listing should not change from run to run.
    std::sort(required.begin(), required.end());
    std::sort(optional.begin(), optional.end());
    std::printf("Requires    %s\n", required.empty() ? "-" : Joined(required, " ").c_str());
    std::printf("Optional    %s\n", optional.empty() ? "-" : Joined(optional, " ").c_str());
    std::printf("\n");
    std::printf("Ports       %zu\n", loaded.ports.size());
    std::printf("%5s  %-16s %-24s %-12s %10s %10s %10s  %s\n", "index", "symbol", "name", "kind", "value",
                "minimum", "maximum", "unit");
    for (std::size_t i = 0; i < loaded.ports.size(); ++i)
    {
        const Port& port = loaded.ports[i];
        if (port.kind != PortKind::Control)
        {
            std::printf("%5zu  %-16s %-24s %s\n", i, port.symbol.c_str(), port.name.c_str(), KindName(port));
            continue;
        }
        std::string unit = port.unit;
        if (port.toggled)
        {
            unit += unit.empty() ? "toggle" : " toggle";
        }
        else if (port.integer)
        {
            unit += unit.empty() ? "integer" : " integer";
        }
        std::printf("%5zu  %-16s %-24s %-12s %10s %10s %10s  %s\n", i, port.symbol.c_str(), port.name.c_str(),
                    KindName(port), port.input ? Number(port.value).c_str() : "",
                    Number(port.minimum).c_str(), Number(port.maximum).c_str(), unit.c_str());
    }
}

void Lv2Session::OnStart(double sampleRate, int blockSize)
{
    Loaded& loaded = *m_Loaded;
    if (sampleRate != loaded.sampleRate || blockSize > loaded.maxBlock)
    {
        // Rate and block bound are fixed at instantiation; a new instance keeps the port values.
        std::string error;
        if (!loaded.Instantiate(sampleRate, blockSize, false, error))
        {
            std::fprintf(stderr, "tovik: %s: %s\n", loaded.given.c_str(), error.c_str());
            return;
        }
    }
    lilv_instance_activate(loaded.instance);
}

void Lv2Session::OnStop()
{
    if (m_Loaded->instance != nullptr)
    {
        lilv_instance_deactivate(m_Loaded->instance);
    }
}

void Lv2Session::Process(float* const* inputs, float* const* outputs, int frames)
{
    Loaded& loaded = *m_Loaded;
    if (loaded.instance == nullptr)
    {
        for (int c = 0; c < m_Outputs; ++c)
        {
            std::fill(outputs[c], outputs[c] + frames, 0.0f);
        }
        return;
    }
    for (std::size_t c = 0; c < loaded.audioInputs.size(); ++c)
    {
        lilv_instance_connect_port(loaded.instance, loaded.audioInputs[c], inputs[c]);
    }
    for (std::size_t c = 0; c < loaded.audioOutputs.size(); ++c)
    {
        lilv_instance_connect_port(loaded.instance, loaded.audioOutputs[c], outputs[c]);
    }
    // Inputs hold no events; outputs offer their whole room again.
    for (auto& port : loaded.ports)
    {
        if (port.kind != PortKind::Atom)
        {
            continue;
        }
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(port.atom.data());
        if (port.input)
        {
            sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
            sequence->atom.type = loaded.sequenceType;
            sequence->body.unit = 0;
            sequence->body.pad = 0;
        }
        else
        {
            sequence->atom.size = static_cast<std::uint32_t>(port.atom.size() * 8 - sizeof(LV2_Atom));
            sequence->atom.type = loaded.chunkType;
        }
    }
    lilv_instance_run(loaded.instance, static_cast<std::uint32_t>(frames));
}
} // namespace KVX::Tovik
