// The per-user settings store: one INI file per application name under the
// user's config folder, addressed by section and key.
//
// QSettings reads the file; writes go through the profile-file writer in
// QSettings' own spelling, so that lines QSettings would drop when it
// rewrites a file (comments, lines the user wrote by hand) survive a save.
// That spelling escapes key names, so "Split\Percentage" is stored as the
// single key Split%5CPercentage of [Data] and blanks as %20, and it names the
// section "General" [%General] to keep it apart from QSettings' own top-level
// section. A hand-written Split\Percentage= line or a [General] section
// therefore reads as a different key.
#pragma once

#include <quarry/quarry_export.h>

#include <QList>
#include <QString>

#include <memory>

class QSettings;

namespace Glob {

class QUARRY_EXPORT SettingsStore
{
public:
    struct Entry
    {
        QString Section;
        QString Key;
        QString Text;
    };

    explicit SettingsStore(const QString& application);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Where the file lies (it need not exist yet); empty for an unusable name.
    QString fileName() const;

    // Checks that the file, when present, can be read and is a text file.
    // An absent file is an empty store.
    bool open(QString* error);

    // After open(): the numbers of lines that are neither blank, a comment,
    // a [section] nor key=value. They are ignored and kept.
    QList<int> strayLines() const { return m_strayLines; }

    // The stored text, or defaultText when the key is absent. Call open() first.
    QString get(const QString& section, const QString& key, const QString& defaultText) const;

    // Writes all entries in one replacement of the file, or nothing at all,
    // keeping every other line. A file that cannot be read or is not a text
    // file is never written.
    bool save(const QList<Entry>& entries, QString* error);

private:
    bool checkFile(QString* error);

    QString m_nameError;
    std::unique_ptr<QSettings> m_settings;
    bool m_opened = false;
    QList<int> m_strayLines;
};

} // namespace Glob
