// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Holds back what libraries write to standard error while they work (lilv and its Turtle reader report
// problems there in several lines), so that tovik can keep to one line per failure.
#include <cstdio>
#include <string>

namespace KVX::Tovik
{
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Standard error restored; the last non-empty line written meanwhile, without its end of line.
    std::string Finish();

private:
    int m_Saved = -1;
    std::FILE* m_File = nullptr;
};
} // namespace KVX::Tovik
