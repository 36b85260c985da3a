#include <quarry/kwQuarry.h>

#include <QSignalSpy>
#include <QTest>

class FieldTypesTest : public QObject
{
    Q_OBJECT

private slots:
    void typeCodes_data();
    void typeCodes();
    void everyOtherCodeIsUnnamed();

private:
    kwQuarry m_control;
};

void FieldTypesTest::typeCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("format");
    const auto row = [](int code, bool allowed, const char* name, const char* format = "") {
        QTest::addRow("%d %s", code, name)
            << code << allowed << QString::fromLatin1(name) << QString::fromLatin1(format);
    };
    row(0, true, "Empty");
    row(2, true, "SmallInt", "#,###");
    row(3, true, "Integer", "#,###");
    row(4, true, "Single", "#,###.00");
    row(5, true, "Double", "#,###.00");
    row(6, true, "Currency", "$#,###.00");
    row(7, true, "Date");
    row(8, true, "BSTR");
    row(9, true, "IDispatch");
    row(10, true, "Error");
    row(11, true, "Boolean");
    row(12, true, "Variant");
    row(13, true, "IUnknown");
    row(14, true, "Decimal", "#,###.00");
    row(16, true, "TinyInt", "#,###");
    row(17, true, "", "#,###");
    row(18, true, "", "#,###");
    row(19, true, "", "#,###");
    row(20, true, "BigInt", "#,###");
    row(21, true, "", "#,###");
    row(72, true, "GUID");
    row(128, true, "Binary");
    row(129, true, "Char");
    row(130, true, "");
    row(131, true, "Numeric", "#,###.00");
    row(133, true, "DBDate");
    row(134, true, "DBTime");
    row(135, true, "DBTimeStamp");
    row(200, true, "VarChar");
    row(201, true, "LongVarChar");
    row(202, true, "WChar");
    row(203, false, "LongVarWChar");
    row(204, false, "");
    row(205, false, "LongVarBinary");
    row(8192, true, "Array");
    row(8195, true, "");
    row(-1, true, "");
}

void FieldTypesTest::typeCodes()
{
    QFETCH(int, code);
    QFETCH(bool, allowed);
    QFETCH(QString, name);
    QFETCH(QString, format);
    QSignalSpy errors(&m_control, &kwQuarry::ErrHandle);
    QCOMPARE(m_control.Allowed_DataType(code), allowed);
    QCOMPARE(m_control.Field_Type(code), name);
    QCOMPARE(m_control.Format_Value(code), format);
    QCOMPARE(errors.size(), 0);
}

void FieldTypesTest::everyOtherCodeIsUnnamed()
{
    // Exactly 29 codes have names.
    int named = 0;
    for (int code = -5; code <= 9000; ++code)
        named += !m_control.Field_Type(code).isEmpty();
    QCOMPARE(named, 29);
}

QTEST_MAIN(FieldTypesTest)
#include "tst_fieldtypes.moc"
