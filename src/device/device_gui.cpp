// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/device_gui.h"

#include "device/device_texts.h"

namespace KVX
{
using namespace Device;

// Members are built in declaration order, which is also the drawing order (later on top).
CDeviceGUI::CDeviceGUI(AudioEffect* effect)
    : CGUIVSTv24(effect, g_HintSpec, g_LightSpec, Description::kParameterCount),
      m_Background(this, g_BackgroundSpec),
      m_Faders{CKnob(this, g_FaderSpecs[0]), CKnob(this, g_FaderSpecs[1]), CKnob(this, g_FaderSpecs[2]),
               CKnob(this, g_FaderSpecs[3]), CKnob(this, g_FaderSpecs[4]), CKnob(this, g_FaderSpecs[5]),
               CKnob(this, g_FaderSpecs[6]), CKnob(this, g_FaderSpecs[7]), CKnob(this, g_FaderSpecs[8]),
               CKnob(this, g_FaderSpecs[9])},
      m_InButton(this, g_InButtonSpec), m_Lamp(this, g_LampSpec)
{
    SetPanelSize(Description::kPanelWidth, Description::kPanelHeight);
    SetErrorCaption(Device::ErrorCaption());
}

// The window's thread draws these widgets: it must be stopped before they go.
CDeviceGUI::~CDeviceGUI()
{
    DestroyPanelWindow();
}
} // namespace KVX
