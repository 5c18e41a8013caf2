#include "device/device_dsp.h"

#include "device/device_gui.h"
#include "gui/core/exceptions.h"

#include <new>

namespace KVX
{
namespace
{
const ProgramEntry g_Programs[] = {
    {u"+Default.fxp", u"Default"},
};
} // namespace

CDeviceDSP::CDeviceDSP(audioMasterCallback audioMaster)
    : CVSTDSP(audioMaster, 1, 11, u"Brellmoor", u"KVX Tovik", u"KVX Tovik",
              std::make_unique<CDeviceGUI>(nullptr))
{
    SetProgramTable(g_Programs);
    setUniqueID(kUniqueId);
    LoadProgram(0);
}

CDeviceDSP::~CDeviceDSP() = default;

CDeviceGUI& CDeviceDSP::DevicePanel() const
{
    return static_cast<CDeviceGUI&>(*m_Panel);
}

void CDeviceDSP::ProcessInPlace(float** channels, VstInt32 frames)
{
    if (channels == nullptr || frames <= 0)
    {
        return;
    }
    CDeviceGUI& panel = DevicePanel();
    m_Engine.SetBlockSize(frames);
    m_Engine.SetSampleRate(DeviceSampleRate());
    m_Engine.bypass = panel.InButton().Value() == 0.0f;
    for (int band = 0; band < Device::kBandCount; ++band)
    {
        const CKnob& fader = panel.Fader(band);
        m_Engine.SetBandValue(fader.Value(), fader.ParamIndex());
    }
    m_Engine.Process(channels, frames);
    panel.Lamp().SetValue(m_Engine.bypass ? 0.0f : 1.0f);
}

AudioEffect* createEffectInstance(audioMasterCallback audioMaster)
{
    try
    {
        return new CDeviceDSP(audioMaster);
    }
    catch (const Exceptions::Std& error)
    {
        error.Show(Exceptions::ErrorCaption(), nullptr);
    }
    catch (const std::exception& error)
    {
        // Nothing may escape into the host: report it like the framework's own failures.
        const std::string what = error.what();
        Exceptions::Std(std::u16string(what.begin(), what.end()), u"INTERNAL")
            .Show(Exceptions::ErrorCaption(), nullptr);
    }
    return nullptr;
}
} // namespace KVX
