// Profile (INI) files with free-text values: reading, writing in place, and what cannot be used.
#include "SettingsTestSupport.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace quarry::platform;
using namespace quarry::test;

class TestProfileFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file = m_dir.filePath(QStringLiteral("DataSources.ini"));

private slots:
    void init() { QFile::remove(m_file); }
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("key"); // "section/key"
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QByteArray& content, const char* key,
                            const QString& expected, int size = 254) {
            QTest::newRow(name) << content << QString(key) << size << expected;
        };
        const QByteArray twice = "[1]\nN=first\n[2]\nN=two\n[1]\nN=second\nD=late\n";
        row("value keeps ; = , not blanks or comments", "  [ 1 ]\n;C=c\n  C  =  P=S;D=/a b.db;X=1,2  \n",
            "1/C", "P=S;D=/a b.db;X=1,2");
        row("names in any case", "[Data]\nnAmE=x\n", "DATA/Name", "x");
        row("first duplicate section wins", twice, "1/N", "first");
        row("later duplicate section unseen", twice, "1/D", "<d>");
        row("first duplicate key wins", "[1]\nN=a\nN=b\n", "1/N", "a");
        row("empty value is not the default", "[1]\nN=\n", "1/N", "");
        row("BOM, CRLF, no final break", "\xEF\xBB\xBF[1]\r\nA=1\r\nN=Zürich", "1/N",
            QString::fromUtf8("Zürich"));
        row("junk and bad UTF-8", "\1\377\200[\n[1]\nN=\377\376after\n\200", "1/N",
            QString::fromUtf8("\377\376after"));
        row("cut at NUL, then trimmed", QByteArray("[1]\nN=ab \0cd\n", 13), "1/N", "ab");
        // The value, or the default, fills a buffer of `size` characters with its terminator.
        row("100000 into 254", "[1]\nC=" + QByteArray(100000, 'x') + "\nN=after\n", "1/C",
            QString(253, u'x'));
        row("buffer of 0", "[1]\nC=x\n", "1/C", "", 0);
        row("default cut", "[1]\n", "1/C", "<d", 3);
    }
    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, key);
        QFETCH(int, size);
        QFETCH(QString, expected);
        QVERIFY(writeBytes(m_file, content));
        QCOMPARE(GetProfileString(key.section(u'/', 0, 0), key.section(u'/', 1), "<d>", size, m_file),
                 expected);
        QCOMPARE(readBytes(m_file), content); // reading never changes the file
    }
    void write_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file yet
        QTest::addColumn<QStringList>("entry"); // section, key, value
        QTest::addColumn<QByteArray>("after");  // null: refused, the file left as it was
        const auto row = [](const char* name, const QByteArray& before, const QStringList& entry,
                            const QByteArray& after) { QTest::newRow(name) << before << entry << after; };
        const QByteArray other = "; comment\n[1]\nName=One\nodd \x80 line\nC=x\n\n[Other]\nKey = spaced\n";
        row("replace in place", other, {"1", "NAME", "v"}, QByteArray(other).replace("Name=One", "NAME=v"));
        row("add after the section's last key", other, {"1", "D", "v"},
            QByteArray(other).replace("C=x\n", "C=x\nD=v\n"));
        row("new section after a blank line", "[1]\nK=a\n", {"2", "K", "v"}, "[1]\nK=a\n\n[2]\nK=v\n");
        row("first duplicate only", "[1]\nK=a\nK=b\n[1]\nK=c\n", {"1", "K", "v"},
            "[1]\nK=v\nK=b\n[1]\nK=c\n");
        row("CRLF file stays CRLF", "[1]\r\nK=a\r\n", {"2", "K", "v"}, "[1]\r\nK=a\r\n\r\n[2]\r\nK=v\r\n");
        // Values are free text; names and values that would break the file's structure are refused.
        for (const char* value :
             {"Provider=MariaDB;Data Source=db,3307;Password=\"a;b\"", "=x=y=", "", "Дані 数据"})
            row(value, {}, {"7", "C", QString::fromUtf8(value)}, "[7]\nC=" + QByteArray(value) + '\n');
        const char* const refused[][3] = {{"", "N", "v"},
                                          {"a]b", "N", "v"},
                                          {"1", " ", "v"},
                                          {"1", "a=b", "v"},
                                          {"1", ";k", "v"},

                                          {"1", "N", "a\n[2]\nN=injected"}};
        for (const auto& r : refused)
            row(qPrintable(QStringLiteral("refused %1/%2/%3").arg(r[0], r[1], r[2])), "[1]\nN=kept\n",
                {r[0], r[1], r[2]}, {});
        // Read back, a line's leading byte-order mark is dropped: that key could never be found.
        row("refused key after a BOM", "[1]\nN=kept\n", {"1", QChar(0xFEFF) + QString("k"), "v"}, {});
    }
    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, entry);
        QFETCH(QByteArray, after);
        // A file this creates is its owner's alone; an existing one keeps its permissions.
        if (!before.isNull()) {
            QVERIFY(writeBytes(m_file, before));
            QVERIFY(QFile::setPermissions(m_file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        }
        QCOMPARE(WriteProfileString(entry[0], entry[1], entry[2], m_file), !after.isNull());
        QCOMPARE(readBytes(m_file), after.isNull() ? before : after);
        QCOMPARE(unixMode(m_file), before.isNull() ? 0600 : 0640);
        if (!after.isNull())
            QCOMPARE(GetProfileString(entry[0], entry[1], "<d>", 254, m_file), entry[2]);
    }
    void missingOrUnreadable()
    {
        // Reading creates nothing; what cannot be read reads as missing and is never rewritten from nothing.
        QVERIFY(GetProfileString("1", "N", "<d>", 254, m_file) == "<d>" && !QFileInfo::exists(m_file));
        QVERIFY(!DeleteProfileFile(m_file) &&
                !WriteProfileString("1", "N", "v", m_dir.filePath("no/such.ini")));
        QVERIFY(QDir().mkpath(m_file) && GetProfileString("1", "N", "<d>", 254, m_file) == "<d>");
        QVERIFY(!WriteProfileString("1", "N", "v", m_file) && QFileInfo(m_file).isDir());
        QVERIFY(QDir().rmdir(m_file) && WriteProfileString("1", "N", "v", m_file));
        QVERIFY(DeleteProfileFile(m_file) && !QFileInfo::exists(m_file));
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
