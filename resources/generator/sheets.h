// SPDX-License-Identifier: GPL-3.0-or-later
// The painters of the skin, one per sheet. Each returns a finished canvas of the sheet's exact size at
// `scale` pixels per panel unit (1 or 2): the same design, drawn finer.
#pragma once

#include "drawing.h"

#include <memory>

namespace KVX::Skin
{
std::unique_ptr<CCanvas> DrawPanel(int scale);
std::unique_ptr<CCanvas> DrawFaderSheet(int scale);
std::unique_ptr<CCanvas> DrawButtonSheet(int scale);
std::unique_ptr<CCanvas> DrawLampSheet(int scale);
std::unique_ptr<CCanvas> DrawHint(int scale);

// The panel with faders, button and lamp composed on it as the editor shows them, for review, at the
// sheets' scale.
std::unique_ptr<CCanvas> DrawPreview(const CCanvas& panel, const CCanvas& fader, const CCanvas& button,
                                     const CCanvas& lamp, const CCanvas& hint);
} // namespace KVX::Skin
