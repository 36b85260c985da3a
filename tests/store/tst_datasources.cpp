// The data-source store against real files in a scratch folder.
#include "ScriptedPrompts.h"
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
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <functional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using quarry::platform::MsgButtons;
using quarry::platform::MsgIcon;
using quarry::platform::MsgResult;
using quarry::test::ScriptedPrompts;

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

// The table's entries, one per line, so a failed comparison shows the row.
QString describeTable()
{
    QStringList lines;
    const Glob::DataSourceTable& table = Glob::aDataSources();
    for (int i = 0; i <= Glob::kDataSourceRows; ++i) {
        const Glob::DataSource& row = table[i];
        if (std::all_of(row.begin(), row.end(), [](const QString& cell) { return cell.isEmpty(); }))
            continue;
        QStringList cells;
        for (int c = 0; c <= Glob::kDataSourceColumns; ++c)
            cells << row[c];
        lines << QString::number(i) + QLatin1Char(':') + cells.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n'));
}

QString row(int number, const QString& id, const QString& name, const QString& description,
            const QString& connection, const QString& delimiter)
{
    return QStringLiteral("%1:|%2|%3|%4|%5|%6").arg(number).arg(id, name, description, connection, delimiter);
}

QString standardRow(int number)
{
    return row(number, QString::number(number), QStringLiteral("DS%1").arg(number), QStringLiteral("d"),
               QStringLiteral("c"), QStringLiteral("\""));
}

QString standardRows(int first, int last)
{
    QStringList lines;
    for (int i = first; i <= last; ++i)
        lines << standardRow(i);
    return lines.join(QLatin1Char('\n'));
}

// The file's non-blank lines joined by '|', which shows section order and key order.
QString fileLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<no file>");
    QStringList lines;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            lines << QString::fromUtf8(line.trimmed());
    return lines.join(QLatin1Char('|'));
}

// Permission bits as the file system holds them.
int unixMode(const QString& path)
{
    struct stat info
    {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QStringList reportLines()
{
    QStringList lines;
    for (const auto& report : Glob::Reporter().reports())
        lines << report.Procedure + QStringLiteral(": ") + report.Description;
    return lines;
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

template <typename T> T* control(frmNewDataSource& dialog, const char* name)
{
    return dialog.findChild<T*>(QLatin1String(name));
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
Q_DECLARE_METATYPE(std::function<void()>)
Q_DECLARE_METATYPE(quarry::platform::MsgResult)

namespace {

void typeInto(frmNewDataSource& dialog, const Typed& typed)
{
    if (!typed.connection.isEmpty()) {
        const QString built = typed.connection;
        dialog.setConnectionPrompt(
            [built](QWidget*, const QString&) { return std::optional<QString>(built); });
        control<QPushButton>(dialog, "cmdDataSource")->click();
    }
    control<QLineEdit>(dialog, "txtName")->setText(typed.name);
    control<QPlainTextEdit>(dialog, "txtDescription")->setPlainText(typed.description);
    if (!typed.delimiter.isEmpty())
        control<QComboBox>(dialog, "cboDelimiter")->setEditText(typed.delimiter);
}

// The file size limit stays in force only while this lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

} // namespace

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
    void saveReplacesPermissions();
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
    void loadFile(const QByteArray& bytes);
    QString folderEntries() const;

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

void TestDataSources::loadFile(const QByteArray& bytes)
{
    QVERIFY(writeBytes(m_file, bytes));
    QVERIFY(Glob::Get_DataSources());
}

QString TestDataSources::folderEntries() const
{
    return QDir(m_lib).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).join(QLatin1Char(','));
}

void TestDataSources::load_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("reports");

    const QString cut(253, QLatin1Char('x'));
    const QStringList none;

    QTest::newRow("missing file") << false << QByteArray() << true << 0 << QString() << none;
    QTest::newRow("empty file") << true << QByteArray() << true << 0 << QString() << none;
    QTest::newRow("two entries, ';' and '=' in values")
        << true
        << QByteArray(
               "[1]\nName=Sales\nConnection=Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=sales\n"
               "Description=Sales database, main\nDelimiter=\"\n[2]\nName=Stock\n"
               "Connection=Provider=SQLite;Data Source=stock.db\nDescription=\nDelimiter=`\n")
        << true << 2
        << row(1, "1", "Sales", "Sales database, main",
               "Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=sales", "\"") +
               "\n" + row(2, "2", "Stock", "", "Provider=SQLite;Data Source=stock.db", "`")
        << none;
    QTest::newRow("sections 1, 2, 4 load two")
        << true << sections(1, 2) + section(4, "DS4") << true << 2 << standardRows(1, 2) << none;
    QTest::newRow("sections out of order")
        << true << section(2, "DS2") + section(1, "DS1") << true << 2 << standardRows(1, 2) << none;
    QTest::newRow("empty name in section 2 stops")
        << true << section(1, "DS1") + section(2, "") + section(3, "DS3") << true << 1 << standardRow(1)
        << none;
    QTest::newRow("missing key and empty value alike")
        << true << QByteArray("[1]\nName=A\nDescription=\nDelimiter=\n[2]\nName=B\n") << true << 2
        << row(1, "1", "A", "", "", "") + "\n" + row(2, "2", "B", "", "", "") << none;
    QTest::newRow("ID key ignored") << true << QByteArray("[1]\nID=7\nName=A\nConnection=c\n") << true << 1
                                    << row(1, "1", "A", "", "c", "") << none;
    QTest::newRow("300 characters cut to 253") << true << section(1, "A", QByteArray(300, 'x')) << true << 1
                                               << row(1, "1", "A", "d", cut, "\"") << none;
    QTest::newRow("100,000 characters cut to 253")
        << true << section(1, QByteArray(100000, 'x'), QByteArray(100000, 'x')) << true << 1
        << row(1, "1", cut, "d", cut, "\"") << none;
    QTest::newRow("duplicate section: the first counts")
        << true << section(1, "First") + section(1, "Second", "c2") << true << 1
        << row(1, "1", "First", "d", "c", "\"") << none;
    QTest::newRow("duplicate key: the first counts")
        << true << QByteArray("[1]\nName=A\nName=B\nConnection=c1\nConnection=c2\n") << true << 1
        << row(1, "1", "A", "", "c1", "") << none;
    QTest::newRow("keys in any case and order, CRLF lines")
        << true << QByteArray("[1]\r\ndelimiter=`\r\nCONNECTION=c\r\nname=A\r\n") << true << 1
        << row(1, "1", "A", "", "c", "`") << none;
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 131 + 7) % 256);
    QTest::newRow("binary junk") << true << junk << true << 0 << QString() << none;
    QTest::newRow("junk after a good section")
        << true << section(1, "DS1") + junk << true << 1 << standardRow(1) << none;
    QTest::newRow("50 sections") << true << sections(1, 50) << true << 50 << standardRows(1, 50) << none;
    QTest::newRow("60 sections") << true << sections(1, 60) << false << 3 << standardRows(1, 50)
                                 << QStringList{QStringLiteral(
                                        "Get_DataSources: The data-source file FILE holds more "
                                        "than 50 data sources; only the first 50 are loaded.")};
    QTest::newRow("51st section without a name")
        << true << sections(1, 50) + section(51, "") << true << 50 << standardRows(1, 50) << none;
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
    reports.replaceInStrings(QStringLiteral("FILE"), m_file);
    QCOMPARE(reportLines(), reports);

    QCOMPARE(QFileInfo::exists(m_file), exists);
    if (exists) {
        QCOMPARE(readBytes(m_file), bytes);
        QCOMPARE(QFileInfo(m_file).lastModified(), modified);
    }
    QCOMPARE(folderEntries(), exists ? QStringLiteral("DataSources.ini") : QString());
}

void TestDataSources::loadUnreadable()
{
    if (geteuid() == 0)
        QSKIP("Running as root, which reads a file whatever its permissions.");
    loadFile(sections(1, 2));
    const QByteArray bytes = sections(1, 3);
    QVERIFY(writeBytes(m_file, bytes));
    QVERIFY(QFile::setPermissions(m_file, QFileDevice::WriteOwner));

    QVERIFY(!Glob::Get_DataSources());
    QCOMPARE(Glob::Reporter().reports().size(), std::size_t(1));
    QCOMPARE(Glob::Reporter().reports().front().Procedure, QStringLiteral("Get_DataSources"));
    QVERIFY2(Glob::Reporter().reports().front().Description.contains(m_file),
             qPrintable(Glob::Reporter().reports().front().Description));
    // The list read before stays, and the file is left alone.
    QCOMPARE(describeTable(), standardRows(1, 2));
    QCOMPARE(Glob::lngDataSourceCount(), 2);
    QVERIFY(QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readBytes(m_file), bytes);
}

void TestDataSources::save_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<std::function<void()>>("change");
    QTest::addColumn<QString>("file");   // non-blank lines joined by '|'
    QTest::addColumn<QString>("reload"); // the table after loading the saved file

    const auto nothing = [] {};
    const QString three = "[1]|Name=DS1|Connection=c|Description=d|Delimiter=\"|"
                          "[2]|Name=DS2|Connection=c|Description=d|Delimiter=\"|"
                          "[3]|Name=DS3|Connection=c|Description=d|Delimiter=\"";

    QTest::newRow("unchanged list") << sections(1, 3) << std::function<void()>(nothing) << three
                                    << standardRows(1, 3);
    QTest::newRow("keys rewritten in order, ID dropped")
        << QByteArray("[1]\nDelimiter=`\nID=9\nDescription=x\nConnection=c\nName=A\n")
        << std::function<void()>(nothing) << "[1]|Name=A|Connection=c|Description=x|Delimiter=`"
        << row(1, "1", "A", "x", "c", "`");
    QTest::newRow("sections 1, 2, 4: the save drops 4")
        << sections(1, 2) + section(4, "DS4") << std::function<void()>(nothing)
        << "[1]|Name=DS1|Connection=c|Description=d|Delimiter=\"|[2]|Name=DS2|Connection=c|Description=d|"
           "Delimiter=\""
        << standardRows(1, 2);
    QTest::newRow("row 2 of 3 deleted: renumbered")
        << sections(1, 3) << std::function<void()>([] { Glob::aDataSources()[2][Glob::dsID].clear(); })
        << "[1]|Name=DS1|Connection=c|Description=d|Delimiter=\"|[2]|Name=DS3|Connection=c|Description=d|"
           "Delimiter=\""
        << standardRow(1) + "\n" + row(2, "2", "DS3", "d", "c", "\"");
    QTest::newRow("all deleted: no file") << sections(1, 2) << std::function<void()>([] {
        Glob::aDataSources()[1][Glob::dsID].clear();
        Glob::aDataSources()[2][Glob::dsID].clear();
    }) << "<no file>" << QString();
    QTest::newRow("empty name with an ID is written; loading stops there")
        << sections(1, 3) << std::function<void()>([] { Glob::aDataSources()[2][Glob::dsName].clear(); })
        << "[1]|Name=DS1|Connection=c|Description=d|Delimiter=\"|[2]|Name=|Connection=c|Description=d|"
           "Delimiter=\"|"
           "[3]|Name=DS3|Connection=c|Description=d|Delimiter=\""
        << standardRow(1);
    QTest::newRow("added entry: quotes doubled")
        << sections(1, 1) << std::function<void()>([] {
               QVERIFY(
                   Glob::Add_DataSource("O'Brien", "Provider=SQLite;Data Source=/tmp/o'b.db", "it's", "\""));
           })
        << "[1]|Name=DS1|Connection=c|Description=d|Delimiter=\"|[2]|Name=O''Brien|"
           "Connection=Provider=SQLite;Data Source=/tmp/o''b.db|Description=it''s|Delimiter=\""
        << standardRow(1) + "\n" +
               row(2, "2", "O''Brien", "it''s", "Provider=SQLite;Data Source=/tmp/o''b.db", "\"");
    QTest::newRow("lines of a description joined") << sections(1, 1) << std::function<void()>([] {
        Glob::aDataSources()[1][Glob::dsDescription] = "first line\r\n\nsecond\n";
    }) << "[1]|Name=DS1|Connection=c|Description=first line second|Delimiter=\""
                                                   << row(1, "1", "DS1", "first line second", "c", "\"");
    QTest::newRow("leftover rows after the count are written") << QByteArray() << std::function<void()>([] {
        Glob::DataSource& cells = Glob::aDataSources()[50];
        cells[Glob::dsID] = "50";
        cells[Glob::dsName] = "Last";
    }) << "[1]|Name=Last|Connection=|Description=|Delimiter=" << row(1, "1", "Last", "", "", "");
}

void TestDataSources::save()
{
    QFETCH(QByteArray, before);
    QFETCH(std::function<void()>, change);
    QFETCH(QString, file);
    QFETCH(QString, reload);

    loadFile(before);
    change();
    QVERIFY(Glob::Save_DataSources());
    QCOMPARE(fileLines(m_file), file);
    QVERIFY(Glob::Reporter().reports().empty());
    if (QFileInfo::exists(m_file)) {
        QCOMPARE(unixMode(m_file), 0600);
        QCOMPARE(folderEntries(), QStringLiteral("DataSources.ini"));
    } else {
        QCOMPARE(folderEntries(), QString());
    }
    QVERIFY(Glob::Get_DataSources());
    QCOMPARE(describeTable(), reload);
}

void TestDataSources::saveReplacesPermissions()
{
    // A file left readable by all (made by hand, say) is owner-only after a save.
    loadFile(sections(1, 2));
    QVERIFY(QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadGroup | QFileDevice::ReadOther));
    QVERIFY(Glob::Save_DataSources());
    QCOMPARE(unixMode(m_file), 0600);
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
        cells[Glob::dsConnection] = QString(200, QLatin1Char('c'));
    }

    QString target = m_file;
    if (how == "limit") {
        FileSizeLimit limit(4096);
        if (!limit.active())
            QSKIP("The file size limit cannot be set here.");
        QVERIFY(!Glob::Save_DataSources());
    } else if (how == "folder") {
        target = m_lib + QStringLiteral("/gone/DataSources.ini");
        Glob::Options().strDataSourceFile = target;
        QVERIFY(!Glob::Save_DataSources());
        QVERIFY(!QFileInfo::exists(target));
    } else {
        target = m_lib + QStringLiteral("/folder");
        QVERIFY(QDir(m_lib).mkpath(QStringLiteral("folder/inside")));
        Glob::Options().strDataSourceFile = target;
        QVERIFY(!Glob::Save_DataSources());
        QVERIFY(QFileInfo(target).isDir());
        QVERIFY(QFileInfo::exists(target + QStringLiteral("/inside")));
        QVERIFY(QDir(target).removeRecursively());
    }
    QVERIFY2(Glob::Reporter().reports().empty(), qPrintable(reportLines().join('\n')));
    // The previous file is whole and no half-written file is left beside it.
    QCOMPARE(readBytes(m_file), before);
    QCOMPARE(folderEntries(), QStringLiteral("DataSources.ini"));
    // The list in memory is kept for another try.
    QCOMPARE(Glob::aDataSources()[50][Glob::dsName], QStringLiteral("Entry 50"));
}

void TestDataSources::newDataSource_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<Typed>("typed");
    QTest::addColumn<QStringList>("shown"); // name, connection, description, delimiter in the editor
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("table");

    const Typed sample{"Sample", "Provider=SQLite;Data Source=/tmp/s.db", "demo", "\""};
    const QStringList blank{"", "", "", "`"};

    QTest::newRow("add to three gives row 4")
        << sections(1, 3) << 2 << false << true << sample << blank << "New Data Source" << true << 4
        << standardRows(1, 3) + "\n" +
               row(4, "4", "Sample", "demo", "Provider=SQLite;Data Source=/tmp/s.db", "\"");
    QTest::newRow("add to an empty list")
        << QByteArray() << 0 << false << true << sample << blank << "New Data Source" << true << 1
        << row(1, "1", "Sample", "demo", "Provider=SQLite;Data Source=/tmp/s.db", "\"");
    QTest::newRow("add cancelled") << sections(1, 3) << 0 << false << false << sample << blank
                                   << "New Data Source" << false << 3 << standardRows(1, 3);
    QTest::newRow("add O'Brien: quotes doubled")
        << sections(1, 1) << 0 << false << true
        << Typed{"O'Brien", "Provider=SQLite;Data Source=/tmp/o'b.db", "", ""} << blank << "New Data Source"
        << true << 2
        << standardRow(1) + "\n" +
               row(2, "2", "O''Brien", "", "Provider=SQLite;Data Source=/tmp/o''b.db", "`");
    QTest::newRow("add with a two-character delimiter keeps one")
        << QByteArray() << 0 << false << true << Typed{"A", "x=1", "", "[]"} << blank << "New Data Source"
        << true << 1 << row(1, "1", "A", "", "x=1", "[");
    QTest::newRow("edit row 2 shows the stored texts")
        << sections(1, 3) << 2 << true << true << Typed{"Renamed", "", "new words", ""}
        << QStringList{"DS2", "c", "d", "\""} << "Edit Data Source" << true << 3
        << standardRow(1) + "\n" + row(2, "2", "Renamed", "new words", "c", "\"") + "\n" + standardRow(3);
    QTest::newRow("edit shows O'Brien, stores O''Brien")
        << section(1, "O''Brien", "Data Source=o''b.db", "it''s", "`") << 1 << true << true
        << Typed{"O'Brien", "", "it's", ""} << QStringList{"O'Brien", "Data Source=o'b.db", "it's", "`"}
        << "Edit Data Source" << true << 1 << row(1, "1", "O''Brien", "it''s", "Data Source=o''b.db", "`");
    QTest::newRow("edit cancelled") << sections(1, 3) << 3 << true << false << Typed{"Other", "x", "y", "`"}
                                    << QStringList{"DS3", "c", "d", "\""} << "Edit Data Source" << false << 3
                                    << standardRows(1, 3);
    QTest::newRow("edit restores a deleted row's ID")
        << sections(1, 2) << -2 << true << true << Typed{"Back", "", "", ""}
        << QStringList{"DS2", "c", "d", "\""} << "Edit Data Source" << true << 2
        << standardRow(1) + "\n" + row(2, "2", "Back", "", "c", "\"");
}

void TestDataSources::newDataSource()
{
    QFETCH(QByteArray, before);
    QFETCH(int, index);
    QFETCH(bool, edit);
    QFETCH(bool, confirm);
    QFETCH(Typed, typed);
    QFETCH(QStringList, shown);
    QFETCH(QString, title);
    QFETCH(bool, result);
    QFETCH(int, count);
    QFETCH(QString, table);

    loadFile(before);
    if (index < 0) { // a row deleted in memory
        index = -index;
        Glob::aDataSources()[index][Glob::dsID].clear();
    }
    const QByteArray fileBefore = readBytes(m_file);

    QStringList seen;
    QString seenTitle;
    whenEditorShows([&](frmNewDataSource& dialog) {
        seenTitle = dialog.windowTitle();
        seen << control<QLineEdit>(dialog, "txtName")->text()
             << control<QPlainTextEdit>(dialog, "txtConnection")->toPlainText()
             << control<QPlainTextEdit>(dialog, "txtDescription")->toPlainText()
             << control<QComboBox>(dialog, "cboDelimiter")->currentText();
        typeInto(dialog, typed);
        if (confirm) {
            QPushButton* ok = control<QPushButton>(dialog, "cmdOK");
            if (!ok->isEnabled())
                dialog.reject(); // shows as a failed add below
            ok->click();
        } else {
            control<QPushButton>(dialog, "cmdCancel")->click();
        }
    });
    QCOMPARE(Glob::New_DataSource(index, edit), result);
    QVERIFY(!Glob::DataSourceEditor().isVisible());
    QCOMPARE(seenTitle, title);
    QCOMPARE(seen, shown);
    QCOMPARE(describeTable(), table);
    QCOMPARE(Glob::lngDataSourceCount(), count);
    QVERIFY(Glob::Reporter().reports().empty());
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
    QCOMPARE(reportLines(), QStringList{report});
    QCOMPARE(describeTable(), standardRows(1, 50));
    QCOMPARE(Glob::lngDataSourceCount(), 50);
    QVERIFY(!Glob::Add_DataSource("x", "y", "z", "`", "Dabrook"));
    QCOMPARE(reportLines().last(),
             QStringLiteral("Dabrook: The data-source list is full: it holds at most 50 data sources."));
    QCOMPARE(describeTable(), standardRows(1, 50));
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
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("file"); // after a save

    const QString rows13 = standardRow(1) + "\n" + row(2, "", "DS2", "d", "c", "\"") + "\n" + standardRow(3);
    QTest::newRow("OK marks row 2") << 2 << MsgResult::OK << true << rows13
                                    << "[1]|Name=DS1|Connection=c|Description=d|Delimiter=\"|"
                                       "[2]|Name=DS3|Connection=c|Description=d|Delimiter=\"";
    QTest::newRow("Cancel keeps the row") << 2 << MsgResult::Cancel << false << standardRows(1, 3)
                                          << "[1]|Name=DS1|Connection=c|Description=d|Delimiter=\"|"
                                             "[2]|Name=DS2|Connection=c|Description=d|Delimiter=\"|"
                                             "[3]|Name=DS3|Connection=c|Description=d|Delimiter=\"";
    QTest::newRow("OK on the last row")
        << 3 << MsgResult::OK << true << standardRows(1, 2) + "\n" + row(3, "", "DS3", "d", "c", "\"")
        << "[1]|Name=DS1|Connection=c|Description=d|Delimiter=\"|"
           "[2]|Name=DS2|Connection=c|Description=d|Delimiter=\"";
}

void TestDataSources::deleteDataSource()
{
    QFETCH(int, index);
    QFETCH(MsgResult, answer);
    QFETCH(bool, result);
    QFETCH(QString, table);
    QFETCH(QString, file);

    loadFile(sections(1, 3));
    const QByteArray before = readBytes(m_file);
    ScriptedPrompts prompts;
    prompts.msgAnswers = {answer};
    QCOMPARE(Glob::Delete_DataSource(index), result);
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
    int otherCount = -1;
    QString otherTable = QStringLiteral("not run");
    QThread* thread = QThread::create([&] {
        otherCount = Glob::lngDataSourceCount();
        otherTable = describeTable();
        Glob::aDataSources()[1][Glob::dsName] = QStringLiteral("elsewhere");
    });
    thread->start();
    QVERIFY(thread->wait(10000));
    delete thread;
    QCOMPARE(otherCount, 0);
    QCOMPARE(otherTable, QString());
    QCOMPARE(describeTable(), standardRows(1, 3));
}

QTEST_MAIN(TestDataSources)
#include "tst_datasources.moc"
