// SPDX-License-Identifier: GPL-3.0-or-later
// Fits the factory presets to the shapes in the targets file and writes the bank:
//     kvx_make_factory_presets TARGETS OUTPUT_FOLDER
// OUTPUT_FOLDER/fxp/NAME.fxp         single-program presets (any VST 2.4 host, tovik preset load)
// OUTPUT_FOLDER/vst3/NAME.vstpreset  VST3 presets: the component state is the plug-in's chunk
// OUTPUT_FOLDER/factory-bank.tsv     per preset: URI slug, name, description, the eleven parameter values
//                                    (the LV2 bundle's Turtle writer reads it)
// OUTPUT_FOLDER/factory-bank.md      the bank as a table for the README
#include "device/description.h"
#include "fit/fader_fit.h"
#include "fit/fader_values.h"
#include "fit/target_curve.h"
#include "formats/fxp.h"
#include "formats/program_chunk.h"
#include "formats/vst3_preset.h"
#include "vst3/class_ids.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
namespace D = KVX::Device::Description;
namespace Fit = KVX::Fit;
namespace fs = std::filesystem;

constexpr double kSampleRate = 48000.0;

// The generator runs on the build machine, where identifiers are laid out as their published words.
static_assert(!KVX_VST3_COM_COMPATIBLE, "the preset bank is written on a Linux build machine");

struct Target
{
    std::string name;
    std::string description;
    std::vector<Fit::CurvePoint> shape;
};

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    const auto last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

bool ReadTargets(const std::string& path, std::vector<Target>& targets)
{
    std::ifstream file(path);
    if (!file)
    {
        std::fprintf(stderr, "kvx_make_factory_presets: cannot read %s\n", path.c_str());
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(file, line))
    {
        ++number;
        if (Trim(line).empty() || Trim(line)[0] == '#')
        {
            continue;
        }
        const auto first = line.find('|');
        const auto second = first == std::string::npos ? first : line.find('|', first + 1);
        std::string error;
        Target target;
        if (second != std::string::npos)
        {
            target.name = Trim(line.substr(0, first));
            target.description = Trim(line.substr(first + 1, second - first - 1));
        }
        if (second == std::string::npos || target.name.empty() ||
            !Fit::ParseCurve("GraphicEQ: " + line.substr(second + 1), target.shape, error))
        {
            std::fprintf(stderr, "%s:%d: not NAME | DESCRIPTION | SHAPE%s%s\n", path.c_str(), number,
                         error.empty() ? "" : ": ", error.c_str());
            return false;
        }
        targets.push_back(std::move(target));
    }
    return true;
}

// "Broadcast voice" is known to LV2 hosts as ...#preset-broadcast-voice.
std::string Slug(const std::string& name)
{
    std::string slug;
    for (char c : name)
    {
        slug += c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return slug;
}

std::string Shortest(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

bool WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
    {
        std::fprintf(stderr, "kvx_make_factory_presets: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool WriteText(const fs::path& path, const std::string& text)
{
    return WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::uint32_t Word(const KVX::Vst3::Uid& uid, int index)
{
    const auto* b = uid.bytes.data() + 4 * index;
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: %s TARGETS OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    std::vector<Target> targets;
    if (!ReadTargets(argv[1], targets))
    {
        return 1;
    }
    const fs::path folder = argv[2];
    std::error_code made;
    fs::create_directories(folder / "fxp", made);
    fs::create_directories(folder / "vst3", made);

    const Fit::CResponseModel model(kSampleRate, Fit::FitFrequencies(kSampleRate));
    std::vector<double> centres;
    for (int b = 0; b < D::kBandCount; ++b)
    {
        centres.push_back(D::kParameters[static_cast<std::size_t>(b)].frequencyHz);
    }
    const Fit::CResponseModel atCentres(kSampleRate, centres);
    const std::string classId = KVX::Formats::Vst3Preset::ClassIdText(
        Word(KVX::Vst3::kProcessorClassId, 0), Word(KVX::Vst3::kProcessorClassId, 1),
        Word(KVX::Vst3::kProcessorClassId, 2), Word(KVX::Vst3::kProcessorClassId, 3));

    std::ostringstream bank;
    std::ostringstream table;
    table << "| Preset | What it does | Faders, 31 Hz to 16 kHz | Fitted gain at the band centres (dB) | RMS "
             "error |\n"
          << "| --- | --- | --- | --- | --- |\n";
    for (const Target& target : targets)
    {
        Fit::FitRequest request;
        request.targetDb = Fit::SampleCurve(target.shape, model.Frequencies());
        request.fromFlat = true;
        Fit::FitResult result;
        std::string error;
        if (!Fit::FitFaders(model, request, result, error))
        {
            std::fprintf(stderr, "kvx_make_factory_presets: %s: %s\n", target.name.c_str(), error.c_str());
            return 1;
        }

        std::vector<std::uint8_t> chunk(D::kChunkBytes);
        bank << Slug(target.name) << '\t' << target.name << '\t' << target.description;
        for (const D::Parameter& parameter : D::kParameters)
        {
            const float value = parameter.index < D::kBandCount
                                    ? result.faders[static_cast<std::size_t>(parameter.index)]
                                    : 1.0f;
            KVX::Formats::PutChunkEntry(chunk.data(), static_cast<std::size_t>(parameter.index),
                                        {parameter.index, value});
            bank << '\t' << Shortest(value);
        }
        bank << '\n';

        const auto fxp = KVX::Formats::Fxp::EncodeOpaque(D::kIdentity.uniqueId, D::kIdentity.version,
                                                         KVX::Formats::Fxp::MakeNameField(target.name),
                                                         chunk.data(), chunk.size());
        KVX::Formats::Vst3Preset::Preset vst3;
        vst3.classId = classId;
        vst3.component = chunk;
        if (!WriteFile(folder / "fxp" / (target.name + ".fxp"), fxp) ||
            !WriteFile(folder / "vst3" / (target.name + ".vstpreset"),
                       KVX::Formats::Vst3Preset::Encode(vst3)))
        {
            return 1;
        }

        const std::vector<double> gains = atCentres.ResponseDb(result.faders);
        std::string faders;
        std::string fitted;
        char number[32];
        for (int b = 0; b < D::kBandCount; ++b)
        {
            faders += (b == 0 ? "" : " ") + Fit::DisplayText(b, result.faders[static_cast<std::size_t>(b)]);
            std::snprintf(number, sizeof number, "%s%+.1f", b == 0 ? "" : " ",
                          gains[static_cast<std::size_t>(b)]);
            fitted += number;
        }
        std::snprintf(number, sizeof number, "%.2f dB", result.rmsDb);
        table << "| " << target.name << " | " << target.description << " | " << faders << " | " << fitted
              << " | " << number << " |\n";
    }
    return WriteText(folder / "factory-bank.tsv", bank.str()) &&
                   WriteText(folder / "factory-bank.md", table.str())
               ? 0
               : 1;
}
