// SPDX-License-Identifier: GPL-3.0-or-later
// tovik: a command-line host for Linux VST 2.4, LV2 and CLAP plug-ins.
#include "commands.h"
#include "fit_report.h"
#include "output_file.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
struct Command
{
    const char* name;
    int (*run)(const KVX::Tovik::Arguments&);
    const char* synopsis;
    const char* summary;
    // One line per option: the option and what it does.
    std::string options;
};

constexpr const char* kSetOption =
    "  --set NAME=VALUE   a parameter setting (repeatable; see tovik --help)\n";
constexpr const char* kUriOption =
    "  --uri URI          the plug-in to take from an LV2 bundle that holds several\n";
constexpr const char* kIdOption =
    "  --id ID            the plug-in to take from a CLAP file that holds several\n";

const Command g_Commands[] = {
    {"info", KVX::Tovik::Info, "info PLUGIN [--uri URI] [--id ID]",
     "identity and parameter (LV2: port) table", ""},
    {"render", KVX::Tovik::Render,
     "render PLUGIN IN OUT [--set NAME=VALUE]... [--preset FILE.fxp] [--block N] [--preroll SECONDS] "
     "[--format NAME] [--dither] [--uri URI] [--id ID]",
     "a mono or stereo sound file through the plug-in, into a file of the format OUT's extension names",
     "  --preset FILE.fxp  a preset applied before the settings\n"
     "  --block N          frames per block, 1 to 32768 (default 512)\n"
     "  --preroll SECONDS  silence processed and dropped first, 0 to 60 (default 0.5)\n"
     "  --format NAME      the output's container whatever its extension (wav, aiff, flac, ogg, ...)\n"
     "  --dither           triangular (TPDF) dither before integer samples are rounded\n"},
    {"response", KVX::Tovik::Response,
     "response PLUGIN [--set NAME=VALUE]... [--preset FILE.fxp] --plot FILE.png [--csv FILE.csv] [--rate R] "
     "[--block N] [--uri URI] [--id ID]",
     "the plug-in's measured magnitude response, per channel",
     "  --preset FILE.fxp  a preset applied before the settings\n"
     "  --plot FILE.png    the response drawn as a PNG\n"
     "  --csv FILE.csv     the response as comma-separated values (--plot or --csv or both)\n"
     "  --rate R           sample rate in Hz, 8000 to 384000 (default 48000)\n"
     "  --block N          frames per block, 1 to 32768 (default 512)\n"},
    {"preset", KVX::Tovik::Preset, "preset save|load PLUGIN FILE.fxp [--set NAME=VALUE]...",
     "the plug-in's program to or from a preset file", ""},
    {"bench", KVX::Tovik::Bench,
     "bench PLUGIN... [--set [N:]NAME=VALUE]... [--block N] [--rate R] [--seconds S] [--runs K] [--uri URI] "
     "[--id ID]",
     "nanoseconds per frame for each plug-in, side by side (N: sets plug-in N only)",
     "  --block N          frames per block, 1 to 32768 (default 512)\n"
     "  --rate R           sample rate in Hz, 8000 to 384000 (default 48000)\n"
     "  --seconds S        length of each timed pass, 0.05 to 600 (default 2)\n"
     "  --runs K           timed passes per plug-in, 1 to 1000 (default 7)\n"},
    {"editor", KVX::Tovik::Editor, "editor PLUGIN [--scale S] [--seconds S] [--screenshot FILE.png]",
     "a VST or CLAP plug-in's editor in a window of its own, with noise running through the plug-in",
     "  --scale S          the screen's scale for the editor, 1 to 2 or 100% to 200% (default: the\n"
     "                     plug-in follows the screen, e.g. the desktop's Xft.dpi)\n"
     "  --seconds S        close the window after S seconds\n"
     "  --screenshot FILE  the window's pixels as a PNG, shortly before it closes\n"},
    {"fit", KVX::Tovik::Fit,
     "fit TARGET [--rate R] [--relative] [--weight FILE] [--normalise] [--preset FILE.fxp] [--set] "
     "[--plot FILE.png] [--csv FILE.csv]",
     "our equaliser's fader values whose settled response comes closest to a curve: a table of frequency "
     "(Hz) and gain (dB), or a GraphicEQ: line",
     std::string("  --rate R           sample rate in Hz, 8000 to 384000 (default 48000)\n"
                 "  --relative         TARGET is a change from the unit's flat response, not a response\n") +
         KVX::Tovik::kFitOptionsHelp},
    {"match", KVX::Tovik::Match,
     "match REFERENCE SOURCE [--apply OUT] [--plugin PATH] [--weight FILE] [--normalise] [--preset FILE.fxp] "
     "[--set] [--plot FILE.png] [--csv FILE.csv]",
     "the fader values that give SOURCE the long-term spectrum of REFERENCE (fitted at SOURCE's rate)",
     std::string("  --apply OUT        SOURCE rendered through the fitted settings into OUT\n"
                 "  --plugin PATH      the equaliser --apply uses (default: the one built beside tovik)\n") +
         KVX::Tovik::kFitOptionsHelp},
    {"demo", KVX::Tovik::Demo, "demo OUTDIR [--plugin PATH]",
     "a drum-and-bass pattern rendered through the equaliser with a smile, and its measured response",
     "  --plugin PATH      the equaliser to use (default: the one built beside tovik)\n"},
};

constexpr const char* kSettings =
    "PLUGIN: a VST 2.4 shared object (.so), an LV2 bundle folder (.lv2), an LV2 plug-in's URI\n"
    "or a CLAP file (.clap).\n\n"
    "NAME=VALUE: a parameter's name (any case) or index, and a normalised value from 0 to 1,\n"
    "on or off; an LV2 control port also by its symbol, and an LV2 or CLAP parameter with a value\n"
    "in its own units and range.\n"
    "The equaliser's bands also answer to their frequency and take a gain in dB\n"
    "(1k=+6dB, 31=-3dB, \"16 kHz=-12dB\"); its IN switch answers to in (in=off).\n";

void PrintUsage(std::FILE* out)
{
    std::fprintf(out, "usage: tovik COMMAND ...\n\n");
    for (const auto& command : g_Commands)
    {
        std::fprintf(out, "  tovik %s\n      %s\n", command.synopsis, command.summary);
    }
    std::fprintf(out,
                 "\n  tovik help COMMAND, tovik COMMAND --help   one command's options\n"
                 "  tovik --version                            tovik's version\n\n%s",
                 kSettings);
}

void PrintCommandHelp(const Command& command)
{
    std::printf("usage: tovik %s\n    %s\n", command.synopsis, command.summary);
    const bool takesSettings = std::strstr(command.synopsis, "NAME=VALUE") != nullptr;
    if (takesSettings || !command.options.empty() || std::strstr(command.synopsis, "--uri") != nullptr)
    {
        const bool takesUri = std::strstr(command.synopsis, "--uri") != nullptr;
        const bool takesId = std::strstr(command.synopsis, "--id") != nullptr;
        std::printf("\noptions:\n%s%s%s%s", takesSettings ? kSetOption : "", command.options.c_str(),
                    takesUri ? kUriOption : "", takesId ? kIdOption : "");
    }
    if (takesSettings)
    {
        std::printf("\n%s", kSettings);
    }
}

const Command* FindCommand(const char* name)
{
    for (const auto& command : g_Commands)
    {
        if (std::strcmp(name, command.name) == 0)
        {
            return &command;
        }
    }
    return nullptr;
}

bool IsHelp(const char* arg)
{
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        PrintUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "version") == 0)
    {
        std::printf("tovik %s\n", KVX_TOVIK_VERSION);
        return 0;
    }
    if (IsHelp(argv[1]) || std::strcmp(argv[1], "help") == 0)
    {
        if (argc == 2)
        {
            PrintUsage(stdout);
            return 0;
        }
        const Command* command = FindCommand(argv[2]);
        if (command == nullptr || argc > 3)
        {
            std::fprintf(stderr, "tovik: no command '%s' (tovik help lists the commands)\n", argv[2]);
            return 2;
        }
        PrintCommandHelp(*command);
        return 0;
    }
    const Command* command = FindCommand(argv[1]);
    if (command == nullptr)
    {
        std::fprintf(stderr, "tovik: unknown command '%s' (tovik help lists the commands)\n", argv[1]);
        return 2;
    }
    for (int i = 2; i < argc; ++i)
    {
        if (IsHelp(argv[i]))
        {
            PrintCommandHelp(*command);
            return 0;
        }
    }
    // cairo and fontconfig keep their caches for the life of the process: a loaded plug-in may still hold
    // their objects, so they are never finalised here.
    KVX::Tovik::OutputFile::InstallSignalCleanup();
    return command->run(KVX::Tovik::Arguments(argv + 2, argv + argc));
}
