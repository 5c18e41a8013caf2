// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the Linux build's output for every audio case, the reference the Windows builds are held to.
//   kvx_audio_reference PLUGIN.so OUTPUT
#include "audio_scenario.h"
#include "host/plugin_host.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: %s PLUGIN OUTPUT\n", argv[0]);
        return 2;
    }
    KVX::Test::AudioReference reference;
    for (const auto& audioCase : KVX::Test::AudioCases())
    {
        std::string error;
        auto plugin = KVX::Host::Plugin::Load(argv[1], error);
        if (!plugin)
        {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        reference.cases.push_back(audioCase);
        reference.outputs.push_back(KVX::Test::RunAudioCase(plugin->Effect(), audioCase));
    }
    if (!KVX::Test::WriteAudioReference(argv[2], reference))
    {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
