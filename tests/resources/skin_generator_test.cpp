// SPDX-License-Identifier: GPL-3.0-or-later
// The generator itself: it reproduces the committed sheets and their 2x twins (and the previews)
// exactly, and it says so when it cannot write them.
#include "png_image.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using namespace KVX::SkinTest;

int RunGenerator(const std::string& arguments)
{
    const std::string command = std::string("'") + KVX_SKIN_GENERATOR + "' " + arguments;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

// Equal bytes, or a message that tells a stale picture from a different PNG encoder.
::testing::AssertionResult SameFile(const fs::path& drawn, const fs::path& committed)
{
    const auto drawnBytes = ReadBytes(drawn);
    if (drawnBytes.empty())
    {
        return ::testing::AssertionFailure() << drawn << " was not written";
    }
    if (drawnBytes == ReadBytes(committed))
    {
        return ::testing::AssertionSuccess();
    }
    const PngImage a = LoadPng(drawn);
    const PngImage b = LoadPng(committed);
    const bool samePixels = a.width == b.width && a.height == b.height && a.pixels == b.pixels;
    return ::testing::AssertionFailure()
           << committed.filename()
           << (samePixels ? " has the same pixels but other bytes: this libpng or zlib encodes differently"
                          : " is stale: rebuild the target kvx_skin_images and commit the sheets");
}

class ScratchFolder
{
public:
    explicit ScratchFolder(const std::string& name)
        : m_Path(fs::temp_directory_path() / ("kvx_skin_" + name + "_" + std::to_string(::getpid())))
    {
        fs::remove_all(m_Path);
        fs::create_directories(m_Path);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_Path, ignored);
    }
    const fs::path& Path() const { return m_Path; }

private:
    fs::path m_Path;
};

// Every sheet as name.png and its twin name@2x.png.
std::vector<std::string> SheetFiles()
{
    std::vector<std::string> bases = {"panel", "button", "lamp", "hint"};
    for (int band = 1; band <= 10; ++band)
    {
        bases.push_back((band < 10 ? "fader0" : "fader") + std::to_string(band));
    }
    std::vector<std::string> files;
    for (const std::string& base : bases)
    {
        files.push_back(base + ".png");
        files.push_back(base + "@2x.png");
    }
    return files;
}

fs::path Twin(const fs::path& file)
{
    return file.parent_path() / (file.stem().string() + "@2x" + file.extension().string());
}

TEST(SkinGenerator, RedrawsTheCommittedSheetsByteForByte)
{
    ScratchFolder scratch("redraw");
    const fs::path preview = scratch.Path() / "preview" / "preview.png";
    fs::create_directories(preview.parent_path());
    ASSERT_EQ(RunGenerator(Quoted(scratch.Path()) + " --preview " + Quoted(preview)), 0);
    for (const std::string& file : SheetFiles())
    {
        EXPECT_TRUE(SameFile(scratch.Path() / file, ImageDir() / file));
    }
    EXPECT_TRUE(SameFile(preview, KVX_SKIN_PREVIEW));
    EXPECT_TRUE(SameFile(Twin(preview), Twin(KVX_SKIN_PREVIEW)));

    std::size_t written = 0;
    for (const auto& entry : fs::directory_iterator(scratch.Path()))
    {
        written += entry.is_regular_file();
    }
    EXPECT_EQ(written, SheetFiles().size()) << "the generator writes exactly the skin's sheets";
}

TEST(SkinGenerator, FailsWhenTheOutputFolderIsMissing)
{
    ScratchFolder scratch("missing");
    EXPECT_NE(RunGenerator(Quoted(scratch.Path() / "no" / "such" / "folder")), 0);
}
} // namespace
