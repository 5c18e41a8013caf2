// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik info PLUGIN [--uri URI] [--id ID]`: the plug-in's identity and its parameter or port table.
#include "commands.h"
#include "options.h"
#include "plugin_session.h"

#include <cstdio>

namespace KVX::Tovik
{
int Info(const Arguments& args)
{
    Options options;
    std::string error;
    if (!options.Parse(args, {"uri", "id"}, error) || options.Positional().size() != 1 ||
        !options.Sets().empty())
    {
        if (!error.empty())
        {
            std::fprintf(stderr, "tovik: %s\n", error.c_str());
        }
        std::fprintf(stderr, "usage: tovik info PLUGIN [--uri URI] [--id ID]\n");
        return 2;
    }
    PluginChoice choice;
    choice.plugin = options.Positional()[0];
    choice.uri = options.Get("uri");
    choice.id = options.Get("id");
    auto session = Session::Open(choice, error);
    if (!session)
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    session->PrintInfo();
    return 0;
}
} // namespace KVX::Tovik
