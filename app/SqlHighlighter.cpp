#include "app/SqlHighlighter.h"

namespace dabrook {

namespace {

// The words every dialect shares; a name that happens to be one is coloured too, as editors do.
const char* const kKeywords =
    "select|from|where|and|or|not|in|is|null|like|between|exists|as|on|join|inner|left|right|full|outer|"
    "cross|group|by|order|having|limit|offset|union|all|distinct|insert|into|values|update|set|delete|"
    "create|alter|drop|table|view|index|with|recursive|case|when|then|else|end|asc|desc|call|begin|commit|"
    "rollback|primary|key|foreign|references|default|unique|check|true|false";

QTextCharFormat ink(const QColor& colour, bool bold = false, bool italic = false)
{
    QTextCharFormat f;
    f.setForeground(colour);
    if (bold)
        f.setFontWeight(QFont::Bold);
    f.setFontItalic(italic);
    return f;
}

} // namespace

SqlHighlighter::SqlHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document)
{
    const auto rule = [this](const QString& pattern, const QTextCharFormat& f) {
        m_rules.push_back({QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption), f});
    };
    rule(QStringLiteral("\\b(%1)\\b").arg(QLatin1String(kKeywords)), ink(QColor(0x1f, 0x4e, 0x9c), true));
    rule(QStringLiteral("\\b\\d+(\\.\\d+)?([eE][-+]?\\d+)?\\b"), ink(QColor(0x8a, 0x4b, 0x08)));
    // Later rules win: text in quotes stays text, whatever it spells.
    rule(QStringLiteral("'(?:[^']|'')*'?"), ink(QColor(0x2e, 0x7d, 0x32)));
    rule(QStringLiteral("\"(?:[^\"]|\"\")*\"?|`[^`]*`?|\\[[^\\]]*\\]?"), ink(QColor(0x6a, 0x1b, 0x9a)));
    m_comment = ink(QColor(0x70, 0x70, 0x70), false, true);
}

void SqlHighlighter::highlightBlock(const QString& text)
{
    for (const Rule& rule : m_rules)
        for (auto it = rule.pattern.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            setFormat(int(match.capturedStart()), int(match.capturedLength()), rule.format);
        }
    // Comments: a line comment to the end of the line, block comments across
    // lines (state 1: the block ends inside one).
    setCurrentBlockState(0);
    bool inside = previousBlockState() == 1;
    qsizetype at = 0;
    for (;;) {
        qsizetype start = at;
        if (!inside) {
            const qsizetype line = text.indexOf(QStringLiteral("--"), at);
            const qsizetype block = text.indexOf(QStringLiteral("/*"), at);
            if (line >= 0 && (block < 0 || line < block)) {
                setFormat(int(line), int(text.size() - line), m_comment);
                return;
            }
            if (block < 0)
                return;
            start = block;
            at = block + 2;
        }
        const qsizetype end = text.indexOf(QStringLiteral("*/"), at);
        if (end < 0) {
            setFormat(int(start), int(text.size() - start), m_comment);
            setCurrentBlockState(1);
            return;
        }
        setFormat(int(start), int(end + 2 - start), m_comment);
        at = end + 2;
        inside = false;
    }
}

} // namespace dabrook
