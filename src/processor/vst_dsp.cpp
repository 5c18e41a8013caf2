// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/vst_dsp.h"

#include "dsp/denormals.h"
#include "dsp/graphic_eq.h"
#include "platform/text.h"
#include "shell/gui_vst24.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace KVX
{
CVSTDSP::CVSTDSP(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams,
                 const std::u16string& vendor, const std::u16string& product,
                 const std::u16string& effectName, std::unique_ptr<CGUIVSTv24> panel)
    : AudioEffectX(audioMaster, numPrograms, numParams), m_VendorName(vendor), m_ProductName(product),
      m_EffectName(effectName), m_Panel(panel.get())
{
    curProgram = -1; // so that the first LoadProgram(0) is never skipped as already current
    setNumInputs(2);
    setNumOutputs(2);
    cEffect.version = 1000;
    canProcessReplacing(true);
    programsAreChunks(true);
    setEditor(panel.release());
    SetFlag(effFlagsHasEditor, m_Panel != nullptr);
    if (m_Panel != nullptr)
    {
        m_Panel->AttachEffect(this);
    }
}

CVSTDSP::~CVSTDSP() = default;

bool CVSTDSP::IsUsableSampleRate(float rate)
{
    // The engine's own bounds; the comparison also refuses NaN.
    return rate >= CGraphicEQ::kMinSampleRate && rate <= CGraphicEQ::kMaxSampleRate;
}

void CVSTDSP::setSampleRate(float rate)
{
    // An unusable rate would leave the engine undesigned (silence) on a fresh instance; the last
    // valid rate stays, both for the device and for the host's own reads.
    if (!IsUsableSampleRate(rate))
    {
        return;
    }
    sampleRate = rate;
    OnSampleRateChanged(rate);
}

void CVSTDSP::setBlockSize(VstInt32 frames)
{
    blockSize = frames;
    OnBlockSizeChanged(frames);
}

void CVSTDSP::OnSampleRateChanged(float rate)
{
    if (!IsUsableSampleRate(rate))
    {
        return;
    }
    m_DeviceSampleRate.store(rate, std::memory_order_relaxed);
}

void CVSTDSP::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr)
    {
        return;
    }
    // Decaying filter states reach the subnormal range in long silences, where arithmetic is many
    // times slower; normal-range results are the same with or without the flush.
    const ScopedFlushDenormals flushDenormals;
    const VstInt32 channels = cEffect.numInputs < cEffect.numOutputs ? cEffect.numInputs : cEffect.numOutputs;
    for (VstInt32 i = 0; i < channels; ++i)
    {
        if (inputs[i] != nullptr && outputs[i] != nullptr && inputs[i] != outputs[i])
        {
            std::memmove(outputs[i], inputs[i], static_cast<std::size_t>(sampleFrames) * sizeof(float));
        }
    }
    ProcessInPlace(outputs, sampleFrames);
}

void CVSTDSP::setParameterAutomated(VstInt32 index, float value)
{
    // The value is already in the widget: only the host needs to hear of it.
    if (audioMaster != nullptr)
    {
        audioMaster(&cEffect, audioMasterAutomate, index, 0, nullptr, value);
    }
}

bool CVSTDSP::WriteProductString(char* text)
{
    Platform::WriteCodePageText(m_ProductName, text, kVstMaxProductStrLen);
    return true;
}

bool CVSTDSP::WriteVendorString(char* text)
{
    Platform::WriteCodePageText(m_VendorName, text, kVstMaxVendorStrLen);
    return true;
}

bool CVSTDSP::WriteEffectName(char* text)
{
    Platform::WriteCodePageText(m_EffectName, text, kVstMaxEffectNameLen);
    return true;
}

void CVSTDSP::WriteParamLabel(VstInt32 index, char* text)
{
    Platform::WriteCodePageText(m_Panel->ParamLabel(index), text, kVstMaxParamStrLen);
}

void CVSTDSP::WriteParamDisplay(VstInt32 index, char* text)
{
    Platform::WriteCodePageText(m_Panel->ParamDisplay(index), text, kVstMaxParamStrLen);
}

void CVSTDSP::WriteParamName(VstInt32 index, char* text)
{
    Platform::WriteCodePageText(m_Panel->ParamName(index), text, kVstMaxParamStrLen);
}

void CVSTDSP::SetParam(VstInt32 index, float value)
{
    m_Panel->SetParamValue(index, value);
}

float CVSTDSP::GetParam(VstInt32 index)
{
    return m_Panel->ParamValue(index);
}

VstInt32 CVSTDSP::GetStateChunk(void** data, bool isPreset)
{
    return m_Panel->GetChunk(data, isPreset);
}

VstInt32 CVSTDSP::SetStateChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    // A negative size is garbage from the host, never a length to read.
    const std::uint32_t size = byteSize > 0 ? static_cast<std::uint32_t>(byteSize) : 0;
    return m_Panel->SetChunk(data, size, isPreset) ? 1 : 0;
}

void CVSTDSP::RenameProgram(const char* text)
{
    if (text == nullptr)
    {
        return;
    }
    std::u16string name = Platform::Utf8ToUtf16(text);
    if (name == m_ProgramName)
    {
        return;
    }
    m_ProgramName = std::move(name);
    m_Panel->OnProgramRenamed(m_ProgramName);
}

namespace
{
// Exactly 25 bytes: at most the first 24 bytes of the UTF-8 name, zero-filled, then a zero. A character
// whose bytes straddle the end is dropped whole, so that the host still receives valid UTF-8.
void WriteProgramNameBytes(const std::u16string& name, char* text)
{
    const std::string utf8 = Platform::Utf16ToUtf8(name);
    const std::size_t limit = kVstMaxProgNameLen;
    std::size_t n = utf8.size() < limit ? utf8.size() : limit;
    while (n > 0 && n < utf8.size() && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
    {
        --n;
    }
    std::memset(text, 0, kVstMaxProgNameLen + 1);
    std::memcpy(text, utf8.data(), n);
}
} // namespace

void CVSTDSP::WriteProgramName(char* text)
{
    if (text != nullptr)
    {
        WriteProgramNameBytes(m_ProgramName, text);
    }
}

bool CVSTDSP::WriteIndexedProgramName(VstInt32 index, char* text)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_Programs.size())
    {
        if (text != nullptr)
        {
            *text = 0;
        }
        return false;
    }
    if (text != nullptr)
    {
        WriteProgramNameBytes(m_Programs[static_cast<std::size_t>(index)].displayName, text);
    }
    return true;
}

namespace
{
constexpr VstInt32 FourCharacters(const char (&code)[5])
{
    return static_cast<VstInt32>(
        (static_cast<std::uint32_t>(code[0]) << 24) | (static_cast<std::uint32_t>(code[1]) << 16) |
        (static_cast<std::uint32_t>(code[2]) << 8) | static_cast<std::uint32_t>(code[3]));
}
} // namespace

VstIntPtr CVSTDSP::vendorSpecific(VstInt32 index, VstIntPtr value, void*, float opt)
{
    if (index == FourCharacters("PreS") && value == FourCharacters("AeCs") && m_Panel != nullptr &&
        std::isfinite(opt) && opt > 0.0f)
    {
        m_Panel->SetHostScale(opt);
        return 1;
    }
    return 0;
}

bool CVSTDSP::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    return WriteIndexedProgramName(index, text);
}
} // namespace KVX
