// tovik: a command-line host for Linux VST 2.4 plug-ins.
#include "commands.h"
#include "plot.h"

#include <cstdio>
#include <cstring>

namespace
{
struct Command
{
    const char* name;
    int (*run)(const KVX::Tovik::Arguments&);
    const char* synopsis;
    const char* summary;
};

const Command g_Commands[] = {
    {"info", KVX::Tovik::Info, "info PLUGIN", "identity and parameter table"},
    {"render", KVX::Tovik::Render,
     "render PLUGIN IN OUT [--set NAME=VALUE]... [--preset FILE.fxp] [--block N]",
     "a mono or stereo sound file through the plug-in, into a file of the same format"},
    {"response", KVX::Tovik::Response,
     "response PLUGIN [--set NAME=VALUE]... [--preset FILE.fxp] --plot FILE.png [--csv FILE.csv] [--rate R] "
     "[--block N]",
     "the plug-in's measured magnitude response, per channel"},
    {"preset", KVX::Tovik::Preset, "preset save|load PLUGIN FILE.fxp [--set NAME=VALUE]...",
     "the plug-in's program to or from a preset file"},
    {"bench", KVX::Tovik::Bench,
     "bench PLUGIN... [--set [N:]NAME=VALUE]... [--block N] [--rate R] [--seconds S] [--runs K]",
     "nanoseconds per frame for each plug-in, side by side (N: sets plug-in N only)"},
    {"editor", KVX::Tovik::Editor, "editor PLUGIN [--seconds S] [--screenshot FILE.png]",
     "the plug-in's editor in a window of its own, with noise running through the plug-in"},
    {"demo", KVX::Tovik::Demo, "demo OUTDIR [--plugin PATH]",
     "a drum-and-bass pattern rendered through the equaliser with a smile, and its measured response"},
};

int Usage()
{
    std::fprintf(stderr, "usage: tovik COMMAND ...\n\n");
    for (const auto& command : g_Commands)
    {
        std::fprintf(stderr, "  tovik %s\n      %s\n", command.synopsis, command.summary);
    }
    std::fprintf(stderr,
                 "\nNAME=VALUE: a parameter's name (any case) or index, and a normalised value from 0 to 1,\n"
                 "on or off. The equaliser's bands also answer to their frequency and take a gain in dB\n"
                 "(1k=+6dB, 31=-3dB, \"16 kHz=-12dB\"); its IN switch answers to in (in=off).\n");
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        return Usage();
    }
    if (std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0 ||
        std::strcmp(argv[1], "-h") == 0)
    {
        Usage();
        return 0;
    }
    for (const auto& command : g_Commands)
    {
        if (std::strcmp(argv[1], command.name) == 0)
        {
            const int code = command.run(KVX::Tovik::Arguments(argv + 2, argv + argc));
            KVX::Tovik::ReleasePlotResources();
            return code;
        }
    }
    std::fprintf(stderr, "tovik: unknown command '%s' (tovik help lists the commands)\n", argv[1]);
    return 2;
}
