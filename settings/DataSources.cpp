#include "settings/DataSources.h"

#include "dialogs/frmNewDataSource.h"
#include "platform/ProfileFile.h"
#include "platform/widgets/Prompts.h"
#include "settings/Glob.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace Glob {

namespace {

// The Windows profile call fills a buffer of this size, NUL included.
constexpr int kValueBuffer = 254;

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

// The texts the editor shows and the user types carry single quotes once;
// the table holds them doubled.
QString doubleQuotes(QString text)
{
    return text.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString undoubleQuotes(QString text)
{
    return text.replace(QLatin1String("''"), QLatin1String("'"));
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

QString readValue(const QString& section, const QString& key, const QString& file)
{
    return quarry::platform::GetProfileString(section, key, QString(), kValueBuffer, file);
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

bool Get_DataSources()
{
    const QString file = Options().strDataSourceFile;
    // Windows would read an unreadable file as an empty one; saved over,
    // its entries would be lost without a word.
    if (QFileInfo::exists(file)) {
        QFile probe(file);
        if (!probe.open(QIODevice::ReadOnly)) {
            Reporter().ReportError(
                QStringLiteral("Get_DataSources"),
                QStringLiteral("Cannot read the data-source file %1: %2").arg(file, probe.errorString()));
            return false;
        }
    }

    DataSourceTable& table = t_store.table;
    table = DataSourceTable{};
    int entries = 0;
    for (int i = 1;; ++i) {
        const QString section = QString::number(i);
        const QString name = readValue(section, QStringLiteral("Name"), file);
        if (name.isEmpty())
            break;
        if (!validRow(i)) {
            Reporter().ReportError(
                QStringLiteral("Get_DataSources"),
                QStringLiteral("The data-source file %1 holds more than %2 data sources; only the first %2 "
                               "are loaded.")
                    .arg(file)
                    .arg(kDataSourceRows));
            return false;
        }
        DataSource& row = table[i];
        row[dsName] = name;
        row[dsID] = section;
        row[dsConnection] = readValue(section, QStringLiteral("Connection"), file);
        row[dsDescription] = readValue(section, QStringLiteral("Description"), file);
        row[dsDelimiter] = readValue(section, QStringLiteral("Delimiter"), file);
        entries = i;
    }
    t_store.count = entries;
    return true;
}

bool Save_DataSources()
{
    using quarry::platform::WriteProfileString;

    const QString file = Options().strDataSourceFile;
    if (file.isEmpty())
        return false;

    const DataSourceTable& table = t_store.table;
    const bool empty = std::none_of(table.begin() + 1, table.end(),
                                    [](const DataSource& row) { return !row[dsID].isEmpty(); });
    if (empty) {
        quarry::platform::DeleteProfileFile(file); // a missing file is as good
        return true;
    }

    // Replace what a link points at, not the link.
    const QFileInfo info(file);
    const QString target = info.isSymLink() ? info.symLinkTarget() : file;

    // The new file grows beside the old one and takes its name in one rename,
    // so a save that fails half-way leaves the previous list whole. The
    // temporary file is created for its owner alone.
    QTemporaryFile next(target + QStringLiteral(".XXXXXX"));
    if (!next.open())
        return false;
    next.close();
    const QString nextName = next.fileName();

    struct Written
    {
        QString section, key, value;
    };
    QList<Written> written;
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
            const QString value = oneLine(row[column]);
            if (!WriteProfileString(name, key, value, nextName))
                return false;
            written.append({name, key, value.trimmed()});
        }
        ++section;
    }
    // A write can report success over a cut-off file (QSaveFile commits even
    // when its last flush failed, as on a full disk), so the new file must
    // read back whole before it may replace the old one.
    for (const Written& entry : written) {
        // Room for one character more than was written, and a default that
        // cannot be a value, so that a cut or missing value shows.
        const QString found = quarry::platform::GetProfileString(
            entry.section, entry.key, QStringLiteral("\x01?"), int(entry.value.size()) + 2, nextName);
        if (found != entry.value)
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
    const int row = t_store.count + 1;
    if (!validRow(row)) {
        Reporter().ReportError(
            procedure, QStringLiteral("The data-source list is full: it holds at most %1 data sources.")
                           .arg(kDataSourceRows));
        return false;
    }
    t_store.count = row;
    DataSource& cells = t_store.table[row];
    cells[dsID] = QString::number(row);
    cells[dsConnection] = doubleQuotes(connection);
    cells[dsName] = doubleQuotes(name);
    cells[dsDescription] = doubleQuotes(description);
    cells[dsDelimiter] = doubleQuotes(delimiter);
    return true;
}

bool New_DataSource(int lngIndex, bool blnEdit)
{
    const QString procedure = QStringLiteral("New_DataSource");
    if (blnEdit && !validRow(lngIndex)) {
        Reporter().ReportError(procedure, QStringLiteral("There is no data source number %1.").arg(lngIndex));
        return false;
    }
    // Refused before the editor opens, so nobody types an entry that cannot be kept.
    if (!blnEdit && !validRow(t_store.count + 1)) {
        Reporter().ReportError(
            procedure, QStringLiteral("The data-source list is full: it holds at most %1 data sources.")
                           .arg(kDataSourceRows));
        return false;
    }

    frmNewDataSource& editor = DataSourceEditor();
    if (blnEdit) {
        // The table holds quotes doubled; handing them over as stored would
        // double them again with every edit.
        const DataSource& row = t_store.table[lngIndex];
        editor.setSourceName(undoubleQuotes(row[dsName]));
        editor.setConnection(undoubleQuotes(row[dsConnection]));
        editor.setDescription(undoubleQuotes(row[dsDescription]));
        editor.setDelimiter(undoubleQuotes(row[dsDelimiter]));
    } else {
        editor.setSourceName(QString());
        editor.setConnection(QString());
        editor.setDescription(QString());
        editor.setDelimiter(QString());
    }
    editor.exec();
    if (editor.Cancelled())
        return false;

    if (!blnEdit)
        return Add_DataSource(editor.SourceName(), editor.Connection(), editor.Description(),
                              editor.Delimiter(), procedure);

    DataSource& cells = t_store.table[lngIndex];
    cells[dsID] = QString::number(lngIndex);
    cells[dsConnection] = doubleQuotes(editor.Connection());
    cells[dsName] = doubleQuotes(editor.SourceName());
    cells[dsDescription] = doubleQuotes(editor.Description());
    cells[dsDelimiter] = doubleQuotes(editor.Delimiter());
    return true;
}

bool Delete_DataSource(int lngIndex)
{
    using namespace quarry::platform;
    if (!validRow(lngIndex))
        return false;
    DataSource& row = t_store.table[lngIndex];
    const MsgResult answer = Prompts::current().MsgBox(
        QStringLiteral("Delete ") + row[dsName] + QStringLiteral("?"), MsgButtons::OKCancel,
        MsgIcon::Question, QStringLiteral("Delete Data Source"));
    if (answer != MsgResult::OK)
        return false;
    row[dsID].clear();
    return true;
}

} // namespace Glob
