// SPDX-License-Identifier: GPL-3.0-or-later
#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace KVX::Tovik
{
namespace
{
constexpr int kWidth = 40;
}

Progress::Progress(std::int64_t total, std::int64_t threshold, const char* label)
    : m_Total(total), m_Label(label), m_Visible(total > threshold && isatty(STDERR_FILENO) == 1)
{
}

Progress::~Progress()
{
    Finish();
}

void Progress::Update(std::int64_t done)
{
    if (!m_Visible || m_Total <= 0)
    {
        return;
    }
    const int percent = static_cast<int>(done * 100 / m_Total);
    if (percent == m_Shown)
    {
        return;
    }
    m_Shown = percent;
    const int filled = percent * kWidth / 100;
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i)
    {
        bar[i] = i < filled ? '#' : '.';
    }
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\r%s [%s] %3d%%", m_Label, bar, percent);
    std::fflush(stderr);
}

void Progress::Finish()
{
    if (m_Visible && m_Shown >= 0)
    {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
    m_Visible = false;
}
} // namespace KVX::Tovik
