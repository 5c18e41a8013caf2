#pragma once
// A private X server for the tests of this folder: Xvfb on a display it picks itself (-displayfd),
// DISPLAY pointed at it while it runs, stopped by its process id.
#include <string>
#include <sys/types.h>

namespace KVX::Test
{
class XvfbServer
{
public:
    XvfbServer() = default;
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer() { Stop(); }

    // False when Xvfb cannot be started (not installed, no display free within a few seconds).
    bool Start(int width = 1024, int height = 768);
    void Stop();

    const std::string& Display() const { return m_Display; }

private:
    pid_t m_Pid = -1;
    std::string m_Display;
    std::string m_SavedDisplay;
    bool m_HadDisplay = false;
};
} // namespace KVX::Test
