// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A magnitude-response plot as a PNG: log frequency axis from 20 Hz to 20 kHz, gain in dB, one curve per
// channel with a legend.
#include <cairo.h>

#include <string>
#include <vector>

namespace KVX::Tovik
{
class OutputFile;

struct PlotCurve
{
    std::string label;
    std::vector<double> gainsDb;
    // Drawn thin and grey, behind the others; a faint curve without a label has no legend entry.
    bool faint = false;
};

// The dB axis spans the curves and at least -15 … +15 dB. Writes the PNG into the open `output`. False
// with `error` set when it cannot be written.
bool WriteResponsePlot(OutputFile& output, const std::string& title, const std::string& subtitle,
                       const std::vector<double>& frequencies, const std::vector<PlotCurve>& curves,
                       std::string& error);

// A cairo image as a PNG into the open `output`. False with `error` set when it cannot be written.
bool WritePng(cairo_surface_t* surface, OutputFile& output, std::string& error);
} // namespace KVX::Tovik
