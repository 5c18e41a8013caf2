#include "configured_session.h"

#include "preset.h"
#include "settings.h"

namespace KVX::Tovik
{
std::unique_ptr<Session> OpenConfigured(const std::string& plugin, const std::optional<std::string>& preset,
                                        const std::vector<std::string>& sets, std::string& error)
{
    // The preset file is read first: a bad file is reported without loading the plug-in.
    ProgramFile program;
    if (preset && !ReadProgramFile(*preset, program, error))
    {
        return nullptr;
    }
    auto session = Session::Open(plugin, error);
    if (!session)
    {
        return nullptr;
    }
    std::vector<Setting> settings;
    if (!ParseSettings(DescribeParameters(session->Plugin()), sets, settings, error))
    {
        return nullptr;
    }
    if (preset && !ApplyProgram(session->Plugin(), program, error))
    {
        error = *preset + ": " + error;
        return nullptr;
    }
    ApplySettings(session->Plugin(), settings);
    return session;
}
} // namespace KVX::Tovik
