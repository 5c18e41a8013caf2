// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A VST 2.4 plug-in loaded through its exported entry point.
#include "host/plugin_host.h"
#include "plugin_session.h"

namespace KVX::Tovik
{
class VstSession final : public Session
{
public:
    // Loads the plug-in and sends effOpen. Null with a one-line `error` when the file is not a usable
    // VST 2.4 plug-in.
    static std::unique_ptr<VstSession> Open(const std::string& path, std::string& error);
    ~VstSession() override;

    std::string Name() const override;
    ParameterNames Parameters() const override;
    void SetParameter(const Setting& setting) override;
    void PrintInfo() const override;
    Host::Plugin* Vst() override { return m_Plugin.get(); }
    using Session::Process;
    void Process(float* const* inputs, float* const* outputs, int frames) override;

private:
    VstSession() = default;
    bool ReadChannelCounts(const std::string& path, std::string& error);
    void OnStart(double sampleRate, int blockSize) override;
    void OnStop() override;

    std::string m_Path;
    std::unique_ptr<Host::Plugin> m_Plugin;
};
} // namespace KVX::Tovik
