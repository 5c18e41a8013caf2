// SPDX-License-Identifier: GPL-3.0-or-later
#include "configured_session.h"

#include "preset.h"
#include "settings.h"

namespace KVX::Tovik
{
std::unique_ptr<Session> OpenConfigured(const PluginChoice& choice, const std::optional<std::string>& preset,
                                        const std::vector<std::string>& sets, std::string& error)
{
    // The preset file is read first: a bad file is reported without loading the plug-in.
    ProgramFile program;
    if (preset && !ReadProgramFile(*preset, program, error))
    {
        return nullptr;
    }
    auto session = Session::Open(choice, error);
    if (!session)
    {
        return nullptr;
    }
    std::vector<Setting> settings;
    if (!ParseSettings(session->Parameters(), sets, settings, error))
    {
        return nullptr;
    }
    if (preset)
    {
        if (session->Vst() == nullptr)
        {
            error = *preset + ": preset files hold VST programs; " + choice.plugin + " is not a VST plug-in";
            return nullptr;
        }
        if (!ApplyProgram(*session->Vst(), program, error))
        {
            error = *preset + ": " + error;
            return nullptr;
        }
    }
    ApplySettings(*session, settings);
    return session;
}
} // namespace KVX::Tovik
