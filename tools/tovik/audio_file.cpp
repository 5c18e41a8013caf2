#include "audio_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace KVX::Tovik
{
namespace
{
std::uint32_t Little32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint32_t Big32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[3]) | static_cast<std::uint32_t>(p[2]) << 8 |
           static_cast<std::uint32_t>(p[1]) << 16 | static_cast<std::uint32_t>(p[0]) << 24;
}

std::string FormatName(int format, int mask)
{
    const int command = mask == SF_FORMAT_TYPEMASK ? SFC_GET_FORMAT_MAJOR : SFC_GET_FORMAT_SUBTYPE;
    // libsndfile looks formats up by index only; walk its table.
    int count = 0;
    sf_command(nullptr,
               mask == SF_FORMAT_TYPEMASK ? SFC_GET_FORMAT_MAJOR_COUNT : SFC_GET_FORMAT_SUBTYPE_COUNT, &count,
               sizeof count);
    for (int i = 0; i < count; ++i)
    {
        SF_FORMAT_INFO entry{};
        entry.format = i;
        if (sf_command(nullptr, command, &entry, sizeof entry) == 0 && entry.format == (format & mask))
        {
            return entry.name != nullptr ? entry.name : "";
        }
    }
    return "format 0x" + [&]
    {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X", format & mask);
        return std::string(hex);
    }();
}
} // namespace

std::string DescribeFormat(int format)
{
    return FormatName(format, SF_FORMAT_TYPEMASK) + ", " + FormatName(format, SF_FORMAT_SUBMASK);
}

bool DataChunkOverrunsFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        return false;
    }
    file.seekg(0, std::ios::end);
    const auto size = static_cast<std::uint64_t>(file.tellg());
    file.seekg(0);
    unsigned char head[12];
    if (size < 12 || !file.read(reinterpret_cast<char*>(head), 12))
    {
        return false;
    }
    const bool wave = std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
    const bool aiff = std::memcmp(head, "FORM", 4) == 0 &&
                      (std::memcmp(head + 8, "AIFF", 4) == 0 || std::memcmp(head + 8, "AIFC", 4) == 0);
    if (!wave && !aiff)
    {
        return false;
    }
    const char* dataId = wave ? "data" : "SSND";
    std::uint64_t offset = 12;
    while (offset + 8 <= size)
    {
        unsigned char chunk[8];
        file.seekg(static_cast<std::streamoff>(offset));
        if (!file.read(reinterpret_cast<char*>(chunk), 8))
        {
            return false;
        }
        const std::uint32_t length = wave ? Little32(chunk + 4) : Big32(chunk + 4);
        const std::uint64_t available = size - (offset + 8);
        if (std::memcmp(chunk, dataId, 4) == 0)
        {
            // Writers that stream leave the length open (0 or all ones); nothing is promised then.
            return length != 0 && length != 0xFFFFFFFFu && length > available;
        }
        offset += 8 + static_cast<std::uint64_t>(length) + (length & 1u);
    }
    return false;
}

AudioReader::~AudioReader()
{
    if (m_File != nullptr)
    {
        sf_close(m_File);
    }
}

bool AudioReader::Open(const std::string& path, std::string& error)
{
    m_Path = path;
    SF_INFO info{};
    m_File = sf_open(path.c_str(), SFM_READ, &info);
    if (m_File == nullptr)
    {
        std::FILE* probe = std::fopen(path.c_str(), "rb");
        if (probe == nullptr)
        {
            error = "cannot open " + path + ": " + std::strerror(errno);
            return false;
        }
        std::fclose(probe);
        error = path + " is not a sound file tovik can read (" + sf_strerror(nullptr) + ")";
        return false;
    }
    m_Format.sampleRate = info.samplerate;
    m_Format.channels = info.channels;
    m_Format.format = info.format;
    m_Format.frames = info.frames;
    if (info.channels < 1)
    {
        error = path + " has no channels";
        return false;
    }
    if (info.frames <= 0)
    {
        error = path + " holds no audio frames";
        return false;
    }
    if (DataChunkOverrunsFile(path))
    {
        error = path + " is truncated: its header promises more audio than the file holds";
        return false;
    }
    return true;
}

bool AudioReader::Read(float* interleaved, std::int64_t frames, std::int64_t& read, std::string& error)
{
    read = 0;
    const std::int64_t wanted = std::min<std::int64_t>(frames, m_Format.frames - m_Position);
    if (wanted <= 0)
    {
        return true;
    }
    read = sf_readf_float(m_File, interleaved, wanted);
    m_Position += read;
    if (read < wanted)
    {
        // A cut-off compressed file reads as a decoding error, a cut-off raw one as an early end.
        const int code = sf_error(m_File);
        error = m_Path + " is truncated or damaged: its audio ends after " + std::to_string(m_Position) +
                " of " + std::to_string(m_Format.frames) + " frames";
        if (code != SF_ERR_NO_ERROR)
        {
            error += std::string(" (") + sf_error_number(code) + ")";
        }
        return false;
    }
    return true;
}

AudioWriter::~AudioWriter()
{
    if (m_File != nullptr)
    {
        sf_close(m_File);
    }
}

bool AudioWriter::Open(const std::string& path, const AudioFormat& format, std::string& error)
{
    m_Path = path;
    SF_INFO info{};
    info.samplerate = format.sampleRate;
    info.channels = format.channels;
    info.format = format.format;
    if (sf_format_check(&info) == 0)
    {
        error = "cannot write " + DescribeFormat(format.format) + " with " + std::to_string(format.channels) +
                " channels at " + std::to_string(format.sampleRate) + " Hz";
        return false;
    }
    m_File = sf_open(path.c_str(), SFM_WRITE, &info);
    if (m_File == nullptr)
    {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    sf_command(m_File, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // The peak chunk carries the time of writing; without it the same render gives the same bytes.
    sf_command(m_File, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    return true;
}

bool AudioWriter::Write(const float* interleaved, std::int64_t frames, std::string& error)
{
    if (sf_writef_float(m_File, interleaved, frames) != frames)
    {
        error = "cannot write " + m_Path + ": " + sf_strerror(m_File);
        return false;
    }
    return true;
}

bool AudioWriter::Close(std::string& error)
{
    if (m_File == nullptr)
    {
        return true;
    }
    const int code = sf_close(m_File);
    m_File = nullptr;
    if (code != 0)
    {
        error = "cannot finish " + m_Path + ": " + sf_error_number(code);
        return false;
    }
    return true;
}
} // namespace KVX::Tovik
