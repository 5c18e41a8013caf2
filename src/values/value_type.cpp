// SPDX-License-Identifier: GPL-3.0-or-later
#include "values/value_type.h"

namespace KVX::Values
{
std::string CValueType::FormatWithUnit(float normalised) const
{
    std::string text = Format(normalised);
    if (!Unit().empty())
    {
        text += ' ';
        text += Unit();
    }
    return text;
}
} // namespace KVX::Values
