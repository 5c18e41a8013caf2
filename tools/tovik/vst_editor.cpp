// SPDX-License-Identifier: GPL-3.0-or-later
// A VST 2.4 plug-in's editor: the host's scale through the 'PreS'/'AeCs' vendor call, the size from
// effEditGetRect, and the plug-in's own requests for another size through audioMasterSizeWindow.
#include "host/plugin_host.h"
#include "plugin_editor.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace KVX::Tovik
{
namespace
{
constexpr VstInt32 FourCharacters(const char (&code)[5])
{
    return static_cast<VstInt32>(
        (static_cast<std::uint32_t>(code[0]) << 24) | (static_cast<std::uint32_t>(code[1]) << 16) |
        (static_cast<std::uint32_t>(code[2]) << 8) | static_cast<std::uint32_t>(code[3]));
}

class VstEditor final : public PluginEditor
{
public:
    VstEditor(Host::Plugin& plugin, ResizeRequest resize) : m_Plugin(plugin)
    {
        m_Plugin.SetSizeWindowHandler(std::move(resize));
        m_Last.assign(static_cast<std::size_t>(std::clamp(plugin.Effect()->numParams, 0, 100000)), -1.0f);
    }
    ~VstEditor() override
    {
        Close();
        m_Plugin.SetSizeWindowHandler({});
    }

    bool SetScale(double scale) override
    {
        return m_Plugin.Dispatch(effVendorSpecific, FourCharacters("PreS"), FourCharacters("AeCs"), nullptr,
                                 static_cast<float>(scale)) != 0;
    }

    bool Size(int& width, int& height) override
    {
        ERect* rect = nullptr;
        if (m_Plugin.Dispatch(effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr)
        {
            return false;
        }
        const int w = rect->right - rect->left;
        const int h = rect->bottom - rect->top;
        if (w <= 0 || h <= 0 || w > kMaxEditorSide || h > kMaxEditorSide)
        {
            return false;
        }
        width = w;
        height = h;
        return true;
    }

    bool Open(unsigned long parent, std::string&) override
    {
        // Plug-ins answer effEditOpen inconsistently; whether a size follows is what tells.
        m_Plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)));
        m_Open = true;
        return true;
    }

    // Hosts give the editor a regular turn on their own thread; some plug-ins draw only there.
    void Idle() override { m_Plugin.Dispatch(effEditIdle); }

    void Close() override
    {
        if (m_Open)
        {
            m_Plugin.Dispatch(effEditClose);
            m_Open = false;
        }
    }

    void PrintChanges() override
    {
        for (VstInt32 i = 0; i < static_cast<VstInt32>(m_Last.size()); ++i)
        {
            const float value = m_Plugin.GetParameter(i);
            if (value != m_Last[static_cast<std::size_t>(i)])
            {
                m_Last[static_cast<std::size_t>(i)] = value;
                std::printf("%-8s %s %s\n", m_Plugin.Text(effGetParamName, i).c_str(),
                            m_Plugin.Text(effGetParamDisplay, i).c_str(),
                            m_Plugin.Text(effGetParamLabel, i).c_str());
                std::fflush(stdout);
            }
        }
    }

private:
    Host::Plugin& m_Plugin;
    std::vector<float> m_Last;
    bool m_Open = false;
};
} // namespace

std::unique_ptr<PluginEditor> MakeVstEditor(Host::Plugin& plugin, PluginEditor::ResizeRequest resize,
                                            const std::string& path, std::string& error)
{
    if ((plugin.Effect()->flags & effFlagsHasEditor) == 0)
    {
        error = path + " has no editor";
        return nullptr;
    }
    return std::make_unique<VstEditor>(plugin, std::move(resize));
}
} // namespace KVX::Tovik
