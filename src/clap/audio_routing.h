// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moving the host's input channels into the two buffers the processor filters in place.
#include "clap/clap_abi.h"

#include <cstdint>

namespace KVX::Clap
{
// Fills left and right (frames each, starting at input frame `offset`) from the first two channels of
// `in`. The host may hand the outputs the inputs' own buffers, crossed or not: no input is overwritten
// before it has been read. A channel marked constant holds its first sample throughout; a channel that is
// missing (no input port, fewer channels, null buffers) reads as silence.
void FillFromInputs(const AudioBuffer* in, std::uint32_t offset, float* left, float* right,
                    std::uint32_t frames) noexcept;
} // namespace KVX::Clap
