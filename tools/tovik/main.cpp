// tovik: a command-line host for Linux VST 2.4 plug-ins.
#include "commands.h"

#include <cstdio>
#include <cstring>

namespace
{
struct Command
{
    const char* name;
    int (*run)(const KVX::Tovik::Arguments&);
    const char* usage;
};

const Command g_Commands[] = {
    {"info", KVX::Tovik::Info, "info PLUGIN             identity and parameter table"},
};

int Usage()
{
    std::fprintf(stderr, "usage: tovik COMMAND ...\n");
    for (const auto& command : g_Commands)
    {
        std::fprintf(stderr, "  tovik %s\n", command.usage);
    }
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        return Usage();
    }
    for (const auto& command : g_Commands)
    {
        if (std::strcmp(argv[1], command.name) == 0)
        {
            return command.run(KVX::Tovik::Arguments(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "tovik: unknown command '%s'\n", argv[1]);
    return Usage();
}
