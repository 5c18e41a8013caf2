// The generator itself: it reproduces the committed sheets exactly, and it says so when it cannot
// write them.
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

int RunGenerator(const fs::path& folder)
{
    const std::string command = std::string("'") + KVX_SKIN_GENERATOR + "' '" + folder.string() + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

std::vector<std::string> SheetFiles()
{
    std::vector<std::string> files = {"panel.png", "button.png", "lamp.png", "hint.png"};
    for (int band = 1; band <= 10; ++band)
    {
        files.push_back((band < 10 ? "fader0" : "fader") + std::to_string(band) + ".png");
    }
    return files;
}

TEST(SkinGenerator, RedrawsTheCommittedSheetsByteForByte)
{
    ScratchFolder scratch("redraw");
    ASSERT_EQ(RunGenerator(scratch.Path()), 0);
    for (const std::string& file : SheetFiles())
    {
        SCOPED_TRACE(file);
        const auto drawn = ReadBytes(scratch.Path() / file);
        const auto committed = ReadBytes(ImageDir() / file);
        ASSERT_FALSE(drawn.empty());
        EXPECT_TRUE(drawn == committed) << "the committed sheet is stale: rebuild the target kvx_skin_images";
    }
    std::size_t written = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(scratch.Path()))
    {
        ++written;
    }
    EXPECT_EQ(written, SheetFiles().size()) << "the generator writes exactly the skin's sheets";
}

TEST(SkinGenerator, FailsWhenTheOutputFolderIsMissing)
{
    ScratchFolder scratch("missing");
    EXPECT_NE(RunGenerator(scratch.Path() / "no" / "such" / "folder"), 0);
}
} // namespace
