// `tovik info PLUGIN`: the plug-in's identity and its parameter table, read through its entry point.
#include "commands.h"
#include "parameter_table.h"
#include "plugin_session.h"

#include <cstdio>

namespace KVX::Tovik
{
int Info(const Arguments& args)
{
    if (args.size() != 1)
    {
        std::fprintf(stderr, "usage: tovik info PLUGIN\n");
        return 2;
    }
    std::string error;
    auto session = Session::Open(args[0], error);
    if (!session)
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    const Host::Plugin& plugin = session->Plugin();
    const AEffect* e = plugin.Effect();
    std::printf("Plug-in     %s\n", args[0].c_str());
    std::printf("Name        %s\n", plugin.Text(effGetEffectName).c_str());
    std::printf("Vendor      %s\n", plugin.Text(effGetVendorString).c_str());
    std::printf("Product     %s\n", plugin.Text(effGetProductString).c_str());
    std::printf("Unique ID   '%s' (0x%08X)\n", Host::FourCharCode(e->uniqueID).c_str(),
                static_cast<unsigned>(e->uniqueID));
    std::printf("Version     %d\n", e->version);
    std::printf("VST version %ld\n", static_cast<long>(plugin.Dispatch(effGetVstVersion)));
    std::printf("Inputs      %d\n", e->numInputs);
    std::printf("Outputs     %d\n", e->numOutputs);
    std::printf("Programs    %d\n", e->numPrograms);
    std::printf("Flags       0x%X%s%s%s%s\n", static_cast<unsigned>(e->flags),
                (e->flags & effFlagsHasEditor) ? " editor" : "",
                (e->flags & effFlagsCanReplacing) ? " replacing" : "",
                (e->flags & effFlagsProgramChunks) ? " chunks" : "",
                (e->flags & effFlagsCanDoubleReplacing) ? " double" : "");
    std::printf("\n");
    PrintParameterTable(plugin);
    return 0;
}
} // namespace KVX::Tovik
