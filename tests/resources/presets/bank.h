// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bank as the build wrote it: per preset its URI slug, name and parameter values (factory-bank.tsv).
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace KVX::Test
{
struct BankPreset
{
    std::string slug;
    std::string name;
    std::vector<float> values;
};

inline std::vector<BankPreset> ReadBank()
{
    std::vector<BankPreset> bank;
    std::ifstream file(std::string(KVX_FACTORY_PRESETS_DIR) + "/factory-bank.tsv");
    for (std::string line; std::getline(file, line);)
    {
        std::istringstream fields(line);
        BankPreset preset;
        std::string description;
        std::getline(fields, preset.slug, '\t');
        std::getline(fields, preset.name, '\t');
        std::getline(fields, description, '\t');
        for (std::string value; std::getline(fields, value, '\t');)
        {
            preset.values.push_back(std::stof(value));
        }
        bank.push_back(preset);
    }
    return bank;
}

inline std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
} // namespace KVX::Test
