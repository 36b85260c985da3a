#include "settings/SettingsStore.h"

#include "platform/ProfileFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>

#include <algorithm>

namespace Glob {

namespace {

// Far beyond anything this module writes; a larger file is not ours.
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

QString nameError(const QString& application)
{
    if (application.isEmpty())
        return QCoreApplication::translate("Glob", "No application title is set for the settings store.");
    if (application == QLatin1String(".") || application == QLatin1String("..") ||
        application.contains(QLatin1Char('/')) || application.contains(QLatin1Char('\\')) ||
        application.contains(QChar(0)))
        return QCoreApplication::translate("Glob", "\"%1\" cannot name a settings file.").arg(application);
    return {};
}

// Numbers of the lines that are neither blank, a comment, a [section] nor
// key=value.
QList<int> findStrayLines(const QString& text)
{
    QList<int> stray;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) ? line.endsWith(QLatin1Char(']')) && line.size() > 2
                                              : line.indexOf(QLatin1Char('=')) > 0)
            continue;
        stray << int(i + 1);
    }
    return stray;
}

// A section or key name as QSettings writes it.
QString escapedName(const QString& name)
{
    QString out;
    for (const QChar c : name) {
        if ((c.isLetterOrNumber() && c.unicode() < 0x80) || c == u'_' || c == u'-' || c == u'.')
            out += c;
        else if (c == u'/')
            out += u'\\';
        else if (c.unicode() <= 0xFF)
            out += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += QStringLiteral("%U%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString escapedSection(const QString& section)
{
    // QSettings keeps [General] for keys outside any group.
    return section == QLatin1String("General") ? QStringLiteral("%General") : escapedName(section);
}

// A value as QSettings reads it back unchanged: plain when nothing in it has
// a meaning there, else in double quotes with backslash escapes.
QString escapedValue(const QString& value)
{
    const bool plain =
        !value.isEmpty() && value == value.trimmed() && !value.startsWith(u'@') &&
        std::none_of(value.begin(), value.end(), [](QChar c) {
            return c.unicode() < 0x20 || c == u'"' || c == u'\\' || c == u';' || c == u',' || c == u'=';
        });
    if (plain)
        return value;
    QString out = QStringLiteral("\"");
    for (const QChar c : value) {
        if (c == u'"' || c == u'\\')
            out += u'\\' + QString(c);
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + u'"';
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

SettingsStore::SettingsStore(const QString& application)
    : m_nameError(nameError(application))
{
    if (m_nameError.isEmpty())
        m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                 QStringLiteral("Quarry"), application);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const
{
    return m_settings ? m_settings->fileName() : QString();
}

bool SettingsStore::checkFile(QString* error)
{
    if (!m_nameError.isEmpty()) {
        setError(error, m_nameError);
        return false;
    }
    const QString file = fileName();
    const QFileInfo folder(QFileInfo(file).absolutePath());
    if (folder.exists()) {
        if (!folder.isDir()) {
            setError(error, QCoreApplication::translate("Glob", "The settings folder \"%1\" is not a folder.")
                                .arg(folder.filePath()));
            return false;
        }
        if (!folder.isReadable() || !folder.isExecutable()) {
            setError(error, QCoreApplication::translate("Glob", "The settings folder \"%1\" cannot be read.")
                                .arg(folder.filePath()));
            return false;
        }
    }

    const QFileInfo info(file);
    if (info.exists()) {
        if (!info.isFile()) {
            setError(
                error,
                QCoreApplication::translate("Glob", "The settings file \"%1\" is not a file.").arg(file));
            return false;
        }
        if (info.size() > kMaxFileSize) {
            setError(error, QCoreApplication::translate(
                                "Glob", "The settings file \"%1\" is too large to be a settings file; it has "
                                        "been left unchanged.")
                                .arg(file));
            return false;
        }
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly)) {
            setError(error,
                     QCoreApplication::translate("Glob", "The settings file \"%1\" cannot be read: %2.")
                         .arg(file, in.errorString()));
            return false;
        }
        const QByteArray data = in.readAll();
        if (in.error() != QFileDevice::NoError) {
            setError(error,
                     QCoreApplication::translate("Glob", "The settings file \"%1\" cannot be read: %2.")
                         .arg(file, in.errorString()));
            return false;
        }
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(data);
        if (utf8.hasError() || data.contains('\0')) {
            setError(error,
                     QCoreApplication::translate(
                         "Glob", "The settings file \"%1\" is not a text file; it has been left unchanged.")
                         .arg(file));
            return false;
        }
        m_strayLines = findStrayLines(text);
    }

    switch (m_settings->status()) {
    case QSettings::NoError:
        return true;
    case QSettings::AccessError:
        setError(error,
                 QCoreApplication::translate("Glob", "The settings file \"%1\" cannot be read.").arg(file));
        return false;
    case QSettings::FormatError:
        // What QSettings cannot parse is among the stray lines, ignored and reported.
        if (!m_strayLines.isEmpty())
            return true;
        setError(error, QCoreApplication::translate(
                            "Glob", "The settings file \"%1\" is not a valid settings file; it has been left "
                                    "unchanged.")
                            .arg(file));
        return false;
    }
    return false;
}

bool SettingsStore::open(QString* error)
{
    m_opened = checkFile(error);
    return m_opened;
}

QString SettingsStore::get(const QString& section, const QString& key, const QString& defaultText) const
{
    if (!m_opened)
        return defaultText;
    const QVariant value = m_settings->value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return defaultText;
    // An unquoted hand-written value with commas comes back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool SettingsStore::save(const QList<Entry>& entries, QString* error)
{
    if (!checkFile(error))
        return false;
    const QString file = fileName();
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) {
        setError(error,
                 QCoreApplication::translate(
                     "Glob", "The settings folder \"%1\" cannot be created; the settings were not saved.")
                     .arg(folder));
        return false;
    }
    QList<quarry::platform::ProfileEntry> lines;
    for (const Entry& entry : entries)
        lines.append({escapedSection(entry.Section), escapedName(entry.Key), escapedValue(entry.Text)});
    // The writer replaces the file through a temporary one, so a failed write
    // leaves the previous contents in place.
    if (!quarry::platform::WriteProfileStrings(lines, file)) {
        setError(error,
                 QCoreApplication::translate(
                     "Glob", "The settings file \"%1\" could not be written; the settings were not saved.")
                     .arg(file));
        return false;
    }
    m_settings->sync(); // reads the file anew
    return true;
}

} // namespace Glob
