// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A progress bar on standard error, shown only to a person watching a terminal and only for jobs long
// enough to be worth one.
#include <cstdint>

namespace KVX::Tovik
{
class Progress
{
public:
    // Shown when standard error is a terminal and `total` spans more than `threshold` units.
    Progress(std::int64_t total, std::int64_t threshold, const char* label);
    ~Progress();

    void Update(std::int64_t done);
    // Clears the bar so that what follows starts on a clean line.
    void Finish();

private:
    std::int64_t m_Total = 0;
    const char* m_Label = "";
    bool m_Visible = false;
    int m_Shown = -1;
};
} // namespace KVX::Tovik
