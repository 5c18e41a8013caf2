// SPDX-License-Identifier: GPL-3.0-or-later
// A CLAP plug-in's editor through its gui extension: embedded in an X11 window, told the scale with
// set_scale, asked its size with get_size, and heard through the host's request_resize.
#include "clap_host.h"
#include "plugin_editor.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace KVX::Tovik
{
namespace
{
int Side(std::uint32_t side)
{
    return static_cast<int>(std::min<std::uint32_t>(side, kMaxEditorSide + 1));
}

bool IsComplete(const Clap::PluginGui& gui)
{
    return gui.isApiSupported != nullptr && gui.create != nullptr && gui.destroy != nullptr &&
           gui.getSize != nullptr && gui.setParent != nullptr;
}

class ClapEditor final : public PluginEditor
{
public:
    ClapEditor(ClapPlugin& plugin, const Clap::PluginGui& gui) : m_Plugin(plugin), m_Gui(gui) {}
    ~ClapEditor() override
    {
        Close();
        m_Plugin.SetResizeHandler({});
    }

    bool SetScale(double scale) override { return m_Gui.setScale != nullptr && m_Gui.setScale(Raw(), scale); }

    bool Size(int& width, int& height) override
    {
        std::uint32_t w = 0;
        std::uint32_t h = 0;
        if (!m_Created || !m_Gui.getSize(Raw(), &w, &h))
        {
            return false;
        }
        if (w == 0 || h == 0 || Side(w) > kMaxEditorSide || Side(h) > kMaxEditorSide)
        {
            return false;
        }
        width = Side(w);
        height = Side(h);
        return true;
    }

    bool Create(std::string& error)
    {
        m_Created = m_Gui.create(Raw(), Clap::kWindowApiX11, false);
        if (!m_Created)
        {
            error = "could not make its editor";
        }
        return m_Created;
    }

    bool Open(unsigned long parent, std::string& error) override
    {
        Clap::Window window{};
        window.api = Clap::kWindowApiX11;
        window.x11 = parent;
        if (!m_Gui.setParent(Raw(), &window))
        {
            error = "could not open its editor in tovik's window";
            return false;
        }
        if (m_Gui.show != nullptr)
        {
            m_Gui.show(Raw());
        }
        return true;
    }

    void Close() override
    {
        if (m_Created)
        {
            m_Gui.destroy(Raw());
            m_Created = false;
        }
    }

    void PrintChanges() override
    {
        for (const ClapParam& param : m_Plugin.Params())
        {
            const auto value = m_Plugin.Value(param.id);
            if (!value)
            {
                continue;
            }
            const auto last = m_Last.find(param.id);
            if (last != m_Last.end() && last->second == *value)
            {
                continue;
            }
            m_Last[param.id] = *value;
            std::printf("%-8s %s\n", param.name.c_str(), m_Plugin.ValueText(param.id, *value).c_str());
            std::fflush(stdout);
        }
    }

private:
    const Clap::Plugin* Raw() const { return m_Plugin.Raw(); }

    ClapPlugin& m_Plugin;
    const Clap::PluginGui& m_Gui;
    std::map<Clap::Id, double> m_Last;
    bool m_Created = false;
};
} // namespace

std::unique_ptr<PluginEditor> MakeClapEditor(ClapPlugin& plugin, PluginEditor::ResizeRequest resize,
                                             const std::string& path, std::string& error)
{
    const auto* gui = static_cast<const Clap::PluginGui*>(plugin.Extension(Clap::kExtGui));
    if (gui == nullptr || !IsComplete(*gui))
    {
        error = path + " has no editor";
        return nullptr;
    }
    if (!gui->isApiSupported(plugin.Raw(), Clap::kWindowApiX11, false))
    {
        error = path + " has no editor that embeds in an X11 window";
        return nullptr;
    }
    // Before the editor exists, so that a request made while it opens is heard.
    plugin.SetResizeHandler([resize = std::move(resize)](std::uint32_t width, std::uint32_t height)
                            { return resize(Side(width), Side(height)); });
    auto editor = std::make_unique<ClapEditor>(plugin, *gui);
    std::string why;
    if (!editor->Create(why))
    {
        error = path + ": " + why;
        return nullptr;
    }
    return editor;
}
} // namespace KVX::Tovik
