#include "settings/TextConvert.h"

#include <QLocale>
#include <QTest>

#include <limits>

class TestTextConvert : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void textToBool_data();
    void textToBool();
    void textToInt_data();
    void textToInt();
    void savedIntReadsBack_data();
    void savedIntReadsBack();
};

using OptBool = std::optional<bool>;
using OptInt = std::optional<int>;
Q_DECLARE_METATYPE(OptBool)
Q_DECLARE_METATYPE(OptInt)

void TestTextConvert::textToBool_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<OptBool>("expected");

    const QString c = QStringLiteral("C");
    QTest::newRow("upper FALSE") << c << "FALSE" << OptBool(false);
    QTest::newRow("mixed tRuE") << c << "tRuE" << OptBool(true);
    QTest::newRow("blanks around") << c << "  False \t" << OptBool(false);
    QTest::newRow("zero fraction") << c << "0.0" << OptBool(false);
    QTest::newRow("minus one") << c << "-1" << OptBool(true);
    QTest::newRow("small fraction") << c << "0.25" << OptBool(true);
    QTest::newRow("exponent") << c << "1e3" << OptBool(true);
    QTest::newRow("yes") << c << "yes" << OptBool();
    QTest::newRow("empty") << c << "" << OptBool();
    QTest::newRow("blank") << c << "   " << OptBool();
    QTest::newRow("word prefix") << c << "Truex" << OptBool();
    QTest::newRow("two words") << c << "True False" << OptBool();
    QTest::newRow("hex") << c << "0x0" << OptBool();
    QTest::newRow("infinity") << c << "inf" << OptBool();
    QTest::newRow("not a number") << c << "nan" << OptBool();
    // A German default locale must not make "0,0" a number.
    QTest::newRow("de comma zero") << "de_DE"
                                   << "0,0" << OptBool();
    QTest::newRow("de word") << "de_DE"
                             << "Wahr" << OptBool();
    QTest::newRow("de dot zero") << "de_DE"
                                 << "0.0" << OptBool(false);
}

void TestTextConvert::textToBool()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(OptBool, expected);
    QLocale::setDefault(QLocale(locale));
    QCOMPARE(Glob::TextToBool(text), expected);
}

void TestTextConvert::textToInt_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<OptInt>("expected");

    const QString c = QStringLiteral("C");
    constexpr int max = std::numeric_limits<int>::max();
    constexpr int min = std::numeric_limits<int>::min();
    QTest::newRow("zero") << c << "0" << OptInt(0);
    QTest::newRow("negative") << c << "-7" << OptInt(-7);
    QTest::newRow("plus sign") << c << "+5" << OptInt(5);
    QTest::newRow("leading zeros") << c << "007" << OptInt(7);
    QTest::newRow("blanks around") << c << " 12\t" << OptInt(12);
    QTest::newRow("2.6 up") << c << "2.6" << OptInt(3);
    QTest::newRow("2.4 down") << c << "2.4" << OptInt(2);
    QTest::newRow("2.5 to even") << c << "2.5" << OptInt(2);
    QTest::newRow("3.5 to even") << c << "3.5" << OptInt(4);
    QTest::newRow("-2.5 to even") << c << "-2.5" << OptInt(-2);
    QTest::newRow("-2.6") << c << "-2.6" << OptInt(-3);
    QTest::newRow("exponent") << c << "1.5e2" << OptInt(150);
    QTest::newRow("max") << c << "2147483647" << OptInt(max);
    QTest::newRow("min") << c << "-2147483648" << OptInt(min);
    QTest::newRow("max with fraction down") << c << "2147483647.4" << OptInt(max);
    QTest::newRow("min half to even") << c << "-2147483648.5" << OptInt(min);
    QTest::newRow("above max") << c << "2147483648" << OptInt();
    QTest::newRow("below min") << c << "-2147483649" << OptInt();
    QTest::newRow("max half rounds out") << c << "2147483647.5" << OptInt();
    QTest::newRow("huge") << c << "1e10" << OptInt();
    QTest::newRow("word") << c << "soon" << OptInt();
    QTest::newRow("trailing text") << c << "12abc" << OptInt();
    QTest::newRow("empty") << c << "" << OptInt();
    QTest::newRow("group separator") << c << "1,000" << OptInt();
    QTest::newRow("comma decimal") << c << "2,5" << OptInt();
    QTest::newRow("hex") << c << "0x10" << OptInt();
    QTest::newRow("infinity") << c << "inf" << OptInt();
    QTest::newRow("not a number") << c << "nan" << OptInt();
    QTest::newRow("de comma decimal") << "de_DE"
                                      << "2,6" << OptInt();
    QTest::newRow("de dot decimal") << "de_DE"
                                    << "2.6" << OptInt(3);
    QTest::newRow("de group") << "de_DE"
                              << "1.000" << OptInt(1);
}

void TestTextConvert::textToInt()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(OptInt, expected);
    QLocale::setDefault(QLocale(locale));
    QCOMPARE(Glob::TextToInt(text), expected);
}

void TestTextConvert::savedIntReadsBack_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("expected");

    for (const char* locale : {"C", "de_DE", "ar_EG", "hi_IN"}) {
        const auto row = [&](const char* name, int value, const char* text) {
            QTest::addRow("%s %s", locale, name)
                << QString::fromLatin1(locale) << value << QString::fromLatin1(text);
        };
        row("zero", 0, "0");
        row("negative", -5, "-5");
        row("thousands", 1234567, "1234567");
        row("max", std::numeric_limits<int>::max(), "2147483647");
        row("min", std::numeric_limits<int>::min(), "-2147483648");
    }
}

void TestTextConvert::savedIntReadsBack()
{
    QFETCH(QString, locale);
    QFETCH(int, value);
    QFETCH(QString, expected);
    QLocale::setDefault(QLocale(locale));
    const QString text = Glob::IntToText(value);
    QCOMPARE(text, expected);
    QCOMPARE(Glob::TextToInt(text), OptInt(value));
}

QTEST_APPLESS_MAIN(TestTextConvert)
#include "tst_textconvert.moc"
