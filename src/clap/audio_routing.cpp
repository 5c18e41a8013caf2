// SPDX-License-Identifier: GPL-3.0-or-later
#include "clap/audio_routing.h"

#include <algorithm>
#include <cstring>

namespace KVX::Clap
{
namespace
{
struct Source
{
    const float* data = nullptr; // null: a constant channel (or silence) of `value`
    float value = 0.0f;
};

Source SourceOf(const AudioBuffer* in, int channel, std::uint32_t offset)
{
    if (in == nullptr || in->data32 == nullptr || in->channelCount <= static_cast<std::uint32_t>(channel) ||
        in->data32[channel] == nullptr)
    {
        return {};
    }
    const float* data = in->data32[channel];
    if (channel < 64 && (in->constantMask & (std::uint64_t{1} << channel)) != 0)
    {
        return {nullptr, data[0]};
    }
    return {data + offset, 0.0f};
}

void Copy(const Source& source, float* out, std::uint32_t frames)
{
    if (source.data != out)
    {
        std::memmove(out, source.data, frames * sizeof(float));
    }
}
} // namespace

void FillFromInputs(const AudioBuffer* in, std::uint32_t offset, float* left, float* right,
                    std::uint32_t frames) noexcept
{
    // Constant values are captured before anything is written.
    const Source sources[2] = {SourceOf(in, 0, offset), SourceOf(in, 1, offset)};
    float* const outs[2] = {left, right};
    const bool copies[2] = {sources[0].data != nullptr, sources[1].data != nullptr};
    if (copies[0] && copies[1] && sources[0].data == right && sources[1].data == left)
    {
        if (left != right)
        {
            std::swap_ranges(left, left + frames, right);
        }
    }
    else
    {
        // The channel whose input the other's output would overwrite goes first.
        const int first = copies[1] && sources[1].data == left ? 1 : 0;
        for (const int c : {first, 1 - first})
        {
            if (copies[c])
            {
                Copy(sources[c], outs[c], frames);
            }
        }
    }
    for (int c = 0; c < 2; ++c)
    {
        if (!copies[c])
        {
            std::fill(outs[c], outs[c] + frames, sources[c].value);
        }
    }
}
} // namespace KVX::Clap
