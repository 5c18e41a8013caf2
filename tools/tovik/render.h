// SPDX-License-Identifier: GPL-3.0-or-later
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
    // The plug-in to take from an LV2 bundle that holds several.
    std::optional<std::string> uri;
    std::optional<std::string> id;
    std::string input;
    std::string output;
    std::optional<std::string> preset;
    std::vector<std::string> sets;
    // The output's container by name (`--format`); else its extension decides.
    std::optional<std::string> format;
    // Triangular noise of one step before integer samples are rounded.
    bool dither = false;
    int blockSize = 512;
    // Silence processed and thrown away before the file, in whole blocks: the plug-in's parameter
    // smoothing finishes there, so the file hears the settings from its first sample on.
    double prerollSeconds = 0.5;
};

// The output has the input's channel count and sample rate, and the format its extension names (or the
// input's, where it names none). A mono file feeds the plug-in's first
// two inputs and takes its first output; a stereo file given to a plug-in with a single input or output is
// run through one instance per channel. Files with more than two channels are refused. The output appears
// only when complete, with as many frames as the input. False with a one-line `error`; `warning` is set
// when integer samples clipped.
bool RenderFile(const RenderRequest& request, std::string& error, std::string* warning = nullptr);
} // namespace KVX::Tovik
