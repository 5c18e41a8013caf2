// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An LV2 plug-in found through lilv (by URI on LV2_PATH, or in a bundle folder) and run with the host
// features a plain effect needs: URID mapping, options with bounded block lengths, a log, and its
// default state where it asks for one.
#include "plugin_session.h"

#include <memory>

namespace KVX::Tovik
{
class Lv2Session final : public Session
{
public:
    // A plug-in by URI, from the bundles on LV2_PATH (lilv's default folders when unset).
    static std::unique_ptr<Session> OpenUri(const PluginChoice& choice, std::string& error);
    // The plug-in in the bundle folder `choice.plugin` (LV2_PATH loaded too, for the data it shares), or the
    // one `choice.uri` names when the bundle holds several.
    static std::unique_ptr<Session> OpenBundle(const PluginChoice& choice, std::string& error);
    ~Lv2Session() override;

    std::string Name() const override;
    ParameterNames Parameters() const override;
    void SetParameter(const Setting& setting) override;
    void PrintInfo() const override;
    using Session::Process;
    void Process(float* const* inputs, float* const* outputs, int frames) override;

    // The lilv world, the chosen plug-in, its instance and its ports.
    struct Loaded;

private:
    explicit Lv2Session(std::unique_ptr<Loaded> loaded);
    static std::unique_ptr<Session> Finish(std::unique_ptr<Loaded> loaded, const PluginChoice& choice,
                                           std::string& error);
    void OnStart(double sampleRate, int blockSize) override;
    void OnStop() override;

    std::unique_ptr<Loaded> m_Loaded;
};
} // namespace KVX::Tovik
