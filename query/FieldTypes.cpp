// Type names and display formats for ADO data-type codes: pure functions of
// the code, published on the control.
#include <quarry/kwQuarry.h>

#include <QHash>

namespace {

// Long wide text, long plain binary and long raw data never join field lists.
constexpr int adLongVarWChar = 203;
constexpr int adVarBinary = 204;
constexpr int adLongVarBinary = 205;

} // namespace

bool kwQuarry::Allowed_DataType(int lngType)
{
    return lngType != adLongVarWChar && lngType != adVarBinary && lngType != adLongVarBinary;
}

QString kwQuarry::Field_Type(int lngType)
{
    static const QHash<int, QString> names = {
        {0, QStringLiteral("Empty")},          {2, QStringLiteral("SmallInt")},
        {3, QStringLiteral("Integer")},        {4, QStringLiteral("Single")},
        {5, QStringLiteral("Double")},         {6, QStringLiteral("Currency")},
        {7, QStringLiteral("Date")},           {8, QStringLiteral("BSTR")},
        {9, QStringLiteral("IDispatch")},      {10, QStringLiteral("Error")},
        {11, QStringLiteral("Boolean")},       {12, QStringLiteral("Variant")},
        {13, QStringLiteral("IUnknown")},      {14, QStringLiteral("Decimal")},
        {16, QStringLiteral("TinyInt")},       {20, QStringLiteral("BigInt")},
        {72, QStringLiteral("GUID")},          {128, QStringLiteral("Binary")},
        {129, QStringLiteral("Char")},         {131, QStringLiteral("Numeric")},
        {133, QStringLiteral("DBDate")},       {134, QStringLiteral("DBTime")},
        {135, QStringLiteral("DBTimeStamp")},  {200, QStringLiteral("VarChar")},
        {201, QStringLiteral("LongVarChar")},  {202, QStringLiteral("WChar")},
        {203, QStringLiteral("LongVarWChar")}, {205, QStringLiteral("LongVarBinary")},
        {8192, QStringLiteral("Array")},
    };
    return names.value(lngType);
}

QString kwQuarry::Format_Value(int lngType)
{
    switch (lngType) {
    case 2:
    case 3:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
        return QStringLiteral("#,###");
    case 4:
    case 5:
    case 14:
    case 131:
        return QStringLiteral("#,###.00");
    case 6:
        return QStringLiteral("$#,###.00");
    default:
        return {};
    }
}
