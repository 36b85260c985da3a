#include "platform/ProfileFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace quarry::platform;

class TestProfileFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void read_data();
    void read();
    void longValueFitsBuffer_data();
    void longValueFitsBuffer();
    void missingOrUnreadableFileGivesDefault();
    void binaryJunk();
    void writeCreatesFileAndSection();
    void writeRoundTrip_data();
    void writeRoundTrip();
    void writeKeepsEverythingElse_data();
    void writeKeepsEverythingElse();
    void writeRefuses_data();
    void writeRefuses();
    void writeKeepsExistingPermissions();

private:
    void put(const QByteArray& content);
    QByteArray contents() const;
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

void TestProfileFile::put(const QByteArray& content)
{
    QFile file(m_file);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QByteArray TestProfileFile::contents() const
{
    QFile file(m_file);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void TestProfileFile::read_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("value keeps ; = ,")
        << QByteArray("[1]\nConnection=Provider=SQLite;Data Source=/a b.db;X=1,2\n") << "1"
        << "Connection"
        << "Provider=SQLite;Data Source=/a b.db;X=1,2";
    QTest::newRow("names in any case") << QByteArray("[Data]\nnAmE=x\n") << "DATA"
                                       << "Name"
                                       << "x";
    QTest::newRow("first duplicate section wins")
        << QByteArray("[1]\nName=first\n[2]\nName=two\n[1]\nName=second\n") << "1"
        << "Name"
        << "first";
    QTest::newRow("later duplicate section unseen")
        << QByteArray("[1]\nName=a\n[1]\nDescription=late\n") << "1"
        << "Description"
        << "<d>";
    QTest::newRow("first duplicate key wins") << QByteArray("[1]\nName=a\nName=b\n") << "1"
                                              << "Name"
                                              << "a";
    QTest::newRow("empty value is not the default") << QByteArray("[1]\nName=\n") << "1"
                                                    << "Name"
                                                    << "";
    QTest::newRow("missing key") << QByteArray("[1]\nName=a\n") << "1"
                                 << "Other"
                                 << "<d>";
    QTest::newRow("missing section") << QByteArray("[1]\nName=a\n") << "2"
                                     << "Name"
                                     << "<d>";
    QTest::newRow("other section's key") << QByteArray("[1]\nName=a\n[2]\nX=`\n") << "1"
                                         << "X"
                                         << "<d>";
    QTest::newRow("blanks around") << QByteArray("  [ 1 ]\n  Name  =  spaced out  \n") << "1"
                                   << "Name"
                                   << "spaced out";
    QTest::newRow("CRLF, no final break") << QByteArray("[1]\r\nA=1\r\nName=crlf") << "1"
                                          << "Name"
                                          << "crlf";
    QTest::newRow("comment is no key") << QByteArray("[1]\n;Name=c\nName=real\n") << "1"
                                       << "Name"
                                       << "real";
    QTest::newRow("quotes kept") << QByteArray("[1]\nD=\"q\" 'O''B'\n") << "1"
                                 << "D"
                                 << "\"q\" 'O''B'";
    QTest::newRow("UTF-8 after BOM") << QByteArray("\xEF\xBB\xBF[1]\nName=Zürich\n") << "1"
                                     << "Name" << QString::fromUtf8("Zürich");
    QTest::newRow("cut at NUL") << QByteArray("[1]\nName=ab\0cd\n", 15) << "1"
                                << "Name"
                                << "ab";
}

void TestProfileFile::read()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    put(content);
    QCOMPARE(get(section, key), expected);
    QCOMPARE(contents(), content); // reading never changes the file
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
    QCOMPARE(get(QStringLiteral("1"), QStringLiteral("Connection"), bufferSize), value.left(expectedLength));
    QCOMPARE(get(QStringLiteral("1"), QStringLiteral("Name")), QStringLiteral("after"));
    // The default is cut the same way.
    QCOMPARE(GetProfileString(QStringLiteral("1"), QStringLiteral("No"), value, bufferSize, m_file),
             value.left(expectedLength));
}

void TestProfileFile::missingOrUnreadableFileGivesDefault()
{
    QCOMPARE(get(QStringLiteral("1"), QStringLiteral("Name")), QStringLiteral("<d>"));
    QVERIFY(!QFileInfo::exists(m_file)); // reading creates nothing
    QVERIFY(!DeleteProfileFile(m_file));

    put("[1]\nName=secret\n");
    QVERIFY(QFile::setPermissions(m_file, QFileDevice::WriteOwner));
    if (QFile(m_file).open(QIODevice::ReadOnly))
        QSKIP("running with privileges that read any file");
    QCOMPARE(get(QStringLiteral("1"), QStringLiteral("Name")), QStringLiteral("<d>"));
    // Nor is it rewritten from nothing.
    QVERIFY(!WriteProfileString(QStringLiteral("1"), QStringLiteral("Name"), QStringLiteral("x"), m_file));
}

void TestProfileFile::binaryJunk()
{
    QByteArray junk;
    quint32 seed = 12345;
    for (int i = 0; i < 64 * 1024; ++i) {
        seed = seed * 1103515245u + 12345u;
        junk.append(char(seed >> 24));
    }
    const QByteArray content = junk +
                               "\n[1]\nName=\xff\xfe"
                               "after\n" +
                               junk;
    put(content);
    QVERIFY(get(QStringLiteral("1"), QStringLiteral("Name")).endsWith(QStringLiteral("after")));
    QCOMPARE(contents(), content);
    // A write keeps the junk around it byte for byte.
    QVERIFY(WriteProfileString(QStringLiteral("2"), QStringLiteral("Name"), QStringLiteral("new"), m_file));
    QVERIFY(contents().startsWith(content));
    QCOMPARE(get(QStringLiteral("2"), QStringLiteral("Name")), QStringLiteral("new"));
    QVERIFY(DeleteProfileFile(m_file));
    QVERIFY(!QFileInfo::exists(m_file));
}

void TestProfileFile::writeCreatesFileAndSection()
{
    QVERIFY(WriteProfileString(QStringLiteral("1"), QStringLiteral("Name"), QStringLiteral("Sales"), m_file));
    QCOMPARE(QFileInfo(m_file).permissions() & 0x0077, QFileDevice::Permissions()); // the owner's alone
    QVERIFY(WriteProfileString(QStringLiteral("1"), QStringLiteral("Connection"), QStringLiteral("P=X;A=1"),
                               m_file));
    QVERIFY(WriteProfileString(QStringLiteral("2"), QStringLiteral("Name"), QStringLiteral("Two"), m_file));
    QCOMPARE(contents(), QByteArray("[1]\nName=Sales\nConnection=P=X;A=1\n\n[2]\nName=Two\n"));
    const QString missingFolder = m_dir->filePath(QStringLiteral("no/such/DataSources.ini"));
    QVERIFY(
        !WriteProfileString(QStringLiteral("1"), QStringLiteral("Name"), QStringLiteral("v"), missingFolder));
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
    QVERIFY(WriteProfileString(QStringLiteral("7"), QStringLiteral("Connection"), value, m_file));
    QCOMPARE(get(QStringLiteral("7"), QStringLiteral("Connection")), value);
}

void TestProfileFile::writeKeepsEverythingElse_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("after");
    const QByteArray other = "; comment\n[1]\nName=One\nodd line\nC=x\n\n[Other]\nKey = spaced\n";
    QTest::newRow("replace in place") << other << "1"
                                      << "NAME" << QByteArray(other).replace("Name=One", "NAME=v");
    QTest::newRow("add after the section's last key")
        << other << "1"
        << "D" << QByteArray(other).replace("C=x\n", "C=x\nD=v\n");
    QTest::newRow("first duplicate only") << QByteArray("[1]\nK=a\nK=b\n[1]\nK=c\n") << "1"
                                          << "K" << QByteArray("[1]\nK=v\nK=b\n[1]\nK=c\n");
    QTest::newRow("CRLF file stays CRLF") << QByteArray("[1]\r\nK=a\r\n") << "2"
                                          << "K" << QByteArray("[1]\r\nK=a\r\n\r\n[2]\r\nK=v\r\n");
}

void TestProfileFile::writeKeepsEverythingElse()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QByteArray, after);
    put(before);
    QVERIFY(WriteProfileString(section, key, QStringLiteral("v"), m_file));
    QCOMPARE(contents(), after);
}

void TestProfileFile::writeRefuses_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("empty section") << ""
                                   << "Name"
                                   << "v";
    QTest::newRow("section with ]") << "a]b"
                                    << "Name"
                                    << "v";
    QTest::newRow("empty key") << "1"
                               << " "
                               << "v";
    QTest::newRow("key with =") << "1"
                                << "a=b"
                                << "v";
    QTest::newRow("comment key") << "1"
                                 << ";k"
                                 << "v";
    QTest::newRow("value with line break") << "1"
                                           << "Name"
                                           << "a\n[2]\nName=injected";
}

void TestProfileFile::writeRefuses()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    put("[1]\nName=kept\n");
    QVERIFY(!WriteProfileString(section, key, value, m_file));
    QCOMPARE(contents(), QByteArray("[1]\nName=kept\n"));
}

void TestProfileFile::writeKeepsExistingPermissions()
{
    put("[1]\nName=a\n");
    const auto shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(m_file, shared));
    QVERIFY(WriteProfileString(QStringLiteral("1"), QStringLiteral("Name"), QStringLiteral("b"), m_file));
    QCOMPARE(QFileInfo(m_file).permissions() & 0x7077, shared);
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
