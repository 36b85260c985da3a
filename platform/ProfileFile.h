// Profile (INI) file operations, for files whose values are free text:
// everything after the first '=' of a line is the value, so ';' and ',' in a
// connection string stay plain characters. Section and key names compare
// case-insensitively and the first occurrence of either wins. Text is UTF-8;
// bytes that are not decode as replacement characters and never stop a read.
#pragma once

#include <quarry/quarry_export.h>

#include <QList>
#include <QString>
#include <QStringList>

#include <limits>
#include <memory>

namespace quarry::platform {

// A profile file read and parsed once, for reading many values: a lookup costs
// no file access. Empty when the file is missing or cannot be read.
class QUARRY_EXPORT ProfileFile
{
public:
    explicit ProfileFile(const QString& fileName);
    ~ProfileFile();

    // As GetProfileSectionNames and GetProfileString below.
    QStringList sectionNames() const;
    QString value(const QString& section, const QString& key, const QString& defaultValue = {},
                  int bufferSize = std::numeric_limits<int>::max()) const;

private:
    struct Parsed;
    std::unique_ptr<Parsed> d;
};

// The value of `key` in `section` of `fileName`, or `defaultValue` when the
// file, section or key is missing or the file cannot be read. A value ends at
// a NUL and loses its surrounding blanks; then it, or the default, is cut to
// `bufferSize` - 1 characters (a size below 1 gives "").
QUARRY_EXPORT QString GetProfileString(const QString& section, const QString& key,
                                       const QString& defaultValue, int bufferSize, const QString& fileName);

// The names of the file's sections in file order, each once (the first
// spelling); empty when the file is missing or cannot be read.
QUARRY_EXPORT QStringList GetProfileSectionNames(const QString& fileName);

struct ProfileEntry
{
    QString Section;
    QString Key;
    QString Value;
};

// Sets `key` in `section` to `value`, creating the file, the section and the
// key as needed; every other line of the file is kept byte for byte. The file
// is replaced in one step (QSaveFile), so a failed write leaves it as it was.
// A file this creates is readable and writable by its owner only; an existing
// file keeps its permissions. False when the names are unusable (empty, or a
// section name with ']', a key with '=' or a leading byte-order mark, either
// with a line break), the value has a line break, or the file cannot be read
// or written.
QUARRY_EXPORT bool WriteProfileString(const QString& section, const QString& key, const QString& value,
                                      const QString& fileName);

// Every entry in one replacement of the file, or none of them.
QUARRY_EXPORT bool WriteProfileStrings(const QList<ProfileEntry>& entries, const QString& fileName);

// Removes the file; false when it did not exist or could not be removed.
QUARRY_EXPORT bool DeleteProfileFile(const QString& fileName);

} // namespace quarry::platform
