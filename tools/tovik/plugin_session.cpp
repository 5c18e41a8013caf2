// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugin_session.h"

#include "clap_session.h"
#include "lv2_session.h"
#include "vst_session.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

namespace KVX::Tovik
{
namespace
{
// "urn:x", "http://x": a scheme of a letter then letters, digits, '+', '-' or '.', and a colon.
bool LooksLikeUri(const std::string& text)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size() ||
        !std::isalpha(static_cast<unsigned char>(text[0])))
    {
        return false;
    }
    return std::all_of(text.begin(), text.begin() + static_cast<long>(colon),
                       [](char c) {
                           return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' ||
                                  c == '.';
                       });
}

bool IsFolder(const std::string& path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const std::string& path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0;
}
} // namespace

std::unique_ptr<Session> Session::Open(const PluginChoice& choice, std::string& error)
{
    const bool clap = !IsFolder(choice.plugin) && IsClapPath(choice.plugin);
    if (choice.id && !clap)
    {
        error = "--id picks a plug-in from a CLAP file; " + choice.plugin + " is not a .clap file";
        return nullptr;
    }
    if (clap)
    {
        if (choice.uri)
        {
            error =
                "--uri picks a plug-in from an LV2 bundle; " + choice.plugin + " is a CLAP file (use --id)";
            return nullptr;
        }
        return ClapSession::Open(choice, error);
    }
    if (IsFolder(choice.plugin))
    {
        return Lv2Session::OpenBundle(choice, error);
    }
    if (!Exists(choice.plugin) && LooksLikeUri(choice.plugin))
    {
        return Lv2Session::OpenUri(choice, error);
    }
    if (choice.uri)
    {
        error = "--uri picks a plug-in from an LV2 bundle; " + choice.plugin + " is not a bundle folder";
        return nullptr;
    }
    return VstSession::Open(choice.plugin, error);
}

void Session::Start(double sampleRate, int blockSize)
{
    Stop();
    m_BlockSize = blockSize;
    m_InputBuffers.assign(static_cast<std::size_t>(m_Inputs),
                          std::vector<float>(static_cast<std::size_t>(blockSize)));
    m_OutputBuffers.assign(static_cast<std::size_t>(m_Outputs),
                           std::vector<float>(static_cast<std::size_t>(blockSize)));
    m_InputPointers.clear();
    m_OutputPointers.clear();
    for (auto& buffer : m_InputBuffers)
    {
        m_InputPointers.push_back(buffer.data());
    }
    for (auto& buffer : m_OutputBuffers)
    {
        m_OutputPointers.push_back(buffer.data());
    }
    OnStart(sampleRate, blockSize);
    m_Running = true;
}

void Session::Stop()
{
    if (!m_Running)
    {
        return;
    }
    OnStop();
    m_Running = false;
}

void Session::ClearInputs()
{
    for (auto& buffer : m_InputBuffers)
    {
        std::fill(buffer.begin(), buffer.end(), 0.0f);
    }
}

void Session::Process(int frames)
{
    Process(m_InputPointers.data(), m_OutputPointers.data(), std::min(frames, m_BlockSize));
}

void ApplySettings(Session& session, const std::vector<Setting>& settings)
{
    for (const auto& setting : settings)
    {
        session.SetParameter(setting);
    }
}
} // namespace KVX::Tovik
