// Profile (INI) files with free-text values: reading, writing in place, and
// names, values or files that cannot be used.
#include "SettingsTestSupport.h"
#include "platform/ProfileFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace quarry::platform;
using namespace quarry::test;

class TestProfileFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void read_data();
    void read();
    void longValueFitsBuffer_data();
    void longValueFitsBuffer();
    void missingOrUnreadableFile();
    void binaryJunk();
    void writeRoundTrip_data();
    void writeRoundTrip();
    void writeKeepsEverythingElse_data();
    void writeKeepsEverythingElse();
    void writeRefuses_data();
    void writeRefuses();

private:
    void put(const QByteArray& content) { QVERIFY(writeBytes(m_file, content)); }
    QString get(const QString& section, const QString& key, int size = 254) const
    {
        return GetProfileString(section, key, QStringLiteral("<d>"), size, m_file);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

void TestProfileFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = m_dir->filePath(QStringLiteral("DataSources.ini"));
}

void TestProfileFile::read_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const auto add = [](const char* name, const QByteArray& content, const char* section, const char* key,
                        const QString& expected) {
        QTest::newRow(name) << content << QString(section) << QString(key) << expected;
    };
    add("value keeps ; = ,", "[1]\nConnection=Provider=SQLite;Data Source=/a b.db;X=1,2\n", "1", "Connection",
        "Provider=SQLite;Data Source=/a b.db;X=1,2");
    add("names in any case", "[Data]\nnAmE=x\n", "DATA", "Name", "x");
    add("first duplicate section wins", "[1]\nName=first\n[2]\nName=two\n[1]\nName=second\n", "1", "Name",
        "first");
    add("later duplicate section unseen", "[1]\nName=a\n[1]\nDescription=late\n", "1", "Description", "<d>");
    add("first duplicate key wins", "[1]\nName=a\nName=b\n", "1", "Name", "a");
    add("empty value is not the default", "[1]\nName=\n", "1", "Name", "");
    add("missing key", "[1]\nName=a\n", "1", "Other", "<d>");
    add("missing section", "[1]\nName=a\n", "2", "Name", "<d>");
    add("other section's key", "[1]\nName=a\n[2]\nX=`\n", "1", "X", "<d>");
    add("blanks around", "  [ 1 ]\n  Name  =  spaced out  \n", "1", "Name", "spaced out");
    add("CRLF, no final break", "[1]\r\nA=1\r\nName=crlf", "1", "Name", "crlf");
    add("comment is no key", "[1]\n;Name=c\nName=real\n", "1", "Name", "real");
    add("quotes kept", "[1]\nD=\"q\" 'O''B'\n", "1", "D", "\"q\" 'O''B'");
    add("UTF-8 after BOM", "\xEF\xBB\xBF[1]\nName=Zürich\n", "1", "Name", QString::fromUtf8("Zürich"));
    add("cut at NUL", QByteArray("[1]\nName=ab\0cd\n", 15), "1", "Name", "ab");
}

void TestProfileFile::read()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    put(content);
    QCOMPARE(get(section, key), expected);
    QCOMPARE(readBytes(m_file), content); // reading never changes the file
}

void TestProfileFile::longValueFitsBuffer_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<int>("expectedLength");
    QTest::newRow("100000 into 254") << 100000 << 254 << 253;
    QTest::newRow("253 into 254") << 253 << 254 << 253;
    QTest::newRow("254 into 254") << 254 << 254 << 253;
    QTest::newRow("buffer of 1") << 10 << 1 << 0;
    QTest::newRow("buffer of 0") << 10 << 0 << 0;
    QTest::newRow("100000 whole") << 100000 << 100001 << 100000;
}

void TestProfileFile::longValueFitsBuffer()
{
    QFETCH(int, length);
    QFETCH(int, bufferSize);
    QFETCH(int, expectedLength);
    QString value;
    for (int i = 0; i < length; ++i)
        value += QChar(u'a' + i % 26);
    put("[1]\nConnection=" + value.toUtf8() + "\nName=after\n");
    QCOMPARE(get("1", "Connection", bufferSize), value.left(expectedLength));
    QCOMPARE(get("1", "Name"), QStringLiteral("after"));
    // The default is cut the same way.
    QCOMPARE(GetProfileString("1", "No", value, bufferSize, m_file), value.left(expectedLength));
}

void TestProfileFile::missingOrUnreadableFile()
{
    QCOMPARE(get("1", "Name"), QStringLiteral("<d>"));
    QVERIFY(!QFileInfo::exists(m_file)); // reading creates nothing
    QVERIFY(!DeleteProfileFile(m_file));
    QVERIFY(
        !WriteProfileString("1", "Name", "v", m_dir->filePath(QStringLiteral("no/such/DataSources.ini"))));

    put("[1]\nName=secret\n");
    QVERIFY(QFile::setPermissions(m_file, QFileDevice::WriteOwner));
    if (QFile(m_file).open(QIODevice::ReadOnly))
        QSKIP("Running with privileges that read any file.");
    QCOMPARE(get("1", "Name"), QStringLiteral("<d>"));
    // Nor is it rewritten from nothing.
    QVERIFY(!WriteProfileString("1", "Name", "x", m_file));
}

void TestProfileFile::binaryJunk()
{
    QByteArray junk;
    quint32 seed = 12345;
    for (int i = 0; i < 64 * 1024; ++i) {
        seed = seed * 1103515245u + 12345u;
        junk.append(char(seed >> 24));
    }
    const QByteArray content = junk + "\n[1]\nName=\xff\xfe" + "after\n" + junk;
    put(content);
    QVERIFY(get("1", "Name").endsWith(QStringLiteral("after")));
    QCOMPARE(readBytes(m_file), content);
    // A write keeps the junk around it byte for byte.
    QVERIFY(WriteProfileString("2", "Name", "new", m_file));
    QVERIFY(readBytes(m_file).startsWith(content));
    QCOMPARE(get("2", "Name"), QStringLiteral("new"));
    QVERIFY(DeleteProfileFile(m_file));
    QVERIFY(!QFileInfo::exists(m_file));
}

void TestProfileFile::writeRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("connection string") << "Provider=MariaDB;Data Source=db,3307;Password=\"a;b\"";
    QTest::newRow("equals first") << "=x=y=";
    QTest::newRow("semicolon first") << ";not a comment";
    QTest::newRow("bracketed") << "[not a section]";
    QTest::newRow("doubled quotes") << "O''Brien's";
    QTest::newRow("empty") << "";
    QTest::newRow("non-Latin") << QString::fromUtf8("Дані 数据");
}

void TestProfileFile::writeRoundTrip()
{
    QFETCH(QString, value);
    QVERIFY(WriteProfileString("7", "Connection", value, m_file));
    QCOMPARE(get("7", "Connection"), value);
}

void TestProfileFile::writeKeepsEverythingElse_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file yet
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("after");
    const auto add = [](const char* name, const QByteArray& before, const char* section, const char* key,
                        const QByteArray& after) {
        QTest::newRow(name) << before << QString(section) << QString(key) << after;
    };
    const QByteArray other = "; comment\n[1]\nName=One\nodd line\nC=x\n\n[Other]\nKey = spaced\n";
    add("new file", QByteArray(), "1", "Name", "[1]\nName=v\n");
    add("replace in place", other, "1", "NAME", QByteArray(other).replace("Name=One", "NAME=v"));
    add("add after the section's last key", other, "1", "D",
        QByteArray(other).replace("C=x\n", "C=x\nD=v\n"));
    add("new section after a blank line", "[1]\nK=a\n", "2", "K", "[1]\nK=a\n\n[2]\nK=v\n");
    add("first duplicate only", "[1]\nK=a\nK=b\n[1]\nK=c\n", "1", "K", "[1]\nK=v\nK=b\n[1]\nK=c\n");
    add("CRLF file stays CRLF", "[1]\r\nK=a\r\n", "2", "K", "[1]\r\nK=a\r\n\r\n[2]\r\nK=v\r\n");
}

void TestProfileFile::writeKeepsEverythingElse()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QByteArray, after);
    // A file this creates is its owner's alone; an existing one keeps its permissions.
    if (!before.isNull()) {
        put(before);
        QVERIFY(QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup));
    }
    QVERIFY(WriteProfileString(section, key, QStringLiteral("v"), m_file));
    QCOMPARE(readBytes(m_file), after);
    QCOMPARE(unixMode(m_file), before.isNull() ? 0600 : 0640);
}

void TestProfileFile::writeRefuses_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const auto add = [](const char* name, const char* section, const char* key, const char* value) {
        QTest::newRow(name) << QString(section) << QString(key) << QString(value);
    };
    add("empty section", "", "Name", "v");
    add("section with ]", "a]b", "Name", "v");
    add("empty key", "1", " ", "v");
    add("key with =", "1", "a=b", "v");
    add("comment key", "1", ";k", "v");
    add("value with line break", "1", "Name", "a\n[2]\nName=injected");
}

void TestProfileFile::writeRefuses()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    put("[1]\nName=kept\n");
    QVERIFY(!WriteProfileString(section, key, value, m_file));
    QCOMPARE(readBytes(m_file), QByteArray("[1]\nName=kept\n"));
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
