// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of one subcommand: positional arguments, repeatable --set, and single-valued options.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace KVX::Tovik
{
class Options
{
public:
    // Accepts `--name VALUE` and `--name=VALUE` for the names in `valued`, and `--name` alone for those in
    // `flags`; --set may repeat, every other option at most once. Returns false with `error` set for
    // anything else.
    bool Parse(const std::vector<std::string>& args, const std::vector<std::string>& valued,
               std::string& error, const std::vector<std::string>& flags = {});

    const std::vector<std::string>& Positional() const { return m_Positional; }
    const std::vector<std::string>& Sets() const { return m_Sets; }
    std::optional<std::string> Get(const std::string& name) const;
    bool Flag(const std::string& name) const;

    // An integer or number option within [low, high]; `fallback` when absent. False with `error` set when
    // present but not a number in range.
    bool GetInt(const std::string& name, long low, long high, long fallback, long& out,
                std::string& error) const;
    bool GetNumber(const std::string& name, double low, double high, double fallback, double& out,
                   std::string& error) const;

private:
    std::vector<std::string> m_Positional;
    std::vector<std::string> m_Sets;
    std::map<std::string, std::string> m_Values;
    std::vector<std::string> m_Flags;
};

// Whole-string conversions: no trailing characters, finite results only.
bool ParseInteger(const std::string& text, long& out);
bool ParseNumber(const std::string& text, double& out);
} // namespace KVX::Tovik
