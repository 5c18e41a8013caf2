// SPDX-License-Identifier: GPL-3.0-or-later
#include "vst_session.h"

#include "message_boxes.h"
#include "parameter_table.h"

#include <cstdio>
#include <cstring>

namespace KVX::Tovik
{
std::unique_ptr<VstSession> VstSession::Open(const std::string& path, std::string& error)
{
    std::unique_ptr<VstSession> session(new VstSession);
    session->m_Path = path;
    session->m_Plugin = Host::Plugin::Load(path, error, kVstVersion, TakeMessageBoxes);
    if (!session->m_Plugin)
    {
        return nullptr;
    }
    // Channel counts are read after effOpen: some plug-ins settle them only there.
    session->m_Plugin->Dispatch(effOpen);
    const AEffect* effect = session->m_Plugin->Effect();
    if (!session->ReadChannelCounts(path, error))
    {
        return nullptr;
    }
    if (effect->processReplacing == nullptr && effect->process == nullptr)
    {
        error = path + ": the plug-in has no process function";
        return nullptr;
    }
    return session;
}

VstSession::~VstSession()
{
    Stop();
}

bool VstSession::ReadChannelCounts(const std::string& path, std::string& error)
{
    const AEffect* effect = m_Plugin->Effect();
    if (effect->numInputs < 0 || effect->numInputs > kMaxChannels || effect->numOutputs < 0 ||
        effect->numOutputs > kMaxChannels)
    {
        error = path + ": the plug-in declares " + std::to_string(effect->numInputs) + " inputs and " +
                std::to_string(effect->numOutputs) + " outputs";
        return false;
    }
    if (effect->numOutputs == 0)
    {
        error = path + ": the plug-in has no audio outputs";
        return false;
    }
    m_Inputs = effect->numInputs;
    m_Outputs = effect->numOutputs;
    return true;
}

std::string VstSession::Name() const
{
    std::string name = m_Plugin->Text(effGetEffectName);
    if (name.empty())
    {
        name = m_Plugin->Text(effGetProductString);
    }
    return name.empty() ? Host::FourCharCode(m_Plugin->Effect()->uniqueID) : name;
}

ParameterNames VstSession::Parameters() const
{
    return DescribeParameters(*m_Plugin);
}

void VstSession::SetParameter(const Setting& setting)
{
    m_Plugin->SetParameter(setting.index, setting.value);
}

void VstSession::PrintInfo() const
{
    const Host::Plugin& plugin = *m_Plugin;
    const AEffect* e = plugin.Effect();
    std::printf("Plug-in     %s\n", m_Path.c_str());
    std::printf("Name        %s\n", plugin.Text(effGetEffectName).c_str());
    std::printf("Vendor      %s\n", plugin.Text(effGetVendorString).c_str());
    std::printf("Product     %s\n", plugin.Text(effGetProductString).c_str());
    std::printf("Unique ID   '%s' (0x%08X)\n", Host::FourCharCode(e->uniqueID).c_str(),
                static_cast<unsigned>(e->uniqueID));
    std::printf("Version     %d\n", e->version);
    std::printf("VST version %ld\n", static_cast<long>(plugin.Dispatch(effGetVstVersion)));
    std::printf("Inputs      %d\n", e->numInputs);
    std::printf("Outputs     %d\n", e->numOutputs);
    std::printf("Programs    %d\n", e->numPrograms);
    std::printf("Flags       0x%X%s%s%s%s\n", static_cast<unsigned>(e->flags),
                (e->flags & effFlagsHasEditor) ? " editor" : "",
                (e->flags & effFlagsCanReplacing) ? " replacing" : "",
                (e->flags & effFlagsProgramChunks) ? " chunks" : "",
                (e->flags & effFlagsCanDoubleReplacing) ? " double" : "");
    std::printf("\n");
    PrintParameterTable(plugin);
}

void VstSession::OnStart(double sampleRate, int blockSize)
{
    m_Plugin->SetHostTiming(static_cast<float>(sampleRate), blockSize);
    m_Plugin->Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    m_Plugin->Dispatch(effSetBlockSize, 0, blockSize);
    m_Plugin->Dispatch(effMainsChanged, 0, 1);
    m_Plugin->Dispatch(effStartProcess);
}

void VstSession::OnStop()
{
    m_Plugin->Dispatch(effStopProcess);
    m_Plugin->Dispatch(effMainsChanged, 0, 0);
}

void VstSession::Process(float* const* inputs, float* const* outputs, int frames)
{
    AEffect* effect = m_Plugin->Effect();
    const bool replacing = (effect->flags & effFlagsCanReplacing) != 0 || effect->process == nullptr;
    if (replacing && effect->processReplacing != nullptr)
    {
        effect->processReplacing(effect, const_cast<float**>(inputs), const_cast<float**>(outputs), frames);
        return;
    }
    // The old accumulating call adds to what the outputs hold.
    for (int channel = 0; channel < m_Outputs; ++channel)
    {
        std::memset(outputs[channel], 0, sizeof(float) * static_cast<std::size_t>(frames));
    }
    effect->process(effect, const_cast<float**>(inputs), const_cast<float**>(outputs), frames);
}
} // namespace KVX::Tovik
