#include "app/SqlText.h"

#include <QList>

namespace dabrook {

namespace {

// Offsets of the semicolons that end statements. Quotes of every dialect
// ('', "", ``, []) and both comment forms hide theirs.
QList<qsizetype> statementEnds(const QString& script)
{
    QList<qsizetype> ends;
    const qsizetype n = script.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = script[i];
        const QChar next = i + 1 < n ? script[i + 1] : QChar();
        if (c == u';') {
            ends << i;
        } else if (c == u'-' && next == u'-') {
            const qsizetype eol = script.indexOf(u'\n', i);
            i = eol < 0 ? n : eol;
        } else if (c == u'/' && next == u'*') {
            const qsizetype close = script.indexOf(QStringLiteral("*/"), i + 2);
            i = close < 0 ? n : close + 1;
        } else if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            // A doubled closing quote stands for itself and does not close.
            const QChar close = c == u'[' ? QChar(u']') : c;
            qsizetype j = i + 1;
            while (j < n && (script[j] != close || (j + 1 < n && script[j + 1] == close && ++j)))
                ++j;
            i = j;
        }
    }
    return ends;
}

} // namespace

QList<StatementSpan> statementSpans(const QString& script)
{
    QList<StatementSpan> spans;
    qsizetype begin = 0;
    QList<qsizetype> ends = statementEnds(script);
    ends << script.size();
    for (const qsizetype end : ends) {
        qsizetype b = begin, e = end;
        while (b < e && script[b].isSpace())
            ++b;
        while (e > b && script[e - 1].isSpace())
            --e;
        if (b < e)
            spans << StatementSpan{b, e};
        begin = end + 1;
    }
    return spans;
}

QString statementAt(const QString& script, qsizetype at)
{
    const QList<qsizetype> ends = statementEnds(script);
    qsizetype begin = 0;
    for (const qsizetype end : ends) {
        if (at <= end)
            return script.mid(begin, end - begin).trimmed();
        // Only blanks after this semicolon, up to the position: still this statement.
        if (script.mid(end + 1, at - end - 1).trimmed().isEmpty() &&
            script.mid(end + 1).section(u';', 0, 0).trimmed().isEmpty())
            return script.mid(begin, end - begin).trimmed();
        begin = end + 1;
    }
    return script.mid(begin).trimmed();
}

} // namespace dabrook
