#include "preset_file.h"

#include "output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace KVX::Tovik
{
namespace
{
constexpr std::size_t kNameOffset = 28;
constexpr std::size_t kNameBytes = 28;
constexpr std::size_t kBodyOffset = 56;
constexpr std::size_t kChunkOffset = 60;
// Far beyond any real program; keeps a hostile size field from asking for gigabytes.
constexpr std::size_t kMaxFileBytes = 64u << 20;

void Put(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint32_t Get(const std::vector<std::uint8_t>& in, std::size_t offset)
{
    return static_cast<std::uint32_t>(in[offset]) << 24 | static_cast<std::uint32_t>(in[offset + 1]) << 16 |
           static_cast<std::uint32_t>(in[offset + 2]) << 8 | static_cast<std::uint32_t>(in[offset + 3]);
}

std::uint32_t Code(const char* text)
{
    return static_cast<std::uint32_t>(CCONST(text[0], text[1], text[2], text[3]));
}
} // namespace

std::vector<std::uint8_t> EncodeProgram(const ProgramFile& program)
{
    std::vector<std::uint8_t> out;
    Put(out, Code("CcnK"));
    Put(out, 0); // size, filled in below
    Put(out, Code(program.opaque ? "FPCh" : "FxCk"));
    Put(out, 1);
    Put(out, static_cast<std::uint32_t>(program.pluginId));
    Put(out, static_cast<std::uint32_t>(program.pluginVersion));
    Put(out, program.opaque ? 1u : static_cast<std::uint32_t>(program.parameters.size()));
    std::uint8_t name[kNameBytes] = {};
    std::memcpy(name, program.name.data(), std::min(program.name.size(), kNameBytes - 1));
    out.insert(out.end(), name, name + kNameBytes);
    if (program.opaque)
    {
        Put(out, static_cast<std::uint32_t>(program.chunk.size()));
        out.insert(out.end(), program.chunk.begin(), program.chunk.end());
    }
    else
    {
        for (float value : program.parameters)
        {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            Put(out, bits);
        }
    }
    const auto size = static_cast<std::uint32_t>(out.size() - 8);
    for (int k = 0; k < 4; ++k)
    {
        out[4 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(size >> (24 - 8 * k));
    }
    return out;
}

bool DecodeProgram(const std::vector<std::uint8_t>& bytes, ProgramFile& program, std::string& error)
{
    if (bytes.size() < 8 || Get(bytes, 0) != Code("CcnK"))
    {
        error = "not a preset file";
        return false;
    }
    if (bytes.size() < kBodyOffset)
    {
        error = "truncated preset file (header incomplete)";
        return false;
    }
    const std::uint32_t kind = Get(bytes, 8);
    if (kind == Code("FBCh") || kind == Code("FxBk"))
    {
        error = "a bank of programs, not a single program";
        return false;
    }
    if (kind != Code("FPCh") && kind != Code("FxCk"))
    {
        error = "unknown preset kind '" + std::string(bytes.begin() + 8, bytes.begin() + 12) + "'";
        return false;
    }
    if (static_cast<std::uint64_t>(Get(bytes, 4)) + 8 > bytes.size())
    {
        error = "truncated preset file (" + std::to_string(bytes.size()) + " bytes, header promises " +
                std::to_string(static_cast<std::uint64_t>(Get(bytes, 4)) + 8) + ")";
        return false;
    }
    program = ProgramFile{};
    program.pluginId = static_cast<VstInt32>(Get(bytes, 16));
    program.pluginVersion = static_cast<VstInt32>(Get(bytes, 20));
    for (std::size_t i = 0; i < kNameBytes && bytes[kNameOffset + i] != 0; ++i)
    {
        program.name.push_back(static_cast<char>(bytes[kNameOffset + i]));
    }
    program.opaque = kind == Code("FPCh");
    if (program.opaque)
    {
        if (bytes.size() < kChunkOffset || Get(bytes, kBodyOffset) > bytes.size() - kChunkOffset)
        {
            error = "truncated preset file (chunk incomplete)";
            return false;
        }
        const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(kChunkOffset);
        program.chunk.assign(begin, begin + static_cast<std::ptrdiff_t>(Get(bytes, kBodyOffset)));
        return true;
    }
    const std::uint64_t count = Get(bytes, 24);
    if (kBodyOffset + 4 * count > bytes.size())
    {
        error = "truncated preset file (parameter values incomplete)";
        return false;
    }
    for (std::uint64_t i = 0; i < count; ++i)
    {
        const std::uint32_t bits = Get(bytes, kBodyOffset + 4 * i);
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        program.parameters.push_back(value);
    }
    return true;
}

bool ReadProgramFile(const std::string& path, ProgramFile& program, std::string& error)
{
    // A FIFO without a writer must not hold tovik for ever: it opens at once and reads as empty.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
    {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr)
    {
        close(fd);
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0 && bytes.size() <= kMaxFileBytes)
    {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    const bool failed = std::ferror(file) != 0;
    const int reason = errno;
    std::fclose(file);
    if (failed)
    {
        error = "cannot read " + path + ": " + std::strerror(reason);
        return false;
    }
    if (bytes.size() > kMaxFileBytes)
    {
        error = path + " is too large to be a preset file";
        return false;
    }
    if (!DecodeProgram(bytes, program, error))
    {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool WriteProgramFile(const std::string& path, const ProgramFile& program, std::string& error)
{
    OutputFile output;
    if (!output.Create(path, error))
    {
        return false;
    }
    const std::vector<std::uint8_t> bytes = EncodeProgram(program);
    return output.Write(bytes.data(), bytes.size(), error) && output.Commit(error);
}
} // namespace KVX::Tovik
