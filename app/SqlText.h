// Where one statement of a script begins and ends.
#pragma once

#include <QList>
#include <QString>

namespace dabrook {

// The statement of `script` that holds position `at`: the text between the
// semicolons around it that stand outside quotes and comments, trimmed. A
// position after the last semicolon with only blanks behind it belongs to the
// statement before.
QString statementAt(const QString& script, qsizetype at);

// Where each statement of `script` stands: [begin, end), blanks around it
// left out, empty statements skipped.
struct StatementSpan
{
    qsizetype Begin = 0;
    qsizetype End = 0;
};
QList<StatementSpan> statementSpans(const QString& script);

} // namespace dabrook
