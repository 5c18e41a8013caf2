// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sound files through libsndfile (WAV, FLAC, AIFF and whatever else it reads), as interleaved floats.
#include <sndfile.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

class OutputFile;

class AudioWriter
{
public:
    AudioWriter() = default;
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;
    ~AudioWriter();

    // Writes into the open `output`, which must outlive the writer. Integer sample types clip rather than
    // wrap what lies beyond full scale; with `dither`, linear integer types get triangular (TPDF) noise of
    // one step of their resolution first.
    bool Open(OutputFile& output, const AudioFormat& format, bool dither, std::string& error);
    bool Write(const float* interleaved, std::int64_t frames, std::string& error);
    bool Close(std::string& error);

    // The largest magnitude written so far, and how many samples lay beyond what the sample type holds.
    float Peak() const { return m_Peak; }
    std::int64_t ClippedSamples() const { return m_Clipped; }

private:
    static sf_count_t Length(void* self);
    static sf_count_t Seek(sf_count_t offset, int whence, void* self);
    static sf_count_t ReadBytes(void* ptr, sf_count_t count, void* self);
    static sf_count_t WriteBytes(const void* ptr, sf_count_t count, void* self);
    static sf_count_t Tell(void* self);
    std::string Failure(const char* what) const;

    SNDFILE* m_File = nullptr;
    OutputFile* m_Output = nullptr;
    // The system's reason for the last failed write, which libsndfile's own messages lose.
    int m_WriteErrno = 0;
    int m_Bits = 0;
    bool m_Float = false;
    bool m_Dither = false;
    std::uint32_t m_DitherState = 0x7a3c91u;
    float m_Peak = 0.0f;
    std::int64_t m_Clipped = 0;
    std::vector<double> m_Scratch;
};

// Bits of a linear integer sample type (8 to 32), 0 for anything else (floats, companded and compressed
// types).
int IntegerBits(int format);
bool IsFloatFormat(int format);

// The format of an output file: the container named by `formatName` (`--format`), else by the path's
// extension, else the input's; the input's sample type where the container takes it, else the nearest one
// it takes. False with `error` set for a name or extension libsndfile cannot write.
bool ChooseOutputFormat(const std::string& path, const std::optional<std::string>& formatName,
                        const AudioFormat& input, AudioFormat& output, std::string& error);
// Whether `name` names a container ChooseOutputFormat knows (any case).
bool IsFormatName(const std::string& name);
// The names ChooseOutputFormat takes, for help and messages: "wav, aiff, flac, ...".
std::string WritableFormatNames();

// "WAV, 32-bit float" and the like, for messages.
std::string DescribeFormat(int format);

// Whether the container's header promises more sample data than the file holds; libsndfile itself
// quietly reads such a file as a shorter one. Knows WAV and AIFF; says false for anything else.
bool DataChunkOverrunsFile(const std::string& path);
} // namespace KVX::Tovik
