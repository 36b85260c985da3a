// The options and their settings file: which key holds which value, loading,
// saving, and files or folders that cannot be used.
#include "SettingsTestSupport.h"
#include "platform/LibraryLocation.h"
#include "settings/Glob.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

#include <span>
#include <variant>

using Glob::BrowserOptions;
using namespace quarry::test;

namespace {

using Member = std::variant<bool BrowserOptions::*, int BrowserOptions::*, QString BrowserOptions::*>;

struct Key
{
    const char* path; // "Section/Key", as QSettings addresses it
    Member member;
};

// Read_INI's keys in the order it loads them, then Get_Options', then the
// one Save_INI writes but nothing loads.
const Key kKeys[] = {
    {"General/Data View", &BrowserOptions::lngDataView},
    {"Data/ToolBar Text", &BrowserOptions::blnToolBarText},
    {"Data/Grid Lines", &BrowserOptions::blnGridLines},
    {"General/Object Tool Tips", &BrowserOptions::blnToolTips},
    {"General/Object Tool Tip Field Types", &BrowserOptions::blnToolTipTypes},
    {"General/Object Tool Tip sort", &BrowserOptions::blnToolTipSort},
    {"General/Object Tool Delay", &BrowserOptions::lngToolTipDelay},
    {"Data/Split\\Percentage", &BrowserOptions::lngSplitPercent},
    {"Data/Split\\Orientation", &BrowserOptions::blnSplitHorizontal},
    {"Data/Split\\Left", &BrowserOptions::blnSplitLeft},
    {"Admin/Open Table", &BrowserOptions::blnQueryTables},
    {"Admin/Open View", &BrowserOptions::blnQueryViews},
    {"Admin/Open sp", &BrowserOptions::blnQueryProcs},
    {"Admin/Data Password", &BrowserOptions::blnDataPassword},
    {"Admin/Admin Password", &BrowserOptions::blnAdminPassword},
    {"Admin/Password", &BrowserOptions::strPassword},
    {"Admin/Edit Data", &BrowserOptions::blnEditData},
    {"Admin/Open SQL", &BrowserOptions::blnOpenSQL},
    {"Admin/Options", &BrowserOptions::blnOptions},
    {"General/INI File", &BrowserOptions::strDataSourceFile},
};
const std::span<const Key> kReadIniKeys(kKeys, 10);
const std::span<const Key> kAdminKeys(kKeys + 10, 9);
const Key& kDataView = kKeys[0];
const Key& kIniFile = kKeys[19];

QString text(const BrowserOptions& o, const Member& member)
{
    return std::visit(
        [&](auto field) -> QString {
            const auto& value = o.*field;
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, bool>)
                return value ? QStringLiteral("True") : QStringLiteral("False");
            else
                return QVariant(value).toString();
        },
        member);
}

void copyField(BrowserOptions& to, const BrowserOptions& from, const Member& member)
{
    std::visit([&](auto field) { to.*field = from.*field; }, member);
}

// One line per field, so a failed comparison shows which value differs.
QString describe(const BrowserOptions& o)
{
    QStringList lines;
    for (const Key& key : kKeys)
        lines << QString::fromLatin1(key.path) + u'=' + text(o, key.member);
    return lines.join(u'\n');
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
    o.blnDataPassword = o.blnAdminPassword = true;
    o.strPassword = QStringLiteral("K3Q9");
    o.strDataSourceFile = QStringLiteral("/somewhere/else/DataSources.ini");
    return o;
}

void addKeyRows()
{
    QTest::addColumn<int>("index");
    QTest::newRow("none") << -1;
    for (int i = 0; i < int(std::size(kKeys)); ++i)
        QTest::newRow(kKeys[i].path) << i;
}

} // namespace

class TestGlob : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void reloadResetsOnlyListedValues();
    void eachKeyLoads_data() { addKeyRows(); }
    void eachKeyLoads();
    void eachKeySaves_data() { addKeyRows(); }
    void eachKeySaves();
    void fileLayout();
    void badValueStopsLoading_data();
    void badValueStopsLoading();
    void passwordRoundTrips_data();
    void passwordRoundTrips();
    void handWrittenFileLoads_data();
    void handWrittenFileLoads();
    void unusableStore_data();
    void unusableStore();
    void saveReplacesFileAndKeepsOtherKeys();
    void directSettings();
    void threadsHaveOwnState();
    void libraryFolderHoldsTheLibrary();

private:
    QString folder() const { return m_config.path() + QStringLiteral("/Quarry"); }
    void store(const QList<std::pair<QString, QString>>& values);
    QVariant stored(const QString& key) const { return QSettings(m_file, QSettings::IniFormat).value(key); }
    void expectReport(const QString& procedure, const QString& mention);
    void restorePermissions() const;

    QTemporaryDir m_config;
    QTemporaryDir m_library;
    QString m_file;
    int m_case = 0;
};

void TestGlob::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_config.isValid() && m_library.isValid());
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
    m_file = folder() + u'/' + title + QStringLiteral(".ini");
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
    for (const auto& [key, value] : values)
        settings.setValue(key, value);
    settings.sync();
    QCOMPARE(settings.status(), QSettings::NoError);
}

void TestGlob::expectReport(const QString& procedure, const QString& mention)
{
    const QStringList reports = takeReports();
    QCOMPARE(reports.size(), qsizetype(1));
    QVERIFY2(reports[0].startsWith(procedure + QStringLiteral(": ")) &&
                 reports[0].mid(procedure.size()).contains(mention),
             qPrintable(reports[0]));
}

void TestGlob::reloadResetsOnlyListedValues()
{
    // A second control's Init on the same thread: the listed values go back
    // to their initial ones, the others keep what the first control had.
    Glob::Options() = changedOptions();
    QVERIFY(Glob::Read_INI());
    BrowserOptions expected = initialOptions(m_library.path());
    for (bool BrowserOptions::*kept :
         {&BrowserOptions::blnToolBarText, &BrowserOptions::blnGridLines, &BrowserOptions::blnToolTips,
          &BrowserOptions::blnToolTipTypes, &BrowserOptions::blnToolTipSort, &BrowserOptions::blnSplitLeft,
          &BrowserOptions::blnDataPassword, &BrowserOptions::blnAdminPassword})
        expected.*kept = true;
    expected.strPassword = QStringLiteral("K3Q9");
    QCOMPARE(describe(Glob::Options()), describe(expected));
}

void TestGlob::eachKeyLoads()
{
    // Only this key is stored: a value loaded into the wrong field shows.
    QFETCH(int, index);
    const BrowserOptions changed = changedOptions();
    BrowserOptions expected = initialOptions(m_library.path());
    if (index >= 0) {
        store({{kKeys[index].path, text(changed, kKeys[index].member)}});
        if (&kKeys[index] != &kIniFile) // a record only, recomputed at every load
            copyField(expected, changed, kKeys[index].member);
    }
    QVERIFY(Glob::Read_INI());
    QVERIFY(Glob::Get_Options());
    QCOMPARE(describe(Glob::Options()), describe(expected));
    QVERIFY(takeReports().isEmpty());
    QVERIFY2(index >= 0 || !QFileInfo::exists(m_file), "loading must not create the settings file");
}

void TestGlob::eachKeySaves()
{
    QFETCH(int, index);
    BrowserOptions& options = Glob::Options();
    options = initialOptions(m_library.path());
    if (index >= 0)
        copyField(options, changedOptions(), kKeys[index].member);
    QVERIFY(Glob::Save_INI());
    QVERIFY(Glob::Save_Options());
    // Read as another program would read the file; only the view-mode
    // command saves "Data View".
    QStringList got, expected;
    for (const Key& key : kKeys) {
        got << key.path + (u'=' + stored(key.path).toString());
        expected << key.path + (u'=' + (&key == &kDataView ? QString() : text(options, key.member)));
    }
    QCOMPARE(got, expected);
    QVERIFY(!stored(kDataView.path).isValid());

    const BrowserOptions saved = options;
    options = {};
    QVERIFY(Glob::Read_INI());
    QVERIFY(Glob::Get_Options());
    options.lngDataView = saved.lngDataView;
    options.strDataSourceFile = saved.strDataSourceFile;
    QCOMPARE(describe(options), describe(saved));
}

void TestGlob::fileLayout()
{
    Glob::Options() = changedOptions();
    QVERIFY(Glob::Save_INI());
    QVERIFY(Glob::Save_Options());

    // One [Data] section holding the splitter keys as single keys, not a
    // [Data\Split] sub-section; QSettings writes a group named General as
    // [%General] to keep it apart from its own top-level section.
    QMap<QString, QStringList> sections;
    QString current;
    for (const QByteArray& raw : readBytes(m_file).split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'['))
            current = line;
        else if (!line.isEmpty())
            sections[current].append(line);
    }
    QCOMPARE(sections.keys(), (QStringList{"[%General]", "[Admin]", "[Data]"}));
    for (const char* line : {"Split%5CPercentage=35", "Split%5COrientation=True", "ToolBar%20Text=True"})
        QVERIFY2(sections["[Data]"].contains(line), qPrintable(sections["[Data]"].join('|')));
    QVERIFY(sections["[%General]"].contains("Object%20Tool%20Delay=7"));
    QVERIFY(sections["[Admin]"].contains("Open%20sp=False"));
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
    const std::span<const Key> keys = admin ? kAdminKeys : kReadIniKeys;
    const BrowserOptions wanted = changedOptions();
    QList<std::pair<QString, QString>> values;
    for (int i = 0; i < int(keys.size()); ++i)
        values.append({keys[i].path, i == badIndex ? badText : text(wanted, keys[i].member)});
    store(values);

    BrowserOptions before = initialOptions(m_library.path());
    if (admin) {
        QVERIFY(Glob::Read_INI());
        before = Glob::Options();
    }
    QVERIFY(!(admin ? Glob::Get_Options() : Glob::Read_INI()));
    // The keys before the bad one are loaded, the rest keep their values.
    QStringList got, expected;
    for (int i = 0; i < int(keys.size()); ++i) {
        got << keys[i].path + (u'=' + text(Glob::Options(), keys[i].member));
        expected << keys[i].path + (u'=' + text(i < badIndex ? wanted : before, keys[i].member));
    }
    QCOMPARE(got, expected);
    expectReport(procedure, QStringLiteral("\"%1\" is not a valid").arg(badText));
}

void TestGlob::passwordRoundTrips_data()
{
    // Texts QSettings would turn into lists, variants or trimmed values.
    QTest::addColumn<QString>("password");
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
    Glob::Options().strPassword = password;
    QVERIFY(Glob::Save_Options());
    QCOMPARE(stored("Admin/Password").toString(), password);
    Glob::Options() = {};
    QVERIFY(Glob::Get_Options());
    QCOMPARE(Glob::Options().strPassword, password);
}

void TestGlob::handWrittenFileLoads_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("loaded"); // a line of describe(); empty when the load fails
    QTest::addColumn<QString>("failure");

    const QString grid = QStringLiteral("Data/Grid Lines=True");
    QTest::newRow("plain") << QByteArray("[Data]\nGrid Lines=true\n") << grid << "";
    QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbf[Data]\nGrid Lines=True\n") << grid << "";
    QTest::newRow("CR LF") << QByteArray("[Data]\r\nGrid%20Lines=True\r\n") << grid << "";
    QTest::newRow("comments and blanks")
        << QByteArray("; options\n\n[Data]\n  ; grid\nGrid Lines=1\n\n") << grid << "";
    QTest::newRow("blanks around equals") << QByteArray("[Data]\nGrid Lines = True\n") << grid << "";
    QTest::newRow("no final newline") << QByteArray("[Data]\nGrid Lines=-1") << grid << "";
    // Numbers round half to even, as everywhere else.
    const QByteArray delay = "[%General]\nObject%20Tool%20Delay=";
    QTest::newRow("delay 2.6") << delay + "2.6"
                               << "General/Object Tool Delay=3"
                               << "";
    QTest::newRow("delay 2.5") << delay + "2.5"
                               << "General/Object Tool Delay=2"
                               << "";
    QTest::newRow("delay 3.5, blanks") << delay + " 3.5 "
                                       << "General/Object Tool Delay=4"
                                       << "";
    // An empty text is no Boolean: the load stops before "Grid Lines".
    QTest::newRow("empty value before")
        << QByteArray("[Data]\nToolBar Text=\nGrid Lines=True\n") << "Data/Grid Lines=False"
        << "\"\" is not a valid Boolean for \"Data\"/\"ToolBar Text\"";
}

void TestGlob::handWrittenFileLoads()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, loaded);
    QFETCH(QString, failure);
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeBytes(m_file, content));
    QCOMPARE(Glob::Read_INI(), failure.isEmpty());
    if (failure.isEmpty())
        QVERIFY(takeReports().isEmpty());
    else
        expectReport("Read_INI", failure);
    QVERIFY2(describe(Glob::Options()).split(u'\n').contains(loaded), qPrintable(describe(Glob::Options())));
}

void TestGlob::unusableStore_data()
{
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<QByteArray>("data"); // the file's new content, or the title
    QTest::addColumn<QString>("mention");
    QTest::addColumn<bool>("readFails");

    const auto damaged = [](const char* name, const QByteArray& content) {
        QTest::newRow(name) << "content" << content << "FILE" << true;
    };
    damaged("binary with NUL bytes", QByteArray("\x7f"
                                                "ELF\0\1\2\3[Data]\nx=1",
                                                17));
    damaged("invalid UTF-8", "[Data]\nGrid Lines=\xff\xfe\n");
    damaged("text without keys", "hello world\nthis is not a settings file\n");
    damaged("unterminated section", "[Data\nGrid Lines=True\n");
    damaged("value without key", "[Admin]\n=True\n");
    damaged("key without value", "[%General]\nObject%20Tool%20Delay=4\nstray line\n");
    const QString badName = QStringLiteral("cannot name a settings file");
    QTest::newRow("empty title") << "title" << QByteArray() << "application title" << true;
    QTest::newRow("title: parent folder") << "title" << QByteArray("..") << badName << true;
    QTest::newRow("title climbs out") << "title" << QByteArray("../escape") << badName << true;
    QTest::newRow("title with sub-folder") << "title" << QByteArray("a/b") << badName << true;
    QTest::newRow("title with backslash") << "title" << QByteArray("a\\b") << badName << true;
    // No room beside the file for the temporary files QSettings makes: the save
    // must fail rather than fall back to rewriting the file in place.
    QTest::newRow("title leaves no room to save") << "long title" << QByteArray(250, 't') << "FILE" << false;
    QTest::newRow("settings file is a folder") << "file is folder" << QByteArray() << "settings" << true;
    QTest::newRow("settings folder is a file") << "folder is file" << QByteArray() << "settings" << true;
    QTest::newRow("settings file unreadable") << "chmod file 000" << QByteArray() << "settings" << true;
    QTest::newRow("settings folder unreadable") << "chmod folder 000" << QByteArray() << "settings" << true;
    QTest::newRow("settings folder read-only") << "chmod folder 555" << QByteArray() << "settings" << false;
}

void TestGlob::unusableStore()
{
    QFETCH(QString, breakage);
    QFETCH(QByteArray, data);
    QFETCH(QString, mention);
    QFETCH(bool, readFails);
    if (breakage.startsWith(QLatin1String("chmod")) && runningAsRoot())
        QSKIP("Running as root: file permissions do not stop root from reading or writing.");

    // Something stored before the store broke, which must survive.
    QByteArray before("[%General]\nObject%20Tool%20Delay=7\n");
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeBytes(m_file, before));
    QString victim = m_file;
    const auto chmod = [](const QString& path, int mode) {
        return ::chmod(QFile::encodeName(path).constData(), mode);
    };
    if (breakage == QLatin1String("content")) {
        before = data;
        QVERIFY(writeBytes(m_file, before));
    } else if (breakage == QLatin1String("title")) {
        Glob::setAppTitle(QString::fromUtf8(data));
    } else if (breakage == QLatin1String("long title")) {
        Glob::setAppTitle(QString::fromUtf8(data));
        m_file = victim = folder() + u'/' + QString::fromUtf8(data) + QStringLiteral(".ini");
        QVERIFY(writeBytes(m_file, before));
    } else if (breakage == QLatin1String("file is folder")) {
        QVERIFY(QFile::remove(m_file));
        QVERIFY(QDir().mkpath(m_file + QStringLiteral("/inside")));
        victim.clear();
    } else if (breakage == QLatin1String("folder is file")) {
        QVERIFY(QDir(folder()).removeRecursively());
        before = "a file where the settings folder should be\n";
        QVERIFY(writeBytes(folder(), before));
        victim = folder();
    } else if (breakage == QLatin1String("chmod file 000")) {
        QCOMPARE(chmod(m_file, 0), 0);
    } else {
        QCOMPARE(chmod(folder(), breakage.endsWith(QLatin1String("000")) ? 0 : 0555), 0);
    }
    mention.replace(QStringLiteral("FILE"), m_file);

    QCOMPARE(Glob::Read_INI(), !readFails);
    if (readFails) {
        expectReport("Read_INI", mention);
        // The initial values were assigned; nothing was loaded.
        QCOMPARE(describe(Glob::Options()), describe(initialOptions(m_library.path())));
        QVERIFY(!Glob::Get_Options());
        expectReport("Get_Options", mention);
    }
    QCOMPARE(Glob::GetSetting("General", "Object Tool Delay", "none"), readFails ? "none" : "7");
    QCOMPARE(Glob::Options().lngToolTipDelay, readFails ? 3 : 7);

    Glob::Options() = changedOptions();
    QVERIFY(!Glob::Save_INI());
    expectReport("Save_INI", mention);
    QVERIFY(!Glob::Save_Options());
    expectReport("Save_Options", mention);
    QString why;
    QVERIFY(!Glob::SaveSetting("General", "Data View", "2", &why));
    QVERIFY2(why.contains(mention), qPrintable(why));

    restorePermissions();
    if (!victim.isEmpty())
        QCOMPARE(readBytes(victim), before);
    else
        QVERIFY(QFileInfo(m_file + QStringLiteral("/inside")).isDir());
    if (breakage == QLatin1String("title")) { // naming another place wrote nothing there
        QVERIFY(!QFileInfo::exists(m_config.path() + QStringLiteral("/escape.ini")));
        QVERIFY(!QFileInfo::exists(folder() + QStringLiteral("/a")));
    }
}

void TestGlob::saveReplacesFileAndKeepsOtherKeys()
{
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeBytes(m_file, "; written by hand\n[Other]\nkeep=1\n\n[Data]\nGrid%20Lines=True\n"));
    const auto inode = [this] {
        struct stat info
        {};
        return ::stat(QFile::encodeName(m_file).constData(), &info) == 0 ? info.st_ino : 0;
    };
    const auto before = inode();
    Glob::Options() = changedOptions();
    Glob::Options().blnGridLines = false;
    QVERIFY(Glob::Save_INI());

    // Replaced through a new file rather than rewritten in place, so a
    // failure half-way could never have truncated the old one.
    QVERIFY(inode() != 0 && inode() != before);
    const QStringList leftovers = QDir(folder()).entryList(
        {QFileInfo(m_file).fileName() + QStringLiteral("?*")}, QDir::Files | QDir::Hidden);
    QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(' ')));
    QCOMPARE(stored("Other/keep").toString(), QStringLiteral("1"));
    QCOMPARE(stored("Data/Grid Lines").toString(), QStringLiteral("False"));
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
    QSettings(folder() + u'/' + otherTitle + QStringLiteral(".ini"), QSettings::IniFormat)
        .setValue("General/Object Tool Delay", "9");

    QStringList seen;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        seen << describe(Glob::Options()) << QString::number(Glob::HasErrorReporter())
             << QString::number(Glob::CurrentDataSource()) << Glob::AppTitle();
        Glob::setAppTitle(otherTitle);
        seen << QString::number(Glob::Read_INI()) << QString::number(Glob::Options().lngToolTipDelay);
        Glob::setCurrentDataSource(2);
    }));
    worker->start();
    QVERIFY(worker->wait(10000));
    QCOMPARE(seen, (QStringList{describe(BrowserOptions{}), "0", "0", "", "1", "9"}));

    QCOMPARE(&Glob::Options(), &mine);
    QCOMPARE(describe(mine), describe(changedOptions()));
    QCOMPARE(Glob::CurrentDataSource(), 5);
    QCOMPARE(Glob::AppTitle(), myTitle);
    QFile::remove(folder() + u'/' + otherTitle + QStringLiteral(".ini"));
}

void TestGlob::libraryFolderHoldsTheLibrary()
{
    quarry::platform::setLibraryFolderForTesting({});
    const QString folder = quarry::platform::LibraryFolder();
    quarry::platform::setLibraryFolderForTesting(m_library.path());
    QVERIFY(QFileInfo(folder).isAbsolute());
    QVERIFY2(!QDir(folder).entryList({QStringLiteral("libquarry.so*")}).isEmpty(), qPrintable(folder));
}

QTEST_GUILESS_MAIN(TestGlob)
#include "tst_glob.moc"
