// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The panel's built-in light: a plain widget with no behaviour of its own.
#include "gui/widgets/widget.h"

namespace KVX
{
class CLight : public CWidget
{
public:
    CLight(CGUI* panel, const WidgetSpec& record) : CWidget(panel, record) {}
};
} // namespace KVX
