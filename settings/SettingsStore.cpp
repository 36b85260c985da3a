#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>

namespace Glob {

namespace {

// Far beyond anything this module writes; a larger file is not ours.
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

QString nameError(const QString& application)
{
    if (application.isEmpty())
        return QStringLiteral("No application title is set for the settings store.");
    if (application == QLatin1String(".") || application == QLatin1String("..") ||
        application.contains(QLatin1Char('/')) || application.contains(QLatin1Char('\\')) ||
        application.contains(QChar(0)))
        return QStringLiteral("\"%1\" cannot name a settings file.").arg(application);
    return {};
}

// Line number of the first line that is neither blank, a comment, a
// [section] nor key=value; 0 when the whole text is well formed. QSettings
// reads far more leniently and then rewrites what it could not parse as
// nothing, so anything it would silently drop is refused here first.
int firstMalformedLine(const QString& text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (line.endsWith(QLatin1Char(']')) && line.size() > 2)
                continue;
            return int(i + 1);
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return int(i + 1);
    }
    return 0;
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

bool SettingsStore::checkFile(QString* error) const
{
    if (!m_nameError.isEmpty()) {
        setError(error, m_nameError);
        return false;
    }
    const QString file = fileName();
    const QFileInfo folder(QFileInfo(file).absolutePath());
    if (folder.exists()) {
        if (!folder.isDir()) {
            setError(error,
                     QStringLiteral("The settings folder \"%1\" is not a folder.").arg(folder.filePath()));
            return false;
        }
        if (!folder.isReadable() || !folder.isExecutable()) {
            setError(error,
                     QStringLiteral("The settings folder \"%1\" cannot be read.").arg(folder.filePath()));
            return false;
        }
    }

    const QFileInfo info(file);
    if (info.exists()) {
        if (!info.isFile()) {
            setError(error, QStringLiteral("The settings file \"%1\" is not a file.").arg(file));
            return false;
        }
        if (info.size() > kMaxFileSize) {
            setError(error,
                     QStringLiteral("The settings file \"%1\" is too large to be a settings file; it has "
                                    "been left unchanged.")
                         .arg(file));
            return false;
        }
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly)) {
            setError(
                error,
                QStringLiteral("The settings file \"%1\" cannot be read: %2.").arg(file, in.errorString()));
            return false;
        }
        const QByteArray data = in.readAll();
        if (in.error() != QFileDevice::NoError) {
            setError(
                error,
                QStringLiteral("The settings file \"%1\" cannot be read: %2.").arg(file, in.errorString()));
            return false;
        }
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(data);
        if (utf8.hasError() || data.contains('\0')) {
            setError(error, QStringLiteral(
                                "The settings file \"%1\" is not a text file; it has been left unchanged.")
                                .arg(file));
            return false;
        }
        if (const int line = firstMalformedLine(text)) {
            setError(error,
                     QStringLiteral("The settings file \"%1\" is not a valid settings file (line %2); it has "
                                    "been left unchanged.")
                         .arg(file)
                         .arg(line));
            return false;
        }
    }

    switch (m_settings->status()) {
    case QSettings::NoError:
        return true;
    case QSettings::AccessError:
        setError(error, QStringLiteral("The settings file \"%1\" cannot be read.").arg(file));
        return false;
    case QSettings::FormatError:
        setError(error,
                 QStringLiteral("The settings file \"%1\" is not a valid settings file; it has been left "
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
                 QStringLiteral("The settings folder \"%1\" cannot be created; the settings were not saved.")
                     .arg(folder));
        return false;
    }
    for (const Entry& entry : entries)
        m_settings->setValue(entry.Section + QLatin1Char('/') + entry.Key, entry.Text);
    // QSettings replaces the file through a temporary one, so a failed write
    // leaves the previous contents in place.
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) {
        setError(error,
                 QStringLiteral("The settings file \"%1\" could not be written; the settings were not saved.")
                     .arg(file));
        return false;
    }
    return true;
}

} // namespace Glob
