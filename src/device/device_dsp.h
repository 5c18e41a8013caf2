// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// This device's processor: identity, the default program and the in-place process. It also defines the
// factory that the VST entry point calls (vst/effect_factory.h).
#include "device/description.h"
#include "dsp/graphic_eq.h"
#include "processor/vst_dsp.h"
#include "vst/effect_factory.h"

namespace KVX
{
class CDeviceGUI;

class CDeviceDSP : public CVSTDSP
{
public:
    explicit CDeviceDSP(audioMasterCallback audioMaster);
    ~CDeviceDSP() override;

    void ProcessInPlace(float** channels, VstInt32 frames) override;
    void OnStreamReset() override { m_Engine.Reset(); }

    CDeviceGUI& DevicePanel() const;

    static constexpr VstInt32 kUniqueId = Device::Description::kIdentity.uniqueId;

    const CGraphicEQ& Engine() const { return m_Engine; }

private:
    CGraphicEQ m_Engine;
};
} // namespace KVX
