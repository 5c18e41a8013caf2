// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the default program: a single-program preset with an opaque chunk holding every parameter's
// program default, made for this plug-in (or, for tests, for another one).
#include "device/description.h"
#include "formats/fxp.h"
#include "formats/program_chunk.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace
{
namespace D = KVX::Device::Description;
namespace Fxp = KVX::Formats::Fxp;

// The name field as the authoring tool left it: the name, its zero byte, then what had stood in the
// buffer before, so the bytes after the terminator are not all zero.
Fxp::NameField DefaultNameField()
{
    Fxp::NameField field = Fxp::MakeNameField(D::kDefaultProgramName);
    constexpr char kLeftOver[] = "ault Program 1";
    std::memcpy(field.data() + D::kDefaultProgramName.size() + 1, kLeftOver, sizeof kLeftOver - 1);
    return field;
}
static_assert(D::kDefaultProgramName.size() + 1 + 14 < Fxp::kNameBytes);
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3)
    {
        std::fprintf(stderr, "usage: %s OUTPUT.fxp [PLUGIN-ID]\n", argv[0]);
        return 2;
    }
    // Tests give another four-character code to make a preset meant for another plug-in.
    std::int32_t pluginId = D::kIdentity.uniqueId;
    if (argc == 3 && std::strlen(argv[2]) == 4)
    {
        pluginId = D::FourCharCode(argv[2][0], argv[2][1], argv[2][2], argv[2][3]);
    }

    std::array<std::uint8_t, D::kChunkBytes> chunk{};
    for (const D::Parameter& parameter : D::kParameters)
    {
        KVX::Formats::PutChunkEntry(chunk.data(), static_cast<std::size_t>(parameter.index),
                                    {parameter.index, parameter.programDefault});
    }
    const auto file =
        Fxp::EncodeOpaque(pluginId, D::kIdentity.version, DefaultNameField(), chunk.data(), chunk.size());

    std::FILE* f = std::fopen(argv[1], "wb");
    if (f == nullptr || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0)
    {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return file.size() == Fxp::kChunkOffset + chunk.size() ? 0 : 1;
}
