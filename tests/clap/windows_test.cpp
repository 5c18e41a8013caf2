// SPDX-License-Identifier: GPL-3.0-or-later
// The CLAP DLL as a Windows host meets it, under Wine: clap_entry and its factory, audio against the VST
// DLL of the same build (bit for bit: one platform, one compiler), state, and the panel inside a host
// window of this thread, whose edits reach the host as gesture begin, values and gesture end.
#include "clap/param_values.h"
#include "device/parameter_values.h"
#include "host/module_loader.h"
#include "host/plugin_host.h"
#include "our_plugin.h"
#include "platform/image.h"
#include "platform/resources.h"

#include "support/windows_panel.h"
#include <gtest/gtest.h>

#include <windows.h>

#include <GL/gl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace KVX::Tovik
{
namespace
{
using namespace KVX::Clap;
using Device::Description::kInParameter;

constexpr const char* kId = kOurId;

TEST(WindowsClap, TheEntryListsTheEqualiserAndExportsNothingElseAHostNeeds)
{
    std::string error;
    auto module = ClapModule::Open(KVX_CLAP_PLUGIN_PATH, error);
    ASSERT_NE(module, nullptr) << error;
    ASSERT_EQ(module->Descriptors().size(), 1u);
    const PluginDescriptor& d = *module->Descriptors()[0];
    EXPECT_STREQ(d.id, kId);
    EXPECT_STREQ(d.name, "KVX Tovik");
    EXPECT_STREQ(d.vendor, "Brellmoor");
    EXPECT_STREQ(d.version, Device::Description::kIdentity.versionText.data());
    EXPECT_EQ(Host::ModuleSymbol(module->Handle(), "VSTPluginMain"), nullptr) << "a CLAP file, not a VST one";
    auto plugin = ClapPlugin::Create(module, kId, error);
    ASSERT_NE(plugin, nullptr) << error;
    EXPECT_EQ(plugin->Params().size(), ParamCount());
    EXPECT_EQ(plugin->InputChannels(), 2u);
    EXPECT_EQ(plugin->OutputChannels(), 2u);
    EXPECT_EQ(plugin->ValueText(5, 6.0), "+6.0 dB");
    EXPECT_EQ(plugin->ValueText(kInParameter, 0.0), "Off");
}

TEST(WindowsClap, ProcessesTheSamplesOfTheVstDllOfTheSameBuild)
{
    auto plugin = NewOurPlugin();
    ASSERT_NE(plugin, nullptr);
    std::string error;
    auto vst = Host::Plugin::Load(KVX_VST_PLUGIN_PATH, error);
    ASSERT_NE(vst, nullptr) << error;
    vst->Dispatch(effOpen);
    vst->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    vst->Dispatch(effSetBlockSize, 0, 512);
    vst->Dispatch(effMainsChanged, 0, 1);
    ASSERT_TRUE(plugin->Activate(44100.0, 512, error)) << error;

    const auto left = Noise(8192, 1), right = Noise(8192, 2);
    auto vstLeft = left, vstRight = right, clapLeft = left, clapRight = right;
    const std::vector<std::pair<int, double>> moves = {{0, 12.0}, {5, -6.5}, {9, 3.25}, {kInParameter, 0.0}};
    for (std::size_t at = 0, block = 0; at < left.size(); at += 512, ++block)
    {
        if (block < moves.size())
        {
            const auto [index, value] = moves[block];
            plugin->SetParam(static_cast<Id>(index), value);
            vst->SetParameter(index, *Device::ValueTypeOf(index).ToNormalised(value));
        }
        if (block == 10)
        {
            plugin->SetParam(kInParameter, 1.0);
            vst->SetParameter(kInParameter, 1.0f);
        }
        float* v[] = {vstLeft.data() + at, vstRight.data() + at};
        vst->Effect()->processReplacing(vst->Effect(), v, v, 512);
        const float* in[] = {clapLeft.data() + at, clapRight.data() + at};
        float* out[] = {clapLeft.data() + at, clapRight.data() + at};
        ASSERT_EQ(plugin->Process(in, out, 512), kProcessContinue);
    }
    EXPECT_EQ(std::memcmp(vstLeft.data(), clapLeft.data(), left.size() * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(vstRight.data(), clapRight.data(), right.size() * sizeof(float)), 0);
    EXPECT_NE(std::memcmp(left.data(), clapLeft.data(), left.size() * sizeof(float)), 0);

    // Hostile blocks: nothing to write, no frames, one channel.
    EXPECT_EQ(plugin->ProcessBuffers(nullptr, 0, nullptr, 0, 64), kProcessContinue);
    std::vector<float> mono(64);
    float* monoOut[] = {mono.data()};
    AudioBuffer monoBuffer{monoOut, nullptr, 1, 0, 0};
    EXPECT_EQ(plugin->ProcessBuffers(nullptr, 0, &monoBuffer, 1, 64), kProcessContinue);
    EXPECT_EQ(plugin->ProcessBuffers(nullptr, 0, &monoBuffer, 1, 0), kProcessContinue);
    vst->Close();
}

TEST(WindowsClap, StateComesBackAndDamagedStateIsRefused)
{
    auto plugin = NewOurPlugin();
    ASSERT_NE(plugin, nullptr);
    plugin->SetParam(2, 7.5);
    std::vector<std::uint8_t> state;
    ASSERT_TRUE(plugin->SaveState(state));
    EXPECT_EQ(state.size(), 88u);
    plugin->SetParam(2, -3.0);
    std::vector<std::uint8_t> shortState(state.begin(), state.begin() + 40);
    EXPECT_FALSE(plugin->LoadState(shortState));
    EXPECT_FALSE(plugin->LoadState(std::vector<std::uint8_t>(88, 0xFF)));
    EXPECT_EQ(plugin->Value(2), -3.0);
    ASSERT_TRUE(plugin->LoadState(state));
    EXPECT_EQ(plugin->Value(2), 7.5);
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

void Pump(int milliseconds)
{
    Test::PumpMessages(milliseconds);
}

// The panel's last frame (0xRRGGBB, rows from the top), read from its GL context, which is current on
// this thread: on Windows the panel draws on the host's thread.
std::vector<std::uint32_t> PanelPixels(int width, int height)
{
    return Test::CurrentPanelPixels(width, height);
}

// Pixels away from the faders and the switch that differ from the skin's panel image.
int BackgroundMismatches(const std::vector<std::uint32_t>& pixels, int width, int height)
{
    Platform::ResourceView view;
    if (pixels.empty() || !Platform::FindModuleResource(u"panel.png", u"TESTIMG", view))
    {
        return -1;
    }
    const Platform::Bitmap panel = Platform::DecodePng(view.data, view.size).bitmap;
    int mismatches = 0;
    for (int y = 2; y < height - 2; y += 7)
    {
        for (int x = 2; x < width - 2; x += 11)
        {
            if ((x >= 141 && x < 771 && y >= 33) || (x >= 805 && y >= 45 && y < 195))
            {
                continue;
            }
            const std::uint32_t a = pixels[static_cast<std::size_t>(y) * width + x];
            const std::uint32_t b = panel.Pixel(x, y);
            for (int shift : {0, 8, 16})
            {
                if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
                    2)
                {
                    ++mismatches;
                    break;
                }
            }
        }
    }
    return mismatches;
}

TEST(WindowsClap, ThePanelOpensInAHostWindowAndADragReachesTheHostInOrder)
{
    auto plugin = NewOurPlugin();
    ASSERT_NE(plugin, nullptr);
    const auto* gui = static_cast<const PluginGui*>(plugin->Extension(kExtGui));
    ASSERT_NE(gui, nullptr);
    EXPECT_TRUE(gui->isApiSupported(plugin->Raw(), kWindowApiWin32, false));
    EXPECT_FALSE(gui->isApiSupported(plugin->Raw(), kWindowApiX11, false));

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &HostWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KVXClapTestHost";
    RegisterClassW(&windowClass);
    HWND host = CreateWindowExW(0, L"KVXClapTestHost", L"CLAP test host", WS_POPUP | WS_VISIBLE, 40, 30, 900,
                                258, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    Pump(20);
    ASSERT_TRUE(gui->create(plugin->Raw(), kWindowApiWin32, false));
    Window window{};
    window.api = kWindowApiWin32;
    window.win32 = host;
    ASSERT_TRUE(gui->setParent(plugin->Raw(), &window));
    ASSERT_TRUE(gui->show(plugin->Raw()));
    HWND panel = FindWindowExW(host, nullptr, L"KVXGUIWindow", nullptr);
    ASSERT_NE(panel, nullptr);
    Pump(1000); // about thirty frames of the panel's timer
    EXPECT_EQ(BackgroundMismatches(PanelPixels(900, 258), 900, 258), 0) << "the skin is drawn";

    // The 1 kHz fader, dragged 100 pixels up from its centre position.
    const auto send = [panel](UINT message, WPARAM keys, int x, int y)
    { SendMessageW(panel, message, keys, MAKELPARAM(x, y)); };
    send(WM_MOUSEMOVE, 0, 475, 150);
    send(WM_LBUTTONDOWN, MK_LBUTTON, 475, 150);
    for (int i = 1; i <= 10; ++i)
    {
        send(WM_MOUSEMOVE, MK_LBUTTON, 475, 150 - 10 * i);
        Pump(5);
    }
    send(WM_LBUTTONUP, 0, 475, 50);
    Pump(50);
    EXPECT_TRUE(plugin->TakeFlushRequest()) << "the plug-in asked the host to collect its edits";
    plugin->Flush();
    const auto events = plugin->TakeOutputEvents();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front().type, kEventParamGestureBegin);
    EXPECT_EQ(events.back().type, kEventParamGestureEnd);
    for (std::size_t i = 1; i + 1 < events.size(); ++i)
    {
        EXPECT_EQ(events[i].type, kEventParamValue);
    }
    for (const auto& event : events)
    {
        EXPECT_EQ(event.paramId, 5u);
    }
    EXPECT_NEAR(events[events.size() - 2].value, 4.8, 1e-4);

    gui->destroy(plugin->Raw());
    Pump(20);
    EXPECT_EQ(FindWindowExW(host, nullptr, L"KVXGUIWindow", nullptr), nullptr);
    DestroyWindow(host);
    Pump(20);
}
} // namespace
} // namespace KVX::Tovik
