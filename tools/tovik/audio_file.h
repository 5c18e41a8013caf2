#pragma once
// Sound files through libsndfile (WAV, FLAC, AIFF and whatever else it reads), as interleaved floats.
#include <sndfile.h>

#include <cstdint>
#include <string>

namespace KVX::Tovik
{
struct AudioFormat
{
    int sampleRate = 0;
    int channels = 0;
    // libsndfile's container | sample type | byte order.
    int format = 0;
    std::int64_t frames = 0;
};

class AudioReader
{
public:
    AudioReader() = default;
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;
    ~AudioReader();

    // Opens a sound file with at least one frame whose data is all present. False with `error` set for a
    // missing or unreadable file, one that is not audio, a truncated one and an empty one.
    bool Open(const std::string& path, std::string& error);
    const AudioFormat& Format() const { return m_Format; }
    // Reads the next `frames` interleaved frames, fewer only at the end of the file. False with `error`
    // set when the file ends before the frames it declares or cannot be read.
    bool Read(float* interleaved, std::int64_t frames, std::int64_t& read, std::string& error);

private:
    SNDFILE* m_File = nullptr;
    std::string m_Path;
    AudioFormat m_Format;
    std::int64_t m_Position = 0;
};

class AudioWriter
{
public:
    AudioWriter() = default;
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;
    ~AudioWriter();

    // Integer sample types clip rather than wrap what lies beyond full scale.
    bool Open(const std::string& path, const AudioFormat& format, std::string& error);
    bool Write(const float* interleaved, std::int64_t frames, std::string& error);
    bool Close(std::string& error);

private:
    SNDFILE* m_File = nullptr;
    std::string m_Path;
};

// "WAV, 32-bit float" and the like, for messages.
std::string DescribeFormat(int format);

// Whether the container's header promises more sample data than the file holds; libsndfile itself
// quietly reads such a file as a shorter one. Knows WAV and AIFF; says false for anything else.
bool DataChunkOverrunsFile(const std::string& path);
} // namespace KVX::Tovik
