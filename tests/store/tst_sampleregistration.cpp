// Dabrook's first start: the sample database becomes the data source "Sample".
#include "SettingsTestSupport.h"
#include "app/SampleDatabase.h"
#include "platform/LibraryLocation.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <quarry/Database.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace quarry::test;

namespace {

QByteArray sections(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += "[" + QByteArray::number(i) + "]\nName=DS" + QByteArray::number(i) + "\nConnection=c\n";
    return text;
}

} // namespace

class TestSampleRegistration : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void firstStart_data();
    void firstStart();
    void listLeftAlone_data();
    void listLeftAlone();
    void unwritable();

private:
    QTemporaryDir m_dir;
    QString m_file;
    QString m_sample;
};

void TestSampleRegistration::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       m_dir.filePath(QStringLiteral("settings")));
    const QString lib = m_dir.filePath(QStringLiteral("lib"));
    QVERIFY(QDir().mkpath(lib));
    quarry::platform::setLibraryFolderForTesting(lib);
    m_file = lib + QStringLiteral("/DataSources.ini");
    // A quote in the path: the stored connection must still reach the driver intact.
    m_sample = m_dir.filePath(QStringLiteral("o'brien/Sample.db"));
    QString error;
    QVERIFY2(dabrook::SampleDatabase::create(m_sample, &error), qPrintable(error));
}

void TestSampleRegistration::init()
{
    QFile::remove(m_file);
    // As before Init: the file's place is not known yet.
    Glob::Options().strDataSourceFile.clear();
    Glob::Reporter().clearReports();
}

void TestSampleRegistration::firstStart_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("no file") << false << QByteArray();
    QTest::newRow("empty file") << true << QByteArray();
    QTest::newRow("only a nameless section") << true << QByteArray("[1]\nName=\nConnection=c\n");
}

void TestSampleRegistration::firstStart()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, bytes);
    if (exists)
        QVERIFY(writeBytes(m_file, bytes));

    QString error;
    QVERIFY2(dabrook::registerSampleDataSource(m_sample, &error), qPrintable(error));
    QCOMPARE(Glob::Options().strDataSourceFile, m_file);

    // What the next start reads back.
    QVERIFY(Glob::Get_DataSources());
    QCOMPARE(Glob::lngDataSourceCount(), 1);
    const Glob::DataSource& row = Glob::aDataSources()[1];
    QCOMPARE(row[Glob::dsID], QStringLiteral("1"));
    QCOMPARE(row[Glob::dsName], QStringLiteral("Sample"));
    QCOMPARE(row[Glob::dsConnection], QStringLiteral("Provider=SQLite;Data Source=") + m_sample);
    QCOMPARE(row[Glob::dsDelimiter], QStringLiteral("\""));
    QVERIFY(!row[Glob::dsDescription].isEmpty());
    QVERIFY(Glob::aDataSources()[2][Glob::dsName].isEmpty());

    QCOMPARE(unixMode(m_file), 0600);
    QVERIFY(takeReports().isEmpty());

    // The stored string opens the sample as the tree would connect it.
    quarry::Connection connection;
    connection.setMode(quarry::adModeRead);
    try {
        connection.Open(row[Glob::dsConnection]);
    } catch (const quarry::DatabaseError& e) {
        QFAIL(qPrintable(e.Description()));
    }
    QCOMPARE(connection.State(), quarry::adStateOpen);
    connection.Close();
}

void TestSampleRegistration::listLeftAlone_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("reports");

    QTest::newRow("one entry") << sections(1) << 0;
    QTest::newRow("50 entries") << sections(50) << 0;
    QTest::newRow("60 entries") << sections(60) << 1; // the load's own report
}

void TestSampleRegistration::listLeftAlone()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, reports);
    QVERIFY(writeBytes(m_file, bytes));

    QString error;
    QVERIFY2(dabrook::registerSampleDataSource(m_sample, &error), qPrintable(error));
    QCOMPARE(readBytes(m_file), bytes);
    QCOMPARE(takeReports().size(), qsizetype(reports));
    for (int i = 1; i <= Glob::kDataSourceRows; ++i)
        QVERIFY(Glob::aDataSources()[i][Glob::dsName] != QStringLiteral("Sample"));
}

void TestSampleRegistration::unwritable()
{
    // The library's folder is gone: nothing can be saved beside it.
    const QString file = m_dir.filePath(QStringLiteral("gone/DataSources.ini"));
    Glob::Options().strDataSourceFile = file;
    QString error;
    QVERIFY(!dabrook::registerSampleDataSource(m_sample, &error));
    QVERIFY2(error.contains(QStringLiteral("cannot be written")) && error.contains(file), qPrintable(error));
    QVERIFY(!QFileInfo::exists(file));
    // The entry that could not be kept does not linger in memory either.
    QVERIFY(Glob::aDataSources()[1][Glob::dsID].isEmpty());
}

QTEST_MAIN(TestSampleRegistration)
#include "tst_sampleregistration.moc"
