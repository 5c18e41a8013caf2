// SPDX-License-Identifier: GPL-3.0-or-later
#include "parameter_table.h"

#include "host/plugin_host.h"

#include <algorithm>
#include <cstdio>

namespace KVX::Tovik
{
void PrintParameterTable(const Host::Plugin& plugin)
{
    const AEffect* e = plugin.Effect();
    const VstInt32 count = std::clamp<VstInt32>(e->numParams, 0, 100000);
    std::printf("Parameters  %d\n", e->numParams);
    std::printf("%5s  %-12s %10s  %-10s %s\n", "index", "name", "value", "display", "label");
    for (VstInt32 i = 0; i < count; ++i)
    {
        std::printf("%5d  %-12s %10.6f  %-10s %s\n", i, plugin.Text(effGetParamName, i).c_str(),
                    static_cast<double>(plugin.GetParameter(i)), plugin.Text(effGetParamDisplay, i).c_str(),
                    plugin.Text(effGetParamLabel, i).c_str());
    }
}
} // namespace KVX::Tovik
