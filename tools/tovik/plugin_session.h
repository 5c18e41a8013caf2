// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One loaded plug-in driven the way a host drives it: opened, told the sample rate and block size,
// switched on, fed blocks, switched off and closed. The commands see only this interface; a VST 2.4
// plug-in, an LV2 plug-in and a CLAP plug-in each have an implementation of it.
#include "settings.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace KVX::Host
{
class Plugin;
}

namespace KVX::Tovik
{
class ClapPlugin;

// Which plug-in to open and how it will run. A path ending in ".clap" is a CLAP file; another path that
// exists is a VST shared object or an LV2 bundle folder; anything else shaped like a URI ("urn:…",
// "http://…") names an installed LV2 plug-in.
struct PluginChoice
{
    std::string plugin;
    // The plug-in to take from an LV2 bundle that holds several.
    std::optional<std::string> uri;
    // The plug-in to take from a CLAP file that holds several.
    std::optional<std::string> id;
    // LV2 plug-ins are instantiated at this rate and told that no block exceeds this size.
    double sampleRate = 48000.0;
    int maxBlockSize = 512;
};

class Session
{
public:
    // Any more channels than this and the plug-in is not believed.
    static constexpr int kMaxChannels = 64;
    static constexpr long kMaxBlockSize = 32768;

    // Null with a one-line `error` when the plug-in cannot be found, loaded or run.
    static std::unique_ptr<Session> Open(const PluginChoice& choice, std::string& error);
    virtual ~Session() = default;

    virtual std::string Name() const = 0;
    int Inputs() const { return m_Inputs; }
    int Outputs() const { return m_Outputs; }

    // The parameters as --set addresses them, and setting one of them.
    virtual ParameterNames Parameters() const = 0;
    virtual void SetParameter(const Setting& setting) = 0;

    // The identity and parameter (or port) table that `tovik info` prints.
    virtual void PrintInfo() const = 0;
    // The VST plug-in behind the session, for what only VST has (preset files, editors); null otherwise.
    virtual Host::Plugin* Vst() { return nullptr; }
    // The CLAP plug-in behind the session, for its editor; null otherwise.
    virtual ClapPlugin* ClapInstance() { return nullptr; }

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
    // Processes caller-owned channel arrays of Inputs() and Outputs() pointers, at most the block size.
    virtual void Process(float* const* inputs, float* const* outputs, int frames) = 0;

protected:
    Session() = default;
    virtual void OnStart(double sampleRate, int blockSize) = 0;
    virtual void OnStop() = 0;

    int m_Inputs = 0;
    int m_Outputs = 0;

private:
    int m_BlockSize = 0;
    bool m_Running = false;
    std::vector<std::vector<float>> m_InputBuffers;
    std::vector<std::vector<float>> m_OutputBuffers;
    std::vector<float*> m_InputPointers;
    std::vector<float*> m_OutputPointers;
};

void ApplySettings(Session& session, const std::vector<Setting>& settings);
} // namespace KVX::Tovik
