// SPDX-License-Identifier: GPL-3.0-or-later
// What users get: the build installed for everyone (prefix /usr) and for one user (prefix = home), and
// the Debian package, all made by stage.cmake in a scratch folder before these tests run. Each format
// must land in the folder hosts scan, stripped, and nothing else may come along.
#include "lv2/lv2_names.h"
#include "support/program_runner.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace KVX::Test
{
namespace
{
const fs::path kStage = KVX_STAGE_DIR;
const fs::path kSystemRoot = kStage / "system/usr";
const fs::path kHome = kStage / "home";
const fs::path kPackageRoot = kStage / "deb-root/usr";
const fs::path kPackage = kStage / "kvx-tovik.deb";
constexpr auto kRunLimit = std::chrono::seconds(120);

// The folders of each format in one layout, relative to the prefix.
struct Layout
{
    fs::path vst, lv2, vst3, clap, bin, doc, man, presets, vst3Presets;
};
const Layout kSystem{"lib/vst",
                     "lib/lv2",
                     "lib/vst3",
                     "lib/clap",
                     "bin",
                     "share/doc/kvx-tovik",
                     "share/man",
                     "share/kvx-tovik/presets",
                     "share/vst3/presets/Brellmoor/KVX Tovik"};
const Layout kUser{".vst",
                   ".lv2",
                   ".vst3",
                   ".clap",
                   ".local/bin",
                   ".local/share/doc/kvx-tovik",
                   ".local/share/man",
                   ".local/share/kvx-tovik/presets",
                   ".vst3/presets/Brellmoor/KVX Tovik"};
// What the Debian package holds besides the system install, and what it leaves out: Debian keeps the
// GPL's text in /usr/share/common-licenses.
const std::string kPackageOnly = "share/lintian/overrides/kvx-tovik";
const std::string kNotInPackage = "share/doc/kvx-tovik/LICENSE";

std::set<std::string> ExpectedFiles(const Layout& layout)
{
    const fs::path bundle = layout.lv2 / std::string(LV2::kBundleName);
    std::set<std::string> files{
        (layout.vst / "kvx-tovik.so").string(),
        (bundle / "manifest.ttl").string(),
        (bundle / std::string(LV2::kPluginTurtle)).string(),
        (bundle / std::string(LV2::kPresetsTurtle)).string(),
        (bundle / std::string(LV2::kPluginBinary)).string(),
        (bundle / std::string(LV2::kUiBinary)).string(),
        (layout.bin / "tovik").string(),
        (layout.doc / "README.md").string(),
        (layout.doc / "copyright").string(),
        (layout.doc / "changelog.gz").string(),
        (layout.doc / "LICENSE").string(),
    };
    if (KVX_HAS_MANPAGE)
    {
        files.insert((layout.man / "man1/tovik.1.gz").string());
    }
    if (KVX_HAS_CLAP)
    {
        files.insert((layout.clap / "kvx-tovik.clap").string());
    }
    // The factory presets, as many as the build fitted.
    for (const auto& [kind, folder] :
         {std::pair{"fxp", layout.presets}, std::pair{"vst3", layout.vst3Presets}})
    {
        for (const auto& entry : fs::directory_iterator(fs::path(KVX_FACTORY_PRESETS_DIR) / kind))
        {
            files.insert((folder / entry.path().filename()).string());
        }
    }
    return files;
}

// The VST3 binary inside its bundle; what else the bundle holds is the VST3 build's own business.
fs::path Vst3Binary(const Layout& layout)
{
    return layout.vst3 / KVX_VST3_BUNDLE_NAME / "Contents" / (std::string(KVX_SYSTEM_PROCESSOR) + "-linux") /
           "KVX Tovik.so";
}

// Every regular file and symbolic link under `root`, relative to it; VST3 bundle contents apart from
// its binary are left out.
std::set<std::string> FilesUnder(const fs::path& root, const Layout& layout)
{
    std::set<std::string> files;
    const fs::path vst3Bundle = layout.vst3 / KVX_VST3_BUNDLE_NAME;
    for (const auto& entry : fs::recursive_directory_iterator(root))
    {
        if (entry.is_directory() && !entry.is_symlink())
        {
            continue;
        }
        const fs::path relative = fs::relative(entry.path(), root);
        const bool inVst3Bundle = KVX_HAS_VST3 && relative.string().rfind(vst3Bundle.string() + "/", 0) == 0;
        if (!inVst3Bundle || relative == Vst3Binary(layout))
        {
            files.insert(relative.string());
        }
    }
    return files;
}

void ExpectLayout(const fs::path& root, const Layout& layout)
{
    ASSERT_TRUE(fs::is_directory(root)) << root << " is missing: see " << kStage / "stage.log";
    std::set<std::string> expected = ExpectedFiles(layout);
    if (KVX_HAS_VST3)
    {
        expected.insert(Vst3Binary(layout).string());
    }
    EXPECT_EQ(FilesUnder(root, layout), expected) << "under " << root;
    for (const auto& file : expected)
    {
        EXPECT_TRUE(fs::is_regular_file(root / file)) << root / file;
    }
}

ProgramRun RunTool(const std::vector<std::string>& argv,
                   const std::map<std::string, std::string>& environment = {})
{
    auto full = environment;
    full.emplace("LC_ALL", "C");
    // The tools keep caches in their home: not in the home folder under test.
    full.emplace("HOME", (kStage / "tool-home").string());
    return RunProgram(argv, full, kRunLimit);
}

bool IsElf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    char magic[4] = {};
    in.read(magic, sizeof magic);
    return in && magic[0] == 0x7F && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 'F';
}

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Field(const std::string& name)
{
    const ProgramRun run = RunTool({"/usr/bin/dpkg-deb", "--field", kPackage.string(), name});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string value = run.out;
    while (!value.empty() && (value.back() == '\n' || value.back() == ' '))
    {
        value.pop_back();
    }
    return value;
}

// The package names of a Depends field, versions and alternatives aside.
std::set<std::string> PackageNames(const std::string& depends)
{
    std::set<std::string> names;
    std::string item;
    std::stringstream list(depends);
    while (std::getline(list, item, ','))
    {
        std::stringstream alternatives(item);
        std::string alternative;
        while (std::getline(alternatives, alternative, '|'))
        {
            std::stringstream words(alternative);
            std::string name;
            words >> name;
            names.insert(name);
        }
    }
    return names;
}

TEST(InstallLayout, SystemPrefixPutsEachFormatInItsFolderUnderLib)
{
    ExpectLayout(kSystemRoot, kSystem);
}

TEST(InstallLayout, HomePrefixPutsEachFormatInItsDotFolder)
{
    ExpectLayout(kHome, kUser);
    EXPECT_FALSE(fs::exists(kHome / "lib")) << "a home install took the system layout";
}

// man finds a page through PATH (a bin folder's ../share/man), so `man tovik` works after either install
// once tovik itself is found.
TEST(InstallLayout, ManFindsTovikBesideTheInstalledProgram)
{
    if (!KVX_HAS_MANPAGE || !IsExecutable("/usr/bin/man"))
    {
        GTEST_SKIP() << "no manual page made (help2man missing) or no man";
    }
    for (const auto& [root, layout] : {std::pair{kSystemRoot, kSystem}, std::pair{kHome, kUser}})
    {
        const ProgramRun run =
            RunTool({"/usr/bin/man", "-w", "tovik"},
                    {{"PATH", (root / layout.bin).string() + ":/usr/bin:/bin"}, {"MANPATH", ""}});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, (root / layout.man / "man1/tovik.1.gz").string() + "\n");
    }
}

TEST(InstallLayout, EveryInstalledBinaryIsStripped)
{
    int binaries = 0;
    for (const fs::path& root : {kSystemRoot, kHome, kPackageRoot})
    {
        ASSERT_TRUE(fs::is_directory(root)) << root;
        for (const auto& entry : fs::recursive_directory_iterator(root))
        {
            if (!entry.is_regular_file() || !IsElf(entry.path()))
            {
                continue;
            }
            ++binaries;
            const ProgramRun run =
                RunTool({"/usr/bin/readelf", "--section-headers", "--wide", entry.path().string()});
            ASSERT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(run.out.find(".symtab"), std::string::npos)
                << entry.path() << " keeps its symbol table";
            EXPECT_EQ(run.out.find(".debug_"), std::string::npos)
                << entry.path() << " keeps debug information";
            // Hosts find the entry points in the dynamic symbol table, which stripping keeps.
            EXPECT_NE(run.out.find(".dynsym"), std::string::npos) << entry.path();
        }
    }
    EXPECT_EQ(binaries, 3 * (4 + KVX_HAS_VST3 + KVX_HAS_CLAP));
}

TEST(DebianPackage, ControlFieldsNameTheProductAndItsRealDependencies)
{
    ASSERT_TRUE(fs::is_regular_file(kPackage)) << "see " << kStage / "stage.log";
    EXPECT_EQ(Field("Package"), "kvx-tovik");
    EXPECT_EQ(Field("Version"), KVX_PROJECT_VERSION);
    EXPECT_NE(Field("Maintainer").find("Brellmoor"), std::string::npos);
    EXPECT_EQ(Field("Section"), "sound");
    EXPECT_FALSE(Field("Description").empty());
    const ProgramRun architecture = RunTool({"/usr/bin/dpkg", "--print-architecture"});
    EXPECT_EQ(Field("Architecture") + "\n", architecture.out);

    // Computed from what the binaries link: the plug-ins' GUI libraries and tovik's audio-file and LV2
    // libraries, never GLEW (linked in) nor a development package.
    const std::string depends = Field("Depends");
    const std::set<std::string> names = PackageNames(depends);
    for (const char* package : {"libc6", "libstdc++6", "libx11-6", "libxfixes3", "libgl1", "libcairo2",
                                "libfontconfig1", "libfreetype6", "libsndfile1", "liblilv-0-0"})
    {
        EXPECT_TRUE(names.contains(package)) << package << " missing from " << depends;
    }
    EXPECT_EQ(depends.find("glew"), std::string::npos) << depends;
    EXPECT_EQ(depends.find("-dev"), std::string::npos) << depends;
}

TEST(DebianPackage, HoldsExactlyTheSystemInstallOwnedByRoot)
{
    ASSERT_TRUE(fs::is_directory(kPackageRoot)) << "see " << kStage / "stage.log";
    std::set<std::string> expected = FilesUnder(kSystemRoot, kSystem);
    expected.erase(kNotInPackage);
    expected.insert(kPackageOnly);
    EXPECT_EQ(FilesUnder(kPackageRoot, kSystem), expected);

    const ProgramRun contents = RunTool({"/usr/bin/dpkg-deb", "--contents", kPackage.string()});
    ASSERT_EQ(contents.exitCode, 0) << contents.err;
    std::stringstream lines(contents.out);
    std::string mode, owner, line;
    int entries = 0;
    while (lines >> mode >> owner && std::getline(lines, line))
    {
        ++entries;
        EXPECT_EQ(owner, "root/root") << line;
        // Nothing writable by group or others; everything under ./usr.
        EXPECT_TRUE(mode.size() == 10 && mode[5] != 'w' && mode[8] != 'w') << mode << line;
        EXPECT_NE(line.find(" ./usr/"), std::string::npos) << line;
    }
    EXPECT_GT(entries, 10);
}

// Where a packager or a host looks for the licence: the package's copyright file (machine-readable,
// every third party we link or embed with its licence) and the LV2 bundle's description.
TEST(DebianPackage, NamesTheLicenceAndEveryThirdParty)
{
    const std::string copyright = ReadAll(kPackageRoot / kSystem.doc / "copyright");
    ASSERT_FALSE(copyright.empty()) << "see " << kStage / "stage.log";
    EXPECT_EQ(
        copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n", 0),
        0u);
    EXPECT_NE(copyright.find("Files: *\nCopyright: 2026 Brellmoor"), std::string::npos);
    EXPECT_NE(copyright.find("\nLicense: GPL-3+\n"), std::string::npos);
    for (const char* part :
         {"GLEW", "cairo", "fontconfig", "FreeType", "libsndfile", "lilv", "mingw-w64", "libgcc"})
    {
        EXPECT_NE(copyright.find(part), std::string::npos) << part << " is not listed";
    }

    const std::string turtle =
        ReadAll(kPackageRoot / kSystem.lv2 / std::string(LV2::kBundleName) / std::string(LV2::kPluginTurtle));
    EXPECT_NE(turtle.find("doap:license <https://spdx.org/licenses/GPL-3.0-or-later>"), std::string::npos);
    EXPECT_NE(turtle.find("foaf:mbox <mailto:"), std::string::npos);
    EXPECT_NE(turtle.find("foaf:homepage <https://"), std::string::npos);
}

// Hosts pointed at the unpacked package find each format there: lilv's tools and tovik through LV2_PATH,
// tovik and Ardour's scanner through the VST folder, and the VST3 and CLAP binaries expose their entry.
TEST(DebianPackage, HostsFindThePluginsInTheUnpackedFolders)
{
    const std::string lv2Path = (kPackageRoot / kSystem.lv2).string();
    const std::string vst = (kPackageRoot / kSystem.vst / "kvx-tovik.so").string();
    const std::string tovik = (kPackageRoot / kSystem.bin / "tovik").string();
    ASSERT_TRUE(fs::is_regular_file(tovik)) << "see " << kStage / "stage.log";

    const ProgramRun info = RunTool({tovik, "info", vst});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("KVX Tovik"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("'Tvk1'"), std::string::npos) << info.out;

    const ProgramRun lv2Info =
        RunTool({tovik, "info", std::string(LV2::kPluginUri)}, {{"LV2_PATH", lv2Path}});
    EXPECT_EQ(lv2Info.exitCode, 0) << lv2Info.err;
    EXPECT_NE(lv2Info.out.find("LV2"), std::string::npos) << lv2Info.out;

    if (IsExecutable("/usr/bin/lv2ls"))
    {
        const ProgramRun list = RunTool({"/usr/bin/lv2ls"}, {{"LV2_PATH", lv2Path}});
        EXPECT_EQ(list.exitCode, 0) << list.err;
        EXPECT_EQ(list.out, std::string(LV2::kPluginUri) + "\n");
    }
    const std::string scanner = "/usr/lib/ardour7/ardour-vst-scanner";
    if (IsExecutable(scanner))
    {
        // The scanner keeps its cache in the tools' scratch home.
        const ProgramRun scan =
            RunTool({scanner, "-f", "-q", vst}, {{"XDG_CACHE_HOME", (kStage / "tool-home/.cache").string()},
                                                 {"XDG_CONFIG_HOME", (kStage / "tool-home/.config").string()},
                                                 {"LD_LIBRARY_PATH", "/usr/lib/ardour7"},
                                                 {"DISPLAY", ""}});
        EXPECT_EQ(scan.exitCode, 0) << scan.out << scan.err;
    }

    std::vector<std::pair<fs::path, const char*>> entries;
    if (KVX_HAS_VST3)
    {
        entries.emplace_back(kPackageRoot / Vst3Binary(kSystem), "GetPluginFactory");
    }
    if (KVX_HAS_CLAP)
    {
        entries.emplace_back(kPackageRoot / kSystem.clap / "kvx-tovik.clap", "clap_entry");
    }
    for (const auto& [binary, symbol] : entries)
    {
        void* module = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        EXPECT_NE(dlsym(module, symbol), nullptr) << binary << ": no " << symbol;
        dlclose(module);
    }
}
} // namespace
} // namespace KVX::Test
