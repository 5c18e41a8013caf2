// SPDX-License-Identifier: GPL-3.0-or-later
// gtest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "support/scaled_panel.h"


#include <cstdlib>
#include <string>

namespace KVX::Test
{
namespace
{
constexpr VstInt32 FourCharacters(const char (&code)[5])
{
    return static_cast<VstInt32>(
        (static_cast<std::uint32_t>(code[0]) << 24) | (static_cast<std::uint32_t>(code[1]) << 16) |
        (static_cast<std::uint32_t>(code[2]) << 8) | static_cast<std::uint32_t>(code[3]));
}
} // namespace

std::pair<int, int> WindowSize(Display* display, unsigned long window)
{
    XWindowAttributes attributes{};
    if (window == 0 || XGetWindowAttributes(display, window, &attributes) == 0)
    {
        return {0, 0};
    }
    return {attributes.width, attributes.height};
}

std::vector<std::uint32_t> SettledWindowPixels(Display* display, unsigned long window, int width, int height,
                                               const std::function<void()>& tick)
{
    // Past the longest animation first, then three equal reads in a row (as SettledPanelPixels).
    for (int i = 0; i < 20; ++i)
    {
        if (tick)
        {
            tick();
        }
        Frames(1);
    }
    std::vector<std::uint32_t> previous;
    int agreeing = 0;
    for (int attempt = 0; attempt < 60 && agreeing < 2; ++attempt)
    {
        if (tick)
        {
            tick();
        }
        Frames(3);
        auto current = ReadWindowPixels(display, window, 0, 0, width, height);
        agreeing = !current.empty() && current == previous ? agreeing + 1 : 0;
        previous = std::move(current);
    }
    return previous;
}

std::vector<std::uint32_t> HalfSize(const std::vector<std::uint32_t>& pixels, int width, int height)
{
    std::vector<std::uint32_t> half;
    if (pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    {
        return half;
    }
    for (int y = 0; y + 1 < height; y += 2)
    {
        for (int x = 0; x + 1 < width; x += 2)
        {
            std::uint32_t out = 0;
            for (int shift = 0; shift < 24; shift += 8)
            {
                std::uint32_t sum = 0;
                for (const int at :
                     {y * width + x, y * width + x + 1, (y + 1) * width + x, (y + 1) * width + x + 1})
                {
                    sum += (pixels[static_cast<std::size_t>(at)] >> shift) & 0xFFu;
                }
                out |= ((sum + 2) / 4) << shift;
            }
            half.push_back(out);
        }
    }
    return half;
}

int PixelsBeyond(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int tolerance)
{
    if (a.size() != b.size() || a.empty())
    {
        return -1;
    }
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        for (int shift = 0; shift < 24; shift += 8)
        {
            if (std::abs(static_cast<int>((a[i] >> shift) & 0xFFu) -
                         static_cast<int>((b[i] >> shift) & 0xFFu)) > tolerance)
            {
                ++count;
                break;
            }
        }
    }
    return count;
}

std::vector<std::uint32_t> ScaledVstPanel::Pixels(const std::vector<std::pair<int, float>>& values)
{
    if (m_Window == nullptr)
    {
        std::string error;
        m_Plugin = Host::Plugin::Load(KVX_VST_PLUGIN_PATH, error);
        EXPECT_NE(m_Plugin, nullptr) << error;
        if (m_Plugin == nullptr)
        {
            return {};
        }
        m_Plugin->Dispatch(effVendorSpecific, FourCharacters("PreS"), FourCharacters("AeCs"), nullptr,
                           m_Scale);
        ERect* rect = nullptr;
        if (m_Plugin->Dispatch(effEditGetRect, 0, 0, &rect) != 1 || rect == nullptr)
        {
            ADD_FAILURE() << "the VST 2.4 editor has no rectangle";
            return {};
        }
        m_Width = rect->right - rect->left;
        m_Height = rect->bottom - rect->top;
        m_Window = std::make_unique<HostWindow>(m_X, m_Y, m_Width + 20, m_Height + 20);
        m_Plugin->Dispatch(effEditOpen, 0, 0,
                           reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Window->Id())));
    }
    if (m_Plugin == nullptr)
    {
        return {};
    }
    for (const auto& [index, value] : values)
    {
        m_Plugin->SetParameter(index, value);
    }
    std::vector<float> left(64), right(64);
    float* io[] = {left.data(), right.data()};
    m_Plugin->Effect()->processReplacing(m_Plugin->Effect(), io, io, 64);
    return SettledWindowPixels(m_Window->GetDisplay(), m_Window->Id(), m_Width, m_Height);
}

void ScaledVstPanel::Close()
{
    if (m_Plugin != nullptr)
    {
        m_Plugin->Dispatch(effEditClose);
    }
    m_Plugin.reset();
    m_Window.reset();
}
} // namespace KVX::Test
