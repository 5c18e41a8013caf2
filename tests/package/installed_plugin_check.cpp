// SPDX-License-Identifier: GPL-3.0-or-later
// Loads an installed plug-in from the folder the installer put it in, as a Windows host does, and the
// same format from the build folder, runs one fixed scenario through each and compares the audio.
//     kvx_installed_plugin_check vst2|vst3|clap INSTALLED BUILT
// vst3 takes bundle folders. Exit 0 when the installed plug-in loads and its audio equals the build's
// bit for bit (it must be the very same binary), 1 otherwise, with the reason on standard error.
#include "audio_scenario.h"
#include "host/plugin_host.h"
#include "tovik/clap_host.h"
#include "host/vst3_host.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace
{
using namespace KVX;

constexpr int kBlock = 512;
constexpr int kBlocks = 16;

// The same deterministic stereo input for the VST3 and CLAP runs: a falling saw on the left, a
// two-level square on the right, so that every band has something to work on.
void FillInput(int block, std::vector<float>& left, std::vector<float>& right)
{
    for (int i = 0; i < kBlock; ++i)
    {
        const int frame = block * kBlock + i;
        left[static_cast<std::size_t>(i)] = 0.5f - static_cast<float>(frame % 97) / 97.0f;
        right[static_cast<std::size_t>(i)] = (frame / 61) % 2 == 0 ? 0.25f : -0.25f;
    }
}

std::optional<std::vector<float>> RunVst2(const std::string& path, std::string& error)
{
    auto plugin = Host::Plugin::Load(path, error);
    if (plugin == nullptr)
    {
        return std::nullopt;
    }
    return Test::RunAudioCase(plugin->Effect(), Test::AudioCase{48000.0f, kBlock});
}

std::optional<std::vector<float>> RunVst3(const std::string& bundle, std::string& error)
{
    using namespace Host::Vst3;
    auto module = CModule::Load(bundle, error);
    PClassInfo info{};
    if (module == nullptr || !module->FindAudioClass(info))
    {
        error = module == nullptr ? error : "no audio class";
        return std::nullopt;
    }
    auto instance = CInstance::Create(*module, info, error);
    if (instance == nullptr || instance->Start(48000.0, kBlock) != kResultOk)
    {
        error = instance == nullptr ? error : "could not start processing";
        return std::nullopt;
    }
    CParameterChanges changes;
    changes.Add(0, 0, 0.9); // 31 Hz up
    changes.Add(5, 0, 0.2); // 1 kHz down
    std::vector<float> left(kBlock), right(kBlock), outLeft(kBlock), outRight(kBlock), output;
    for (int block = 0; block < kBlocks; ++block)
    {
        FillInput(block, left, right);
        const float* in[2] = {left.data(), right.data()};
        float* out[2] = {outLeft.data(), outRight.data()};
        if (instance->Process(in, out, kBlock, block == 0 ? &changes : nullptr) != kResultOk)
        {
            error = "process failed";
            return std::nullopt;
        }
        output.insert(output.end(), outLeft.begin(), outLeft.end());
        output.insert(output.end(), outRight.begin(), outRight.end());
    }
    instance->Stop();
    return output;
}

std::optional<std::vector<float>> RunClap(const std::string& path, std::string& error)
{
    using namespace Tovik;
    auto module = ClapModule::Open(path, error);
    if (module == nullptr)
    {
        return std::nullopt;
    }
    auto plugin = ClapPlugin::Create(module, "", error);
    if (plugin == nullptr || !plugin->Activate(48000.0, kBlock, error))
    {
        return std::nullopt;
    }
    if (plugin->Params().size() > 5)
    {
        plugin->SetParam(plugin->Params()[0].id, 9.0);  // dB
        plugin->SetParam(plugin->Params()[5].id, -7.0); // dB
    }
    std::vector<float> left(kBlock), right(kBlock), outLeft(kBlock), outRight(kBlock), output;
    for (int block = 0; block < kBlocks; ++block)
    {
        FillInput(block, left, right);
        const float* in[2] = {left.data(), right.data()};
        float* out[2] = {outLeft.data(), outRight.data()};
        if (plugin->Process(in, out, kBlock) == Clap::kProcessError)
        {
            error = "process failed";
            return std::nullopt;
        }
        output.insert(output.end(), outLeft.begin(), outLeft.end());
        output.insert(output.end(), outRight.begin(), outRight.end());
    }
    plugin->Deactivate();
    return output;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf(stderr, "usage: %s vst2|vst3|clap INSTALLED BUILT\n", argv[0]);
        return 2;
    }
    const std::string kind = argv[1];
    auto run = kind == "vst2" ? RunVst2 : kind == "vst3" ? RunVst3 : kind == "clap" ? RunClap : nullptr;
    if (run == nullptr)
    {
        std::fprintf(stderr, "unknown format %s\n", argv[1]);
        return 2;
    }
    // One after the other, each module unloaded before the next loads: two files of one name.
    std::string error;
    const auto installed = run(argv[2], error);
    if (!installed)
    {
        std::fprintf(stderr, "%s: the installed %s does not load or run: %s\n", kind.c_str(), argv[2],
                     error.c_str());
        return 1;
    }
    const auto built = run(argv[3], error);
    if (!built)
    {
        std::fprintf(stderr, "%s: the built %s does not load or run: %s\n", kind.c_str(), argv[3],
                     error.c_str());
        return 1;
    }
    float peak = 0.0f;
    for (float sample : *installed)
    {
        peak = std::fmax(peak, std::fabs(sample));
    }
    if (installed->size() != built->size() ||
        std::memcmp(installed->data(), built->data(), installed->size() * sizeof(float)) != 0 ||
        !(peak > 0.0f))
    {
        std::fprintf(stderr, "%s: %s processes other audio than %s (peak %g)\n", kind.c_str(), argv[2],
                     argv[3], static_cast<double>(peak));
        return 1;
    }
    std::printf("%s: %s loads and its %zu samples equal the build's (peak %.3f)\n", kind.c_str(), argv[2],
                installed->size(), static_cast<double>(peak));
    return 0;
}
