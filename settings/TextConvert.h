// How option values are written as text in the settings store and read back.
#pragma once

#include <quarry/quarry_export.h>

#include <QString>

#include <optional>

namespace Glob {

// "True" or "False", capitalised so.
QUARRY_EXPORT QString BoolToText(bool value);
// Plain decimal: leading minus when negative, no group separators.
QUARRY_EXPORT QString IntToText(int value);

// The words True and False in any letter case, or a number (0 is false, any
// other number true). Surrounding blanks are ignored. Anything else has no
// value.
QUARRY_EXPORT std::optional<bool> TextToBool(const QString& text);
// Decimal text; a fractional value is rounded to the nearest whole number,
// halves to even. Surrounding blanks are ignored. Non-numeric text and values
// outside the 32-bit range have no value.
QUARRY_EXPORT std::optional<int> TextToInt(const QString& text);

} // namespace Glob
