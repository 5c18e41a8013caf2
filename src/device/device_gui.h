// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// This device's panel: the background, ten band faders, the IN switch and the signal lamp.
#include "device/device_layout.h"
#include "gui/widgets/button.h"
#include "gui/widgets/knob.h"
#include "gui/widgets/led.h"
#include "shell/gui_vst24.h"

#include <array>

namespace KVX
{
class CDeviceGUI : public CGUIVSTv24
{
public:
    explicit CDeviceGUI(AudioEffect* effect);
    ~CDeviceGUI() override;

    // What the in-place process reads and drives.
    const CKnob& Fader(int band) const { return m_Faders[static_cast<std::size_t>(band)]; }
    CKnob& Fader(int band) { return m_Faders[static_cast<std::size_t>(band)]; }
    const CButton& InButton() const { return m_InButton; }
    CLED& Lamp() { return m_Lamp; }

private:
    CWidget m_Background;
    std::array<CKnob, Device::kBandCount> m_Faders;
    static_assert(Device::kBandCount == Device::Description::kFaderX.size(), "a fader for every band");
    CButton m_InButton;
    CLED m_Lamp;
};
} // namespace KVX
