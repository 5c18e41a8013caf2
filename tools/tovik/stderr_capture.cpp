// SPDX-License-Identifier: GPL-3.0-or-later
#include "stderr_capture.h"

#include <unistd.h>

namespace KVX::Tovik
{
StderrCapture::StderrCapture()
{
    std::fflush(stderr);
    m_File = std::tmpfile();
    m_Saved = m_File != nullptr ? dup(STDERR_FILENO) : -1;
    if (m_Saved >= 0 && dup2(fileno(m_File), STDERR_FILENO) < 0)
    {
        close(m_Saved);
        m_Saved = -1;
    }
}

StderrCapture::~StderrCapture()
{
    Finish();
}

std::string StderrCapture::Finish()
{
    if (m_File == nullptr)
    {
        return {};
    }
    std::fflush(stderr);
    if (m_Saved >= 0)
    {
        dup2(m_Saved, STDERR_FILENO);
        close(m_Saved);
        m_Saved = -1;
    }
    std::string text;
    std::rewind(m_File);
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, m_File)) > 0 && text.size() < (1u << 20))
    {
        text.append(buffer, count);
    }
    std::fclose(m_File);
    m_File = nullptr;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    {
        text.pop_back();
    }
    const auto newline = text.rfind('\n');
    return newline == std::string::npos ? text : text.substr(newline + 1);
}
} // namespace KVX::Tovik
