// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The framework's processor base: turns the host's operations into the framework's own, holds no
// parameter values (the panel's widgets do) and hands processed audio to the device in place.
#include "vst/audioeffectx.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace KVX
{
class CGUIVSTv24;

// One entry of a device's program table.
struct ProgramEntry
{
    const char16_t* resourceName; // module resource of type "FXP"
    const char16_t* displayName;
};

class CVSTDSP : public AudioEffectX
{
public:
    // The panel becomes the host editor and is owned through it from here on.
    CVSTDSP(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams,
            const std::u16string& vendor, const std::u16string& product, const std::u16string& effectName,
            std::unique_ptr<CGUIVSTv24> panel);
    ~CVSTDSP() override;

    // The host's operations.
    void open() override { OnOpen(); }
    void close() override { OnClose(); }
    void suspend() override { OnSuspend(); }
    void resume() override { OnResume(); }
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 frames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void setParameter(VstInt32 index, float value) override { SetParam(index, value); }
    float getParameter(VstInt32 index) override { return GetParam(index); }
    void setParameterAutomated(VstInt32 index, float value) override;
    VstInt32 getProgram() override { return CurrentProgram(); }
    void setProgram(VstInt32 index) override { LoadProgram(index); }
    void setProgramName(char* name) override { RenameProgram(name); }
    void getProgramName(char* name) override { WriteProgramName(name); }
    void getParameterLabel(VstInt32 index, char* text) override { WriteParamLabel(index, text); }
    void getParameterDisplay(VstInt32 index, char* text) override { WriteParamDisplay(index, text); }
    void getParameterName(VstInt32 index, char* text) override { WriteParamName(index, text); }
    VstInt32 getChunk(void** data, bool isPreset) override { return GetStateChunk(data, isPreset); }
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override
    {
        return SetStateChunk(data, byteSize, isPreset);
    }
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 startProcess() override { return OnStartProcess(); }
    VstInt32 stopProcess() override { return OnStopProcess(); }
    bool getEffectName(char* text) override { return WriteEffectName(text); }
    bool getVendorString(char* text) override { return WriteVendorString(text); }
    bool getProductString(char* text) override { return WriteProductString(text); }
    VstInt32 getPlugCategory() override { return PlugCategory(); }
    // The editor's scale as hosts send it: index 'PreS', value 'AeCs', opt = the scale (1 = 100 %).
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    // The framework's operations, which a device may override.
    virtual void ProcessInPlace(float** channels, VstInt32 frames) = 0;
    virtual bool WriteProductString(char* text);
    virtual bool WriteVendorString(char* text);
    virtual bool WriteEffectName(char* text);
    virtual VstInt32 PlugCategory() { return kPlugCategEffect; }
    virtual void WriteParamLabel(VstInt32 index, char* text);
    virtual void WriteParamDisplay(VstInt32 index, char* text);
    virtual void WriteParamName(VstInt32 index, char* text);
    virtual void SetParam(VstInt32 index, float value);
    virtual float GetParam(VstInt32 index);
    virtual VstInt32 GetStateChunk(void** data, bool isPreset);
    virtual VstInt32 SetStateChunk(void* data, VstInt32 byteSize, bool isPreset);
    virtual void RenameProgram(const char* text);
    virtual void WriteProgramName(char* text);
    virtual bool WriteIndexedProgramName(VstInt32 index, char* text);
    virtual VstInt32 CurrentProgram() { return curProgram; }
    virtual void LoadProgram(VstInt32 index);
    virtual void OnOpen() {}
    virtual void OnClose() {}
    virtual void OnSuspend() {}
    virtual void OnResume() {}
    virtual VstInt32 OnStartProcess() { return 0; }
    virtual VstInt32 OnStopProcess() { return 0; }
    virtual void OnSampleRateChanged(float rate);
    virtual void OnBlockSizeChanged(VstInt32) {}
    // A break in the host's stream, where the formats that have one signal it (a reset, a re-activation):
    // the device forgets its audio history. Called while no block is being processed. The VST 2.4
    // dispatcher never calls it: suspend and resume keep the history, as they always have.
    virtual void OnStreamReset() {}

    // Applies a preset file's bytes (a single program with an opaque chunk); public for the device.
    void ApplyPresetBuffer(const std::uint8_t* data, std::size_t size);

    // Rates the device can process at; any other rate from the host is ignored.
    static bool IsUsableSampleRate(float rate);

    float DeviceSampleRate() const { return m_DeviceSampleRate.load(std::memory_order_relaxed); }
    const std::u16string& ProgramName() const { return m_ProgramName; }
    CGUIVSTv24* Panel() const { return m_Panel; }

protected:
    void SetProgramTable(std::span<const ProgramEntry> programs) { m_Programs = programs; }

    std::u16string m_VendorName;
    std::u16string m_ProductName;
    std::u16string m_EffectName;
    CGUIVSTv24* m_Panel;
    std::u16string m_ProgramName;
    std::atomic<float> m_DeviceSampleRate{44100.0f};
    std::span<const ProgramEntry> m_Programs;
};
} // namespace KVX
