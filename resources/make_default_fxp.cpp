// Writes the default program: a single-program preset with an opaque chunk, all ten bands at their
// centre (0.5) and IN on (1.0).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 0; shift <= 24; shift += 8)
    {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

constexpr std::uint32_t FourCC(const char (&code)[5])
{
    return (std::uint32_t(std::uint8_t(code[0])) << 24) | (std::uint32_t(std::uint8_t(code[1])) << 16) |
           (std::uint32_t(std::uint8_t(code[2])) << 8) | std::uint32_t(std::uint8_t(code[3]));
}

std::uint32_t FloatBits(float f)
{
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3)
    {
        std::fprintf(stderr, "usage: %s OUTPUT.fxp [PLUGIN-ID]\n", argv[0]);
        return 2;
    }
    // The plug-in code is 'Tvk1'; tests give another one to make a preset meant for another plug-in.
    std::uint32_t pluginId = FourCC("Tvk1");
    if (argc == 3 && std::strlen(argv[2]) == 4)
    {
        char code[5] = {argv[2][0], argv[2][1], argv[2][2], argv[2][3], 0};
        pluginId = FourCC(code);
    }

    std::vector<std::uint8_t> chunk;
    for (std::uint32_t index = 0; index < 11; ++index)
    {
        PutLittleEndian(chunk, index);
        PutLittleEndian(chunk, FloatBits(index < 10 ? 0.5f : 1.0f));
    }

    std::vector<std::uint8_t> file;
    PutBigEndian(file, FourCC("CcnK"));
    PutBigEndian(file, 0); // byte size, patched below
    PutBigEndian(file, FourCC("FPCh"));
    PutBigEndian(file, 1);    // format version
    PutBigEndian(file, pluginId);
    PutBigEndian(file, 1000); // plug-in version
    PutBigEndian(file, 1);    // numParams

    // The name field is 28 bytes; the loader stops at the first zero. The bytes after it are left as
    // they stood in the authoring tool's buffer, so they are not all zero.
    const char name[28] = {'D', 'e', 'f', 'a', 'u', 'l', 't', '\0', 'a', 'u', 'l', 't', ' ', 'P',
                           'r', 'o', 'g', 'r', 'a', 'm', ' ', '1', '\0', '\0', '\0', '\0', '\0', '\0'};
    file.insert(file.end(), name, name + sizeof name);

    PutBigEndian(file, static_cast<std::uint32_t>(chunk.size()));
    file.insert(file.end(), chunk.begin(), chunk.end());

    const auto byteSize = static_cast<std::uint32_t>(file.size() - 8);
    for (int k = 0; k < 4; ++k)
    {
        file[4 + k] = static_cast<std::uint8_t>(byteSize >> (24 - 8 * k));
    }

    std::FILE* f = std::fopen(argv[1], "wb");
    if (f == nullptr || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0)
    {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return file.size() == 148 ? 0 : 1;
}
