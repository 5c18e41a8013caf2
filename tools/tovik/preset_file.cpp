// SPDX-License-Identifier: GPL-3.0-or-later
#include "preset_file.h"

#include "output_file.h"

#include "formats/byte_order.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace KVX::Tovik
{
namespace
{
// Far beyond any real program; keeps a hostile size field from asking for gigabytes.
constexpr std::size_t kMaxFileBytes = 64u << 20;
} // namespace

std::vector<std::uint8_t> EncodeProgram(const ProgramFile& program)
{
    return Formats::Fxp::Encode(program);
}

bool DecodeProgram(const std::vector<std::uint8_t>& bytes, ProgramFile& program, std::string& error)
{
    using Formats::Fxp::DecodeError;
    switch (Formats::Fxp::Decode(bytes.data(), bytes.size(), program))
    {
    case DecodeError::None:
        return true;
    case DecodeError::NotAPresetFile:
        error = "not a preset file";
        break;
    case DecodeError::HeaderIncomplete:
        error = "truncated preset file (header incomplete)";
        break;
    case DecodeError::Bank:
        error = "a bank of programs, not a single program";
        break;
    case DecodeError::UnknownKind:
        error = "unknown preset kind '" + std::string(bytes.begin() + 8, bytes.begin() + 12) + "'";
        break;
    case DecodeError::FileIncomplete:
    {
        const std::uint64_t promised =
            static_cast<std::uint64_t>(Formats::GetBigEndian32(bytes.data() + 4)) + 8;
        error = "truncated preset file (" + std::to_string(bytes.size()) + " bytes, header promises " +
                std::to_string(promised) + ")";
        break;
    }
    case DecodeError::ChunkIncomplete:
        error = "truncated preset file (chunk incomplete)";
        break;
    case DecodeError::ValuesIncomplete:
        error = "truncated preset file (parameter values incomplete)";
        break;
    }
    return false;
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

std::string StemOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    std::string stem = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0)
    {
        stem.resize(dot);
    }
    return stem;
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
