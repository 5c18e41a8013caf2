// SPDX-License-Identifier: GPL-3.0-or-later
#include "clap_session.h"

#include "device/description.h"

#include "message_boxes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace KVX::Tovik
{
namespace
{
// Our equaliser: ten bands in dB, then its IN switch.
constexpr std::string_view kEqualiserId = Device::Description::kIdentity.clapId;
constexpr std::size_t kEqualiserParams = Device::Description::kParameterCount;

std::string Number(double value)
{
    if (std::isinf(value))
    {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string FlagNames(std::uint32_t flags)
{
    std::string out;
    const auto add = [&](std::uint32_t bit, const char* name)
    {
        if ((flags & bit) != 0)
        {
            out += (out.empty() ? "" : " ") + std::string(name);
        }
    };
    add(Clap::kParamIsStepped, "stepped");
    add(Clap::kParamIsAutomatable, "automatable");
    add(Clap::kParamIsModulatable, "modulatable");
    add(Clap::kParamIsBypass, "bypass");
    add(Clap::kParamIsReadonly, "readonly");
    add(Clap::kParamIsHidden, "hidden");
    add(Clap::kParamIsEnum, "enum");
    return out;
}

std::string Features(const Clap::PluginDescriptor& descriptor)
{
    std::string out;
    for (auto feature = descriptor.features; feature != nullptr && *feature != nullptr; ++feature)
    {
        out += (out.empty() ? "" : " ") + std::string(*feature);
    }
    return out.empty() ? "-" : out;
}

std::string OrDash(const char* text)
{
    return text != nullptr && *text != '\0' ? text : "-";
}
} // namespace

bool IsClapPath(const std::string& path)
{
    static const std::string kTail = ".clap";
    if (path.size() <= kTail.size())
    {
        return false;
    }
    return std::equal(kTail.rbegin(), kTail.rend(), path.rbegin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

std::unique_ptr<Session> ClapSession::Open(const PluginChoice& choice, std::string& error)
{
    auto module = ClapModule::Open(choice.plugin, error);
    if (!module)
    {
        return nullptr;
    }
    TakeMessageBoxes(module->Handle());
    auto plugin = ClapPlugin::Create(module, choice.id.value_or(""), error);
    if (!plugin)
    {
        return nullptr;
    }
    plugin->EchoLog(true);
    if (plugin->InputChannels() > static_cast<std::uint32_t>(kMaxChannels) ||
        plugin->OutputChannels() > static_cast<std::uint32_t>(kMaxChannels))
    {
        error =
            choice.plugin + ": the plug-in declares more than " + std::to_string(kMaxChannels) + " channels";
        return nullptr;
    }
    if (plugin->OutputChannels() == 0)
    {
        error = choice.plugin + ": the plug-in has no audio outputs";
        return nullptr;
    }
    return std::unique_ptr<Session>(new ClapSession(std::move(plugin)));
}

ClapSession::ClapSession(std::unique_ptr<ClapPlugin> plugin) : m_Plugin(std::move(plugin))
{
    m_Inputs = static_cast<int>(m_Plugin->InputChannels());
    m_Outputs = static_cast<int>(m_Plugin->OutputChannels());
}

ClapSession::~ClapSession()
{
    Stop();
}

std::string ClapSession::Name() const
{
    const auto& descriptor = m_Plugin->Descriptor();
    return descriptor.name != nullptr && *descriptor.name != '\0' ? descriptor.name : descriptor.id;
}

ParameterNames ClapSession::Parameters() const
{
    ParameterNames parameters;
    const auto& params = m_Plugin->Params();
    for (std::size_t i = 0; i < params.size(); ++i)
    {
        const ClapParam& param = params[i];
        parameters.names.push_back(param.name);
        PortControl control;
        control.index = static_cast<VstInt32>(i);
        // The float the setting carries must stay inside the range the double bounds give.
        control.minimum = static_cast<float>(param.minimum);
        control.maximum = static_cast<float>(param.maximum);
        if (static_cast<double>(control.minimum) < param.minimum)
        {
            control.minimum = std::nextafter(control.minimum, std::numeric_limits<float>::infinity());
        }
        if (static_cast<double>(control.maximum) > param.maximum)
        {
            control.maximum = std::nextafter(control.maximum, -std::numeric_limits<float>::infinity());
        }
        parameters.ports.push_back(control);
    }
    parameters.isEqualiser =
        std::string(m_Plugin->Descriptor().id) == kEqualiserId && params.size() == kEqualiserParams;
    return parameters;
}

void ClapSession::SetParameter(const Setting& setting)
{
    const auto& params = m_Plugin->Params();
    if (setting.index < 0 || static_cast<std::size_t>(setting.index) >= params.size())
    {
        return;
    }
    m_Plugin->SetParam(params[static_cast<std::size_t>(setting.index)].id,
                       static_cast<double>(setting.value));
}

void ClapSession::PrintInfo() const
{
    const auto& d = m_Plugin->Descriptor();
    std::printf("Plug-in     %s\n", m_Plugin->Module().Path().c_str());
    std::printf("Format      CLAP %u.%u.%u\n", d.clapVersion.major, d.clapVersion.minor,
                d.clapVersion.revision);
    std::printf("ID          %s\n", d.id);
    std::printf("Name        %s\n", OrDash(d.name).c_str());
    std::printf("Vendor      %s\n", OrDash(d.vendor).c_str());
    std::printf("Version     %s\n", OrDash(d.version).c_str());
    std::printf("Description %s\n", OrDash(d.description).c_str());
    std::printf("Features    %s\n", Features(d).c_str());
    std::printf("Inputs      %d\n", Inputs());
    std::printf("Outputs     %d\n", Outputs());
    std::string others;
    for (const auto* descriptor : m_Plugin->Module().Descriptors())
    {
        if (std::string(descriptor->id) != d.id)
        {
            others += (others.empty() ? "" : " ") + std::string(descriptor->id);
        }
    }
    if (!others.empty())
    {
        std::printf("Also here   %s\n", others.c_str());
    }
    std::printf("\n");
    const auto printPorts = [](const char* title, const std::vector<ClapPort>& ports)
    {
        for (const auto& port : ports)
        {
            std::printf("%-11s %u '%s' %u channel%s%s%s\n", title, port.id, port.name.c_str(), port.channels,
                        port.channels == 1 ? "" : "s", port.type.empty() ? "" : ", ", port.type.c_str());
        }
    };
    printPorts("Audio in", m_Plugin->InputPorts());
    printPorts("Audio out", m_Plugin->OutputPorts());
    std::printf("\n");
    const auto& params = m_Plugin->Params();
    std::printf("Parameters  %zu\n", params.size());
    std::printf("%5s %6s  %-20s %10s %-12s %10s %10s %10s  %s\n", "index", "id", "name", "value", "display",
                "minimum", "maximum", "default", "flags");
    for (std::size_t i = 0; i < params.size(); ++i)
    {
        const ClapParam& param = params[i];
        const auto value = m_Plugin->Value(param.id);
        const std::string shown = value ? m_Plugin->ValueText(param.id, *value) : "";
        std::printf("%5zu %6u  %-20s %10s %-12s %10s %10s %10s  %s\n", i, param.id, param.name.c_str(),
                    value ? Number(*value).c_str() : "-", shown.c_str(), Number(param.minimum).c_str(),
                    Number(param.maximum).c_str(), Number(param.defaultValue).c_str(),
                    FlagNames(param.flags).c_str());
    }
}

void ClapSession::OnStart(double sampleRate, int blockSize)
{
    std::string error;
    if (!m_Plugin->Activate(sampleRate, static_cast<std::uint32_t>(blockSize), error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
    }
}

void ClapSession::OnStop()
{
    m_Plugin->Deactivate();
}

void ClapSession::Process(float* const* inputs, float* const* outputs, int frames)
{
    if (!m_Plugin->Active())
    {
        // Refused activation: silence rather than a call the plug-in is not ready for.
        for (int c = 0; c < m_Outputs; ++c)
        {
            std::fill(outputs[c], outputs[c] + frames, 0.0f);
        }
        return;
    }
    m_Plugin->Process(inputs, outputs, static_cast<std::uint32_t>(frames));
    m_Plugin->TakeOutputEvents();
}
} // namespace KVX::Tovik
