// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The plug-in's state through the host's streams: exactly the processor's program chunk (eleven
// little-endian (int32 index, float32 value) entries, 88 bytes), the same bytes the VST build stores.
#include "clap/clap_abi.h"
#include "device/description.h"

#include <array>
#include <cstdint>
#include <optional>

namespace KVX::Clap
{
using StateChunk = std::array<std::uint8_t, Device::Description::kChunkBytes>;

// Writes all of `data`, however the stream splits it. False when the stream fails or stops taking bytes.
bool WriteAll(const OStream* stream, const void* data, std::size_t size);

// Reads the stream to its end. Nothing when it fails, when it ends short of a whole chunk, or when it holds
// more than one (a state of some other kind).
std::optional<StateChunk> ReadChunk(const IStream* stream);
} // namespace KVX::Clap
