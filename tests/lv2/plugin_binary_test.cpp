// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 plug-in binary on a machine without a display: a server or an embedded box has no X11, OpenGL,
// cairo, fontconfig or freetype, and must still load it and process audio. This program links none of
// those (no test helper that does), so that what the plug-in maps can be seen.
#include "lv2/lv2_names.h"
#include "lv2/port_values.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace KVX::Test
{
namespace
{
const char* const kDisplayLibraries[] = {"libX11",        "libXfixes",  "libxcb", "libGL",
                                         "libGLX",        "libOpenGL",  "libEGL", "libcairo",
                                         "libfontconfig", "libfreetype"};

// The display libraries mapped into this process.
std::set<std::string> MappedDisplayLibraries()
{
    std::set<std::string> found;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
    {
        const auto slash = line.rfind('/');
        const std::string file = slash == std::string::npos ? std::string() : line.substr(slash + 1);
        for (const char* library : kDisplayLibraries)
        {
            if (file.rfind(std::string(library) + ".so", 0) == 0)
            {
                found.insert(file);
            }
        }
    }
    return found;
}

// The libraries the binary names as its dependencies.
std::set<std::string> Needed(const std::string& path)
{
    std::set<std::string> needed;
    std::unique_ptr<FILE, int (*)(FILE*)> readelf(
        popen(("LC_ALL=C readelf --dynamic '" + path + "'").c_str(), "r"), pclose);
    char line[512];
    while (readelf && std::fgets(line, sizeof line, readelf.get()) != nullptr)
    {
        const std::string text = line;
        const auto open = text.find("Shared library: [");
        if (text.find("(NEEDED)") != std::string::npos && open != std::string::npos)
        {
            const auto start = open + 17;
            needed.insert(text.substr(start, text.find(']', start) - start));
        }
    }
    return needed;
}

TEST(Lv2PluginBinary, NeedsOnlyTheCAndCxxRuntimes)
{
    std::set<std::string> needed = Needed(KVX_LV2_PLUGIN_PATH);
    if (KVX_SANITIZED)
    {
        // The sanitisers bring their own runtimes.
        std::erase_if(needed, [](const std::string& library)
                      { return library.starts_with("libasan.so") || library.starts_with("libubsan.so"); });
    }
    EXPECT_EQ(needed, (std::set<std::string>{"libc.so.6", "libgcc_s.so.1", "libm.so.6", "libstdc++.so.6"}));
}

TEST(Lv2PluginBinary, LoadsAndProcessesWhereNoDisplayLibraryWasEverLoaded)
{
    unsetenv("DISPLAY");
    ASSERT_TRUE(MappedDisplayLibraries().empty()) << "this test program must not bring them itself";

    void* module = dlopen(KVX_LV2_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    using Entry = const LV2_Descriptor* (*)(std::uint32_t);
    const auto entry = reinterpret_cast<Entry>(dlsym(module, "lv2_descriptor"));
    ASSERT_NE(entry, nullptr);
    const LV2_Descriptor* descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);

    std::vector<std::string> uris;
    LV2_URID_Map map{&uris, [](LV2_URID_Map_Handle handle, const char* uri)
                     {
                         auto& known = *static_cast<std::vector<std::string>*>(handle);
                         known.emplace_back(uri);
                         return static_cast<LV2_URID>(known.size());
                     }};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    LV2_Handle instance = descriptor->instantiate(descriptor, 48000.0, "", features);
    ASSERT_NE(instance, nullptr);

    std::array<float, LV2::kControlPortCount> controls{};
    for (std::uint32_t i = 0; i < LV2::kControlPortCount; ++i)
    {
        controls[i] = LV2::RangeOf(Device::Description::kParameters[i]).defaultValue;
        descriptor->connect_port(instance, i, &controls[i]);
    }
    controls[5] = 12.0f; // the 1 kHz band all the way up
    constexpr std::uint32_t kFrames = 4800;
    std::vector<float> left(kFrames), right(kFrames), outLeft(kFrames), outRight(kFrames);
    for (std::uint32_t i = 0; i < kFrames; ++i)
    {
        left[i] = right[i] =
            0.25f * static_cast<float>(std::sin(2.0 * 3.141592653589793 * 1000.0 * i / 48000.0));
    }
    descriptor->connect_port(instance, LV2::kAudioInLeft, left.data());
    descriptor->connect_port(instance, LV2::kAudioInRight, right.data());
    descriptor->connect_port(instance, LV2::kAudioOutLeft, outLeft.data());
    descriptor->connect_port(instance, LV2::kAudioOutRight, outRight.data());
    descriptor->activate(instance);
    for (int block = 0; block < 10; ++block)
    {
        descriptor->run(instance, kFrames);
    }
    // A boosted 1 kHz tone comes out louder, and the same on both sides.
    double inEnergy = 0.0;
    double outEnergy = 0.0;
    for (std::uint32_t i = 0; i < kFrames; ++i)
    {
        inEnergy += static_cast<double>(left[i]) * left[i];
        outEnergy += static_cast<double>(outLeft[i]) * outLeft[i];
    }
    EXPECT_GT(outEnergy, 4.0 * inEnergy);
    EXPECT_EQ(outLeft, outRight);

    descriptor->deactivate(instance);
    descriptor->cleanup(instance);
    EXPECT_EQ(MappedDisplayLibraries(), std::set<std::string>{});
    dlclose(module);
}
} // namespace
} // namespace KVX::Test
