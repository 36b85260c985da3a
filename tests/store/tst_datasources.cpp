// The data-source store against real files in a scratch folder.
#include "ScriptedPrompts.h"
#include "SettingsTestSupport.h"
#include "dialogs/frmNewDataSource.h"
#include "platform/LibraryLocation.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <functional>

#include <sys/resource.h>

using quarry::platform::MsgButtons;
using quarry::platform::MsgIcon;
using quarry::platform::MsgResult;
using namespace quarry::test;
using Change = std::function<void()>;

namespace {

QByteArray section(int number, const QByteArray& name, const QByteArray& connection = "c",
                   const QByteArray& description = "d", const QByteArray& delimiter = "\"")
{
    return "[" + QByteArray::number(number) + "]\nName=" + name + "\nConnection=" + connection +
           "\nDescription=" + description + "\nDelimiter=" + delimiter + "\n";
}

QByteArray sections(int first, int last)
{
    QByteArray text;
    for (int i = first; i <= last; ++i)
        text += section(i, "DS" + QByteArray::number(i));
    return text;
}

// The table's rows in use, one "number:|id|name|description|connection|delimiter" a line.
QString describeTable()
{
    QStringList lines;
    for (int i = 0; i <= Glob::kDataSourceRows; ++i) {
        const Glob::DataSource& row = Glob::aDataSources()[i];
        if (std::any_of(row.begin(), row.end(), [](const QString& cell) { return !cell.isEmpty(); }))
            lines << QString::number(i) + u':' + QStringList(row.begin(), row.end()).join(u'|');
    }
    return lines.join(u'\n');
}

QString row(int number, const QString& id, const QString& name, const QString& description = "d",
            const QString& connection = "c", const QString& delimiter = "\"")
{
    return QStringLiteral("%1:|%2|%3|%4|%5|%6").arg(number).arg(id, name, description, connection, delimiter);
}

QString standardRows(int first, int last)
{
    QStringList lines;
    for (int i = first; i <= last; ++i)
        lines << row(i, QString::number(i), QStringLiteral("DS%1").arg(i));
    return lines.join(u'\n');
}

// A saved entry as fileLines() shows it.
QString entry(int number, const QString& name, const QString& connection = "c",
              const QString& description = "d", const QString& delimiter = "\"")
{
    return QStringLiteral("[%1]|Name=%2|Connection=%3|Description=%4|Delimiter=%5")
        .arg(number)
        .arg(name, connection, description, delimiter);
}

// The saved file of entries DS<n> for each n, renumbered from 1.
QString standardFile(std::initializer_list<int> numbers)
{
    QStringList entries;
    for (int n : numbers)
        entries << entry(int(entries.size()) + 1, QStringLiteral("DS%1").arg(n));
    return entries.join(u'|');
}

// The file's non-blank lines joined by '|', which shows section order and key order.
QString fileLines(const QString& path)
{
    if (!QFileInfo::exists(path))
        return QStringLiteral("<no file>");
    QStringList lines;
    for (const QByteArray& line : readBytes(path).split('\n'))
        if (!line.trimmed().isEmpty())
            lines << QString::fromUtf8(line.trimmed());
    return lines.join(u'|');
}

template <typename T> T* control(frmNewDataSource& dialog, const char* name)
{
    return dialog.findChild<T*>(QLatin1String(name));
}

// Runs `fill` on the editor once it is up; a watchdog closes it should the
// step not do so, so a broken test fails instead of hanging.
void whenEditorShows(std::function<void(frmNewDataSource&)> fill)
{
    QTimer::singleShot(0, [fill] { fill(Glob::DataSourceEditor()); });
    QTimer::singleShot(5000, [] {
        if (Glob::DataSourceEditor().isVisible())
            Glob::DataSourceEditor().reject();
    });
}

struct Typed
{
    QString name;
    QString connection; // built through the connection prompt when not empty
    QString description;
    QString delimiter; // typed into the combo when not empty
};

} // namespace

Q_DECLARE_METATYPE(Typed)
Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(quarry::platform::MsgResult)

class TestDataSources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void load_data();
    void load();
    void loadUnreadable();
    void save_data();
    void save();
    void saveFailure_data();
    void saveFailure();
    void newDataSource_data();
    void newDataSource();
    void newDataSourceRefused_data();
    void newDataSourceRefused();
    void editTwiceKeepsQuotes();
    void deleteDataSource_data();
    void deleteDataSource();
    void perThread();

private:
    void loadFile(const QByteArray& bytes)
    {
        QVERIFY(writeBytes(m_file, bytes));
        QVERIFY(Glob::Get_DataSources());
    }
    QString folderEntries() const
    {
        return QDir(m_lib).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).join(u',');
    }

    QTemporaryDir m_dir;
    QString m_lib; // the library's folder, where the file lies
    QString m_file;
};

void TestDataSources::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       m_dir.filePath(QStringLiteral("settings")));
    m_lib = m_dir.filePath(QStringLiteral("lib"));
    QVERIFY(QDir().mkpath(m_lib));
    quarry::platform::setLibraryFolderForTesting(m_lib);
    Glob::setAppTitle(QStringLiteral("Dabrook"));
    QVERIFY(Glob::Read_INI());
    m_file = Glob::Options().strDataSourceFile;
    QCOMPARE(m_file, m_lib + QStringLiteral("/DataSources.ini"));
}

void TestDataSources::init()
{
    QFile::remove(m_file);
    Glob::Options().strDataSourceFile = m_file;
    Glob::Reporter().clearReports();
    // Start every test from an empty list with a count of 0.
    QVERIFY(Glob::Get_DataSources());
    QCOMPARE(Glob::lngDataSourceCount(), 0);
}

void TestDataSources::load_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("reports");

    const QString cut(253, u'x');
    const auto add = [](const char* name, const QByteArray& bytes, int count, const QString& table) {
        QTest::newRow(name) << true << bytes << true << count << table << QStringList();
    };
    QTest::newRow("missing file") << false << QByteArray() << true << 0 << QString() << QStringList();
    add("empty file", "", 0, "");
    add("two entries, ';' and '=' in values",
        "[1]\nName=Sales\nConnection=Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=sales\n"
        "Description=Sales database, main\nDelimiter=\"\n[2]\nName=Stock\n"
        "Connection=Provider=SQLite;Data Source=stock.db\nDescription=\nDelimiter=`\n",
        2,
        row(1, "1", "Sales", "Sales database, main",
            "Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=sales") +
            "\n" + row(2, "2", "Stock", "", "Provider=SQLite;Data Source=stock.db", "`"));
    add("sections 1, 2, 4 load two", sections(1, 2) + section(4, "DS4"), 2, standardRows(1, 2));
    add("sections out of order", section(2, "DS2") + section(1, "DS1"), 2, standardRows(1, 2));
    add("empty name in section 2 stops", section(1, "DS1") + section(2, "") + section(3, "DS3"), 1,
        standardRows(1, 1));
    add("missing key and empty value alike", "[1]\nName=A\nDescription=\nDelimiter=\n[2]\nName=B\n", 2,
        row(1, "1", "A", "", "", "") + "\n" + row(2, "2", "B", "", "", ""));
    add("ID key ignored", "[1]\nID=7\nName=A\nConnection=c\n", 1, row(1, "1", "A", "", "c", ""));
    add("100,000 characters cut to 253", section(1, QByteArray(100000, 'x'), QByteArray(100000, 'x')), 1,
        row(1, "1", cut, "d", cut));
    add("duplicate section and keys: the first counts",
        "[1]\nName=A\nName=B\nConnection=c1\nConnection=c2\n" + section(1, "Second", "c2"), 1,
        row(1, "1", "A", "", "c1", ""));
    add("keys in any case and order, CRLF lines", "[1]\r\ndelimiter=`\r\nCONNECTION=c\r\nname=A\r\n", 1,
        row(1, "1", "A", "", "c", "`"));
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 131 + 7) % 256);
    add("junk after a good section", section(1, "DS1") + junk, 1, standardRows(1, 1));
    add("51st section without a name", sections(1, 50) + section(51, ""), 50, standardRows(1, 50));
    QTest::newRow("60 sections") << true << sections(1, 60) << false << 3 << standardRows(1, 50)
                                 << QStringList{
                                        "Get_DataSources: The data-source file FILE holds more than 50 "
                                        "data sources; only the first 50 are loaded."};
}

void TestDataSources::load()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, result);
    QFETCH(int, count);
    QFETCH(QString, table);
    QFETCH(QStringList, reports);

    // A loaded list of three first, so that what a load keeps shows.
    loadFile(sections(1, 3));
    QCOMPARE(Glob::lngDataSourceCount(), 3);
    if (exists)
        QVERIFY(writeBytes(m_file, bytes));
    else
        QFile::remove(m_file);
    const QDateTime modified = QFileInfo(m_file).lastModified();

    QCOMPARE(Glob::Get_DataSources(), result);
    QCOMPARE(describeTable(), table);
    QCOMPARE(Glob::lngDataSourceCount(), count);
    QCOMPARE(takeReports(), reports.replaceInStrings(QStringLiteral("FILE"), m_file));
    // Loading never touches the file.
    QCOMPARE(QFileInfo::exists(m_file), exists);
    if (exists) {
        QCOMPARE(readBytes(m_file), bytes);
        QCOMPARE(QFileInfo(m_file).lastModified(), modified);
    }
    QCOMPARE(folderEntries(), exists ? QStringLiteral("DataSources.ini") : QString());
}

void TestDataSources::loadUnreadable()
{
    if (runningAsRoot())
        QSKIP("Running as root, which reads a file whatever its permissions.");
    loadFile(sections(1, 2));
    const QByteArray bytes = sections(1, 3);
    QVERIFY(writeBytes(m_file, bytes));
    QVERIFY(QFile::setPermissions(m_file, QFileDevice::WriteOwner));

    QVERIFY(!Glob::Get_DataSources());
    const QStringList reports = takeReports();
    QCOMPARE(reports.size(), qsizetype(1));
    QVERIFY2(reports[0].startsWith("Get_DataSources: ") && reports[0].contains(m_file),
             qPrintable(reports[0]));
    // The list read before stays, and the file is left alone.
    QCOMPARE(describeTable(), standardRows(1, 2));
    QCOMPARE(Glob::lngDataSourceCount(), 2);
    QVERIFY(QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readBytes(m_file), bytes);
}

void TestDataSources::save_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<Change>("change");
    QTest::addColumn<QString>("file");   // fileLines() after the save
    QTest::addColumn<QString>("reload"); // the table after loading the saved file

    const Change nothing = [] {};
    const auto deleteRows = [](std::initializer_list<int> rows) {
        return Change([rows = QList<int>(rows)] {
            for (int r : rows)
                Glob::aDataSources()[r][Glob::dsID].clear();
        });
    };
    QTest::newRow("unchanged list") << sections(1, 3) << nothing << standardFile({1, 2, 3})
                                    << standardRows(1, 3);
    QTest::newRow("keys rewritten in order, ID dropped")
        << QByteArray("[1]\nDelimiter=`\nID=9\nDescription=x\nConnection=c\nName=A\n") << nothing
        << entry(1, "A", "c", "x", "`") << row(1, "1", "A", "x", "c", "`");
    QTest::newRow("sections 1, 2, 4: the save drops 4")
        << sections(1, 2) + section(4, "DS4") << nothing << standardFile({1, 2}) << standardRows(1, 2);
    QTest::newRow("row 2 of 3 deleted: renumbered")
        << sections(1, 3) << deleteRows({2}) << standardFile({1, 3})
        << standardRows(1, 1) + "\n" + row(2, "2", "DS3");
    QTest::newRow("all deleted: no file") << sections(1, 2) << deleteRows({1, 2}) << "<no file>" << QString();
    QTest::newRow("empty name with an ID is written; loading stops there")
        << sections(1, 3) << Change([] { Glob::aDataSources()[2][Glob::dsName].clear(); })
        << standardFile({1}) + "|" + entry(2, "") + "|" + entry(3, "DS3") << standardRows(1, 1);
    const QString obrien = QStringLiteral("Provider=SQLite;Data Source=/tmp/o''b.db");
    QTest::newRow("added entry: quotes doubled") << sections(1, 1) << Change([] {
        QVERIFY(Glob::Add_DataSource("O'Brien", "Provider=SQLite;Data Source=/tmp/o'b.db", "it's", "\""));
    }) << standardFile({1}) + "|" + entry(2, "O''Brien", obrien, "it''s")
                                                 << standardRows(1, 1) + "\n" +
                                                        row(2, "2", "O''Brien", "it''s", obrien);
    QTest::newRow("lines of a description joined") << sections(1, 1) << Change([] {
        Glob::aDataSources()[1][Glob::dsDescription] = "first line\r\n\nsecond\n";
    }) << entry(1, "DS1", "c", "first line second") << row(1, "1", "DS1", "first line second");
    QTest::newRow("leftover rows after the count are written") << QByteArray() << Change([] {
        Glob::aDataSources()[50][Glob::dsID] = "50";
        Glob::aDataSources()[50][Glob::dsName] = "Last";
    }) << entry(1, "Last", "", "", "") << row(1, "1", "Last", "", "", "");
}

void TestDataSources::save()
{
    QFETCH(QByteArray, before);
    QFETCH(Change, change);
    QFETCH(QString, file);
    QFETCH(QString, reload);

    loadFile(before);
    // Left readable by all (made by hand, say): owner-only after the save.
    QVERIFY(QFile::setPermissions(m_file, QFile::permissions(m_file) | QFileDevice::ReadOther));
    change();
    QVERIFY(Glob::Save_DataSources());
    QCOMPARE(fileLines(m_file), file);
    QVERIFY(takeReports().isEmpty());
    const bool exists = QFileInfo::exists(m_file);
    QCOMPARE(unixMode(m_file), exists ? 0600 : -1);
    QCOMPARE(folderEntries(), exists ? QStringLiteral("DataSources.ini") : QString());
    QVERIFY(Glob::Get_DataSources());
    QCOMPARE(describeTable(), reload);
}

void TestDataSources::saveFailure_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("file size limit reached mid-way") << "limit";
    QTest::newRow("folder missing") << "folder";
    QTest::newRow("target is a folder") << "directory";
}

void TestDataSources::saveFailure()
{
    QFETCH(QString, how);
    const QByteArray before = sections(1, 2);
    loadFile(before);
    // Fifty long entries need far more room than the limit allows.
    for (int i = 1; i <= Glob::kDataSourceRows; ++i) {
        Glob::DataSource& cells = Glob::aDataSources()[i];
        cells[Glob::dsID] = QString::number(i);
        cells[Glob::dsName] = QStringLiteral("Entry %1").arg(i);
        cells[Glob::dsConnection] = QString(200, u'c');
    }

    if (how == "limit") {
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const auto restore = qScopeGuard([&] {
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
        });
        rlimit limited = saved;
        limited.rlim_cur = 4096;
        if (setrlimit(RLIMIT_FSIZE, &limited) != 0)
            QSKIP("The file size limit cannot be set here.");
        QVERIFY(!Glob::Save_DataSources());
    } else {
        const QString target = m_lib + (how == "folder" ? "/gone/DataSources.ini" : "/folder");
        if (how == "directory")
            QVERIFY(QDir(m_lib).mkpath(QStringLiteral("folder/inside")));
        Glob::Options().strDataSourceFile = target;
        QVERIFY(!Glob::Save_DataSources());
        QCOMPARE(QFileInfo::exists(target), how == "directory");
        QCOMPARE(QFileInfo::exists(target + QStringLiteral("/inside")), how == "directory");
        QVERIFY(QDir(m_lib + QStringLiteral("/folder")).removeRecursively());
    }
    // Save_DataSources says so by its result; its callers report.
    QVERIFY(takeReports().isEmpty());
    // The previous file is whole and no half-written file is left beside it.
    QCOMPARE(readBytes(m_file), before);
    QCOMPARE(folderEntries(), QStringLiteral("DataSources.ini"));
    // The list in memory is kept for another try.
    QCOMPARE(Glob::aDataSources()[50][Glob::dsName], QStringLiteral("Entry 50"));
}

void TestDataSources::newDataSource_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("index"); // negative: that row deleted in memory first
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<Typed>("typed");
    QTest::addColumn<QStringList>("shown"); // name, connection, description, delimiter in the editor
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("table");

    const Typed sample{"Sample", "Provider=SQLite;Data Source=/tmp/s.db", "demo", "\""};
    const QString sampleRow = "|Sample|demo|Provider=SQLite;Data Source=/tmp/s.db|\"";
    const QStringList blank{"", "", "", "`"};

    QTest::newRow("add to three gives row 4") << sections(1, 3) << 2 << false << true << sample << blank
                                              << true << 4 << standardRows(1, 3) + "\n4:|4" + sampleRow;
    QTest::newRow("add cancelled") << sections(1, 3) << 0 << false << false << sample << blank << false << 3
                                   << standardRows(1, 3);
    QTest::newRow("add O'Brien: quotes doubled")
        << sections(1, 1) << 0 << false << true
        << Typed{"O'Brien", "Provider=SQLite;Data Source=/tmp/o'b.db", "", ""} << blank << true << 2
        << standardRows(1, 1) + "\n" +
               row(2, "2", "O''Brien", "", "Provider=SQLite;Data Source=/tmp/o''b.db", "`");
    QTest::newRow("add with a two-character delimiter keeps one")
        << QByteArray() << 0 << false << true << Typed{"A", "x=1", "", "[]"} << blank << true << 1
        << row(1, "1", "A", "", "x=1", "[");
    QTest::newRow("edit row 2 shows the stored texts")
        << sections(1, 3) << 2 << true << true << Typed{"Renamed", "", "new words", ""}
        << QStringList{"DS2", "c", "d", "\""} << true << 3
        << standardRows(1, 1) + "\n" + row(2, "2", "Renamed", "new words") + "\n" + standardRows(3, 3);
    QTest::newRow("edit shows O'Brien, stores O''Brien")
        << section(1, "O''Brien", "Data Source=o''b.db", "it''s", "`") << 1 << true << true
        << Typed{"O'Brien", "", "it's", ""} << QStringList{"O'Brien", "Data Source=o'b.db", "it's", "`"}
        << true << 1 << row(1, "1", "O''Brien", "it''s", "Data Source=o''b.db", "`");
    QTest::newRow("edit cancelled") << sections(1, 3) << 3 << true << false << Typed{"Other", "x", "y", "`"}
                                    << QStringList{"DS3", "c", "d", "\""} << false << 3 << standardRows(1, 3);
    QTest::newRow("edit restores a deleted row's ID")
        << sections(1, 2) << -2 << true << true << Typed{"Back", "", "", ""}
        << QStringList{"DS2", "c", "d", "\""} << true << 2
        << standardRows(1, 1) + "\n" + row(2, "2", "Back", "");
}

void TestDataSources::newDataSource()
{
    QFETCH(QByteArray, before);
    QFETCH(int, index);
    QFETCH(bool, edit);
    QFETCH(bool, confirm);
    QFETCH(Typed, typed);
    QFETCH(QStringList, shown);
    QFETCH(bool, result);
    QFETCH(int, count);
    QFETCH(QString, table);

    loadFile(before);
    if (index < 0) {
        index = -index;
        Glob::aDataSources()[index][Glob::dsID].clear();
    }
    const QByteArray fileBefore = readBytes(m_file);

    QStringList seen;
    whenEditorShows([&](frmNewDataSource& dialog) {
        seen << dialog.windowTitle() << control<QLineEdit>(dialog, "txtName")->text()
             << control<QPlainTextEdit>(dialog, "txtConnection")->toPlainText()
             << control<QPlainTextEdit>(dialog, "txtDescription")->toPlainText()
             << control<QComboBox>(dialog, "cboDelimiter")->currentText();
        if (!typed.connection.isEmpty()) {
            dialog.setConnectionPrompt([built = typed.connection](QWidget*, const QString&) {
                return std::optional<QString>(built);
            });
            control<QPushButton>(dialog, "cmdDataSource")->click();
        }
        control<QLineEdit>(dialog, "txtName")->setText(typed.name);
        control<QPlainTextEdit>(dialog, "txtDescription")->setPlainText(typed.description);
        if (!typed.delimiter.isEmpty())
            control<QComboBox>(dialog, "cboDelimiter")->setEditText(typed.delimiter);
        QPushButton* ok = control<QPushButton>(dialog, "cmdOK");
        if (confirm && !ok->isEnabled())
            dialog.reject(); // shows as a failed add below
        control<QPushButton>(dialog, confirm ? "cmdOK" : "cmdCancel")->click();
    });
    QCOMPARE(Glob::New_DataSource(index, edit), result);
    QVERIFY(!Glob::DataSourceEditor().isVisible());
    QCOMPARE(seen, QStringList{edit ? "Edit Data Source" : "New Data Source"} + shown);
    QCOMPARE(describeTable(), table);
    QCOMPARE(Glob::lngDataSourceCount(), count);
    QVERIFY(takeReports().isEmpty());
    QCOMPARE(readBytes(m_file), fileBefore); // the file waits for Save_DataSources
}

void TestDataSources::newDataSourceRefused_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("report");
    QTest::newRow("add with 50 rows in use")
        << 0 << false << "New_DataSource: The data-source list is full: it holds at most 50 data sources.";
    QTest::newRow("edit row 0") << 0 << true << "New_DataSource: There is no data source number 0.";
    QTest::newRow("edit row 51") << 51 << true << "New_DataSource: There is no data source number 51.";
}

void TestDataSources::newDataSourceRefused()
{
    QFETCH(int, index);
    QFETCH(bool, edit);
    QFETCH(QString, report);

    loadFile(sections(1, 50));
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = Glob::DataSourceEditor().isVisible();
        if (shown)
            Glob::DataSourceEditor().reject();
    });
    QVERIFY(!Glob::New_DataSource(index, edit));
    QCoreApplication::processEvents();
    QVERIFY(!shown);
    QCOMPARE(takeReports(), QStringList{report});
    QVERIFY(!Glob::Add_DataSource("x", "y", "z", "`", "Dabrook"));
    QCOMPARE(takeReports(),
             QStringList{"Dabrook: The data-source list is full: it holds at most 50 data sources."});
    QCOMPARE(describeTable(), standardRows(1, 50));
    QCOMPARE(Glob::lngDataSourceCount(), 50);
}

void TestDataSources::editTwiceKeepsQuotes()
{
    // Each confirmed edit without a change leaves the stored text as it was.
    loadFile(section(1, "O''Brien"));
    for (int round = 0; round < 3; ++round) {
        whenEditorShows([](frmNewDataSource& dialog) {
            control<QPlainTextEdit>(dialog, "txtDescription")->appendPlainText(QString());
            control<QPushButton>(dialog, "cmdOK")->click();
        });
        QVERIFY(Glob::New_DataSource(1, true));
        QCOMPARE(Glob::aDataSources()[1][Glob::dsName], QStringLiteral("O''Brien"));
    }
    QVERIFY(Glob::Save_DataSources());
    QVERIFY(fileLines(m_file).contains(QStringLiteral("Name=O''Brien|")));
}

void TestDataSources::deleteDataSource_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("file"); // after a save

    QTest::newRow("OK marks row 2") << 2 << MsgResult::OK
                                    << standardRows(1, 1) + "\n2:||DS2|d|c|\"\n" + standardRows(3, 3)
                                    << standardFile({1, 3});
    QTest::newRow("Cancel keeps the row")
        << 2 << MsgResult::Cancel << standardRows(1, 3) << standardFile({1, 2, 3});
    QTest::newRow("OK on the last row")
        << 3 << MsgResult::OK << standardRows(1, 2) + "\n3:||DS3|d|c|\"" << standardFile({1, 2});
}

void TestDataSources::deleteDataSource()
{
    QFETCH(int, index);
    QFETCH(MsgResult, answer);
    QFETCH(QString, table);
    QFETCH(QString, file);

    loadFile(sections(1, 3));
    const QByteArray before = readBytes(m_file);
    ScriptedPrompts prompts;
    prompts.msgAnswers = {answer};
    QCOMPARE(Glob::Delete_DataSource(index), answer == MsgResult::OK);
    QCOMPARE(prompts.calls.size(), std::size_t(1));
    const ScriptedPrompts::Call& call = prompts.calls.front();
    QCOMPARE(call.kind, ScriptedPrompts::Kind::MsgBox);
    QCOMPARE(call.text, QStringLiteral("Delete DS%1?").arg(index));
    QCOMPARE(call.title, QStringLiteral("Delete Data Source"));
    QCOMPARE(call.buttons, MsgButtons::OKCancel);
    QCOMPARE(call.icon, MsgIcon::Question);
    QCOMPARE(describeTable(), table);
    QCOMPARE(Glob::lngDataSourceCount(), 3);
    QCOMPARE(readBytes(m_file), before);
    QVERIFY(Glob::Save_DataSources());
    QCOMPARE(fileLines(m_file), file);
}

void TestDataSources::perThread()
{
    loadFile(sections(1, 3));
    QString seen = QStringLiteral("not run");
    std::unique_ptr<QThread> thread(QThread::create([&] {
        seen = QString::number(Glob::lngDataSourceCount()) + describeTable();
        Glob::aDataSources()[1][Glob::dsName] = QStringLiteral("elsewhere");
    }));
    thread->start();
    QVERIFY(thread->wait(10000));
    QCOMPARE(seen, QStringLiteral("0"));
    QCOMPARE(describeTable(), standardRows(1, 3));
}

QTEST_MAIN(TestDataSources)
#include "tst_datasources.moc"
