// SPDX-License-Identifier: GPL-3.0-or-later
// kvx_skin_generator: draws every sprite sheet of the skin into a folder.
//   kvx_skin_generator OUTPUT_DIR [--preview FILE.png]
#include "layout.h"
#include "sheets.h"
#include "text.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace
{
int Usage(const char* program)
{
    std::fprintf(stderr, "usage: %s OUTPUT_DIR [--preview FILE.png]\n", program);
    return 2;
}

std::string FaderFileName(int band)
{
    char name[32];
    std::snprintf(name, sizeof name, "fader%02d.png", band + 1);
    return name;
}

bool Generate(const std::string& folder, const char* previewPath)
{
    using namespace KVX::Skin;
    const auto panel = DrawPanel();
    const auto fader = DrawFaderSheet();
    const auto button = DrawButtonSheet();
    const auto lamp = DrawLampSheet();
    const auto hint = DrawHint();

    bool ok = panel->WritePng(folder + "/panel.png");
    // The ten bands share one cap design; each keeps its own sheet so that any of them can change.
    for (int band = 0; band < kBandCount; ++band)
    {
        ok = fader->WritePng(folder + "/" + FaderFileName(band)) && ok;
    }
    ok = button->WritePng(folder + "/button.png") && ok;
    ok = lamp->WritePng(folder + "/lamp.png") && ok;
    ok = hint->WritePng(folder + "/hint.png") && ok;
    if (previewPath != nullptr)
    {
        ok = DrawPreview(*panel, *fader, *button, *lamp, *hint)->WritePng(previewPath) && ok;
    }
    return ok;
}
} // namespace

int main(int argc, char** argv)
{
    const char* previewPath = nullptr;
    if (argc == 4 && std::strcmp(argv[2], "--preview") == 0)
    {
        previewPath = argv[3];
    }
    else if (argc != 2)
    {
        return Usage(argv[0]);
    }

    int status = 0;
    try
    {
        status = Generate(argv[1], previewPath) ? 0 : 1;
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        status = 1;
    }
    // Let go of the cached fonts and cairo's and fontconfig's own caches, so leak checkers see a clean exit.
    KVX::Skin::ReleaseFonts();
    cairo_debug_reset_static_data();
    FcFini();
    return status;
}
