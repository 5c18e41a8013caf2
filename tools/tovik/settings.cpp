// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings.h"

#include "device/description.h"
#include "device/parameter_values.h"
#include "host/plugin_host.h"
#include "options.h"
#include "values/number_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace KVX::Tovik
{
namespace
{
// Our equaliser's identity and its bands, from its description; the IN switch follows the ten bands.
namespace D = Device::Description;
constexpr VstInt32 kEqualiserId = D::kIdentity.uniqueId;
constexpr int kEqualiserBands = D::kBandCount;
constexpr VstInt32 kEqualiserInIndex = D::kInParameter;

double BandCentre(int band)
{
    return D::kParameters[static_cast<std::size_t>(band)].frequencyHz;
}

// Lower case without blanks: "1 kHz" and "1KHZ" compare equal.
std::string Folded(const std::string& text)
{
    std::string out;
    for (char c : text)
    {
        if (!std::isspace(static_cast<unsigned char>(c)))
        {
            out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
    }
    return out;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// "1k", "1khz", "1000", "1000hz", "31", "31.25" as a frequency in Hz; false for anything else.
bool FrequencyOf(std::string folded, double& hz)
{
    if (EndsWith(folded, "hz"))
    {
        folded.resize(folded.size() - 2);
    }
    double scale = 1.0;
    if (EndsWith(folded, "k"))
    {
        folded.pop_back();
        scale = 1000.0;
    }
    double value = 0.0;
    if (!ParseNumber(folded, value) || value <= 0.0)
    {
        return false;
    }
    hz = value * scale;
    return true;
}

// The band whose centre lies within 6 % of `hz` (bands are an octave apart, so at most one does).
int BandAt(double hz)
{
    for (int band = 0; band < kEqualiserBands; ++band)
    {
        if (std::fabs(hz / BandCentre(band) - 1.0) <= 0.06)
        {
            return band;
        }
    }
    return -1;
}

// The position in `parameters` of the one `name` addresses, or -1.
int FindParameter(const ParameterNames& parameters, const std::string& name)
{
    const auto count = static_cast<long>(parameters.names.size());
    const bool lv2 = !parameters.ports.empty();
    long index = 0;
    if (ParseInteger(name, index))
    {
        for (long i = 0; i < count; ++i)
        {
            if ((lv2 ? parameters.ports[static_cast<std::size_t>(i)].index : i) == index)
            {
                return static_cast<int>(i);
            }
        }
    }
    const std::string folded = Folded(name);
    if (folded.empty())
    {
        return -1;
    }
    for (long i = 0; i < count; ++i)
    {
        if (Folded(parameters.names[static_cast<std::size_t>(i)]) == folded)
        {
            return static_cast<int>(i);
        }
    }
    for (std::size_t i = 0; lv2 && i < parameters.ports.size(); ++i)
    {
        if (Folded(parameters.ports[i].symbol) == folded)
        {
            return static_cast<int>(i);
        }
    }
    // Our equaliser lists its bands first and its IN switch after them, as VST parameters and as ports.
    if (parameters.isEqualiser)
    {
        if (folded == "in" || folded == "btnin")
        {
            return kEqualiserInIndex;
        }
        double hz = 0.0;
        if (FrequencyOf(folded, hz))
        {
            return BandAt(hz);
        }
    }
    return -1;
}

std::string NameList(const ParameterNames& parameters)
{
    std::string list;
    for (std::size_t i = 0; i < parameters.names.size(); ++i)
    {
        if (i == 40)
        {
            list += ", ... (" + std::to_string(parameters.names.size()) + " in all; see tovik info)";
            break;
        }
        list += i == 0 ? "" : ", ";
        if (parameters.ports.empty())
        {
            list += std::to_string(i) + " '" + parameters.names[i] + "'";
        }
        else
        {
            const PortControl& port = parameters.ports[i];
            list += std::to_string(port.index) + " " + port.symbol + " '" + parameters.names[i] + "'";
        }
    }
    return list.empty() ? "none" : list;
}

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// An LV2 port's value in its own units, within its range.
bool CheckPortValue(const PortControl& port, const std::string& name, const std::string& text, double value,
                    float& out, std::string& error)
{
    if (value < port.minimum || value > port.maximum)
    {
        error = "value " + text + " for '" + name + "' is out of range (" + Number(port.minimum) + " to " +
                Number(port.maximum) + (port.unit.empty() ? "" : " " + port.unit) + ")";
        return false;
    }
    out = static_cast<float>(value);
    return true;
}

bool ParseValue(const ParameterNames& parameters, int position, const std::string& name,
                const std::string& text, float& out, std::string& error)
{
    const PortControl* port =
        parameters.ports.empty() ? nullptr : &parameters.ports[static_cast<std::size_t>(position)];
    const bool isBand = parameters.isEqualiser && position < kEqualiserBands;
    const std::string folded = Folded(text);
    if (folded == "on" || folded == "off")
    {
        const double value = folded == "on" ? 1.0 : 0.0;
        if (port != nullptr)
        {
            return CheckPortValue(*port, name, text, value, out, error);
        }
        out = static_cast<float>(value);
        return true;
    }
    double value = 0.0;
    if (EndsWith(folded, "db"))
    {
        if (!isBand)
        {
            error = port != nullptr
                        ? "'" + name + "' takes a value in its own units; only the bands take dB"
                        : "'" + name + "' takes a normalised value from 0 to 1; only the bands take dB";
            return false;
        }
        // The number as every format reads a typed gain; a command line refuses what is out of range.
        const auto& band = Device::ValueTypeOf(position);
        const auto gain = Values::ParseDecimal(folded.substr(0, folded.size() - 2));
        if (!gain)
        {
            error = "'" + text + "' is not a gain in dB";
            return false;
        }
        if (*gain < band.PlainMin() || *gain > band.PlainMax())
        {
            error = "gain " + text + " for '" + name + "' is out of range (" + Number(band.PlainMin()) + " dB to +" +
                    Number(band.PlainMax()) + " dB)";
            return false;
        }
        // Every format is handed the value the gain's text reads as. Our LV2 and CLAP band ports carry dB
        // themselves, as a float: the gain as typed wherever that float reads as the same value.
        const float normalised = *band.Parse(folded);
        const auto single = static_cast<float>(*gain);
        out = port == nullptr                        ? normalised
              : band.ToNormalised(single) == normalised ? single
                                                        : static_cast<float>(band.ToPlain(normalised));
        return true;
    }
    if (!ParseNumber(folded, value))
    {
        if (port != nullptr)
        {
            error = "'" + text + "' is not a value for '" + name + "' (a number from " +
                    Number(port->minimum) + " to " + Number(port->maximum) +
                    (port->unit.empty() ? "" : " " + port->unit) + (isBand ? ", a gain such as +6dB" : "") +
                    ", on or off)";
            return false;
        }
        error = "'" + text + "' is not a value for '" + name + "' (a number from 0 to 1" +
                (isBand ? ", a gain such as +6dB" : "") + ", on or off)";
        return false;
    }
    if (port != nullptr)
    {
        return CheckPortValue(*port, name, text, value, out, error);
    }
    if (value < 0.0 || value > 1.0)
    {
        error = "value " + text + " for '" + name + "' is out of range (normalised values run from 0 to 1)";
        return false;
    }
    out = static_cast<float>(value);
    return true;
}
} // namespace

ParameterNames DescribeParameters(const Host::Plugin& plugin)
{
    ParameterNames parameters;
    const AEffect* effect = plugin.Effect();
    // A plug-in that claims absurd counts is listed only as far as any real one goes.
    const VstInt32 count = std::clamp<VstInt32>(effect->numParams, 0, 100000);
    for (VstInt32 i = 0; i < count; ++i)
    {
        parameters.names.push_back(plugin.Text(effGetParamName, i));
    }
    parameters.isEqualiser = effect->uniqueID == kEqualiserId && count == kEqualiserInIndex + 1;
    return parameters;
}

bool ParseSetting(const ParameterNames& parameters, const std::string& text, Setting& out, std::string& error)
{
    const auto equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size())
    {
        error = "--set takes NAME=VALUE, not '" + text + "'";
        return false;
    }
    const std::string name = text.substr(0, equals);
    const int index = FindParameter(parameters, name);
    if (index < 0)
    {
        error = "unknown parameter '" + name + "'; the parameters are: " + NameList(parameters);
        if (parameters.isEqualiser)
        {
            error += " (bands also by frequency: 31, 1k, 16 kHz ...; IN as in)";
        }
        return false;
    }
    out.index = parameters.ports.empty() ? index : parameters.ports[static_cast<std::size_t>(index)].index;
    return ParseValue(parameters, index, name, text.substr(equals + 1), out.value, error);
}

bool ParseSettings(const ParameterNames& parameters, const std::vector<std::string>& texts,
                   std::vector<Setting>& out, std::string& error)
{
    out.clear();
    for (const auto& text : texts)
    {
        Setting setting;
        if (!ParseSetting(parameters, text, setting, error))
        {
            return false;
        }
        out.push_back(setting);
    }
    return true;
}

std::string DescribeSettings(const std::vector<std::string>& texts)
{
    std::string out;
    for (const auto& text : texts)
    {
        out += (out.empty() ? "" : " ") + text;
    }
    return out.empty() ? "default settings" : out;
}
} // namespace KVX::Tovik
