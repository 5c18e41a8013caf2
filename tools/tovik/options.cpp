// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace KVX::Tovik
{
bool ParseInteger(const std::string& text, long& out)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front())))
    {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0')
    {
        return false;
    }
    out = value;
    return true;
}

bool ParseNumber(const std::string& text, double& out)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front())))
    {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno == ERANGE || end == text.c_str() || *end != '\0' || !std::isfinite(value))
    {
        return false;
    }
    out = value;
    return true;
}

bool Options::Parse(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                    std::string& error, const std::vector<std::string>& flags)
{
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0)
        {
            m_Positional.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::string value;
        const auto equals = name.find('=');
        const bool inlineValue = equals != std::string::npos;
        if (inlineValue)
        {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (std::find(flags.begin(), flags.end(), name) != flags.end())
        {
            if (inlineValue)
            {
                error = "option --" + name + " takes no value";
                return false;
            }
            if (Flag(name))
            {
                error = "option --" + name + " given twice";
                return false;
            }
            m_Flags.push_back(name);
            continue;
        }
        if (name != "set" && std::find(valued.begin(), valued.end(), name) == valued.end())
        {
            error = "unknown option --" + name;
            return false;
        }
        if (!inlineValue)
        {
            if (i + 1 >= args.size())
            {
                error = "option --" + name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (name == "set")
        {
            m_Sets.push_back(value);
        }
        else if (!m_Values.emplace(name, value).second)
        {
            error = "option --" + name + " given twice";
            return false;
        }
    }
    return true;
}

std::optional<std::string> Options::Get(const std::string& name) const
{
    const auto it = m_Values.find(name);
    if (it == m_Values.end())
    {
        return std::nullopt;
    }
    return it->second;
}

bool Options::Flag(const std::string& name) const
{
    return std::find(m_Flags.begin(), m_Flags.end(), name) != m_Flags.end();
}

bool Options::GetInt(const std::string& name, long low, long high, long fallback, long& out,
                     std::string& error) const
{
    const auto text = Get(name);
    if (!text)
    {
        out = fallback;
        return true;
    }
    long value = 0;
    if (!ParseInteger(*text, value) || value < low || value > high)
    {
        error = "--" + name + " takes a whole number from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not '" + *text + "'";
        return false;
    }
    out = value;
    return true;
}

bool Options::GetNumber(const std::string& name, double low, double high, double fallback, double& out,
                        std::string& error) const
{
    const auto text = Get(name);
    if (!text)
    {
        out = fallback;
        return true;
    }
    double value = 0.0;
    if (!ParseNumber(*text, value) || value < low || value > high)
    {
        char range[96];
        std::snprintf(range, sizeof range, " takes a number from %g to %g, not '", low, high);
        error = "--" + name + range + *text + "'";
        return false;
    }
    out = value;
    return true;
}
} // namespace KVX::Tovik
