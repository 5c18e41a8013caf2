#pragma once
// Streaming a sound file through a plug-in into a new file of the same format.
#include <optional>
#include <string>
#include <vector>

namespace KVX::Tovik
{
struct RenderRequest
{
    std::string plugin;
    std::string input;
    std::string output;
    std::optional<std::string> preset;
    std::vector<std::string> sets;
    int blockSize = 512;
    // Silence processed and thrown away before the file, in whole blocks: the plug-in's parameter
    // smoothing finishes there, so the file hears the settings from its first sample on.
    double prerollSeconds = 0.5;
};

// The output has the input's channel count, sample rate and format. A mono file feeds the plug-in's first
// two inputs and takes its first output; a stereo file given to a plug-in with a single input or output is
// run through one instance per channel. Files with more than two channels are refused. The output appears
// only when complete, with as many frames as the input. False with a one-line `error`.
bool RenderFile(const RenderRequest& request, std::string& error);
} // namespace KVX::Tovik
