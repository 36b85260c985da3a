#include "platform/ProfileFile.h"

#include <QByteArrayList>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <algorithm>
#include <optional>
#include <vector>

namespace quarry::platform {

namespace {

struct ParsedLine
{
    enum Kind
    {
        Other,
        Section,
        Key
    } kind = Other;
    QString name;  // section or key name, trimmed
    QString value; // key lines only, trimmed
};

ParsedLine parseLine(QByteArrayView raw)
{
    const QString text = QString::fromUtf8(raw).trimmed();
    ParsedLine line;
    if (text.isEmpty() || text.startsWith(u';'))
        return line;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close > 0) {
            line.kind = ParsedLine::Section;
            line.name = text.mid(1, close - 1).trimmed();
        }
        return line;
    }
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0)
        return line;
    line.kind = ParsedLine::Key;
    line.name = text.left(equals).trimmed();
    // Cut before trimming, so that what is read is what a write puts back.
    QString value = text.mid(equals + 1);
    const qsizetype nul = value.indexOf(QChar(u'\0'));
    if (nul >= 0)
        value.truncate(nul);
    line.value = value.trimmed();
    return line;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The file's lines without their '\n' (a '\r' before it stays with the line).
QByteArrayList splitLines(const QByteArray& data)
{
    QByteArray body = data;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    if (body.isEmpty())
        return {};
    if (body.endsWith('\n'))
        body.chop(1);
    return body.split('\n');
}

std::optional<QByteArray> readAll(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QString fitBuffer(QString text, int bufferSize)
{
    if (bufferSize < 1)
        return {};
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    if (bufferSize - 1 < text.size())
        text.truncate(bufferSize - 1);
    return text;
}

bool hasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

// Readers that cache a parsed file (QSettings among them) take the same size and
// modification time as "unchanged". A rewrite within one tick of the file clock
// keeps the time, so it is moved on past the old one.
void keepTimeMoving(const QString& fileName, const QDateTime& previous)
{
    QFile file(fileName);
    if (QFileInfo(file).lastModified() > previous || !file.open(QIODevice::Append))
        return;
    file.setFileTime(previous.addMSecs(1), QFileDevice::FileModificationTime);
}

} // namespace

struct ProfileFile::Parsed
{
    struct Section
    {
        QString name;                   // first spelling
        QHash<QString, QString> values; // by case-folded key, first occurrence
    };
    std::vector<Section> sections;
    QHash<QString, std::size_t> byName; // case-folded section name
};

ProfileFile::ProfileFile(const QString& fileName)
    : d(std::make_unique<Parsed>())
{
    const auto data = readAll(fileName);
    if (!data)
        return;
    Parsed::Section* current = nullptr; // null outside the first section of a name
    for (const QByteArray& raw : splitLines(*data)) {
        ParsedLine line = parseLine(raw);
        if (line.kind == ParsedLine::Section) {
            const QString folded = line.name.toCaseFolded();
            current = nullptr;
            if (!d->byName.contains(folded)) {
                d->byName.insert(folded, d->sections.size());
                current = &d->sections.emplace_back(Parsed::Section{std::move(line.name), {}});
            }
        } else if (current && line.kind == ParsedLine::Key) {
            QString key = line.name.toCaseFolded();
            if (!current->values.contains(key))
                current->values.insert(std::move(key), std::move(line.value));
        }
    }
}

ProfileFile::~ProfileFile() = default;

QStringList ProfileFile::sectionNames() const
{
    QStringList names;
    names.reserve(qsizetype(d->sections.size()));
    for (const Parsed::Section& section : d->sections)
        names << section.name;
    return names;
}

QString ProfileFile::value(const QString& section, const QString& key, const QString& defaultValue,
                           int bufferSize) const
{
    const auto at = d->byName.constFind(section.toCaseFolded());
    if (at != d->byName.cend()) {
        const auto& values = d->sections[*at].values;
        const auto found = values.constFind(key.toCaseFolded());
        if (found != values.cend())
            return fitBuffer(*found, bufferSize);
    }
    return fitBuffer(defaultValue, bufferSize);
}

QString GetProfileString(const QString& section, const QString& key, const QString& defaultValue,
                         int bufferSize, const QString& fileName)
{
    return ProfileFile(fileName).value(section, key, defaultValue, bufferSize);
}

QStringList GetProfileSectionNames(const QString& fileName)
{
    return ProfileFile(fileName).sectionNames();
}

namespace {

bool usableEntry(const ProfileEntry& entry)
{
    const QString section = entry.Section.trimmed();
    const QString key = entry.Key.trimmed();
    if (section.isEmpty() || section.contains(u']') || hasLineBreak(entry.Section))
        return false;
    // A key behind a byte-order mark could never be found again: readers drop the mark.
    return !key.isEmpty() && !key.contains(u'=') && !key.startsWith(u';') && !key.startsWith(u'[') &&
           !key.startsWith(QChar(0xFEFF)) && !hasLineBreak(entry.Key) && !hasLineBreak(entry.Value);
}

void setEntry(QByteArrayList& lines, const ProfileEntry& entry, bool crlf)
{
    const QString section = entry.Section.trimmed();
    const QString key = entry.Key.trimmed();
    const QByteArray keyLine = key.toUtf8() + '=' + entry.Value.toUtf8() + (crlf ? "\r" : "");

    qsizetype sectionAt = -1;
    qsizetype sectionEnd = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const ParsedLine line = parseLine(lines[i]);
        if (line.kind != ParsedLine::Section)
            continue;
        if (sectionAt >= 0) {
            sectionEnd = i;
            break;
        }
        if (sameName(line.name, section))
            sectionAt = i;
    }

    if (sectionAt < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(crlf ? "\r" : "");
        lines.append('[' + section.toUtf8() + ']' + (crlf ? "\r" : ""));
        lines.append(keyLine);
        return;
    }
    qsizetype lastContent = sectionAt;
    for (qsizetype i = sectionAt + 1; i < sectionEnd; ++i) {
        if (!lines[i].trimmed().isEmpty())
            lastContent = i;
        const ParsedLine line = parseLine(lines[i]);
        if (line.kind == ParsedLine::Key && sameName(line.name, key)) {
            lines[i] = keyLine;
            return;
        }
    }
    lines.insert(lastContent + 1, keyLine); // before the blank lines that part sections
}

} // namespace

bool WriteProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& fileName)
{
    return WriteProfileStrings({{section, key, value}}, fileName);
}

bool WriteProfileStrings(const QList<ProfileEntry>& entries, const QString& fileName)
{
    if (!std::all_of(entries.begin(), entries.end(), usableEntry))
        return false;

    const QFileInfo before(fileName);
    const bool exists = before.exists();
    const QDateTime written = exists ? before.lastModified() : QDateTime(); // read now, not after the write
    QByteArrayList lines;
    if (exists) {
        const auto data = readAll(fileName);
        if (!data)
            return false;
        lines = splitLines(*data);
    }
    const bool crlf = !lines.isEmpty() && lines.first().endsWith('\r');
    for (const ProfileEntry& entry : entries)
        setEntry(lines, entry, crlf);

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Connection strings may carry passwords: a new file is for its owner alone.
    if (!exists && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    for (const QByteArray& line : lines) {
        if (file.write(line) != line.size() || !file.putChar('\n')) {
            file.cancelWriting();
            return false;
        }
    }
    // Qt 6.4's commit() renames even when its own final flush fails (a full
    // disk), putting a cut-off file in place: flush first and give up on error.
    if (!file.flush()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    if (exists)
        keepTimeMoving(fileName, written);
    return true;
}

bool DeleteProfileFile(const QString& fileName)
{
    return QFile::remove(fileName);
}

} // namespace quarry::platform
