#pragma once
// One loaded plug-in driven the way a host drives it: opened, told the sample rate and block size,
// switched on, fed blocks, switched off and closed.
#include "host/plugin_host.h"

#include <memory>
#include <string>
#include <vector>

namespace KVX::Tovik
{
class Session
{
public:
    // Any more channels than this and the record is not believed.
    static constexpr int kMaxChannels = 64;
    static constexpr long kMaxBlockSize = 32768;

    // Loads the plug-in and sends effOpen. Null with a one-line `error` when the file is not a usable
    // VST 2.4 plug-in.
    static std::unique_ptr<Session> Open(const std::string& path, std::string& error);
    ~Session();

    Host::Plugin& Plugin() { return *m_Plugin; }
    const AEffect& Effect() const { return *m_Plugin->Effect(); }
    std::string Name() const;
    int Inputs() const { return m_Inputs; }
    int Outputs() const { return m_Outputs; }

    // Sample rate, block size, then switched on; allocates one block per input and output.
    void Start(double sampleRate, int blockSize);
    // Switched off again; Start may follow.
    void Stop();
    bool Running() const { return m_Running; }
    int BlockSize() const { return m_BlockSize; }

    // The session's own block buffers, filled by the caller before Process and read after it.
    float* Input(int channel) { return m_InputBuffers[static_cast<std::size_t>(channel)].data(); }
    const float* Output(int channel) const
    {
        return m_OutputBuffers[static_cast<std::size_t>(channel)].data();
    }
    void ClearInputs();
    // Processes `frames` (at most the block size) from the session's buffers.
    void Process(int frames);
    // Processes caller-owned channel arrays of Inputs() and Outputs() pointers.
    void Process(float* const* inputs, float* const* outputs, int frames);

private:
    Session() = default;
    bool ReadChannelCounts(const std::string& path, std::string& error);

    std::unique_ptr<Host::Plugin> m_Plugin;
    int m_Inputs = 0;
    int m_Outputs = 0;
    int m_BlockSize = 0;
    bool m_Running = false;
    std::vector<std::vector<float>> m_InputBuffers;
    std::vector<std::vector<float>> m_OutputBuffers;
    std::vector<float*> m_InputPointers;
    std::vector<float*> m_OutputPointers;
};
} // namespace KVX::Tovik
