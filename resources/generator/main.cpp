// SPDX-License-Identifier: GPL-3.0-or-later
// kvx_skin_generator: draws every sprite sheet of the skin into a folder, as name.png and name@2x.png.
//   kvx_skin_generator OUTPUT_DIR [--preview FILE.png]   (the preview's twin goes beside it as FILE@2x.png)
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

// "name.png" at 1x, "name@2x.png" for the finer twin.
std::string SheetFile(const std::string& base, int scale)
{
    return base + (scale == 1 ? "" : "@" + std::to_string(scale) + "x") + ".png";
}

std::string FaderBase(int band)
{
    char name[16];
    std::snprintf(name, sizeof name, "fader%02d", band + 1);
    return name;
}

// The preview's own file at 1x; its twins beside it, named as the sheets are.
std::string PreviewFile(const std::string& path, int scale)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string base = hasExtension ? path.substr(0, dot) : path;
    const std::string scaled = base + (scale == 1 ? "" : "@" + std::to_string(scale) + "x");
    return hasExtension ? scaled + path.substr(dot) : scaled;
}

bool Generate(const std::string& folder, const char* previewPath, int scale)
{
    using namespace KVX::Skin;
    const auto panel = DrawPanel(scale);
    const auto fader = DrawFaderSheet(scale);
    const auto button = DrawButtonSheet(scale);
    const auto lamp = DrawLampSheet(scale);
    const auto hint = DrawHint(scale);

    bool ok = panel->WritePng(folder + "/" + SheetFile("panel", scale));
    // The ten bands share one cap design; each keeps its own sheet so that any of them can change.
    for (int band = 0; band < kBandCount; ++band)
    {
        ok = fader->WritePng(folder + "/" + SheetFile(FaderBase(band), scale)) && ok;
    }
    ok = button->WritePng(folder + "/" + SheetFile("button", scale)) && ok;
    ok = lamp->WritePng(folder + "/" + SheetFile("lamp", scale)) && ok;
    ok = hint->WritePng(folder + "/" + SheetFile("hint", scale)) && ok;
    if (previewPath != nullptr)
    {
        ok = DrawPreview(*panel, *fader, *button, *lamp, *hint)->WritePng(PreviewFile(previewPath, scale)) &&
             ok;
    }
    return ok;
}

// Every sheet is drawn at 1x and 2x: screens at up to 200 % take the finer twin.
constexpr int kScales[] = {1, 2};
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
        bool ok = true;
        for (const int scale : kScales)
        {
            ok = Generate(argv[1], previewPath, scale) && ok;
        }
        status = ok ? 0 : 1;
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
