// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A lamp: shows its value by cross-fading between the first and last frame of its sheet. The user cannot
// operate it; setting its value notifies nobody.
#include "gui/widgets/meter.h"

namespace KVX
{
class CLED : public CMeter
{
public:
    CLED(CGUI* panel, const WidgetSpec& record) : CMeter(panel, record) {}

    // The first frame fades into the last as the shown value rises.
    void DrawShadow() override;
    void DrawBody() override;
};
} // namespace KVX
