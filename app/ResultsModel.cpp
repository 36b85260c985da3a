#include "app/ResultsModel.h"

#include <QBrush>
#include <QDate>
#include <QDateTime>
#include <QFont>
#include <QPalette>
#include <QTime>

#include <charconv>
#include <iterator>

namespace dabrook {

namespace {

// ADO DataTypeEnum codes of numeric columns; numbers line up on the right.
bool isNumericType(int type)
{
    switch (type) {
    case 2:   // adSmallInt
    case 3:   // adInteger
    case 4:   // adSingle
    case 5:   // adDouble
    case 6:   // adCurrency
    case 14:  // adDecimal
    case 16:  // adTinyInt
    case 17:  // adUnsignedTinyInt
    case 18:  // adUnsignedSmallInt
    case 19:  // adUnsignedInt
    case 20:  // adBigInt
    case 21:  // adUnsignedBigInt
    case 131: // adNumeric
    case 139: // adVarNumeric
        return true;
    default:
        return false;
    }
}

bool isNull(const QVariant& value)
{
    return !value.isValid() || value.isNull();
}

// The shortest text that reads back as the same number: a display rounded to
// six digits would disagree with the data it shows.
template <class T> QString shortest(T value)
{
    char text[64];
    const auto [end, error] = std::to_chars(std::begin(text), std::end(text), value);
    return error == std::errc() ? QString::fromLatin1(text, end - text) : QString::number(value);
}

// Binary cells show their first bytes and their size, not megabytes of text.
constexpr int kBinaryPreview = 16;

} // namespace

ResultsModel::ResultsModel(QObject* parent)
    : QAbstractTableModel(parent)
{}

QString ResultsModel::displayText(const QVariant& value, int type)
{
    switch (value.typeId()) {
    case QMetaType::Double:
        // adSingle: the driver widened a float; its own shortest form is the value.
        return type == 4 ? shortest(float(value.toDouble())) : shortest(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        const QString preview = QString::fromLatin1(bytes.left(kBinaryPreview).toHex()).toUpper();
        return tr("0x%1%2 (%L3 bytes)")
            .arg(preview, bytes.size() > kBinaryPreview ? QStringLiteral("…") : QString())
            .arg(bytes.size());
    }
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QTime:
        return value.toTime().toString(value.toTime().msec() ? Qt::ISODateWithMs : Qt::ISODate);
    case QMetaType::QDateTime: {
        const QDateTime at = value.toDateTime();
        return at.toString(at.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                            : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    default:
        return value.toString();
    }
}

void ResultsModel::begin(const std::vector<ResultColumn>& columns, const std::vector<ResultRow>& rows,
                         bool atEnd, qint64 maxRecords)
{
    beginResetModel();
    m_columns = columns;
    m_rows = rows;
    m_atEnd = atEnd || columns.empty();
    m_fetching = false;
    m_maxRecords = qMax<qint64>(0, maxRecords);
    m_fetchError.clear();
    endResetModel();
}

void ResultsModel::append(const std::vector<ResultRow>& rows, bool atEnd)
{
    m_fetching = false;
    m_atEnd = atEnd;
    if (!rows.empty()) {
        const int first = int(m_rows.size());
        beginInsertRows({}, first, first + int(rows.size()) - 1);
        m_rows.insert(m_rows.end(), rows.begin(), rows.end());
        endInsertRows();
    }
}

void ResultsModel::fail(const QString& description)
{
    m_fetching = false;
    m_atEnd = true;
    m_fetchError = description;
    emit fetchFailed(description);
}

void ResultsModel::clear()
{
    begin({}, {}, true);
}

bool ResultsModel::hasPendingRows() const
{
    if (m_atEnd)
        return false;
    return m_maxRecords <= 0 || qint64(m_rows.size()) < m_maxRecords;
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QVariant& value = m_rows[size_t(index.row())][size_t(index.column())];
    const bool null = isNull(value);
    switch (role) {
    case Qt::DisplayRole:
        return null ? nullText() : displayText(value, m_columns[size_t(index.column())].Type);
    case Qt::ToolTipRole:
        return null ? QVariant() : QVariant(displayText(value, m_columns[size_t(index.column())].Type));
    case ValueRole:
        return value;
    case IsNullRole:
        return null;
    case Qt::FontRole:
        if (null) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return {};
    case Qt::ForegroundRole:
        if (null)
            return QBrush(QPalette().color(QPalette::Disabled, QPalette::Text));
        return {};
    case Qt::TextAlignmentRole:
        if (isNumericType(m_columns[size_t(index.column())].Type) && !null)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Horizontal)
        return section < int(m_columns.size()) ? QVariant(m_columns[size_t(section)].Name) : QVariant();
    return section < int(m_rows.size()) ? QVariant(section + 1) : QVariant();
}

bool ResultsModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_fetching && hasPendingRows();
}

void ResultsModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    qint64 wanted = m_batchSize;
    if (m_maxRecords > 0)
        wanted = qMin(wanted, m_maxRecords - qint64(m_rows.size()));
    m_fetching = true;
    emit moreWanted(int(wanted));
}

} // namespace dabrook
