#include "platform/LibraryLocation.h"
#include "settings/Glob.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using Glob::BrowserOptions;

namespace {

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// One line per field, so a failed comparison shows which value differs.
QString describe(const BrowserOptions& o)
{
    return QStringList{
        QStringLiteral("lngDataView=%1").arg(o.lngDataView),
        QStringLiteral("blnToolBarText=%1").arg(boolText(o.blnToolBarText)),
        QStringLiteral("blnGridLines=%1").arg(boolText(o.blnGridLines)),
        QStringLiteral("blnToolTips=%1").arg(boolText(o.blnToolTips)),
        QStringLiteral("blnToolTipTypes=%1").arg(boolText(o.blnToolTipTypes)),
        QStringLiteral("blnToolTipSort=%1").arg(boolText(o.blnToolTipSort)),
        QStringLiteral("lngToolTipDelay=%1").arg(o.lngToolTipDelay),
        QStringLiteral("lngSplitPercent=%1").arg(o.lngSplitPercent),
        QStringLiteral("blnSplitHorizontal=%1").arg(boolText(o.blnSplitHorizontal)),
        QStringLiteral("blnSplitLeft=%1").arg(boolText(o.blnSplitLeft)),
        QStringLiteral("blnQueryTables=%1").arg(boolText(o.blnQueryTables)),
        QStringLiteral("blnQueryViews=%1").arg(boolText(o.blnQueryViews)),
        QStringLiteral("blnQueryProcs=%1").arg(boolText(o.blnQueryProcs)),
        QStringLiteral("blnEditData=%1").arg(boolText(o.blnEditData)),
        QStringLiteral("blnOpenSQL=%1").arg(boolText(o.blnOpenSQL)),
        QStringLiteral("blnOptions=%1").arg(boolText(o.blnOptions)),
        QStringLiteral("blnDataPassword=%1").arg(boolText(o.blnDataPassword)),
        QStringLiteral("blnAdminPassword=%1").arg(boolText(o.blnAdminPassword)),
        QStringLiteral("strPassword=[%1]").arg(o.strPassword),
        QStringLiteral("strDataSourceFile=%1").arg(o.strDataSourceFile),
    }
        .join(QLatin1Char('\n'));
}

BrowserOptions initialOptions(const QString& libraryFolder)
{
    BrowserOptions o;
    o.lngDataView = 1;
    o.lngToolTipDelay = 3;
    o.lngSplitPercent = 20;
    o.blnQueryTables = o.blnQueryViews = o.blnQueryProcs = true;
    o.blnEditData = o.blnOpenSQL = o.blnOptions = true;
    o.strDataSourceFile = libraryFolder + QStringLiteral("/DataSources.ini");
    return o;
}

// Every field away from its initial value.
BrowserOptions changedOptions()
{
    BrowserOptions o;
    o.lngDataView = 3;
    o.blnToolBarText = o.blnGridLines = true;
    o.blnToolTips = o.blnToolTipTypes = o.blnToolTipSort = true;
    o.lngToolTipDelay = 7;
    o.lngSplitPercent = 35;
    o.blnSplitHorizontal = o.blnSplitLeft = true;
    o.blnQueryTables = o.blnQueryViews = o.blnQueryProcs = false;
    o.blnEditData = o.blnOpenSQL = o.blnOptions = false;
    o.blnDataPassword = o.blnAdminPassword = true;
    o.strPassword = QStringLiteral("K3Q9");
    o.strDataSourceFile = QStringLiteral("/somewhere/else/DataSources.ini");
    return o;
}

struct KeySpec
{
    QString section;
    QString key;
    std::function<QString(const BrowserOptions&)> text;
};

// The load order of Read_INI and Get_Options.
const QList<KeySpec>& readIniKeys()
{
    static const QList<KeySpec> keys = {
        {"General", "Data View", [](const BrowserOptions& o) { return QString::number(o.lngDataView); }},
        {"Data", "ToolBar Text", [](const BrowserOptions& o) { return boolText(o.blnToolBarText); }},
        {"Data", "Grid Lines", [](const BrowserOptions& o) { return boolText(o.blnGridLines); }},
        {"General", "Object Tool Tips", [](const BrowserOptions& o) { return boolText(o.blnToolTips); }},
        {"General", "Object Tool Tip Field Types",
         [](const BrowserOptions& o) { return boolText(o.blnToolTipTypes); }},
        {"General", "Object Tool Tip sort",
         [](const BrowserOptions& o) { return boolText(o.blnToolTipSort); }},
        {"General", "Object Tool Delay",
         [](const BrowserOptions& o) { return QString::number(o.lngToolTipDelay); }},
        {"Data", "Split\\Percentage",
         [](const BrowserOptions& o) { return QString::number(o.lngSplitPercent); }},
        {"Data", "Split\\Orientation",
         [](const BrowserOptions& o) { return boolText(o.blnSplitHorizontal); }},
        {"Data", "Split\\Left", [](const BrowserOptions& o) { return boolText(o.blnSplitLeft); }},
    };
    return keys;
}

const QList<KeySpec>& adminKeys()
{
    static const QList<KeySpec> keys = {
        {"Admin", "Open Table", [](const BrowserOptions& o) { return boolText(o.blnQueryTables); }},
        {"Admin", "Open View", [](const BrowserOptions& o) { return boolText(o.blnQueryViews); }},
        {"Admin", "Open sp", [](const BrowserOptions& o) { return boolText(o.blnQueryProcs); }},
        {"Admin", "Data Password", [](const BrowserOptions& o) { return boolText(o.blnDataPassword); }},
        {"Admin", "Admin Password", [](const BrowserOptions& o) { return boolText(o.blnAdminPassword); }},
        {"Admin", "Password", [](const BrowserOptions& o) { return o.strPassword; }},
        {"Admin", "Edit Data", [](const BrowserOptions& o) { return boolText(o.blnEditData); }},
        {"Admin", "Open SQL", [](const BrowserOptions& o) { return boolText(o.blnOpenSQL); }},
        {"Admin", "Options", [](const BrowserOptions& o) { return boolText(o.blnOptions); }},
    };
    return keys;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace

class TestGlob : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstStartWithEmptyStore();
    void reloadResetsOnlyListedValues();
    void everyKeyRoundTrips();
    void savedKeys_data();
    void savedKeys();
    void fileLayout();
    void queryFlags_data();
    void queryFlags();
    void badValueStopsLoading_data();
    void badValueStopsLoading();
    void delayRounding_data();
    void delayRounding();
    void passwordRoundTrips_data();
    void passwordRoundTrips();
    void iniFileIsNotLoaded();
    void handWrittenFileLoads_data();
    void handWrittenFileLoads();
    void damagedFileIsReportedAndKept_data();
    void damagedFileIsReportedAndKept();
    void unusableStore_data();
    void unusableStore();
    void saveReplacesFileAndKeepsOtherKeys();
    void saveWithoutTemporaryFileIsRefused();
    void unusableTitle_data();
    void unusableTitle();
    void directSettings();
    void threadsHaveOwnState();
    void libraryFolderHoldsTheLibrary();

private:
    QString folder() const { return m_config.path() + QStringLiteral("/Quarry"); }
    void store(const QList<std::pair<QString, QString>>& values);
    QVariant stored(const QString& key) const;
    void expectOneReport(const QString& procedure, const QString& mention);
    void restorePermissions() const;

    QTemporaryDir m_config;
    QTemporaryDir m_library;
    QString m_file;
    int m_case = 0;
};

void TestGlob::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_config.isValid());
    QVERIFY(m_library.isValid());
    // A private config folder: tests may break it without touching anyone else's.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    quarry::platform::setLibraryFolderForTesting(m_library.path());
}

void TestGlob::init()
{
    const QString title =
        QStringLiteral("tst_glob_%1_%2").arg(QCoreApplication::applicationPid()).arg(++m_case);
    Glob::setAppTitle(title);
    Glob::Options() = {};
    Glob::setCurrentDataSource(0);
    Glob::Reporter().clearReports();
    m_file = folder() + QLatin1Char('/') + title + QStringLiteral(".ini");
}

void TestGlob::cleanup()
{
    restorePermissions();
    if (QFileInfo(folder()).isFile())
        QFile::remove(folder());
    if (QFileInfo(m_file).isDir())
        QDir(m_file).removeRecursively();
    QFile::remove(m_file);
    quarry::platform::setLibraryFolderForTesting(m_library.path());
}

void TestGlob::restorePermissions() const
{
    for (const QString& path : {folder(), m_file}) {
        const QFileInfo info(path);
        if (info.exists())
            ::chmod(QFile::encodeName(path).constData(), info.isDir() ? 0755 : 0644);
    }
}

void TestGlob::store(const QList<std::pair<QString, QString>>& values)
{
    QSettings settings(m_file, QSettings::IniFormat);
    for (const auto& [key, text] : values)
        settings.setValue(key, text);
    settings.sync();
    QCOMPARE(settings.status(), QSettings::NoError);
}

QVariant TestGlob::stored(const QString& key) const
{
    return QSettings(m_file, QSettings::IniFormat).value(key);
}

void TestGlob::expectOneReport(const QString& procedure, const QString& mention)
{
    const auto& reports = Glob::Reporter().reports();
    QCOMPARE(reports.size(), std::size_t(1));
    QCOMPARE(reports.front().Procedure, procedure);
    QVERIFY2(reports.front().Description.contains(mention), qPrintable(reports.front().Description));
    Glob::Reporter().clearReports();
}

void TestGlob::firstStartWithEmptyStore()
{
    QVERIFY(Glob::Read_INI());
    QVERIFY(Glob::Get_Options());
    QCOMPARE(describe(Glob::Options()), describe(initialOptions(m_library.path())));
    QVERIFY(Glob::Reporter().reports().empty());
    QVERIFY2(!QFileInfo::exists(m_file), "loading must not create the settings file");
}

void TestGlob::reloadResetsOnlyListedValues()
{
    // A second control's Init on the same thread: the listed values go back
    // to their initial ones, the others keep what the first control had.
    BrowserOptions& options = Glob::Options();
    options = changedOptions();
    QVERIFY(Glob::Read_INI());
    QCOMPARE(options.lngToolTipDelay, 3);
    QCOMPARE(options.lngSplitPercent, 20);
    QCOMPARE(options.lngDataView, 1);
    QCOMPARE(options.blnSplitHorizontal, false);
    QCOMPARE(options.blnQueryTables, true);
    QCOMPARE(options.blnEditData, true);
    QCOMPARE(options.blnGridLines, true);
    QCOMPARE(options.blnToolTipSort, true);
    QCOMPARE(options.blnDataPassword, true);
    QCOMPARE(options.strPassword, QStringLiteral("K3Q9"));
}

void TestGlob::everyKeyRoundTrips()
{
    const BrowserOptions changed = changedOptions();
    Glob::Options() = changed;
    QVERIFY(Glob::Save_INI());
    QVERIFY(Glob::Save_Options());
    QVERIFY(Glob::SaveSetting(QStringLiteral("General"), QStringLiteral("Data View"), QStringLiteral("3")));

    Glob::Options() = {};
    QVERIFY(Glob::Read_INI());
    QVERIFY(Glob::Get_Options());
    BrowserOptions expected = changed;
    expected.strDataSourceFile = m_library.path() + QStringLiteral("/DataSources.ini");
    QCOMPARE(describe(Glob::Options()), describe(expected));
    QVERIFY(Glob::Reporter().reports().empty());
}

void TestGlob::savedKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("INI File") << "General/INI File"
                              << "/somewhere/else/DataSources.ini";
    QTest::newRow("Split Percentage") << "Data/Split\\Percentage"
                                      << "35";
    QTest::newRow("Split Orientation") << "Data/Split\\Orientation"
                                       << "True";
    QTest::newRow("Split Left") << "Data/Split\\Left"
                                << "True";
    QTest::newRow("ToolBar Text") << "Data/ToolBar Text"
                                  << "True";
    QTest::newRow("Grid Lines") << "Data/Grid Lines"
                                << "True";
    QTest::newRow("Object Tool Tips") << "General/Object Tool Tips"
                                      << "True";
    QTest::newRow("Field Types") << "General/Object Tool Tip Field Types"
                                 << "True";
    QTest::newRow("sort") << "General/Object Tool Tip sort"
                          << "True";
    QTest::newRow("Object Tool Delay") << "General/Object Tool Delay"
                                       << "7";
    QTest::newRow("Open Table") << "Admin/Open Table"
                                << "False";
    QTest::newRow("Open View") << "Admin/Open View"
                               << "False";
    QTest::newRow("Open sp") << "Admin/Open sp"
                             << "False";
    QTest::newRow("Data Password") << "Admin/Data Password"
                                   << "True";
    QTest::newRow("Admin Password") << "Admin/Admin Password"
                                    << "True";
    QTest::newRow("Password") << "Admin/Password"
                              << "K3Q9";
    QTest::newRow("Edit Data") << "Admin/Edit Data"
                               << "False";
    QTest::newRow("Open SQL") << "Admin/Open SQL"
                              << "False";
    QTest::newRow("Options") << "Admin/Options"
                             << "False";
    // Saved only by the view-mode command.
    QTest::newRow("Data View not saved") << "General/Data View"
                                         << "";
}

void TestGlob::savedKeys()
{
    QFETCH(QString, key);
    QFETCH(QString, expected);
    Glob::Options() = changedOptions();
    QVERIFY(Glob::Save_INI());
    QVERIFY(Glob::Save_Options());
    // A reader of its own, as another program would read the file.
    const QVariant value = stored(key);
    QCOMPARE(value.toString(), expected);
    QCOMPARE(value.isValid(), !expected.isEmpty());
}

void TestGlob::fileLayout()
{
    Glob::Options() = changedOptions();
    QVERIFY(Glob::Save_INI());
    QVERIFY(Glob::Save_Options());

    // Sections as they stand in the file: one [Data] section holding the
    // splitter keys as single keys, not a [Data\Split] sub-section. QSettings
    // writes a group named General as [%General] to keep it apart from its
    // own top-level section.
    QMap<QString, QStringList> sections;
    QString current;
    for (const QByteArray& raw : readBytes(m_file).split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            current = line;
        else if (!line.isEmpty())
            sections[current].append(line);
    }
    QCOMPARE(sections.keys(), (QStringList{"[%General]", "[Admin]", "[Data]"}));
    QVERIFY2(sections["[Data]"].contains("Split%5CPercentage=35"), qPrintable(sections["[Data]"].join('|')));
    QVERIFY(sections["[Data]"].contains("Split%5COrientation=True"));
    QVERIFY(sections["[Data]"].contains("ToolBar%20Text=True"));
    QVERIFY(sections["[%General]"].contains("Object%20Tool%20Delay=7"));
    QVERIFY(sections["[Admin]"].contains("Open%20sp=False"));

    QSettings reader(m_file, QSettings::IniFormat);
    reader.beginGroup(QStringLiteral("Data"));
    QVERIFY(reader.childGroups().isEmpty());
    QVERIFY(reader.childKeys().contains(QStringLiteral("Split\\Percentage")));
}

void TestGlob::queryFlags_data()
{
    QTest::addColumn<bool>("tables");
    QTest::addColumn<bool>("views");
    QTest::addColumn<bool>("procs");

    QTest::newRow("views off") << true << false << true;
    QTest::newRow("tables off") << false << true << true;
    QTest::newRow("procedures off") << true << true << false;
    QTest::newRow("all off") << false << false << false;
}

void TestGlob::queryFlags()
{
    QFETCH(bool, tables);
    QFETCH(bool, views);
    QFETCH(bool, procs);
    store({{"Admin/Open Table", boolText(tables)},
           {"Admin/Open View", boolText(views)},
           {"Admin/Open sp", boolText(procs)}});
    QVERIFY(Glob::Read_INI());
    QVERIFY(Glob::Get_Options());
    BrowserOptions& options = Glob::Options();
    QCOMPARE(options.blnQueryTables, tables);
    QCOMPARE(options.blnQueryViews, views);
    QCOMPARE(options.blnQueryProcs, procs);

    // Each flag is saved under its own key.
    options.blnQueryTables = !tables;
    options.blnQueryViews = !views;
    options.blnQueryProcs = !procs;
    QVERIFY(Glob::Save_Options());
    QCOMPARE(stored("Admin/Open Table").toString(), boolText(!tables));
    QCOMPARE(stored("Admin/Open View").toString(), boolText(!views));
    QCOMPARE(stored("Admin/Open sp").toString(), boolText(!procs));
}

void TestGlob::badValueStopsLoading_data()
{
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<int>("badIndex");
    QTest::addColumn<QString>("badText");

    QTest::newRow("Read_INI first key") << "Read_INI" << 0 << "many";
    QTest::newRow("Read_INI Boolean in the middle") << "Read_INI" << 2 << "yes";
    QTest::newRow("Read_INI number in the middle") << "Read_INI" << 6 << "soon";
    QTest::newRow("Read_INI number out of range") << "Read_INI" << 7 << "1e12";
    QTest::newRow("Read_INI last key") << "Read_INI" << 9 << "maybe";
    QTest::newRow("Get_Options first key") << "Get_Options" << 0 << "yes";
    QTest::newRow("Get_Options Boolean in the middle") << "Get_Options" << 3 << "Y";
    QTest::newRow("Get_Options after the password") << "Get_Options" << 6 << "nope";
    QTest::newRow("Get_Options last key") << "Get_Options" << 8 << "-";
}

void TestGlob::badValueStopsLoading()
{
    QFETCH(QString, procedure);
    QFETCH(int, badIndex);
    QFETCH(QString, badText);
    const bool admin = procedure == QLatin1String("Get_Options");
    const QList<KeySpec>& keys = admin ? adminKeys() : readIniKeys();

    const BrowserOptions wanted = changedOptions();
    QList<std::pair<QString, QString>> values;
    for (int i = 0; i < keys.size(); ++i)
        values.append({keys[i].section + '/' + keys[i].key, i == badIndex ? badText : keys[i].text(wanted)});
    store(values);

    BrowserOptions before = initialOptions(m_library.path());
    if (admin) {
        QVERIFY(Glob::Read_INI());
        before = Glob::Options();
        QVERIFY(!Glob::Get_Options());
    } else {
        QVERIFY(!Glob::Read_INI());
    }
    for (int i = 0; i < keys.size(); ++i) {
        const QString expected = i < badIndex ? keys[i].text(wanted) : keys[i].text(before);
        QVERIFY2(keys[i].text(Glob::Options()) == expected,
                 qPrintable(QStringLiteral("%1: %2, expected %3")
                                .arg(keys[i].key, keys[i].text(Glob::Options()), expected)));
    }
    const QString mention = QStringLiteral("\"%1\" is not a valid").arg(badText);
    expectOneReport(procedure, mention);
}

void TestGlob::delayRounding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("2.6") << "2.6" << 3;
    QTest::newRow("2.5") << "2.5" << 2;
    QTest::newRow("3.5") << "3.5" << 4;
    QTest::newRow("blanks") << " 5 " << 5;
}

void TestGlob::delayRounding()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    store({{"General/Object Tool Delay", text}});
    QVERIFY(Glob::Read_INI());
    QCOMPARE(Glob::Options().lngToolTipDelay, expected);
}

void TestGlob::passwordRoundTrips_data()
{
    QTest::addColumn<QString>("password");

    QTest::newRow("scrambled") << "Q7ZK3WW";
    QTest::newRow("empty") << "";
    QTest::newRow("blanks around") << "  AB  ";
    QTest::newRow("list and comment characters") << "a,b;c=d#e";
    QTest::newRow("quotes and backslashes") << "\"x\\y\"'";
    QTest::newRow("looks like a variant") << "@Variant(abc)";
    QTest::newRow("non-Latin") << QString::fromUtf8("Ünï€ode");
}

void TestGlob::passwordRoundTrips()
{
    QFETCH(QString, password);
    Glob::Options().blnDataPassword = true;
    Glob::Options().strPassword = password;
    QVERIFY(Glob::Save_Options());
    QCOMPARE(stored("Admin/Password").toString(), password);

    Glob::Options() = {};
    QVERIFY(Glob::Read_INI());
    QVERIFY(Glob::Get_Options());
    QCOMPARE(Glob::Options().strPassword, password);
    QVERIFY(Glob::Options().blnDataPassword);
}

void TestGlob::iniFileIsNotLoaded()
{
    Glob::Options().strDataSourceFile = QStringLiteral("/elsewhere/DataSources.ini");
    QVERIFY(Glob::Save_INI());
    QCOMPARE(stored("General/INI File").toString(), QStringLiteral("/elsewhere/DataSources.ini"));

    QTemporaryDir moved;
    QVERIFY(moved.isValid());
    quarry::platform::setLibraryFolderForTesting(moved.path());
    QVERIFY(Glob::Read_INI());
    QCOMPARE(Glob::Options().strDataSourceFile, moved.path() + QStringLiteral("/DataSources.ini"));
}

void TestGlob::handWrittenFileLoads_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("failure");

    QTest::newRow("plain") << QByteArray("[Data]\nGrid Lines=true\n") << "";
    QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbf[Data]\nGrid Lines=True\n") << "";
    QTest::newRow("CR LF") << QByteArray("[Data]\r\nGrid%20Lines=True\r\n") << "";
    QTest::newRow("comments and blanks")
        << QByteArray("; options\n\n[Data]\n  ; grid\nGrid Lines=1\n\n") << "";
    QTest::newRow("blanks around equals") << QByteArray("[Data]\nGrid Lines = True\n") << "";
    QTest::newRow("no final newline") << QByteArray("[Data]\nGrid Lines=-1") << "";
    // An empty text is no Boolean: the load stops before "Grid Lines".
    QTest::newRow("empty value before") << QByteArray("[Data]\nToolBar Text=\nGrid Lines=True\n")
                                        << "\"\" is not a valid Boolean for \"Data\"/\"ToolBar Text\"";
}

void TestGlob::handWrittenFileLoads()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, failure);
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeBytes(m_file, content));
    QCOMPARE(Glob::Read_INI(), failure.isEmpty());
    if (!failure.isEmpty())
        expectOneReport("Read_INI", failure);
    else
        QVERIFY(Glob::Reporter().reports().empty());
    QCOMPARE(Glob::Options().blnGridLines, failure.isEmpty());
}

void TestGlob::damagedFileIsReportedAndKept_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("binary with NUL bytes") << QByteArray("\x7f"
                                                         "ELF\0\1\2\3[Data]\nx=1",
                                                         17);
    QTest::newRow("invalid UTF-8") << QByteArray("[Data]\nGrid Lines=\xff\xfe\n");
    QTest::newRow("text without keys") << QByteArray("hello world\nthis is not a settings file\n");
    QTest::newRow("unterminated section") << QByteArray("[Data\nGrid Lines=True\n");
    QTest::newRow("value without key") << QByteArray("[Admin]\n=True\n");
    QTest::newRow("key without value") << QByteArray("[%General]\nObject%20Tool%20Delay=4\nstray line\n");
}

void TestGlob::damagedFileIsReportedAndKept()
{
    QFETCH(QByteArray, content);
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeBytes(m_file, content));

    QVERIFY(!Glob::Read_INI());
    expectOneReport("Read_INI", m_file);
    // The initial values were assigned; nothing was loaded.
    QCOMPARE(describe(Glob::Options()), describe(initialOptions(m_library.path())));
    QVERIFY(!Glob::Get_Options());
    expectOneReport("Get_Options", m_file);

    Glob::Options() = changedOptions();
    QVERIFY(!Glob::Save_INI());
    expectOneReport("Save_INI", m_file);
    QVERIFY(!Glob::Save_Options());
    expectOneReport("Save_Options", m_file);
    QString why;
    QVERIFY(!Glob::SaveSetting("General", "Data View", "2", &why));
    QVERIFY2(why.contains(m_file), qPrintable(why));
    QCOMPARE(Glob::GetSetting("General", "Data View", "fallback"), QStringLiteral("fallback"));

    QCOMPARE(readBytes(m_file), content);
}

void TestGlob::unusableStore_data()
{
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<bool>("readFails");
    QTest::addColumn<bool>("saveFails");
    QTest::addColumn<bool>("needsNonRoot");

    QTest::newRow("settings file is a folder") << "file is folder" << true << true << false;
    QTest::newRow("settings folder is a file") << "folder is file" << true << true << false;
    QTest::newRow("settings file unreadable") << "chmod file 000" << true << true << true;
    QTest::newRow("settings folder unreadable") << "chmod folder 000" << true << true << true;
    QTest::newRow("settings folder read-only") << "chmod folder 555" << false << true << true;
}

void TestGlob::unusableStore()
{
    QFETCH(QString, breakage);
    QFETCH(bool, readFails);
    QFETCH(bool, saveFails);
    QFETCH(bool, needsNonRoot);
    if (needsNonRoot && runningAsRoot())
        QSKIP("Running as root: file permissions do not stop root from reading or writing.");

    // Something saved before the store broke, which must survive.
    Glob::Options() = changedOptions();
    QVERIFY(Glob::Save_INI());
    QByteArray before = readBytes(m_file);
    QString victim = m_file;
    const QByteArray folderText("a file where the settings folder should be\n");

    if (breakage == QLatin1String("file is folder")) {
        QVERIFY(QFile::remove(m_file));
        QVERIFY(QDir().mkpath(m_file + QStringLiteral("/inside")));
        victim.clear();
    } else if (breakage == QLatin1String("folder is file")) {
        QVERIFY(QDir(folder()).removeRecursively());
        QVERIFY(writeBytes(folder(), folderText));
        victim = folder();
        before = folderText;
    } else if (breakage == QLatin1String("chmod file 000")) {
        QCOMPARE(::chmod(QFile::encodeName(m_file).constData(), 0), 0);
    } else if (breakage == QLatin1String("chmod folder 000")) {
        QCOMPARE(::chmod(QFile::encodeName(folder()).constData(), 0), 0);
    } else {
        QCOMPARE(::chmod(QFile::encodeName(folder()).constData(), 0555), 0);
    }

    Glob::Options() = {};
    QCOMPARE(Glob::Read_INI(), !readFails);
    if (readFails)
        expectOneReport("Read_INI", QStringLiteral("settings"));
    else
        QCOMPARE(Glob::Options().lngToolTipDelay, 7);

    Glob::Options() = changedOptions();
    Glob::Options().lngToolTipDelay = 12;
    QCOMPARE(Glob::Save_INI(), !saveFails);
    if (saveFails)
        expectOneReport("Save_INI", QStringLiteral("settings"));

    restorePermissions();
    if (!victim.isEmpty())
        QCOMPARE(readBytes(victim), before);
    else
        QVERIFY(QFileInfo(m_file + QStringLiteral("/inside")).isDir());
}

void TestGlob::saveReplacesFileAndKeepsOtherKeys()
{
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeBytes(m_file, "; written by hand\n[Other]\nkeep=1\n\n[Data]\nGrid%20Lines=True\n"));
    struct stat before
    {};
    QCOMPARE(::stat(QFile::encodeName(m_file).constData(), &before), 0);

    Glob::Options() = changedOptions();
    Glob::Options().blnGridLines = false;
    QVERIFY(Glob::Save_INI());

    // Replaced through a new file rather than rewritten in place, so a
    // failure half-way could never have truncated the old one.
    struct stat after
    {};
    QCOMPARE(::stat(QFile::encodeName(m_file).constData(), &after), 0);
    QVERIFY(before.st_ino != after.st_ino);
    const QStringList leftovers = QDir(folder()).entryList(
        {QFileInfo(m_file).fileName() + QStringLiteral("?*")}, QDir::Files | QDir::Hidden);
    QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(' ')));

    QCOMPARE(stored("Other/keep").toString(), QStringLiteral("1"));
    QCOMPARE(stored("Data/Grid Lines").toString(), QStringLiteral("False"));
}

void TestGlob::saveWithoutTemporaryFileIsRefused()
{
    // A name that just fits leaves no room for the lock and temporary files
    // QSettings makes beside it. The save must fail rather than fall back to
    // rewriting the file in place.
    const QString title(250, QLatin1Char('t'));
    Glob::setAppTitle(title);
    m_file = folder() + QLatin1Char('/') + title + QStringLiteral(".ini");
    const QByteArray content("[%General]\nObject%20Tool%20Delay=7\n");
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeBytes(m_file, content));

    QVERIFY(Glob::Read_INI());
    QCOMPARE(Glob::Options().lngToolTipDelay, 7);
    Glob::Options().lngToolTipDelay = 4;
    QVERIFY(!Glob::Save_INI());
    expectOneReport("Save_INI", m_file);
    QCOMPARE(readBytes(m_file), content);
}

void TestGlob::unusableTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("mention");

    QTest::newRow("empty") << ""
                           << "application title";
    QTest::newRow("parent folder") << ".."
                                   << "cannot name a settings file";
    QTest::newRow("climbs out") << "../escape"
                                << "cannot name a settings file";
    QTest::newRow("sub-folder") << "a/b"
                                << "cannot name a settings file";
    QTest::newRow("backslash") << "a\\b"
                               << "cannot name a settings file";
}

void TestGlob::unusableTitle()
{
    QFETCH(QString, title);
    QFETCH(QString, mention);
    Glob::setAppTitle(title);
    QVERIFY(!Glob::Read_INI());
    expectOneReport("Read_INI", mention);
    QVERIFY(!Glob::Save_Options());
    expectOneReport("Save_Options", mention);
    QVERIFY(!QFileInfo::exists(m_config.path() + QStringLiteral("/escape.ini")));
    QVERIFY(!QFileInfo::exists(folder() + QStringLiteral("/a")));
}

void TestGlob::directSettings()
{
    QCOMPARE(Glob::GetSetting("General", "Data View", "1"), QStringLiteral("1"));
    QVERIFY(Glob::SaveSetting("General", "Data View", "2"));
    QVERIFY(Glob::SaveSetting("Data", "Split\\Percentage", "44"));
    QCOMPARE(Glob::GetSetting("General", "Data View", "1"), QStringLiteral("2"));
    QVERIFY(Glob::Read_INI());
    QCOMPARE(Glob::Options().lngDataView, 2);
    QCOMPARE(Glob::Options().lngSplitPercent, 44);
}

void TestGlob::threadsHaveOwnState()
{
    BrowserOptions& mine = Glob::Options();
    mine = changedOptions();
    Glob::setCurrentDataSource(5);
    Glob::Reporter();
    const QString myTitle = Glob::AppTitle();

    const QString otherTitle = myTitle + QStringLiteral("_other");
    {
        QSettings other(folder() + QLatin1Char('/') + otherTitle + QStringLiteral(".ini"),
                        QSettings::IniFormat);
        other.setValue("General/Object Tool Delay", "9");
    }

    QString seenAtStart;
    bool hadReporter = true;
    int seenDataSource = -1;
    QString seenTitle = QStringLiteral("unset");
    bool loaded = false;
    int loadedDelay = 0;
    QThread* worker = QThread::create([&] {
        seenAtStart = describe(Glob::Options());
        hadReporter = Glob::HasErrorReporter();
        seenDataSource = Glob::CurrentDataSource();
        seenTitle = Glob::AppTitle();
        Glob::setAppTitle(otherTitle);
        loaded = Glob::Read_INI();
        loadedDelay = Glob::Options().lngToolTipDelay;
        Glob::setCurrentDataSource(2);
    });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;

    QCOMPARE(seenAtStart, describe(BrowserOptions{}));
    QVERIFY(!hadReporter);
    QCOMPARE(seenDataSource, 0);
    QCOMPARE(seenTitle, QString());
    QVERIFY(loaded);
    QCOMPARE(loadedDelay, 9);

    QCOMPARE(&Glob::Options(), &mine);
    QCOMPARE(describe(mine), describe(changedOptions()));
    QCOMPARE(Glob::CurrentDataSource(), 5);
    QCOMPARE(Glob::AppTitle(), myTitle);
    QFile::remove(folder() + QLatin1Char('/') + otherTitle + QStringLiteral(".ini"));
}

void TestGlob::libraryFolderHoldsTheLibrary()
{
    quarry::platform::setLibraryFolderForTesting({});
    const QString folder = quarry::platform::LibraryFolder();
    quarry::platform::setLibraryFolderForTesting(m_library.path());
    QVERIFY(QFileInfo(folder).isAbsolute());
    const QStringList libraries = QDir(folder).entryList({QStringLiteral("libquarry.so*")});
    QVERIFY2(!libraries.isEmpty(), qPrintable(folder));
}

QTEST_GUILESS_MAIN(TestGlob)
#include "tst_glob.moc"
