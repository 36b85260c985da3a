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
    // Blanks between statements belong to the one after them; past the last, to the last.
    const QList<StatementSpan> spans = statementSpans(script);
    for (const StatementSpan& span : spans)
        if (at <= span.End)
            return script.mid(span.Begin, span.End - span.Begin);
    return spans.isEmpty() ? QString()
                           : script.mid(spans.last().Begin, spans.last().End - spans.last().Begin);
}

} // namespace dabrook
