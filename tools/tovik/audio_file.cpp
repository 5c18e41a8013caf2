// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_file.h"

#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
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
    // Without O_NONBLOCK, opening a FIFO that has no writer waits for ever; with it, such a FIFO reads as
    // empty. Reads block again once the file is open, as a stream's reader expects.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
    {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat status
    {
    };
    if (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode))
    {
        close(fd);
        error = path + " is a folder, not a sound file tovik can read";
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    SF_INFO info{};
    m_File = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (m_File == nullptr)
    {
        // libsndfile has closed the descriptor it was given.
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
    // Only a file can be measured against its header; a stream's end shows while reading.
    if (S_ISREG(status.st_mode) && DataChunkOverrunsFile(path))
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

namespace
{
struct ContainerName
{
    const char* name;
    int major;
    // The sample type tried first, 0 for the input's.
    int preferred;
};

// Extensions libsndfile's own table leaves out or gives to a rarer container first.
constexpr ContainerName kContainerAliases[] = {
    {"wav", SF_FORMAT_WAV, 0},   {"wave", SF_FORMAT_WAV, 0}, {"aif", SF_FORMAT_AIFF, 0},
    {"aifc", SF_FORMAT_AIFF, 0}, {"ogg", SF_FORMAT_OGG, 0},  {"opus", SF_FORMAT_OGG, SF_FORMAT_OPUS},
    {"snd", SF_FORMAT_AU, 0},    {"mat", SF_FORMAT_MAT5, 0},
};

// Sample types to fall back on, best first, when the container does not take the input's.
constexpr int kFallbackTypes[] = {SF_FORMAT_PCM_24, SF_FORMAT_PCM_16, SF_FORMAT_FLOAT,  SF_FORMAT_VORBIS,
                                  SF_FORMAT_OPUS,   SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8, SF_FORMAT_ULAW};

std::string Lower(std::string text)
{
    for (char& c : text)
    {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// libsndfile's containers that it can write, with their extensions.
std::vector<std::pair<std::string, int>> MajorFormats()
{
    std::vector<std::pair<std::string, int>> out;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i)
    {
        SF_FORMAT_INFO entry{};
        entry.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &entry, sizeof entry) == 0 &&
            entry.extension != nullptr)
        {
            out.emplace_back(Lower(entry.extension), entry.format);
        }
    }
    return out;
}

bool FindContainer(const std::string& name, int inputMajor, int& major, int& preferred)
{
    const std::string key = Lower(name);
    preferred = 0;
    const auto formats = MajorFormats();
    // The input's own container when it answers to the name: a render keeps what it was given.
    for (const auto& [extension, format] : formats)
    {
        if (extension == key && format == inputMajor)
        {
            major = format;
            return true;
        }
    }
    for (const auto& alias : kContainerAliases)
    {
        if (key == alias.name)
        {
            major = alias.major;
            preferred = alias.preferred;
            return true;
        }
    }
    for (const auto& [extension, format] : formats)
    {
        if (extension == key)
        {
            major = format;
            return true;
        }
    }
    return false;
}

bool Writable(int format, const AudioFormat& input)
{
    SF_INFO info{};
    info.samplerate = input.sampleRate;
    info.channels = input.channels;
    info.format = format;
    return sf_format_check(&info) != 0;
}
} // namespace

int IntegerBits(int format)
{
    switch (format & SF_FORMAT_SUBMASK)
    {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_DPCM_8:
        return 8;
    case SF_FORMAT_DWVW_12:
        return 12;
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_ALAC_16:
    case SF_FORMAT_DWVW_16:
    case SF_FORMAT_DPCM_16:
        return 16;
    case SF_FORMAT_ALAC_20:
        return 20;
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_ALAC_24:
    case SF_FORMAT_DWVW_24:
        return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ALAC_32:
        return 32;
    default:
        return 0;
    }
}

bool IsFloatFormat(int format)
{
    const int type = format & SF_FORMAT_SUBMASK;
    return type == SF_FORMAT_FLOAT || type == SF_FORMAT_DOUBLE;
}

bool IsFormatName(const std::string& name)
{
    int major = 0;
    int preferred = 0;
    return FindContainer(name, 0, major, preferred);
}

std::string WritableFormatNames()
{
    std::string names;
    std::vector<std::string> seen;
    for (const auto& [extension, format] : MajorFormats())
    {
        if (std::find(seen.begin(), seen.end(), extension) == seen.end())
        {
            seen.push_back(extension);
            names += (names.empty() ? "" : ", ") + extension;
        }
    }
    for (const auto& alias : kContainerAliases)
    {
        if (std::find(seen.begin(), seen.end(), alias.name) == seen.end())
        {
            seen.emplace_back(alias.name);
            names += std::string(", ") + alias.name;
        }
    }
    return names;
}

bool ChooseOutputFormat(const std::string& path, const std::optional<std::string>& formatName,
                        const AudioFormat& input, AudioFormat& output, std::string& error)
{
    output = input;
    std::string name;
    if (formatName)
    {
        name = *formatName;
    }
    else
    {
        const auto slash = path.rfind('/');
        const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
        const auto dot = base.rfind('.');
        if (dot == std::string::npos || dot == 0 || dot + 1 == base.size())
        {
            // No extension (a device, a FIFO, a bare name): the input's format as it is.
            return true;
        }
        name = base.substr(dot + 1);
    }
    const int inputMajor = input.format & SF_FORMAT_TYPEMASK;
    int major = 0;
    int preferred = 0;
    if (!FindContainer(name, inputMajor, major, preferred))
    {
        error = formatName ? "--format takes one of " + WritableFormatNames() + ", not '" + name + "'"
                           : "cannot write " + path + ": tovik knows no sound format for the extension ." +
                                 name + " (--format names one)";
        return false;
    }
    // The byte order stays only where the container stays.
    const int endian = major == inputMajor ? (input.format & SF_FORMAT_ENDMASK) : 0;
    std::vector<int> types;
    if (preferred != 0)
    {
        types.push_back(preferred);
    }
    types.push_back(input.format & SF_FORMAT_SUBMASK);
    for (int type : kFallbackTypes)
    {
        types.push_back(type);
    }
    for (int type : types)
    {
        if (Writable(major | type | endian, input))
        {
            output.format = major | type | endian;
            return true;
        }
    }
    error = "cannot write " + path + ": libsndfile writes no " + FormatName(major, SF_FORMAT_TYPEMASK) +
            " with " + std::to_string(input.channels) + " channels at " + std::to_string(input.sampleRate) +
            " Hz";
    return false;
}

AudioWriter::~AudioWriter()
{
    if (m_File != nullptr)
    {
        sf_close(m_File);
    }
}

sf_count_t AudioWriter::Length(void* self)
{
    struct stat status
    {
    };
    return fstat(static_cast<AudioWriter*>(self)->m_Output->Descriptor(), &status) == 0 ? status.st_size : 0;
}

sf_count_t AudioWriter::Seek(sf_count_t offset, int whence, void* self)
{
    return lseek(static_cast<AudioWriter*>(self)->m_Output->Descriptor(), offset, whence);
}

sf_count_t AudioWriter::ReadBytes(void* ptr, sf_count_t count, void* self)
{
    const ssize_t got =
        read(static_cast<AudioWriter*>(self)->m_Output->Descriptor(), ptr, static_cast<std::size_t>(count));
    return got < 0 ? 0 : got;
}

sf_count_t AudioWriter::WriteBytes(const void* ptr, sf_count_t count, void* self)
{
    auto* writer = static_cast<AudioWriter*>(self);
    const auto* bytes = static_cast<const char*>(ptr);
    sf_count_t done = 0;
    while (done < count)
    {
        const ssize_t written =
            write(writer->m_Output->Descriptor(), bytes + done, static_cast<std::size_t>(count - done));
        if (written < 0 && errno == EINTR)
        {
            continue;
        }
        if (written <= 0)
        {
            writer->m_WriteErrno = written < 0 ? errno : ENOSPC;
            break;
        }
        done += written;
    }
    return done;
}

sf_count_t AudioWriter::Tell(void* self)
{
    return lseek(static_cast<AudioWriter*>(self)->m_Output->Descriptor(), 0, SEEK_CUR);
}

std::string AudioWriter::Failure(const char* what) const
{
    if (m_WriteErrno != 0)
    {
        return m_Output->Failure(m_WriteErrno);
    }
    return std::string("cannot ") + what + " " + m_Output->Destination() + ": " + sf_strerror(m_File);
}

bool AudioWriter::Open(OutputFile& output, const AudioFormat& format, bool dither, std::string& error)
{
    m_Output = &output;
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
    m_Bits = IntegerBits(format.format);
    m_Float = IsFloatFormat(format.format);
    m_Dither = dither && m_Bits > 0;
    if (lseek(output.Descriptor(), 0, SEEK_CUR) >= 0)
    {
        // Through our own calls, so that a failing write keeps its reason.
        SF_VIRTUAL_IO io{Length, Seek, ReadBytes, WriteBytes, Tell};
        m_File = sf_open_virtual(&io, SFM_WRITE, &info, this);
    }
    else
    {
        // A pipe cannot seek back to finish a header; libsndfile writes such streams itself.
        const int fd = dup(output.Descriptor());
        m_File = fd >= 0 ? sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE) : nullptr;
    }
    if (m_File == nullptr)
    {
        error = m_WriteErrno != 0 ? output.Failure(m_WriteErrno)
                                  : "cannot write " + output.Destination() + ": " + sf_strerror(nullptr);
        return false;
    }
    sf_command(m_File, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // The peak chunk carries the time of writing; without it the same render gives the same bytes.
    sf_command(m_File, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    return true;
}

bool AudioWriter::Write(const float* interleaved, std::int64_t frames, std::string& error)
{
    SF_INFO info{};
    sf_command(m_File, SFC_GET_CURRENT_SF_INFO, &info, sizeof info);
    const auto samples = static_cast<std::size_t>(frames) * static_cast<std::size_t>(info.channels);
    // One step of the sample type, and the largest value it holds (its negative limit is -1).
    const double step = m_Bits > 0 ? std::ldexp(1.0, 1 - m_Bits) : 0.0;
    const double highest = m_Bits > 0 ? 1.0 - step : 1.0;
    if (m_Dither)
    {
        m_Scratch.resize(samples);
    }
    for (std::size_t i = 0; i < samples; ++i)
    {
        double value = interleaved[i];
        m_Peak = std::max(m_Peak, std::fabs(interleaved[i]));
        if (m_Dither)
        {
            // The difference of two uniform values is triangular over two steps.
            auto uniform = [this]
            {
                m_DitherState ^= m_DitherState << 13;
                m_DitherState ^= m_DitherState >> 17;
                m_DitherState ^= m_DitherState << 5;
                return static_cast<double>(m_DitherState) / 4294967296.0;
            };
            value += (uniform() - uniform()) * step;
            m_Scratch[i] = value;
        }
        // A value rounds into the sample type's range until it passes half a step beyond it.
        if (!m_Float && (value >= highest + 0.5 * step || value < -1.0 - 0.5 * step))
        {
            ++m_Clipped;
        }
    }
    const sf_count_t written = m_Dither ? sf_writef_double(m_File, m_Scratch.data(), frames)
                                        : sf_writef_float(m_File, interleaved, frames);
    if (written != frames)
    {
        error = Failure("write");
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
    if (code != 0 || m_WriteErrno != 0)
    {
        error = m_WriteErrno != 0 ? m_Output->Failure(m_WriteErrno)
                                  : "cannot finish " + m_Output->Destination() + ": " + sf_error_number(code);
        return false;
    }
    return true;
}
} // namespace KVX::Tovik
