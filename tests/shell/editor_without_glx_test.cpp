// SPDX-License-Identifier: GPL-3.0-or-later
// The editor on a display without GLX: it shows why OpenGL failed, and every way a host closes it
// returns at once while the box stays up for the user, until they close it or the module is unloaded.
// gtest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "host/plugin_host.h"
#include "lv2/lv2_names.h"
#include "support/host_window.h"
#include "support/xvfb.h"

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

namespace KVX::Test
{
namespace
{
using namespace std::chrono_literals;

const auto* const g_Server = ::testing::AddGlobalTestEnvironment(
    new XvfbEnvironment(Xvfb::Options{"1280x1024x24", false, {"-extension", "GLX"}}));

const std::string kBoxTitle = "KVX Tovik 1.0.0.283";

// A host call that hangs must fail the test rather than hang it: past the deadline the program ends.
void ReturnsInTime(const char* what, std::function<void()> call)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> returned = done->get_future();
    std::thread caller(
        [call = std::move(call), done]
        {
            call();
            done->set_value();
        });
    if (returned.wait_for(10s) != std::future_status::ready)
    {
        ADD_FAILURE() << what << " has not returned after 10 s";
        std::fflush(stdout);
        std::_Exit(1);
    }
    caller.join();
}

class EditorWithoutGlx : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(XvfbEnvironment::Server(), nullptr);
        // Windows come and go while Boxes() looks at them: a window gone meanwhile is no box.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        m_Display = XOpenDisplay(XvfbEnvironment::Server()->DisplayName().c_str());
        ASSERT_NE(m_Display, nullptr);
        m_Host = std::make_unique<HostWindow>(40, 30, 1000, 330);
    }

    void TearDown() override
    {
        m_Host.reset();
        if (m_Display != nullptr)
        {
            XCloseDisplay(m_Display);
        }
    }

    // The error boxes on the screen: top-level windows with the product's caption.
    std::vector<::Window> Boxes()
    {
        std::vector<::Window> found;
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned count = 0;
        XSync(m_Display, False);
        if (XQueryTree(m_Display, DefaultRootWindow(m_Display), &root, &parent, &children, &count))
        {
            for (unsigned i = 0; i < count; ++i)
            {
                char* name = nullptr;
                XWindowAttributes attributes{};
                if (XGetWindowAttributes(m_Display, children[i], &attributes) &&
                    attributes.map_state == IsViewable && XFetchName(m_Display, children[i], &name) && name)
                {
                    if (kBoxTitle == name)
                    {
                        found.push_back(children[i]);
                    }
                    XFree(name);
                }
            }
            XFree(children);
        }
        return found;
    }

    bool BoxCountBecomes(std::size_t count)
    {
        for (auto until = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < until;)
        {
            if (Boxes().size() == count)
            {
                return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    // The box's own thread (named by the platform layer) has ended, display connection and all: only then
    // may the server go away, for Xlib ends any process one of whose connections breaks.
    static bool BoxThreadEnds()
    {
        for (auto until = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < until;)
        {
            bool running = false;
            for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
            {
                std::ifstream comm(task.path() / "comm");
                std::string name;
                running = running || (std::getline(comm, name) && name == "kvx-message-box");
            }
            if (!running)
            {
                return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    // What a window manager sends when the user closes the box with its title bar.
    void CloseBox(::Window box)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = box;
        event.xclient.message_type = XInternAtom(m_Display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_Display, "WM_DELETE_WINDOW", False));
        XSendEvent(m_Display, box, False, NoEventMask, &event);
        XFlush(m_Display);
    }

    std::unique_ptr<Host::Plugin> OpenVstEditor()
    {
        std::string error;
        auto plugin = Host::Plugin::Load(KVX_PLUGIN_PATH, error);
        EXPECT_NE(plugin, nullptr) << error;
        if (plugin)
        {
            plugin->Dispatch(effEditOpen, 0, 0,
                             reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Host->Id())));
        }
        return plugin;
    }

    Display* m_Display = nullptr;
    std::unique_ptr<HostWindow> m_Host;
};

TEST_F(EditorWithoutGlx, ClosingTheVstEditorReturnsAndTheBoxStaysForTheUser)
{
    auto plugin = OpenVstEditor();
    ASSERT_NE(plugin, nullptr);
    ASSERT_TRUE(BoxCountBecomes(1)) << "no OpenGL error box";

    ReturnsInTime("effEditClose", [&] { plugin->Dispatch(effEditClose); });
    EXPECT_TRUE(m_Host->Children().empty()) << "the panel's window outlived the close";
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u) << "the user never learns what failed";

    CloseBox(boxes.front());
    EXPECT_TRUE(BoxCountBecomes(0));
    EXPECT_TRUE(BoxThreadEnds());
    // Once the user has closed it, the next open tells them again.
    plugin->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Host->Id())));
    ASSERT_TRUE(BoxCountBecomes(1));
    ReturnsInTime("effEditClose", [&] { plugin->Dispatch(effEditClose); });
    ASSERT_EQ(Boxes().size(), 1u);
    CloseBox(Boxes().front());
    EXPECT_TRUE(BoxCountBecomes(0));
    EXPECT_TRUE(BoxThreadEnds());
}

TEST_F(EditorWithoutGlx, DestroyingThePluginReturnsAndUnloadingTakesTheBoxDownWithItsReport)
{
    auto plugin = OpenVstEditor();
    ASSERT_NE(plugin, nullptr);
    ASSERT_TRUE(BoxCountBecomes(1));

    ReturnsInTime("effClose", [&] { plugin->Close(); });
    EXPECT_EQ(Boxes().size(), 1u);

    ::testing::internal::CaptureStderr();
    ReturnsInTime("unloading the module", [&] { plugin.reset(); });
    const std::string printed = ::testing::internal::GetCapturedStderr();
    if (void* kept = dlopen(KVX_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD))
    {
        // Sanitised builds keep every module mapped: there the box goes when the process does.
        dlclose(kept);
        for (const ::Window box : Boxes())
        {
            CloseBox(box);
        }
        EXPECT_TRUE(BoxThreadEnds()) << "the box stayed up after the user closed it";
        return;
    }
    EXPECT_TRUE(BoxCountBecomes(0)) << "the box outlived its module";
    EXPECT_NE(printed.find(kBoxTitle + ": " + kBoxTitle + " OPENGL ERROR:"), std::string::npos) << printed;
}

TEST_F(EditorWithoutGlx, TheLv2UisCleanupReturns)
{
    void* module = dlopen(KVX_LV2_UI_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    using Entry = const LV2UI_Descriptor* (*)(std::uint32_t);
    const auto* descriptor = reinterpret_cast<Entry>(dlsym(module, "lv2ui_descriptor"))(0);
    ASSERT_NE(descriptor, nullptr);
    LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Host->Id()))};
    const LV2_Feature* features[] = {&parent, nullptr};
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui =
        descriptor->instantiate(descriptor, KVX_LV2_PLUGIN_URI, "", nullptr, nullptr, &widget, features);
    ASSERT_NE(ui, nullptr);
    ASSERT_TRUE(BoxCountBecomes(1));

    ReturnsInTime("cleanup", [&] { descriptor->cleanup(ui); });
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    CloseBox(boxes.front());
    EXPECT_TRUE(BoxCountBecomes(0));
    EXPECT_TRUE(BoxThreadEnds());
    dlclose(module);
}
} // namespace
} // namespace KVX::Test
