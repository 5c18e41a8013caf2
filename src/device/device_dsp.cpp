// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/device_dsp.h"

#include "device/description.h"
#include "device/device_gui.h"
#include "device/device_texts.h"
#include "gui/core/exceptions.h"

#include <iterator>
#include <new>

namespace KVX
{
namespace
{
namespace D = Device::Description;

// The engine's bands, the panel's faders and the description's band parameters are one list.
static_assert(kBandCount == D::kBandCount, "the engine has a section pair for every band the device describes");
static_assert(D::kBandCount + 1 == D::kParameterCount && D::kInParameter == D::kBandCount,
              "the parameters are the bands in engine order, then IN");
constexpr bool BandsAreFaders()
{
    for (int band = 0; band < D::kBandCount; ++band)
    {
        if (D::kParameters[static_cast<std::size_t>(band)].kind != D::ParameterKind::BandFader)
        {
            return false;
        }
    }
    return true;
}
static_assert(BandsAreFaders(), "each of the engine's bands is driven by a fader parameter");

// The program table's texts live as long as the module.
const std::u16string g_DefaultResource = Device::Wide(D::kDefaultProgramResource);
const std::u16string g_DefaultName = Device::Wide(D::kDefaultProgramName);
const ProgramEntry g_Programs[] = {
    {g_DefaultResource.c_str(), g_DefaultName.c_str()},
};
} // namespace

CDeviceDSP::CDeviceDSP(audioMasterCallback audioMaster)
    : CVSTDSP(audioMaster, static_cast<VstInt32>(std::size(g_Programs)), D::kParameterCount,
              Device::Wide(D::kIdentity.vendor), Device::Wide(D::kIdentity.name),
              Device::Wide(D::kIdentity.name), std::make_unique<CDeviceGUI>(nullptr))
{
    SetProgramTable(g_Programs);
    // The base starts as a stereo effect at its own version; the description decides.
    setNumInputs(D::kInputs);
    setNumOutputs(D::kOutputs);
    cEffect.version = D::kIdentity.version;
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
        error.Show(Device::ErrorCaption(), nullptr);
    }
    catch (const std::exception& error)
    {
        // Nothing may escape into the host: report it like the framework's own failures.
        const std::string what = error.what();
        Exceptions::Std(std::u16string(what.begin(), what.end()), u"INTERNAL")
            .Show(Device::ErrorCaption(), nullptr);
    }
    return nullptr;
}
} // namespace KVX
