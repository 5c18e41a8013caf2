// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A CLAP plug-in loaded from its .clap file and run through tovik's CLAP host: parameters in their own
// units and ranges, set through parameter events, audio through the plug-in's ports in order.
#include "clap_host.h"
#include "plugin_session.h"

#include <memory>

namespace KVX::Tovik
{
class ClapSession final : public Session
{
public:
    // The plug-in in `choice.plugin`: the one `choice.id` names, or the file's only one. Null with a
    // one-line `error` otherwise.
    static std::unique_ptr<Session> Open(const PluginChoice& choice, std::string& error);
    ~ClapSession() override;

    std::string Name() const override;
    ParameterNames Parameters() const override;
    void SetParameter(const Setting& setting) override;
    void PrintInfo() const override;
    using Session::Process;
    void Process(float* const* inputs, float* const* outputs, int frames) override;

    ClapPlugin& Plugin() { return *m_Plugin; }
    ClapPlugin* ClapInstance() override { return m_Plugin.get(); }

private:
    explicit ClapSession(std::unique_ptr<ClapPlugin> plugin);
    void OnStart(double sampleRate, int blockSize) override;
    void OnStop() override;

    std::unique_ptr<ClapPlugin> m_Plugin;
};

// True for a path that names a CLAP file ("….clap", any case).
bool IsClapPath(const std::string& path);
} // namespace KVX::Tovik
