// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A host for editor tests: the plug-in loaded through its entry point, a host window on the private X
// server, and the editor opened inside it.
#include <gtest/gtest.h>

#include "host/plugin_host.h"
#include "support/host_window.h"
#include "support/xvfb.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace KVX::Test
{
// Where the host window sits on the screen.
constexpr int kHostX = 40;
constexpr int kHostY = 30;
// The host window's own colour.
constexpr std::uint32_t kHostGrey = 0x404040;

class EditorHost : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the editor and waits until its first frame is on the screen.
    bool OpenEditor();
    // A spot of plain panel shows the panel rather than the host's window.
    bool PanelShown() const;
    void CloseEditor();
    // The editor's child window, or 0.
    unsigned long EditorWindow() const;
    // The panel's pixels (0xRRGGBB), row by row, as the screen shows them.
    std::vector<std::uint32_t> PanelPixels() const;
    // The panel's pixels once two reads a few frames apart agree (animations finished).
    std::vector<std::uint32_t> SettledPanelPixels() const;
    // Waits for a condition, polling; false after the timeout.
    static bool WaitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
    // Lets the editor's frame clock run for a while.
    static void Frames(int count);

    // Pointer input in panel coordinates, through XTest.
    void MoveTo(int x, int y);
    void Button(unsigned button, bool down);
    void Key(unsigned long keysym, bool down);

    std::unique_ptr<Host::Plugin> plugin;
    std::unique_ptr<HostWindow> host;
};

std::uint32_t PixelAt(const std::vector<std::uint32_t>& pixels, int x, int y);
// The colour distance of two 0xRRGGBB pixels: the largest channel difference.
int ColourDistance(std::uint32_t a, std::uint32_t b);
// Writes pixels as a PNG (test artefact).
bool WritePng(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height);
// Decodes a PNG of the skin into 0xAARRGGBB words.
std::vector<std::uint32_t> ReadPng(const std::string& path, int& width, int& height);
} // namespace KVX::Test
