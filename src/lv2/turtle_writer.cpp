// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the bundle's Turtle files from the device description, so that what hosts read about the
// plug-in can never drift from what the binary does; with a bank list (kvx_make_factory_presets writes
// it), its presets follow the default one.
//     kvx_lv2_turtle OUTPUT_FOLDER [BANK_LIST]
#include "device/description.h"
#include "device/parameter_values.h"
#include "lv2/lv2_names.h"
#include "lv2/port_values.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using namespace KVX::Device::Description;
using namespace KVX::LV2;

// Who answers for the plug-in, for hosts and catalogues that show it.
constexpr const char* kVendorMail = "mailto:" KVX_IDENTITY_EMAIL;
constexpr const char* kVendorHomepage = KVX_IDENTITY_HOMEPAGE;

constexpr const char* kPrefixes = "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
                                  "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
                                  "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
                                  "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
                                  "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                  "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                                  "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
                                  "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                                  "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string Iri(std::string_view text)
{
    return "<" + std::string(text) + ">";
}

std::string Literal(std::string_view text)
{
    std::string out = "\"";
    for (char c : text)
    {
        if (c == '"' || c == '\\')
        {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

// The shortest text that reads back as the same float, always with a decimal point or an exponent so
// that Turtle takes it as a number with a fraction rather than an integer.
std::string Number(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos)
    {
        text += ".0";
    }
    return text;
}

std::string ScaleLabel(float db)
{
    std::string text = db > 0.0f ? "+" : "";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, db);
    return text + std::string(buffer, result.ptr) + " dB";
}

void WriteControlPort(std::ostream& out, const Parameter& parameter)
{
    const PortRange range = RangeOf(parameter);
    out << "        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << parameter.index << " ;\n"
        << "        lv2:symbol " << Literal(parameter.symbol) << " ;\n"
        << "        lv2:name " << Literal(parameter.name) << " ;\n"
        << "        lv2:default " << Number(range.defaultValue) << " ;\n"
        << "        lv2:minimum " << Number(range.minimum) << " ;\n"
        << "        lv2:maximum " << Number(range.maximum) << " ;\n";
    // A value of one step is an on/off toggle.
    if (KVX::Device::ValueTypeOf(parameter.index).StepCount() == 1)
    {
        out << "        lv2:portProperty lv2:toggled ;\n"
            << "        lv2:scalePoint [ rdfs:label " << Literal(parameter.offText) << " ; rdf:value "
            << Number(0.0f) << " ] , [ rdfs:label " << Literal(parameter.onText) << " ; rdf:value "
            << Number(1.0f) << " ]\n";
        return;
    }
    out << "        units:unit units:db ;\n"
        << "        lv2:scalePoint ";
    for (std::size_t i = 0; i < kDbScalePoints.size(); ++i)
    {
        out << (i > 0 ? " ,\n            " : "") << "[ rdfs:label " << Literal(ScaleLabel(kDbScalePoints[i]))
            << " ; rdf:value " << Number(kDbScalePoints[i]) << " ]";
    }
    out << "\n";
}

void WriteAudioPort(std::ostream& out, std::uint32_t index, bool input, const char* symbol, const char* name)
{
    out << "        a lv2:" << (input ? "InputPort" : "OutputPort") << " , lv2:AudioPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol " << Literal(symbol) << " ;\n"
        << "        lv2:name " << Literal(name) << "\n";
}

// A preset of the bank: the end of its URI, its name and description, and every parameter's normalised
// value in index order.
struct BankPreset
{
    std::string slug;
    std::string label;
    std::string comment;
    std::vector<float> values;
};

// One preset a line, tab-separated: slug, name, description, then the values.
bool ReadBank(const std::string& path, std::vector<BankPreset>& bank)
{
    std::ifstream file(path);
    std::string line;
    while (file && std::getline(file, line))
    {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab = line.find('\t');; tab = line.find('\t', start))
        {
            fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos)
            {
                break;
            }
            start = tab + 1;
        }
        if (fields.size() != 3 + kParameters.size())
        {
            std::fprintf(stderr, "kvx_lv2_turtle: %s: a line without %zu values\n", path.c_str(),
                         kParameters.size());
            return false;
        }
        BankPreset preset{fields[0], fields[1], fields[2], {}};
        for (std::size_t i = 3; i < fields.size(); ++i)
        {
            float value = 0.0f;
            const auto result = std::from_chars(fields[i].data(), fields[i].data() + fields[i].size(), value);
            if (result.ec != std::errc() || !(value >= 0.0f && value <= 1.0f))
            {
                std::fprintf(stderr, "kvx_lv2_turtle: %s: '%s' is not a value\n", path.c_str(),
                             fields[i].c_str());
                return false;
            }
            preset.values.push_back(value);
        }
        bank.push_back(std::move(preset));
    }
    if (!file.eof())
    {
        std::fprintf(stderr, "kvx_lv2_turtle: cannot read %s\n", path.c_str());
        return false;
    }
    return true;
}

std::string PresetUri(const BankPreset& preset)
{
    return std::string(kPluginUri) + "#preset-" + preset.slug;
}

std::string Manifest(const std::vector<BankPreset>& bank)
{
    std::ostringstream out;
    out << kPrefixes << Iri(kPluginUri) << "\n    a lv2:Plugin ;\n    lv2:binary " << Iri(kPluginBinary)
        << " ;\n    rdfs:seeAlso " << Iri(kPluginTurtle) << " .\n\n"
        << Iri(kUiUri) << "\n    a ui:X11UI ;\n    ui:binary " << Iri(kUiBinary) << " ;\n    rdfs:seeAlso "
        << Iri(kPluginTurtle) << " .\n\n"
        << Iri(kDefaultPresetUri) << "\n    a pset:Preset ;\n    lv2:appliesTo " << Iri(kPluginUri)
        << " ;\n    rdfs:seeAlso " << Iri(kPresetsTurtle) << " .\n";
    for (const BankPreset& preset : bank)
    {
        out << "\n"
            << Iri(PresetUri(preset)) << "\n    a pset:Preset ;\n    lv2:appliesTo " << Iri(kPluginUri)
            << " ;\n    rdfs:seeAlso " << Iri(kPresetsTurtle) << " .\n";
    }
    return out.str();
}

std::string PluginTurtle()
{
    std::ostringstream out;
    out << kPrefixes << Iri(kPluginUri) << "\n"
        << "    a lv2:Plugin , lv2:MultiEQPlugin , doap:Project ;\n"
        << "    doap:name " << Literal(kIdentity.name) << " ;\n"
        << "    doap:license <https://spdx.org/licenses/" KVX_IDENTITY_LICENCE "> ;\n"
        << "    doap:maintainer [\n        foaf:name " << Literal(kIdentity.vendor)
        << " ;\n        foaf:mbox " << Iri(kVendorMail) << " ;\n        foaf:homepage "
        << Iri(kVendorHomepage) << "\n    ] ;\n"
        << "    rdfs:comment "
        << Literal("Ten-band graphic equaliser, version " + std::string(kIdentity.versionText)) << " ;\n"
        << "    lv2:minorVersion " << kIdentity.versionParts[1] << " ;\n"
        << "    lv2:microVersion " << kIdentity.versionParts[2] << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
        << "    lv2:extensionData state:interface ;\n"
        << "    ui:ui " << Iri(kUiUri) << " ;\n"
        << "    lv2:port [\n";
    for (const Parameter& parameter : kParameters)
    {
        WriteControlPort(out, parameter);
        out << "    ] , [\n";
    }
    WriteAudioPort(out, kAudioInLeft, true, "in_l", "In L");
    out << "    ] , [\n";
    WriteAudioPort(out, kAudioInRight, true, "in_r", "In R");
    out << "    ] , [\n";
    WriteAudioPort(out, kAudioOutLeft, false, "out_l", "Out L");
    out << "    ] , [\n";
    WriteAudioPort(out, kAudioOutRight, false, "out_r", "Out R");
    out << "    ] .\n\n";

    // Edits arrive on the host's thread through the idle call. The panel takes a host's scale and sizes
    // of its own aspect in steps, which a user's free drag of the window would not keep to.
    out << Iri(kUiUri) << "\n"
        << "    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:parent ;\n"
        << "    lv2:optionalFeature ui:resize , ui:noUserResize , ui:touch , ui:idleInterface , opts:options "
           ",\n"
        << "        urid:map ;\n"
        << "    lv2:extensionData ui:idleInterface , ui:resize , opts:interface ;\n"
        << "    opts:supportedOption ui:scaleFactor .\n";
    return out.str();
}

// A preset with every port's value; the bands' values are the dB values that select the normalised ones.
void WritePreset(std::ostream& out, const std::string& uri, const std::string& label,
                 const std::string& comment, const std::vector<float>& values)
{
    out << Iri(uri) << "\n"
        << "    a pset:Preset ;\n"
        << "    lv2:appliesTo " << Iri(kPluginUri) << " ;\n"
        << "    rdfs:label " << Literal(label) << " ;\n";
    if (!comment.empty())
    {
        out << "    rdfs:comment " << Literal(comment) << " ;\n";
    }
    out << "    lv2:port ";
    for (std::size_t i = 0; i < kParameters.size(); ++i)
    {
        const Parameter& parameter = kParameters[i];
        out << (i > 0 ? " , " : "") << "[\n        lv2:symbol " << Literal(parameter.symbol)
            << " ;\n        pset:value " << Number(PortFromNormalised(parameter, values[i])) << "\n    ]";
    }
    out << " .\n";
}

std::string PresetsTurtle(const std::vector<BankPreset>& bank)
{
    std::ostringstream out;
    out << kPrefixes;
    std::vector<float> defaults;
    for (const Parameter& parameter : kParameters)
    {
        defaults.push_back(parameter.programDefault);
    }
    WritePreset(out, std::string(kDefaultPresetUri), std::string(kDefaultProgramName), "", defaults);
    for (const BankPreset& preset : bank)
    {
        out << "\n";
        WritePreset(out, PresetUri(preset), preset.label, preset.comment, preset.values);
    }
    return out.str();
}

bool Write(const std::string& folder, std::string_view name, const std::string& text)
{
    const std::string path = folder + "/" + std::string(name);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file)
    {
        std::fprintf(stderr, "kvx_lv2_turtle: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3)
    {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [BANK_LIST]\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::vector<BankPreset> bank;
    if (argc == 3 && !ReadBank(argv[2], bank))
    {
        return 1;
    }
    const bool written = Write(folder, "manifest.ttl", Manifest(bank)) &&
                         Write(folder, kPluginTurtle, PluginTurtle()) &&
                         Write(folder, kPresetsTurtle, PresetsTurtle(bank));
    return written ? 0 : 1;
}
