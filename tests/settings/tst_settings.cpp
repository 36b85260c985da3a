// The options in their settings file: keys, loading, saving, unusable stores and the text form of values.
#include "SettingsTestSupport.h"
#include "platform/LibraryLocation.h"
#include "settings/Glob.h"
#include "settings/TextConvert.h"

#include <QDir>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <variant>

using Glob::BrowserOptions;
using namespace quarry::test;

namespace {

using Member = std::variant<bool BrowserOptions::*, int BrowserOptions::*, QString BrowserOptions::*>;

struct Key
{
    const char* path; // "Section/Key"
    Member member;
    const char *initial, *changed; // initial: after Read_INI on a fresh thread; LIB is the library's folder
    bool kept;                     // Read_INI gives it no initial value
};

// Read_INI's keys in load order, then Get_Options', then the one only Save_INI writes. The changed
// password holds what QSettings would otherwise turn into a list, a variant or a trimmed text.
const Key kKeys[] = {
    {"General/Data View", &BrowserOptions::lngDataView, "1", "3", false},
    {"Data/ToolBar Text", &BrowserOptions::blnToolBarText, "False", "True", true},
    {"Data/Grid Lines", &BrowserOptions::blnGridLines, "False", "True", true},
    {"General/Object Tool Tips", &BrowserOptions::blnToolTips, "False", "True", true},
    {"General/Object Tool Tip Field Types", &BrowserOptions::blnToolTipTypes, "False", "True", true},
    {"General/Object Tool Tip sort", &BrowserOptions::blnToolTipSort, "False", "True", true},
    {"General/Object Tool Delay", &BrowserOptions::lngToolTipDelay, "3", "7", false},
    {"Data/Split\\Percentage", &BrowserOptions::lngSplitPercent, "20", "35", false},
    {"Data/Split\\Orientation", &BrowserOptions::blnSplitHorizontal, "False", "True", false},
    {"Data/Split\\Left", &BrowserOptions::blnSplitLeft, "False", "True", true},
    {"Admin/Open Table", &BrowserOptions::blnQueryTables, "True", "False", false},
    {"Admin/Open View", &BrowserOptions::blnQueryViews, "True", "False", false},
    {"Admin/Open sp", &BrowserOptions::blnQueryProcs, "True", "False", false},
    {"Admin/Data Password", &BrowserOptions::blnDataPassword, "False", "True", true},
    {"Admin/Admin Password", &BrowserOptions::blnAdminPassword, "False", "True", true},
    {"Admin/Password", &BrowserOptions::strPassword, "", "@Variant(a) b,c;d=e#\"x\\y\"' Ünï€ ", true},
    {"Admin/Edit Data", &BrowserOptions::blnEditData, "True", "False", false},
    {"Admin/Open SQL", &BrowserOptions::blnOpenSQL, "True", "False", false},
    {"Admin/Options", &BrowserOptions::blnOptions, "True", "False", false},
    {"General/INI File", &BrowserOptions::strDataSourceFile, "LIB/DataSources.ini", "/else/DataSources.ini",
     false}};

QString text(const BrowserOptions& o, const Member& member)
{
    const QVariant v = std::visit([&](auto field) { return QVariant(o.*field); }, member);
    return v.typeId() == QMetaType::Bool ? Glob::BoolToText(v.toBool()) : v.toString();
}

void setText(BrowserOptions& o, const Member& member, const QString& text)
{
    std::visit([&](auto field) { o.*field = qvariant_cast<std::decay_t<decltype(o.*field)>>(text); }, member);
}

// One line per value, so that a failed comparison names the key.
QStringList describe(const BrowserOptions& o)
{
    QStringList lines;
    for (const Key& key : kKeys)
        lines << key.path + (u'=' + text(o, key.member));
    return lines;
}

struct Row
{
    const char *name, *how;            // the procedure that loads, or what breaks the store
    QByteArray data;                   // the file's content, or the title
    const char *mention, *loaded = ""; // the report's text; lines of describe() that were loaded
};

} // namespace

Q_DECLARE_METATYPE(Row)

class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config, m_library;
    QString m_file;
    int m_case = 0;

    QString folder() const { return m_config.path() + QStringLiteral("/Quarry"); }
    QVariant stored(const QString& key) const { return QSettings(m_file, QSettings::IniFormat).value(key); }
    BrowserOptions options(bool changed) const
    {
        BrowserOptions o;
        for (const Key& key : kKeys)
            setText(o, key.member,
                    QString::fromUtf8(changed ? key.changed : key.initial).replace("LIB", m_library.path()));
        return o;
    }
    // Exactly one report, from `procedure`, that mentions `mention`; none when that is empty.
    void expectReport(const QString& procedure, const QString& mention)
    {
        const QStringList reports = takeReports();
        QCOMPARE(reports.size(), qsizetype(mention.isEmpty() ? 0 : 1));
        QVERIFY2(mention.isEmpty() || (reports[0].startsWith(procedure + ": ") &&
                                       reports[0].mid(procedure.size()).contains(mention)),
                 qPrintable(reports.join(u'\n')));
    }
    static void addRows(std::initializer_list<Row> rows)
    {
        QTest::addColumn<Row>("row");
        for (const Row& row : rows)
            QTest::newRow(row.name) << row;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // A private config folder: tests may break it without touching anyone else's.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
        quarry::platform::setLibraryFolderForTesting({});
        const QString folder = quarry::platform::LibraryFolder();
        QVERIFY2(QFileInfo(folder).isAbsolute() && !QDir(folder).entryList({"libquarry.so*"}).isEmpty(),
                 qPrintable(folder));
        quarry::platform::setLibraryFolderForTesting(m_library.path());
    }
    void init()
    {
        Glob::setAppTitle(QStringLiteral("tst_%1_%2").arg(QCoreApplication::applicationPid()).arg(++m_case));
        Glob::Options() = {};
        Glob::Reporter().clearReports();
        m_file = folder() + u'/' + Glob::AppTitle() + QStringLiteral(".ini");
    }
    void cleanup()
    {
        QFile::remove(folder());
        QDir(m_file).removeRecursively();
        QFile::remove(m_file);
    }
    void eachKeyRoundTrips_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kKeys)); ++i)
            QTest::newRow(kKeys[i].path) << i;
    }
    void eachKeyRoundTrips()
    {
        // A second control's Init on the same thread, before any file: Read_INI's values go back to
        // their initial ones, the others keep theirs.
        BrowserOptions& options = Glob::Options();
        options = this->options(true);
        QVERIFY(Glob::Read_INI());
        BrowserOptions expected = this->options(false);
        for (const Key& key : kKeys)
            if (key.kept)
                setText(expected, key.member, QString::fromUtf8(key.changed));
        QCOMPARE(describe(options), describe(expected));
        QCOMPARE(Glob::GetSetting("General", "Data View", "none"), QStringLiteral("none"));
        QVERIFY2(!QFileInfo::exists(m_file), "loading must not create the settings file");

        // Only this value differs from the initial ones: one saved or loaded under another key shows.
        QFETCH(int, index);
        options = this->options(false);
        setText(options, kKeys[index].member, QString::fromUtf8(kKeys[index].changed));
        QVERIFY(Glob::SaveSetting("Other", "keep", "1") && Glob::Save_INI() && Glob::Save_Options());
        // Read as another program would; only the view-mode command saves "Data View".
        QStringList saved = describe(options), got;
        for (const Key& key : kKeys)
            got << key.path + (u'=' + stored(key.path).toString());
        saved[0] = QStringLiteral("General/Data View=");
        QCOMPARE(got, saved);
        QVERIFY(!stored(kKeys[0].path).isValid() && stored("Other/keep").toString() == "1");
        QVERIFY(Glob::SaveSetting("General", "Data View", text(options, kKeys[0].member)));
        QCOMPARE(Glob::GetSetting("General", "Data View"), text(options, kKeys[0].member));

        expected = options;
        expected.strDataSourceFile = this->options(false).strDataSourceFile; // recomputed at every load
        options = {};
        QVERIFY(Glob::Read_INI() && Glob::Get_Options());
        QCOMPARE(describe(options), describe(expected));
        expectReport({}, {});
    }
    void load_data()
    {
        // A value that cannot be used keeps its default, the rest still load, and one report says what
        // was wrong. Lines that are no settings are reported too, and kept when the options are saved.
        addRows({{"hand-written", "Read_INI",
                  "\xef\xbb\xbf; options\r\n\r\n[Data]\r\n  ; grid\r\nGrid Lines = true", "",
                  "Data/Grid Lines=True"},
                 {"commas unquoted", "Get_Options", "[Admin]\nPassword=a,b,c\n", "", "Admin/Password=a,b,c"},
                 {"Read_INI", "Read_INI",
                  "[%General]\nData%20View=3\nObject%20Tool%20Delay=7\n[Data]\nGrid%20Lines=yes\n",
                  "\"yes\" is not a valid Boolean for \"Data\"/\"Grid Lines\"",
                  "General/Data View=3\nData/Grid Lines=False\nGeneral/Object Tool Delay=7"},
                 {"Get_Options", "Get_Options",
                  "[Admin]\nOpen%20sp=False\nPassword=K3Q9\nEdit%20Data=nope\nOptions=False\n",
                  "\"nope\" is not a valid Boolean for \"Admin\"/\"Edit Data\"",
                  "Admin/Open sp=False\nAdmin/Password=K3Q9\nAdmin/Edit Data=True\nAdmin/Options=False"},
                 {"out of range", "Read_INI",
                  "[%General]\nData%20View=99\nObject%20Tool%20Delay=-1\n[Data]\nSplit%5CPercentage=500\n"
                  "Grid%20Lines=1\n",
                  "500 is out of range for \"Data\"/\"Split\\Percentage\" in the settings file \"FILE\"; 20 "
                  "is used.",
                  "General/Data View=1\nGeneral/Object Tool Delay=3\nData/Split\\Percentage=20\nData/Grid "
                  "Lines=True"},
                 {"stray line, # comment", "Read_INI",
                  "# mine\n[%General]\nObject%20Tool%20Delay=4\nstray line\n",
                  "Line 4 of the settings file \"FILE\" is not a setting and is ignored.",
                  "General/Object Tool Delay=4"},
                 {"unterminated section", "Read_INI", "[Data\nGrid Lines=True\n", "Line 1 of", ""},
                 {"value without key", "Read_INI", "[Admin]\n=True\n", "Line 2 of", ""}});
    }
    void load()
    {
        QFETCH(Row, row);
        QVERIFY(QDir().mkpath(folder()) && writeBytes(m_file, row.data));
        const bool admin = row.how == QLatin1String("Get_Options");
        QVERIFY(!admin || Glob::Read_INI());
        QVERIFY(admin ? Glob::Get_Options() : Glob::Read_INI());
        expectReport(row.how, QString(row.mention).replace("FILE", m_file));
        const QStringList all = describe(Glob::Options());
        for (const QString& line : QString(row.loaded).split(u'\n', Qt::SkipEmptyParts))
            QVERIFY2(all.contains(line), qPrintable(line + " not in\n" + all.join(u'\n')));
        // Untouched until the user saves; then every line the store does not own is still there.
        QCOMPARE(readBytes(m_file), row.data);
        QVERIFY(Glob::Save_INI() && Glob::Save_Options());
        const QByteArray saved = readBytes(m_file);
        for (const QByteArray& line : row.data.split('\n'))
            if (!line.contains('=') || line.trimmed().startsWith(';'))
                QVERIFY2(saved.contains(line.mid(line.startsWith("\xef\xbb\xbf") ? 3 : 0)), line.constData());
        QVERIFY(Glob::Read_INI() && Glob::Get_Options());
        QCOMPARE(describe(Glob::Options()), all);
    }
    void unusableStore_data()
    {
        // The long title leaves no room beside the file for the temporary file a save makes:
        // the save must fail rather than rewrite the file in place.
        addRows({{"binary with NUL bytes", "content", QByteArray("\177ELF\0\1\2\3[Data]\nx=1", 17), "FILE"},
                 {"invalid UTF-8", "content", "[Data]\nGrid Lines=\xff\xfe\n", "FILE"},
                 {"empty title", "title", "", "application title"},
                 {"../escape", "title", "../escape", "cannot name a settings file"},
                 {"a\\b", "title", "a\\b", "cannot name a settings file"},
                 {"no room to save", "long title", QByteArray(250, 't'), "FILE"},
                 {"file is a folder", "file is folder", "", "settings"},
                 {"folder is a file", "folder is file", "", "settings"}});
    }
    void unusableStore()
    {
        QFETCH(Row, row);
        const QString how = row.how;
        const bool readFails = how != "long title";
        // Something stored before the store broke, which must survive.
        QByteArray before = how == "content" ? row.data : "[%General]\nObject%20Tool%20Delay=7\n";
        if (!readFails)
            m_file = folder() + u'/' + QString::fromUtf8(row.data) + QStringLiteral(".ini");
        QString victim = m_file;
        QVERIFY(QDir().mkpath(folder()) && writeBytes(m_file, before));
        if (how.contains("title")) {
            Glob::setAppTitle(QString::fromUtf8(row.data));
        } else if (how == "file is folder") {
            QVERIFY(QFile::remove(m_file) && QDir().mkpath(m_file + QStringLiteral("/inside")));
            victim.clear();
        } else if (how == "folder is file") {
            QVERIFY(QDir(folder()).removeRecursively());
            QVERIFY(writeBytes(victim = folder(), before = "a file where the settings folder should be\n"));
        }
        const QString mention = QString(row.mention).replace(QStringLiteral("FILE"), m_file);

        QCOMPARE(Glob::Read_INI(), !readFails);
        if (readFails) {
            expectReport("Read_INI", mention);
            QCOMPARE(describe(Glob::Options()), describe(options(false))); // nothing was loaded
            QVERIFY(!Glob::Get_Options());
            expectReport("Get_Options", mention);
        }
        QCOMPARE(Glob::GetSetting("General", "Object Tool Delay", "none"), readFails ? "none" : "7");
        QCOMPARE(Glob::Options().lngToolTipDelay, readFails ? 3 : 7);

        Glob::Options() = options(true);
        QVERIFY(!Glob::Save_INI());
        expectReport("Save_INI", mention);
        QVERIFY(!Glob::Save_Options());
        expectReport("Save_Options", mention);
        QString why;
        QVERIFY(!Glob::SaveSetting("General", "Data View", "2", &why));
        QVERIFY2(why.contains(mention), qPrintable(why));
        QVERIFY(victim.isEmpty() ? QFileInfo(m_file + "/inside").isDir() : readBytes(victim) == before);
        // A title naming another place wrote nothing there.
        QVERIFY(!QFileInfo::exists(m_config.path() + "/escape.ini") && !QFileInfo::exists(folder() + "/a"));
    }
    void rewriteOfTheSameSizeReadsBack()
    {
        // Written and read back within one tick of the file clock: a reader that trusts size and time
        // alike must still see each new value.
        for (int i = 0; i < 200; ++i) {
            const QString value = i % 2 ? QStringLiteral("odd") : QStringLiteral("eve");
            QVERIFY(Glob::SaveSetting("General", "Turn", value));
            QCOMPARE(Glob::GetSetting("General", "Turn"), value);
        }
    }
    void textConversion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("asBool"); // saved back as text; "" when it is no Boolean
        QTest::addColumn<QString>("asInt");  // the same for a whole number
        // Rows parted by ';', columns by '|'. Halves round to even; the 32-bit range holds after rounding.
        const QString rows =
            "FALSE|False|;tRuE|True|;  False \t|False|;yes||;||;Truex||;0x0||;inf||;nan||;12abc||;"
            "1,000||;2,5||;0.0|False|0;0.25|True|0;-7|True|-7;+5|True|5;007|True|7;"
            " 12\t|True|12;1e3|True|1000;1.000|True|1;2.6|True|3;2.5|True|2;3.5|True|4;"
            "-2.5|True|-2;1e10|True|;2147483648|True|;-2147483649|True|;2147483647.5|True|;"
            "2147483647.4|True|2147483647;-2147483648.5|True|-2147483648";
        for (const QString& row : rows.split(u';')) {
            const QStringList r = row.split(u'|');
            QTest::addRow("'%s'", qPrintable(r[0])) << r[0] << r[1] << r[2];
        }
    }
    void textConversion()
    {
        QFETCH(QString, text);
        QFETCH(QString, asBool);
        QFETCH(QString, asInt);
        // The user's locale changes nothing in either direction.
        for (const char* locale : {"C", "de_DE", "ar_EG"}) {
            QLocale::setDefault(QLocale(locale));
            const std::optional<bool> b = Glob::TextToBool(text);
            const std::optional<int> i = Glob::TextToInt(text);
            QCOMPARE(QStringList({locale, b ? Glob::BoolToText(*b) : "", i ? Glob::IntToText(*i) : ""}),
                     QStringList({locale, asBool, asInt}));
        }
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
