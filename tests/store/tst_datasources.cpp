// The data-source list in its file: loading, saving, the editor and prompts, and the sample on a first start.
#include "ScriptedPrompts.h"
#include "SettingsTestSupport.h"
#include "WidgetTestSupport.h"
#include "app/SampleDatabase.h"
#include "dialogs/frmNewDataSource.h"
#include "platform/LibraryLocation.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <quarry/Database.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

using quarry::platform::MsgResult;
using namespace quarry::test;
using Action = std::function<bool()>;
Q_DECLARE_METATYPE(Action)

namespace {

QString g_lib, g_file, g_sample; // the library's folder, the data-source file beside it, the sample database
QStringList g_said;              // what the editor and the prompts showed, in order

QByteArray section(int number, const QByteArray& name, const QByteArray& connection = "c",
                   const QByteArray& description = "d", const QByteArray& delimiter = "\"")
{
    return "[" + QByteArray::number(number) + "]\nName=" + name + "\nConnection=" + connection +
           "\nDescription=" + description + "\nDelimiter=" + delimiter + "\n";
}

QByteArray sections(int first, int last, const QByteArray& connection = "c")
{
    QByteArray text;
    for (int i = first; i <= last; ++i)
        text += section(i, "DS" + QByteArray::number(i), connection);
    return text;
}

// A saved entry as fileLines() shows it.
QString entry(int number, const QString& name, const QString& connection = "c",
              const QString& description = "d", const QString& delimiter = "\"")
{
    return QStringLiteral("|[%1]|Name=%2|Connection=%3|Description=%4|Delimiter=%5")
        .arg(number)
        .arg(name, connection, description, delimiter);
}

// Entries DS<n> for each n, numbered from 1; DS1 to DS<last> without any.
QString entries(QList<int> numbers, int last = 0)
{
    for (int n = 1; n <= last; ++n)
        numbers << n;
    QString text;
    for (int i = 0; i < numbers.size(); ++i)
        text += entry(i + 1, QStringLiteral("DS%1").arg(numbers[i]));
    return text;
}

// The file's non-blank lines after its format mark, each after a '|'.
QString fileLines(const QString& file = g_file)
{
    QString text;
    for (const QByteArray& line : (QFile::exists(file) ? readBytes(file) : QByteArray()).split('\n'))
        if (!line.trimmed().isEmpty())
            text += u'|' + QString::fromUtf8(line.trimmed());
    return text.isEmpty() || text.startsWith("|[Quarry]|Format=2") ? text.mid(18) : text + "(unmarked)";
}

// Runs `step`, noting when it changed the file.
bool leavesFile(const std::function<bool()>& step)
{
    const QByteArray before = readBytes(g_file);
    const bool result = step();
    if (readBytes(g_file) != before)
        g_said << QStringLiteral("the file changed");
    return result;
}

// New_DataSource with the editor answered as a user would: what it shows is noted, then the delimiter
// picked (unless empty), the connection (through its prompt, unless empty), the name, the description
// and the delimiter set (unless empty) go in. An OK that cannot be pressed is noted with its reason.
Action editor(int index, bool edit, bool confirm, const QStringList& typed)
{
    return [=] {
        QObject context; // pending steps go with it, should the editor never show
        whenModal(&context, [&](QWidget*) {
            frmNewDataSource& dialog = Glob::DataSourceEditor();
            g_said << QStringList{dialog.windowTitle(), child<QLineEdit>(dialog, "txtName")->text(),
                                  child<QPlainTextEdit>(dialog, "txtConnection")->toPlainText(),
                                  child<QPlainTextEdit>(dialog, "txtDescription")->toPlainText(),
                                  child<QComboBox>(dialog, "cboDelimiter")->currentText()}
                          .join(u'|');
            if (!typed.value(4).isEmpty()) {
                child<QComboBox>(dialog, "cboDelimiter")->lineEdit()->selectAll();
                QTest::keyClicks(child<QComboBox>(dialog, "cboDelimiter")->lineEdit(), typed.value(4));
            }
            if (!typed.value(1).isEmpty()) {
                dialog.setConnectionPrompt([c = typed.value(1)](QWidget*, const QString&) { return c; });
                child<QPushButton>(dialog, "cmdDataSource")->click();
            }
            child<QLineEdit>(dialog, "txtName")->setText(typed.value(0));
            child<QPlainTextEdit>(dialog, "txtDescription")->setPlainText(typed.value(2));
            if (!typed.value(3).isEmpty())
                child<QComboBox>(dialog, "cboDelimiter")->setEditText(typed.value(3));
            auto* ok = child<QPushButton>(dialog, "cmdOK");
            if (confirm && !ok->isEnabled())
                g_said << "OK disabled: " + child<QLabel>(dialog, "lblReason")->text();
            child<QPushButton>(dialog, confirm && ok->isEnabled() ? "cmdOK" : "cmdCancel")->click();
        });
        return leavesFile([&] { return Glob::New_DataSource(index, edit); });
    };
}

Action remove(int index, MsgResult answer)
{
    return [=] {
        ScriptedPrompts prompts;
        prompts.msgAnswers = {answer};
        const bool result = leavesFile([&] { return Glob::Delete_DataSource(index); });
        for (const auto& call : prompts.calls)
            g_said << call.text + u'|' + call.title + u'|' + QString::number(int(call.buttons)) +
                          QString::number(int(call.icon)); // 12: OK/Cancel with a question mark
        return result;
    };
}

// Saving elsewhere, or under a file size limit, fails; the file stays whole.
Action saveTo(const QString& target)
{
    return [=] {
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = 4096;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (target.isEmpty() && setrlimit(RLIMIT_FSIZE, &limited) != 0)
            g_said << QStringLiteral("no file size limit here");
        Glob::Options().strDataSourceFile = target.isEmpty() ? g_file : g_lib + u'/' + target;
        QDir().mkpath(g_lib + QStringLiteral("/folder/inside"));
        // Nor is a folder read as an empty list, which a save would then make final.
        const bool result =
            leavesFile(Glob::Save_DataSources) || (target == "folder" && Glob::Get_DataSources());
        g_said << takeReports().replaceInStrings(QRegularExpression(": [^:]*$"), ""); // not Qt's wording
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        Glob::Options().strDataSourceFile = g_file;
        if (!QDir(g_lib + QStringLiteral("/folder")).removeRecursively() ||
            QFileInfo::exists(g_lib + "/gone"))
            g_said << QStringLiteral("the target was touched");
        return result;
    };
}

// Dabrook's first start, with the file's place not known yet.
Action registerSample(const QString& file = {})
{
    return [=] {
        Glob::Options().strDataSourceFile = file;
        QString error;
        const bool result = dabrook::registerSampleDataSource(g_sample, &error);
        if (!error.isEmpty())
            g_said << error;
        if (Glob::Options().strDataSourceFile != (file.isEmpty() ? g_file : file))
            g_said << QStringLiteral("file at ") + Glob::Options().strDataSourceFile;
        Glob::Options().strDataSourceFile = g_file;
        if (!file.isEmpty() && QFileInfo::exists(file))
            g_said << QStringLiteral("written at ") + file;
        // The stored string opens the sample as the tree would connect it.
        if (Glob::aDataSources()[1][Glob::dsName] == QLatin1String("Sample")) {
            quarry::Connection db;
            db.setMode(quarry::adModeRead);
            try {
                db.Open(Glob::aDataSources()[1][Glob::dsConnection]);
                if (db.State() != quarry::adStateOpen)
                    g_said << QStringLiteral("the sample did not open");
            } catch (const quarry::DatabaseError& e) {
                g_said << e.Description();
            }
        }
        return result;
    };
}

} // namespace

class TestDataSources : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           m_dir.filePath(QStringLiteral("settings")));
        g_lib = m_dir.filePath(QStringLiteral("lib"));
        g_file = g_lib + QStringLiteral("/DataSources.ini");
        // A quote in the path: the stored connection must still reach the driver intact.
        g_sample = m_dir.filePath(QStringLiteral("o'brien/Sample.db"));
        QVERIFY(QDir().mkpath(g_lib));
        quarry::platform::setLibraryFolderForTesting(g_lib);
        Glob::setAppTitle(QStringLiteral("Dabrook"));
        QVERIFY(Glob::Read_INI());
        QCOMPARE(Glob::Options().strDataSourceFile, g_file);
        QString error;
        QVERIFY2(dabrook::SampleDatabase::create(g_sample, &error), qPrintable(error));
    }
    void init()
    {
        // A list of three loaded first, so that what a load keeps shows.
        QVERIFY(writeBytes(g_file, sections(1, 3)) && Glob::Get_DataSources());
        QFile::remove(g_file);
        Glob::Reporter().clearReports();
        g_said.clear();
    }
    void store_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<Action>("action");     // after loading `before`
        QTest::addColumn<bool>("result");       // of the load and the action
        QTest::addColumn<QStringList>("said");  // what the editor and prompts showed, then the reports
        QTest::addColumn<QString>("saved");     // the count, then fileLines() after a save
        const auto add = [](const char* name, const QByteArray& before, Action action, bool result,
                            const QStringList& said, const QString& saved) {
            QTest::newRow(name) << before << action << result << said << saved;
        };
        const QString whole(100000, u'x'), fifty = "50" + entries({}, 50);
        add("empty file", "", {}, true, {}, "0");
        // Each key to its column; every numbered section in numeric order; what is left out is said once.
        add("keys in any order, ID ignored", "[1]\nDelimiter=`\nID=9\nDescription=x\nConnection=c\nName=A\n",
            {}, true, {}, "1" + entry(1, "A", "c", "x", "`"));
        add("a delimiter of two characters", section(1, "A", "c", "d", "[]"), {}, true,
            {"Get_DataSources: The delimiter \"[]\" of the data source \"A\" is more than one character; "
             "\"[\" is used."},
            "1" + entry(1, "A", "c", "d", "["));
        add("sections 4, 1, 2", section(4, "DS4") + sections(1, 2), {}, true, {}, "3" + entries({1, 2, 4}));
        add("100,000 characters kept whole", section(1, QByteArray(100000, 'x'), QByteArray(100000, 'x')), {},
            true, {}, "1" + entry(1, whole, whole));
        const QString tooMany = "Get_DataSources: The data-source file " + g_file +
                                " holds more than 50 data sources; only the first 50 are loaded.";
        QList<int> first50{1, 2};
        for (int i = 4; i <= 51; ++i)
            first50 << i;
        add("61 sections, the 3rd nameless", sections(1, 2) + section(3, "") + sections(4, 61), {}, true,
            {tooMany + " Section [3] of the data-source file " + g_file + " has no name and is left out."},
            "50" + entries(first50));

        // Texts go into the list as typed; the file doubles single quotes.
        const QString blank = "New Data Source||||\"", conn = "Provider=SQLite;Data Source=/tmp/o'b.db";
        add("add to three gives row 4", sections(1, 3),
            editor(2, false, true, {"O'Brien", conn, "it's", "\""}), true, {blank},
            "4" + entries({1, 2, 3}) + entry(4, "O''Brien", QString(conn).replace("'", "''"), "it''s"));
        add("add without a name", {}, editor(0, false, true, {" ", conn}), false,
            {blank, "OK disabled: Type a name for the data source."}, "0");
        add(
            "the host adds without a name", {},
            [] { return Glob::Add_DataSource(" ", "c", "", "\"", "Host"); }, false,
            {"Host: A data source needs a name."}, "0");
        // The delimiter follows the database the connection names, unless the user picked one first.
        for (const auto& [provider, quote, picked] : {std::tuple{"PostgreSQL", "\"", ""},
                                                      {"MariaDB", "`", ""},
                                                      {"SQLOLEDB", "[", ""},
                                                      {"PostgreSQL", "`", "`"},
                                                      {"MSDASQL;Driver={MariaDB Unicode}", "`", ""}}) {
            const QString c = QStringLiteral("Provider=%1;Data Source=h").arg(provider);
            add(qPrintable(c + picked), {}, editor(0, false, true, {"N", c, "", "", picked}), true, {blank},
                "1" + entry(1, "N", c, "", quote));
        }
        add("edit row 2 shows the stored texts", sections(1, 3),
            editor(2, true, true, {"Renamed", "", "new words"}), true, {"Edit Data Source|DS2|c|d|\""},
            "3" + entries({1}) + entry(2, "Renamed", "c", "new words") + entry(3, "DS3"));
        // Unmarked files come from versions that doubled again at each edit; marked ones halve once.
        const Action twice = [] {
            return editor(1, true, true, {"O'Brien", "", "it's"})() &&
                   editor(1, true, true, {"O'Brien", "", "it's"})();
        };
        const QString shown = "Edit Data Source|O'Brien|o'b|it's|`";
        add("old file: a run of quotes is one", section(1, "O''''Brien", "o''b", "it''''''''s", "`"), twice,
            true, {shown, shown}, "1" + entry(1, "O''Brien", "o''b", "it''s", "`"));
        add("marked file: quotes halved once", "[Quarry]\nFormat=2\n" + section(1, "a''''b", "o''b"),
            editor(1, true, true, {"a''b"}), true, {"Edit Data Source|a''b|o'b|d|\""},
            "1" + entry(1, "a''''b", "o''b", ""));
        const Action restore = [] {
            Glob::aDataSources()[2][Glob::dsID].clear();
            return editor(2, true, true, {"Back"})();
        };
        add("edit restores a deleted row", sections(1, 2), restore, true, {"Edit Data Source|DS2|c|d|\""},
            "2" + entries({1}) + entry(2, "Back", "c", ""));
        // Refused before the editor shows.
        const QString full =
            "New_DataSource: The data-source list is full: it holds at most 50 data sources.";
        add("add with 50 rows in use", sections(1, 50), editor(0, false, true, {"A"}), false, {full}, fifty);
        const Action outside = [] {
            return editor(0, true, true, {"A"})() || editor(51, true, true, {"A"})();
        };
        add("edit rows 0 and 51", sections(1, 1), outside, false,
            {"New_DataSource: There is no data source number 0.",
             "New_DataSource: There is no data source number 51."},
            "1" + entries({1}));
        add(
            "the host adds the 50th, not a 51st", sections(1, 49),
            [] {
                return Glob::Add_DataSource("DS50", "c", "d", "\"", "Host") &&
                       !Glob::Add_DataSource("x", "y", "z", "`", "Host");
            },
            true, {QString(full).replace("New_DataSource", "Host")}, fifty);

        const QString ask = "Delete DS%1?|Delete Data Source|12";
        add("delete row 2, the save renumbers", sections(1, 3), remove(2, MsgResult::OK), true, {ask.arg(2)},
            "3" + entries({1, 3}));
        add("delete cancelled", sections(1, 3), remove(3, MsgResult::Cancel), false, {ask.arg(3)},
            "3" + entries({1, 2, 3}));
        add("delete the only row: no file", sections(1, 1), remove(1, MsgResult::OK), true, {ask.arg(1)},
            "1");
        // Rows are written as they are, lines joined, to the last row.
        const Action edits = [] {
            Glob::aDataSources()[2][Glob::dsName].clear();
            Glob::aDataSources()[1][Glob::dsDescription] = "first line\r\n\nsecond\n";
            Glob::aDataSources()[50] = {"", "50", "Last"};
            return true;
        };
        add("cells changed in place", sections(1, 2), edits, true, {},
            "2" + entry(1, "DS1", "c", "first line second") + entry(2, "") + entry(3, "Last", "", "", ""));
        // Another thread has a list, options, title and current entry of its own.
        const Action thread = [] {
            Glob::setCurrentDataSource(1);
            QStringList seen;
            std::unique_ptr<QThread> other(QThread::create([&] {
                seen << QString::number(Glob::lngDataSourceCount()) + Glob::aDataSources()[1][Glob::dsName]
                     << Glob::Options().strDataSourceFile + Glob::AppTitle()
                     << QString::number(Glob::CurrentDataSource() + Glob::HasErrorReporter());
                Glob::aDataSources()[1][Glob::dsName] = Glob::Options().strDataSourceFile = "elsewhere";
                Glob::setAppTitle("other");
                Glob::setCurrentDataSource(2);
            }));
            other->start();
            return other->wait(10000) && seen == QStringList{"0", "", "0"} && Glob::AppTitle() == "Dabrook" &&
                   Glob::CurrentDataSource() == 1;
        };
        add("per thread", sections(1, 1), thread, true, {}, "1" + entries({1}));

        // A failed save leaves the previous file whole, nothing half-written beside
        // it, and the list in memory for another try; its callers report.
        const QByteArray long20 = sections(1, 20, QByteArray(200, 'c'));
        QString saved200 = "20";
        for (int i = 1; i <= 20; ++i)
            saved200 += entry(i, QStringLiteral("DS%1").arg(i), QString(200, u'c'));
        add("file size limit reached mid-way", long20, saveTo({}), false, {}, saved200);
        add("folder missing", long20, saveTo("gone/DataSources.ini"), false, {}, saved200);
        add("target is a folder", long20, saveTo("folder"), false,
            {"Get_DataSources: Cannot read the data-source file " + g_lib + "/folder"}, saved200);

        // An empty list gets the sample; one with entries is the user's own.
        const QString sample =
            "1" + entry(1, "Sample", "Provider=SQLite;Data Source=" + QString(g_sample).replace("'", "''"),
                        "Sample order-processing database (SQLite)");
        const QString nameless = "Get_DataSources: Section [1] of the data-source file " + g_file +
                                 " has no name and is left out.";
        add("sample on a first start", {}, registerSample(), true, {}, sample);
        add("sample over a nameless section", "[1]\nName=\nConnection=c\n", registerSample(), true,
            {nameless, nameless}, sample);
        add("no sample over one entry", sections(1, 1), registerSample(), true, {}, "1" + entries({1}));
        add("no sample over 60 entries", sections(1, 60), registerSample(), true, {tooMany, tooMany}, fifty);
        const QString gone = m_dir.filePath(QStringLiteral("gone/DataSources.ini"));
        add("sample not saved", {}, registerSample(gone), false,
            {"Cannot add the data source \"Sample\": the data-source file " + gone + " cannot be written."},
            "1");
    }
    void store()
    {
        QFETCH(QByteArray, before);
        QFETCH(Action, action);
        QFETCH(bool, result);
        QFETCH(QStringList, said);
        QFETCH(QString, saved);
        if (!before.isNull())
            QVERIFY(writeBytes(g_file, before));
        const bool loaded = leavesFile(Glob::Get_DataSources);
        const bool acted = !action || action();
        QCOMPARE(loaded && acted, result);
        QCOMPARE(g_said + takeReports(), said);
        // Left readable by all (made by hand, say): owner-only after the save.
        QFile::setPermissions(g_file, QFile::permissions(g_file) | QFileDevice::ReadOther);
        const int count = Glob::lngDataSourceCount();
        QVERIFY(Glob::Save_DataSources());
        QCOMPARE(QString::number(count) + fileLines(), saved);
        QCOMPARE(unixMode(g_file), QFileInfo::exists(g_file) ? 0600 : -1);
        QCOMPARE(QDir(g_lib).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QFileInfo::exists(g_file) ? QStringList{"DataSources.ini"} : QStringList());
        QCOMPARE(takeReports(), QStringList());
    }
    void sharedStartingList()
    {
        // A library folder that is not the user's: the list beside it only starts the user's own.
        if (::geteuid() != 0)
            QSKIP("needs to hand the library folder to another user");
        QVERIFY(writeBytes(g_file, sections(1, 2)) && ::chown(qPrintable(g_lib), 65534, 65534) == 0);
        const auto restore = qScopeGuard([] {
            ::chown(qPrintable(g_lib), 0, 0);
            Glob::Options().strDataSourceFile = g_file;
        });
        const QString own = m_dir.filePath(QStringLiteral("settings/Quarry/DataSources.ini"));
        QVERIFY(Glob::Read_INI() && Glob::Options().strDataSourceFile == own);
        QVERIFY(Glob::Get_DataSources() && Glob::Add_DataSource("Mine", "c", "d", "\"") &&
                Glob::Save_DataSources());
        QCOMPARE(fileLines(own), entries({1, 2}) + entry(3, "Mine"));
        QCOMPARE(unixMode(own), 0600);
        // Emptied, it stays the user's: the shared entries do not come back.
        for (int row = 1; row <= 3; ++row)
            Glob::aDataSources()[row][Glob::dsID].clear();
        QVERIFY(Glob::Save_DataSources() && Glob::Get_DataSources());
        QCOMPARE(Glob::lngDataSourceCount(), 0);
        QCOMPARE(fileLines(), entries({1, 2}) + "(unmarked)");
        QVERIFY(QFile::remove(own));
    }
};

QTEST_MAIN(TestDataSources)
#include "tst_datasources.moc"
