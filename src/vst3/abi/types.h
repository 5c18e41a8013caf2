// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The basic types of the VST3 binary interface, written from its published facts: result codes, interface
// identifiers and the calling convention. Windows keeps COM's conventions (result values, identifier byte
// order, __stdcall on 32-bit); every other platform uses the plain ones.
#include <array>
#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#define KVX_VST3_API __stdcall
#define KVX_VST3_COM_COMPATIBLE 1
#else
#define KVX_VST3_API
#define KVX_VST3_COM_COMPATIBLE 0
#endif

namespace KVX::Vst3
{
using tresult = std::int32_t;
using TBool = std::uint8_t;
using TChar = char16_t;
using String128 = TChar[128];
using FIDString = const char*;
using ParamID = std::uint32_t;
using ParamValue = double;
using SampleRate = double;
using SpeakerArrangement = std::uint64_t;
using MediaType = std::int32_t;
using BusDirection = std::int32_t;
using BusType = std::int32_t;
using IoMode = std::int32_t;
using UnitID = std::int32_t;
using TimerInterval = std::uint64_t;
using FileDescriptor = int;

#if KVX_VST3_COM_COMPATIBLE
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
constexpr tresult kResultOk = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kResultOk = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif
constexpr tresult kResultTrue = kResultOk;

// A 16-byte identifier as the host passes it (a pointer to its first byte).
using TUID = char[16];

struct Uid
{
    std::array<unsigned char, 16> bytes;

    // From the four 32-bit words in which identifiers are published.
    static constexpr Uid FromWords(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d)
    {
        Uid uid{};
        auto put = [&uid](int at, std::uint32_t word)
        {
            for (int i = 0; i < 4; ++i)
            {
                uid.bytes[static_cast<std::size_t>(at + i)] =
                    static_cast<unsigned char>(word >> (24 - 8 * i));
            }
        };
#if KVX_VST3_COM_COMPATIBLE
        // COM's GUID layout: a little-endian 32-bit field, two little-endian 16-bit fields, eight bytes.
        const std::uint32_t first =
            ((a & 0xFFu) << 24) | ((a & 0xFF00u) << 8) | ((a >> 8) & 0xFF00u) | (a >> 24);
        const std::uint32_t second =
            ((b & 0x00FF0000u) << 8) | ((b & 0xFF000000u) >> 8) | ((b & 0xFFu) << 8) | ((b & 0xFF00u) >> 8);
        put(0, first);
        put(4, second);
#else
        put(0, a);
        put(4, b);
#endif
        put(8, c);
        put(12, d);
        return uid;
    }

    bool Equals(const void* other) const
    {
        return other != nullptr && std::memcmp(bytes.data(), other, 16) == 0;
    }
    void CopyTo(void* out) const
    {
        std::memcpy(out, bytes.data(), 16);
    }
    const char* Data() const
    {
        return reinterpret_cast<const char*>(bytes.data());
    }
};

// The three slots every interface starts with. No virtual destructor: it would add slots.
class FUnknown
{
public:
    virtual tresult KVX_VST3_API queryInterface(const TUID iid, void** object) = 0;
    virtual std::uint32_t KVX_VST3_API addRef() = 0;
    virtual std::uint32_t KVX_VST3_API release() = 0;

protected:
    ~FUnknown() = default;
};

namespace Iid
{
constexpr Uid FUnknown = Uid::FromWords(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
}
} // namespace KVX::Vst3
