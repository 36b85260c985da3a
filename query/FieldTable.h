// The field table ObjectFields as both of its fillers (the field look-up and
// the procedure-parameter look-up) keep it.
#pragma once

#include <quarry/kwQuarry.h>

#include <QString>

#include <array>
#include <vector>

namespace quarry::query {

using FieldRows = std::vector<std::array<QString, 2>>;

// Sorts `rows` through the control's Sort_Array, so a failure is reported
// under that name and leaves the rows as they were.
void SortFieldRows(kwQuarry& control, FieldRows& rows);

} // namespace quarry::query
