#include "settings/DataSources.h"

#include "dialogs/frmNewDataSource.h"
#include "platform/LibraryLocation.h"
#include "platform/ProfileFile.h"
#include "platform/widgets/Prompts.h"
#include "settings/Glob.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace Glob {

namespace {

struct EditorHolder
{
    QPointer<frmNewDataSource> dialog;
    ~EditorHolder()
    {
        // Past the application's end (the main thread's thread_locals die
        // after main returns) a widget can no longer be deleted safely.
        if (dialog && QCoreApplication::instance() && dialog->thread() == QThread::currentThread())
            delete dialog.data();
    }
};

struct StoreState
{
    DataSourceTable table;
    int count = 0;
};

thread_local StoreState t_store;
thread_local EditorHolder t_editor;

// The file doubles every single quote; the table holds the text as typed.
// Files without the format mark come from versions that doubled again at
// each edit, so there any run of quotes stood for one.
const QString kFormatSection = QStringLiteral("Quarry");
const QString kFormatKey = QStringLiteral("Format");
const QString kFormat = QStringLiteral("2");

QString doubleQuotes(QString text)
{
    return text.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString undoubleQuotes(QString text, bool marked)
{
    if (marked)
        return text.replace(QLatin1String("''"), QLatin1String("'"));
    static const QRegularExpression runs(QStringLiteral("'{2,}"));
    return text.replace(runs, QStringLiteral("'"));
}

// A profile line cannot hold a line break, and the editor's description
// may have several lines: they are written joined by blanks.
QString oneLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    return QString(text).replace(breaks, QStringLiteral(" "));
}

bool validRow(int row)
{
    return row >= 1 && row <= kDataSourceRows;
}

// The sections named by whole numbers from 1, in numeric order.
QList<int> entrySections(const quarry::platform::ProfileFile& file)
{
    QList<int> numbers;
    for (const QString& name : file.sectionNames()) {
        bool ok = false;
        const int number = name.toInt(&ok);
        if (ok && number >= 1 && name == QString::number(number) && !numbers.contains(number))
            numbers << number;
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

QString fullListError()
{
    return QCoreApplication::translate("Glob",
                                       "The data-source list is full: it holds at most %1 data sources.")
        .arg(kDataSourceRows);
}

void storeRow(int row, const QString& name, const QString& connection, const QString& description,
              const QString& delimiter)
{
    DataSource& cells = t_store.table[size_t(row)];
    cells[dsID] = QString::number(row);
    cells[dsConnection] = connection;
    cells[dsName] = name;
    cells[dsDescription] = description;
    cells[dsDelimiter] = delimiter;
}

} // namespace

DataSourceTable& aDataSources()
{
    return t_store.table;
}

int lngDataSourceCount()
{
    return t_store.count;
}

frmNewDataSource& DataSourceEditor()
{
    if (!t_editor.dialog)
        t_editor.dialog = new frmNewDataSource;
    return *t_editor.dialog;
}

QString SharedDataSourceFile()
{
    return QDir(quarry::platform::LibraryFolder()).filePath(QStringLiteral("DataSources.ini"));
}

QString DefaultDataSourceFile()
{
    // The folder beside the library is usually not the user's to write, and
    // one user's data sources, passwords included, are not another's: each
    // user keeps a list beside their own settings.
    const QString library = quarry::platform::LibraryFolder();
    if (quarry::platform::FolderIsUsersOwn(library))
        return SharedDataSourceFile();
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quarry"),
                             QStringLiteral("DataSources"));
    return QFileInfo(settings.fileName()).absolutePath() + QStringLiteral("/DataSources.ini");
}

bool Get_DataSources()
{
    const QString procedure = QStringLiteral("Get_DataSources");
    QString file = Options().strDataSourceFile;
    // Until the user saves a list of their own, the shared one starts it.
    const QString shared = SharedDataSourceFile();
    if (!QFileInfo::exists(file) && QFileInfo::exists(shared))
        file = shared;
    // An unreadable file read as an empty one would, saved over, lose its
    // entries without a word.
    if (QFileInfo::exists(file)) {
        QFile probe(file);
        if (!probe.open(QIODevice::ReadOnly)) {
            Reporter().ReportError(
                procedure, QCoreApplication::translate("Glob", "Cannot read the data-source file %1: %2")
                               .arg(file, probe.errorString()));
            return false;
        }
    }

    t_store.table = DataSourceTable{};
    // Parsed once: every value of every entry comes from this one reading. Values are read whole:
    // a cut connection string loses its tail, often the password.
    const quarry::platform::ProfileFile profile(file);
    const bool marked = profile.value(kFormatSection, kFormatKey) == kFormat;
    // Every numbered section is read, gaps or not: stopping at a gap would
    // hide the entries after it, and the next save would drop them unseen.
    QStringList nameless, problems;
    int entries = 0, beyond = 0;
    for (const int number : entrySections(profile)) {
        const QString section = QString::number(number);
        const QString name = undoubleQuotes(profile.value(section, QStringLiteral("Name")), marked);
        if (name.isEmpty()) {
            nameless << QStringLiteral("[%1]").arg(number);
            continue;
        }
        if (entries == kDataSourceRows) {
            ++beyond;
            continue;
        }
        const auto value = [&](const char* key) {
            return undoubleQuotes(profile.value(section, QLatin1String(key)), marked);
        };
        QString delimiter = value("Delimiter");
        // A name goes between one character on each side; the editor allows no more.
        if (delimiter.size() > 1) {
            problems << QCoreApplication::translate(
                            "Glob", "The delimiter \"%1\" of the data source \"%2\" is more than one "
                                    "character; \"%3\" is used.")
                            .arg(delimiter, name, delimiter.left(1));
            delimiter.truncate(1);
        }
        storeRow(++entries, name, value("Connection"), value("Description"), delimiter);
    }
    t_store.count = entries;

    // Told once, together: whatever is left out here is dropped by the next save.
    if (beyond > 0)
        problems << QCoreApplication::translate(
                        "Glob", "The data-source file %1 holds more than %2 data sources; only the first "
                                "%2 are loaded.")
                        .arg(file)
                        .arg(kDataSourceRows);
    if (!nameless.isEmpty())
        problems << QCoreApplication::translate(
                        "Glob", "Section %1 of the data-source file %2 has no name and is left out.")
                        .arg(nameless.join(QStringLiteral(", ")), file);
    if (!problems.isEmpty())
        Reporter().ReportError(procedure, problems.join(u' '));
    return true;
}

bool Save_DataSources()
{
    const QString file = Options().strDataSourceFile;
    if (file.isEmpty())
        return false;

    const DataSourceTable& table = t_store.table;
    const bool empty = std::none_of(table.begin() + 1, table.end(),
                                    [](const DataSource& row) { return !row[dsID].isEmpty(); });
    // A missing file would bring the shared starting list back: a user who
    // removed every entry keeps an empty file of their own instead.
    const QString shared = SharedDataSourceFile();
    if (empty && (QFileInfo(file) == QFileInfo(shared) || !QFileInfo::exists(shared))) {
        quarry::platform::DeleteProfileFile(file); // a missing file is as good
        return true;
    }

    // Replace what a link points at, not the link.
    const QFileInfo info(file);
    const QString target = info.isSymLink() ? info.symLinkTarget() : file;
    // The user's own folder may not exist before the first save.
    if (file == DefaultDataSourceFile())
        QDir().mkpath(QFileInfo(target).absolutePath());

    // The new file grows beside the old one and takes its name in one rename,
    // so a save that fails half-way leaves the previous list whole. The
    // temporary file is created for its owner alone.
    QTemporaryFile next(target + QStringLiteral(".XXXXXX"));
    if (!next.open())
        return false;
    next.close();
    const QString nextName = next.fileName();

    QList<quarry::platform::ProfileEntry> written{{kFormatSection, kFormatKey, kFormat}};
    int section = 1;
    for (int i = 1; i <= kDataSourceRows; ++i) {
        const DataSource& row = table[i];
        if (row[dsID].isEmpty())
            continue;
        const QString name = QString::number(section);
        for (const auto& [key, column] : {std::pair{QStringLiteral("Name"), dsName},
                                          std::pair{QStringLiteral("Connection"), dsConnection},
                                          std::pair{QStringLiteral("Description"), dsDescription},
                                          std::pair{QStringLiteral("Delimiter"), dsDelimiter}}) {
            written.append({name, key, oneLine(doubleQuotes(row[column]))});
        }
        ++section;
    }
    if (!quarry::platform::WriteProfileStrings(written, nextName))
        return false;
    // A write can report success over a cut-off file (QSaveFile commits even
    // when its last flush failed, as on a full disk), so the new file must
    // read back whole before it may replace the old one.
    const quarry::platform::ProfileFile check(nextName);
    for (const auto& entry : written) {
        // Room for one character more than was written, and a default that
        // cannot be a value, so that a cut or missing value shows.
        const QString found =
            check.value(entry.Section, entry.Key, QStringLiteral("\x01?"), int(entry.Value.size()) + 2);
        if (found != entry.Value.trimmed())
            return false;
    }

    if (!QFile::setPermissions(nextName, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    // rename(2) replaces an existing file in one step, which QFile::rename does not.
    if (std::rename(QFile::encodeName(nextName).constData(), QFile::encodeName(target).constData()) != 0)
        return false;
    next.setAutoRemove(false);
    return true;
}

bool Add_DataSource(const QString& name, const QString& connection, const QString& description,
                    const QString& delimiter, const QString& procedure)
{
    // A nameless entry would be left out of the next load.
    if (name.trimmed().isEmpty()) {
        Reporter().ReportError(procedure, QCoreApplication::translate("Glob", "A data source needs a name."));
        return false;
    }
    const int row = t_store.count + 1;
    if (!validRow(row)) {
        Reporter().ReportError(procedure, fullListError());
        return false;
    }
    t_store.count = row;
    storeRow(row, name, connection, description, delimiter);
    return true;
}

bool New_DataSource(int lngIndex, bool blnEdit)
{
    const QString procedure = QStringLiteral("New_DataSource");
    if (blnEdit && !validRow(lngIndex)) {
        Reporter().ReportError(
            procedure,
            QCoreApplication::translate("Glob", "There is no data source number %1.").arg(lngIndex));
        return false;
    }
    // Refused before the editor opens, so nobody types an entry that cannot be kept.
    if (!blnEdit && !validRow(t_store.count + 1)) {
        Reporter().ReportError(procedure, fullListError());
        return false;
    }

    frmNewDataSource& editor = DataSourceEditor();
    const DataSource shown = blnEdit ? t_store.table[size_t(lngIndex)] : DataSource{};
    editor.setSourceName(shown[dsName]);
    editor.setConnection(shown[dsConnection]);
    editor.setDescription(shown[dsDescription]);
    editor.setDelimiter(shown[dsDelimiter]);
    editor.exec();
    if (editor.Cancelled())
        return false;

    if (!blnEdit)
        return Add_DataSource(editor.SourceName(), editor.Connection(), editor.Description(),
                              editor.Delimiter(), procedure);
    storeRow(lngIndex, editor.SourceName(), editor.Connection(), editor.Description(), editor.Delimiter());
    return true;
}

bool Delete_DataSource(int lngIndex)
{
    using namespace quarry::platform;
    if (!validRow(lngIndex))
        return false;
    DataSource& row = t_store.table[lngIndex];
    const MsgResult answer = Prompts::current().MsgBox(
        QCoreApplication::translate("Glob", "Delete %1?").arg(row[dsName]), MsgButtons::OKCancel,
        MsgIcon::Question, QCoreApplication::translate("Glob", "Delete Data Source"));
    if (answer != MsgResult::OK)
        return false;
    row[dsID].clear();
    return true;
}

} // namespace Glob
