// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plug-in's editor as `tovik editor` hosts it, embedded in a window of tovik's, whatever the plug-in's
// format: told the screen's scale, asked its size, opened, given its turns, closed.
#include <functional>
#include <memory>
#include <string>

namespace KVX::Host
{
class Plugin;
}

namespace KVX::Tovik
{
class ClapPlugin;

class PluginEditor
{
public:
    // The plug-in asks for its window to be another size, on any thread but the audio thread: true once
    // tovik's window has that size.
    using ResizeRequest = std::function<bool(int width, int height)>;

    virtual ~PluginEditor() = default;

    // The screen's scale (1 to 2) as the format tells it; false when the plug-in does not take it.
    virtual bool SetScale(double scale) = 0;
    // The editor's size in pixels; false when the plug-in tells none (or none believable).
    virtual bool Size(int& width, int& height) = 0;
    // Inside the X11 window `parent`; false with a one-line `error` when the plug-in could not open it.
    virtual bool Open(unsigned long parent, std::string& error) = 0;
    // Once per turn of tovik's loop, on its thread.
    virtual void Idle() {}
    // Closes the editor (once; further calls do nothing).
    virtual void Close() = 0;
    // Prints each parameter whose value changed since the last call (every one at the first).
    virtual void PrintChanges() = 0;
};

// Null with a one-line `error` when the plug-in has no editor tovik can embed.
std::unique_ptr<PluginEditor> MakeVstEditor(Host::Plugin& plugin, PluginEditor::ResizeRequest resize,
                                            const std::string& path, std::string& error);
std::unique_ptr<PluginEditor> MakeClapEditor(ClapPlugin& plugin, PluginEditor::ResizeRequest resize,
                                             const std::string& path, std::string& error);

// Larger than any screen: an editor size beyond it is not believed.
constexpr int kMaxEditorSide = 16384;
} // namespace KVX::Tovik
