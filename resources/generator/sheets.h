// SPDX-License-Identifier: GPL-3.0-or-later
// The painters of the skin, one per sheet. Each returns a finished canvas of the sheet's exact size.
#pragma once

#include "drawing.h"

#include <memory>

namespace KVX::Skin
{
std::unique_ptr<CCanvas> DrawPanel();
std::unique_ptr<CCanvas> DrawFaderSheet();
std::unique_ptr<CCanvas> DrawButtonSheet();
std::unique_ptr<CCanvas> DrawLampSheet();
std::unique_ptr<CCanvas> DrawHint();

// The panel with faders, button and lamp composed on it as the editor shows them, for review.
std::unique_ptr<CCanvas> DrawPreview(const CCanvas& panel, const CCanvas& fader, const CCanvas& button,
                                     const CCanvas& lamp, const CCanvas& hint);
} // namespace KVX::Skin
