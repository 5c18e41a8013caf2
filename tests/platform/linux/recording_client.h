// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window client that records what the window tells it, and runs test code on the editor thread.
#include "platform/window.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace KVX::Test
{
struct MouseEvent
{
    enum Kind
    {
        Down,
        Up,
        Move,
        DoubleClick,
        Wheel
    };
    Kind kind;
    int x = 0;
    int y = 0;
    std::uint32_t keys = 0;
    float steps = 0.0f;

    bool operator==(const MouseEvent&) const = default;
};

class RecordingClient final : public Platform::WindowClient
{
public:
    using Clock = std::chrono::steady_clock;

    // Closes the window first: its thread calls back into this object until it has stopped.
    ~RecordingClient() override { window.reset(); }

    // Creates the window into `window`, inside `parent`.
    void Open(std::uintptr_t parent, int width, int height)
    {
        Platform::WindowOptions options;
        options.parent = parent;
        options.width = width;
        options.height = height;
        Platform::Window::Create(options, this, window);
    }

    // Runs `call` on the editor thread at the next frame and waits for it.
    bool RunOnEditorThread(std::function<void(Platform::Window&)> call)
    {
        std::unique_lock lock(m_mutex);
        const auto serial = ++m_queued;
        m_calls.push_back(std::move(call));
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_done >= serial; });
    }

    // Waits until `done` holds (checked under the lock) or the time is up.
    template <class Condition>
    bool WaitUntil(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return done(); });
    }
    template <class Read> auto Locked(Read read)
    {
        std::lock_guard lock(m_mutex);
        return read();
    }

    void OnContextCreated() override
    {
        {
            std::lock_guard lock(m_mutex);
            ++contextsCreated;
            currentAtCreation = glXGetCurrentContext() != nullptr;
            if (const GLubyte* name = glGetString(GL_RENDERER))
            {
                renderer = reinterpret_cast<const char*>(name);
            }
        }
        m_changed.notify_all();
        if (onContextCreated)
        {
            onContextCreated();
        }
    }
    void OnContextFailed(std::exception_ptr failure) override
    {
        {
            std::lock_guard lock(m_mutex);
            contextFailure = failure;
        }
        m_changed.notify_all();
    }
    bool OnFrame(std::uint32_t timeMs) override
    {
        std::deque<std::function<void(Platform::Window&)>> calls;
        {
            std::lock_guard lock(m_mutex);
            frameTimes.push_back(timeMs);
            frameClock.push_back(Clock::now());
            frameThread = std::this_thread::get_id();
            calls.swap(m_calls);
        }
        if (const std::uint32_t c = clearColour)
        {
            glClearColor(((c >> 16) & 255) / 255.0f, ((c >> 8) & 255) / 255.0f, (c & 255) / 255.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            unsigned char rgba[4] = {};
            glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
            std::lock_guard lock(m_mutex);
            readBack = std::uint32_t{rgba[0]} << 16 | std::uint32_t{rgba[1]} << 8 | rgba[2];
        }
        for (auto& call : calls)
        {
            call(*window);
        }
        {
            std::lock_guard lock(m_mutex);
            m_done += calls.size();
        }
        m_changed.notify_all();
        return !abandonFrames;
    }
    void OnContextReleasing() override
    {
        std::lock_guard lock(m_mutex);
        ++contextsReleased;
        currentAtRelease = glXGetCurrentContext() != nullptr;
    }
    void OnMouseDown(int x, int y, std::uint32_t keys) override
    {
        Record({MouseEvent::Down, x, y, keys});
        if (captureOnPress)
        {
            window->SetCapture();
        }
    }
    void OnMouseUp(int x, int y, std::uint32_t keys) override
    {
        Record({MouseEvent::Up, x, y, keys});
        if (releaseOnRelease)
        {
            window->ReleaseCapture();
        }
    }
    void OnMouseMove(int x, int y, std::uint32_t keys) override { Record({MouseEvent::Move, x, y, keys}); }
    void OnDoubleClick(int x, int y, std::uint32_t keys) override
    {
        Record({MouseEvent::DoubleClick, x, y, keys});
    }
    void OnMouseWheel(float steps, std::uint32_t keys) override
    {
        Record({MouseEvent::Wheel, 0, 0, keys, steps});
    }

    std::unique_ptr<Platform::Window> window;
    std::function<void()> onContextCreated;    // called at the end of OnContextCreated; may throw
    std::atomic<std::uint32_t> clearColour{0}; // 0xRRGGBB each frame when non-zero
    std::atomic<bool> captureOnPress{false};
    std::atomic<bool> releaseOnRelease{false};
    std::atomic<bool> abandonFrames{false}; // OnFrame reports each frame as not drawn

    // Read these through Locked or WaitUntil while the window runs.
    int contextsCreated = 0;
    int contextsReleased = 0;
    std::exception_ptr contextFailure;
    bool currentAtCreation = false;
    bool currentAtRelease = false;
    std::string renderer;
    std::vector<std::uint32_t> frameTimes;
    std::vector<Clock::time_point> frameClock;
    std::thread::id frameThread;
    std::uint32_t readBack = 0;
    std::vector<MouseEvent> events;

private:
    void Record(const MouseEvent& event)
    {
        {
            std::lock_guard lock(m_mutex);
            events.push_back(event);
        }
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void(Platform::Window&)>> m_calls;
    std::size_t m_queued = 0;
    std::size_t m_done = 0;
};
} // namespace KVX::Test
