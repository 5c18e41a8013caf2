#pragma once
// This device's processor: identity, the default program and the in-place process.
#include "dsp/graphic_eq.h"
#include "processor/vst_dsp.h"

namespace KVX
{
class CDeviceGUI;

class CDeviceDSP : public CVSTDSP
{
public:
    explicit CDeviceDSP(audioMasterCallback audioMaster);
    ~CDeviceDSP() override;

    void ProcessInPlace(float** channels, VstInt32 frames) override;

    CDeviceGUI& DevicePanel() const;

    static constexpr VstInt32 kUniqueId = CCONST('T', 'v', 'k', '1');

    const CGraphicEQ& Engine() const { return m_Engine; }

private:
    CGraphicEQ m_Engine;
};

// The factory the entry point calls: the device, or null after an error box.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
} // namespace KVX
