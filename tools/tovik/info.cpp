// `tovik info PLUGIN`: the plug-in's identity and its parameter table, read through its entry point.
#include "commands.h"
#include "host/plugin_host.h"

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
    auto plugin = Host::Plugin::Load(args[0], error);
    if (!plugin)
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    const AEffect* e = plugin->Effect();
    std::printf("Plug-in     %s\n", args[0].c_str());
    std::printf("Name        %s\n", plugin->Text(effGetEffectName).c_str());
    std::printf("Vendor      %s\n", plugin->Text(effGetVendorString).c_str());
    std::printf("Product     %s\n", plugin->Text(effGetProductString).c_str());
    std::printf("Unique ID   '%s' (0x%08X)\n", Host::FourCharCode(e->uniqueID).c_str(),
                static_cast<unsigned>(e->uniqueID));
    std::printf("Version     %d\n", e->version);
    std::printf("VST version %ld\n", static_cast<long>(plugin->Dispatch(effGetVstVersion)));
    std::printf("Inputs      %d\n", e->numInputs);
    std::printf("Outputs     %d\n", e->numOutputs);
    std::printf("Programs    %d\n", e->numPrograms);
    std::printf("Flags       0x%X%s%s%s%s\n", static_cast<unsigned>(e->flags),
                (e->flags & effFlagsHasEditor) ? " editor" : "",
                (e->flags & effFlagsCanReplacing) ? " replacing" : "",
                (e->flags & effFlagsProgramChunks) ? " chunks" : "",
                (e->flags & effFlagsCanDoubleReplacing) ? " double" : "");
    std::printf("\nParameters  %d\n", e->numParams);
    std::printf("%5s  %-12s %10s  %-10s %s\n", "index", "name", "value", "display", "label");
    for (VstInt32 i = 0; i < e->numParams; ++i)
    {
        std::printf("%5d  %-12s %10.6f  %-10s %s\n", i, plugin->Text(effGetParamName, i).c_str(),
                    static_cast<double>(plugin->GetParameter(i)), plugin->Text(effGetParamDisplay, i).c_str(),
                    plugin->Text(effGetParamLabel, i).c_str());
    }
    return 0;
}
} // namespace KVX::Tovik
