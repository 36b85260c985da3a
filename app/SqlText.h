// Where one statement of a script begins and ends.
#pragma once

#include <QString>

namespace dabrook {

// The statement of `script` that holds position `at`: the text between the
// semicolons around it that stand outside quotes and comments, trimmed. A
// position after the last semicolon with only blanks behind it belongs to the
// statement before.
QString statementAt(const QString& script, qsizetype at);

} // namespace dabrook
