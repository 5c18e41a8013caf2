// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik preset save|load PLUGIN FILE.fxp [--set ...]`.
#include "preset.h"

#include "commands.h"
#include "configured_session.h"
#include "host/plugin_host.h"
#include "options.h"
#include "parameter_table.h"

#include <cmath>
#include <cstdio>

namespace KVX::Tovik
{
bool CaptureProgram(const Host::Plugin& plugin, const std::string& name, ProgramFile& program,
                    std::string& error)
{
    const AEffect* effect = plugin.Effect();
    program = ProgramFile{};
    program.pluginId = effect->uniqueID;
    program.pluginVersion = effect->version;
    program.name = name;
    program.opaque = (effect->flags & effFlagsProgramChunks) != 0;
    if (program.opaque)
    {
        void* data = nullptr;
        const VstIntPtr size = plugin.Dispatch(effGetChunk, 1, 0, &data);
        if (data == nullptr || size <= 0 || size > (64 << 20))
        {
            error = "the plug-in gave no program chunk";
            return false;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        program.chunk.assign(bytes, bytes + size);
        return true;
    }
    for (VstInt32 i = 0; i < effect->numParams; ++i)
    {
        program.parameters.push_back(plugin.GetParameter(i));
    }
    return true;
}

bool ApplyProgram(const Host::Plugin& plugin, const ProgramFile& program, std::string& error)
{
    const AEffect* effect = plugin.Effect();
    if (program.pluginId != effect->uniqueID)
    {
        error = "the preset is for plug-in '" + Host::FourCharCode(program.pluginId) + "', not '" +
                Host::FourCharCode(effect->uniqueID) + "'";
        return false;
    }
    if (program.opaque)
    {
        if ((effect->flags & effFlagsProgramChunks) == 0)
        {
            error = "the preset holds a chunk, and the plug-in does not take chunks";
            return false;
        }
        // The plug-in takes a non-const pointer; it gets its own copy.
        std::vector<std::uint8_t> chunk = program.chunk;
        if (chunk.empty() ||
            plugin.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(chunk.size()), chunk.data()) == 0)
        {
            error = "the plug-in refused the preset's chunk";
            return false;
        }
        return true;
    }
    if (static_cast<VstInt32>(program.parameters.size()) != effect->numParams)
    {
        error = "the preset holds " + std::to_string(program.parameters.size()) +
                " values, the plug-in has " + std::to_string(effect->numParams) + " parameters";
        return false;
    }
    for (float value : program.parameters)
    {
        if (!(value >= 0.0f && value <= 1.0f))
        {
            error = "the preset holds a value outside 0 to 1";
            return false;
        }
    }
    for (std::size_t i = 0; i < program.parameters.size(); ++i)
    {
        plugin.SetParameter(static_cast<VstInt32>(i), program.parameters[i]);
    }
    return true;
}

int Preset(const Arguments& args)
{
    Options options;
    std::string error;
    if (!options.Parse(args, {}, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 2;
    }
    const auto& positional = options.Positional();
    if (positional.size() != 3 || (positional[0] != "save" && positional[0] != "load"))
    {
        std::fprintf(stderr, "usage: tovik preset save|load PLUGIN FILE.fxp [--set NAME=VALUE]...\n");
        return 2;
    }
    const bool save = positional[0] == "save";
    const std::string& file = positional[2];
    PluginChoice choice;
    choice.plugin = positional[1];
    auto session =
        OpenConfigured(choice, save ? std::nullopt : std::optional<std::string>(file), options.Sets(), error);
    if (!session)
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    if (session->Vst() == nullptr)
    {
        std::fprintf(stderr, "tovik: preset files hold VST programs; %s is not a VST plug-in\n",
                     choice.plugin.c_str());
        return 1;
    }
    if (save)
    {
        ProgramFile program;
        if (!CaptureProgram(*session->Vst(), StemOf(file), program, error) ||
            !WriteProgramFile(file, program, error))
        {
            std::fprintf(stderr, "tovik: %s\n", error.c_str());
            return 1;
        }
        std::printf("Wrote %s: program '%s' of %s, %zu bytes of %s\n", file.c_str(), StemOf(file).c_str(),
                    session->Name().c_str(),
                    program.opaque ? program.chunk.size() : 4 * program.parameters.size(),
                    program.opaque ? "chunk" : "parameter values");
        return 0;
    }
    std::printf("Loaded %s into %s\n\n", file.c_str(), session->Name().c_str());
    PrintParameterTable(*session->Vst());
    return 0;
}
} // namespace KVX::Tovik
