// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot.h"

#include "output_file.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace KVX::Tovik
{
namespace
{
constexpr int kWidth = 1000;
constexpr int kHeight = 600;
constexpr double kLeft = 72.0;
constexpr double kRight = 28.0;
constexpr double kTop = 74.0;
constexpr double kBottom = 58.0;
constexpr double kLowHz = 20.0;
constexpr double kHighHz = 20000.0;
constexpr double kMinSpanDb = 15.0;
// Silence and deep notches are drawn at the floor rather than stretching the axis without end.
constexpr double kFloorDb = -96.0;
constexpr double kCeilingDb = 96.0;

struct Colour
{
    double r, g, b;
};
constexpr Colour kCurveColours[] = {{0.09, 0.36, 0.70}, {0.85, 0.37, 0.05}, {0.17, 0.60, 0.25},
                                    {0.70, 0.13, 0.17}, {0.45, 0.30, 0.65}, {0.40, 0.40, 0.40}};

struct Frame
{
    double x0, y0, width, height, lowDb, highDb;

    double X(double hz) const { return x0 + width * std::log10(hz / kLowHz) / std::log10(kHighHz / kLowHz); }
    double Y(double db) const { return y0 + height * (highDb - db) / (highDb - lowDb); }
};

// Every curve after the first is dashed, so that channels lying on top of each other all stay visible.
void SetDash(cairo_t* cr, std::size_t curve)
{
    const double dash[] = {9.0, 6.0};
    if (curve == 0)
    {
        cairo_set_dash(cr, nullptr, 0, 0.0);
    }
    else
    {
        cairo_set_dash(cr, dash, 2, 4.0 * static_cast<double>(curve));
    }
}

std::string HzLabel(double hz)
{
    char text[16];
    if (hz >= 1000.0)
    {
        std::snprintf(text, sizeof text, "%gk", hz / 1000.0);
    }
    else
    {
        std::snprintf(text, sizeof text, "%g", hz);
    }
    return text;
}

void Text(cairo_t* cr, const std::string& text, double x, double y, double alignX, double alignY)
{
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_move_to(cr, x - extents.x_bearing - alignX * extents.width,
                  y - extents.y_bearing - alignY * extents.height);
    cairo_show_text(cr, text.c_str());
}

// The dB span: the curves' extremes inside 20 Hz … 20 kHz, at least ±15 dB, rounded out to the grid step.
void ChooseRange(const std::vector<double>& frequencies, const std::vector<PlotCurve>& curves, double& low,
                 double& high, double& step)
{
    low = -kMinSpanDb;
    high = kMinSpanDb;
    for (const auto& curve : curves)
    {
        for (std::size_t i = 0; i < frequencies.size() && i < curve.gainsDb.size(); ++i)
        {
            const double db = curve.gainsDb[i];
            if (frequencies[i] >= kLowHz && frequencies[i] <= kHighHz && std::isfinite(db))
            {
                low = std::min(low, std::max(db, kFloorDb));
                high = std::max(high, std::min(db, kCeilingDb));
            }
        }
    }
    const double span = high - low;
    step = span <= 36.0 ? 3.0 : span <= 72.0 ? 6.0 : span <= 144.0 ? 12.0 : 24.0;
    low = step * std::floor(low / step - 1e-9);
    high = step * std::ceil(high / step + 1e-9);
}

void DrawGrid(cairo_t* cr, const Frame& f, double step)
{
    cairo_set_line_width(cr, 1.0);
    for (double decade = 10.0; decade <= kHighHz; decade *= 10.0)
    {
        for (int k = 1; k <= 9; ++k)
        {
            const double hz = decade * k;
            if (hz < kLowHz || hz > kHighHz)
            {
                continue;
            }
            const bool major = k == 1 || k == 2 || k == 5;
            cairo_set_source_rgb(cr, major ? 0.78 : 0.9, major ? 0.78 : 0.9, major ? 0.78 : 0.9);
            cairo_move_to(cr, std::round(f.X(hz)) + 0.5, f.y0);
            cairo_line_to(cr, std::round(f.X(hz)) + 0.5, f.y0 + f.height);
            cairo_stroke(cr);
            if (major)
            {
                cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
                Text(cr, HzLabel(hz), f.X(hz), f.y0 + f.height + 8.0, 0.5, 0.0);
            }
        }
    }
    for (double db = f.lowDb; db <= f.highDb + 1e-9; db += step)
    {
        const bool zero = std::fabs(db) < 1e-9;
        cairo_set_source_rgb(cr, zero ? 0.45 : 0.82, zero ? 0.45 : 0.82, zero ? 0.45 : 0.82);
        cairo_move_to(cr, f.x0, std::round(f.Y(db)) + 0.5);
        cairo_line_to(cr, f.x0 + f.width, std::round(f.Y(db)) + 0.5);
        cairo_stroke(cr);
        char label[16];
        std::snprintf(label, sizeof label, "%+g", db == 0.0 ? 0.0 : db);
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
        Text(cr, zero ? "0" : label, f.x0 - 8.0, f.Y(db), 1.0, 0.5);
    }
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    cairo_rectangle(cr, f.x0 + 0.5, f.y0 + 0.5, f.width, f.height);
    cairo_stroke(cr);
}

// How a curve is drawn: faint curves thin and grey; the others in turn from the palette, every one after
// the first dashed so that curves lying on top of each other all stay visible.
void SetStyle(cairo_t* cr, const std::vector<PlotCurve>& curves, std::size_t curve)
{
    if (curves[curve].faint)
    {
        cairo_set_source_rgb(cr, 0.62, 0.62, 0.62);
        cairo_set_line_width(cr, 1.0);
        cairo_set_dash(cr, nullptr, 0, 0.0);
        return;
    }
    std::size_t index = 0;
    for (std::size_t c = 0; c < curve; ++c)
    {
        index += curves[c].faint ? 0 : 1;
    }
    const Colour& colour = kCurveColours[index % std::size(kCurveColours)];
    cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
    cairo_set_line_width(cr, 2.0);
    SetDash(cr, index);
}

void DrawCurves(cairo_t* cr, const Frame& f, const std::vector<double>& frequencies,
                const std::vector<PlotCurve>& curves)
{
    cairo_save(cr);
    cairo_rectangle(cr, f.x0, f.y0, f.width, f.height);
    cairo_clip(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (bool faint : {true, false})
    {
        for (std::size_t c = 0; c < curves.size(); ++c)
        {
            if (curves[c].faint != faint)
            {
                continue;
            }
            SetStyle(cr, curves, c);
            bool drawing = false;
            for (std::size_t i = 0; i < frequencies.size() && i < curves[c].gainsDb.size(); ++i)
            {
                const double db = std::clamp(curves[c].gainsDb[i], f.lowDb - 1.0, f.highDb + 1.0);
                if (std::isnan(db) || frequencies[i] <= 0.0)
                {
                    drawing = false;
                    continue;
                }
                if (drawing)
                {
                    cairo_line_to(cr, f.X(frequencies[i]), f.Y(db));
                }
                else
                {
                    cairo_move_to(cr, f.X(frequencies[i]), f.Y(db));
                    drawing = true;
                }
            }
            cairo_stroke(cr);
        }
    }
    cairo_restore(cr);
}

void DrawLegend(cairo_t* cr, const Frame& f, const std::vector<PlotCurve>& curves)
{
    constexpr double kRow = 20.0;
    double width = 0.0;
    std::size_t rows = 0;
    for (const auto& curve : curves)
    {
        cairo_text_extents_t extents;
        cairo_text_extents(cr, curve.label.c_str(), &extents);
        width = std::max(width, extents.x_advance);
        rows += curve.label.empty() ? 0 : 1;
    }
    const double boxWidth = width + 52.0;
    const double boxHeight = kRow * static_cast<double>(rows) + 10.0;
    const double x = f.x0 + f.width - boxWidth - 10.0;
    const double y = f.y0 + 10.0;
    cairo_set_source_rgba(cr, 1.0, 1.0, 1.0, 0.9);
    cairo_rectangle(cr, x, y, boxWidth, boxHeight);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    std::size_t row = 0;
    for (std::size_t c = 0; c < curves.size(); ++c)
    {
        if (curves[c].label.empty())
        {
            continue;
        }
        const double rowY = y + 5.0 + kRow * (static_cast<double>(row++) + 0.5);
        SetStyle(cr, curves, c);
        cairo_move_to(cr, x + 10.0, rowY);
        cairo_line_to(cr, x + 36.0, rowY);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0.0);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        Text(cr, curves[c].label, x + 44.0, rowY, 0.0, 0.5);
    }
}

struct PngSink
{
    OutputFile* output;
    std::string error;
};

cairo_status_t WritePngBytes(void* closure, const unsigned char* data, unsigned int length)
{
    auto* sink = static_cast<PngSink*>(closure);
    return sink->output->Write(data, length, sink->error) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}
} // namespace

bool WriteResponsePlot(OutputFile& output, const std::string& title, const std::string& subtitle,
                       const std::vector<double>& frequencies, const std::vector<PlotCurve>& curves,
                       std::string& error)
{
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight), cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> context(cairo_create(surface.get()), cairo_destroy);
    cairo_t* cr = context.get();
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_paint(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);

    Frame frame{kLeft, kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom, 0.0, 0.0};
    double step = 3.0;
    ChooseRange(frequencies, curves, frame.lowDb, frame.highDb, step);

    cairo_set_font_size(cr, 11.0);
    DrawGrid(cr, frame, step);
    DrawCurves(cr, frame, frequencies, curves);
    cairo_set_font_size(cr, 12.0);
    DrawLegend(cr, frame, curves);

    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_set_font_size(cr, 12.0);
    Text(cr, "Frequency (Hz)", frame.x0 + frame.width / 2.0, kHeight - 20.0, 0.5, 0.0);
    cairo_save(cr);
    cairo_translate(cr, 18.0, frame.y0 + frame.height / 2.0);
    cairo_rotate(cr, -M_PI / 2.0);
    Text(cr, "Gain (dB)", 0.0, 0.0, 0.5, 0.5);
    cairo_restore(cr);

    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 16.0);
    Text(cr, title, kLeft, 16.0, 0.0, 0.0);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12.0);
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    Text(cr, subtitle, kLeft, 42.0, 0.0, 0.0);

    cairo_surface_flush(surface.get());
    return WritePng(surface.get(), output, error);
}

bool WritePng(cairo_surface_t* surface, OutputFile& output, std::string& error)
{
    PngSink sink{&output, {}};
    const cairo_status_t status = cairo_surface_write_to_png_stream(surface, WritePngBytes, &sink);
    if (status != CAIRO_STATUS_SUCCESS)
    {
        error = !sink.error.empty()
                    ? sink.error
                    : "cannot write " + output.Destination() + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}
} // namespace KVX::Tovik
