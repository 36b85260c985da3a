#include "app/ResultsModel.h"

#include <QBrush>
#include <QDate>
#include <QDateTime>
#include <QFont>
#include <QPalette>
#include <QScopedValueRollback>
#include <QTime>

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

QVariant displayValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QByteArray:
        return ResultsModel::tr("(binary, %L1 bytes)").arg(value.toByteArray().size());
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QTime:
        return value.toTime().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    default:
        return value;
    }
}

} // namespace

ResultsModel::ResultsModel(QObject* parent)
    : QAbstractTableModel(parent)
{}

void ResultsModel::execute(const quarry::Connection& connection, const QString& sql, qint64 maxRecords)
{
    clear();
    quarry::Recordset rs;
    rs.Open(sql, connection, maxRecords);
    if (rs.State() == quarry::adStateOpen)
        setRecordset(rs, maxRecords);
}

void ResultsModel::setRecordset(const quarry::Recordset& recordset, qint64 maxRecords)
{
    const quarry::Recordset incoming = recordset; // may alias m_recordset
    beginResetModel();
    m_live = false;
    m_recordset = quarry::Recordset();
    m_rows.clear();
    m_columns.clear();
    m_fetchError.clear();
    m_recordset = incoming;
    m_maxRecords = qMax<qint64>(0, maxRecords);
    m_live = m_recordset.State() == quarry::adStateOpen;
    if (m_live) {
        m_columns.reserve(size_t(m_recordset.FieldCount()));
        for (const quarry::Field& field : m_recordset.FieldList())
            m_columns.push_back({field.Name, field.Type});
    }
    // The first batch is part of the reset: views see the rows at once.
    const QString failure = readRows(m_rows);
    endReset();
    finishBatch(failure);
}

void ResultsModel::clear()
{
    beginResetModel();
    closeRecordset();
    m_rows.clear();
    m_columns.clear();
    m_fetchError.clear();
    m_maxRecords = 0;
    endReset();
}

void ResultsModel::endReset()
{
    // Listeners of the reset may ask for more rows; they get them after it.
    const QScopedValueRollback notifying(m_notifying, true);
    endResetModel();
}

bool ResultsModel::hasPendingRows() const
{
    if (!m_live)
        return false;
    if (m_maxRecords > 0 && qint64(m_rows.size()) >= m_maxRecords)
        return false;
    return !m_recordset.AtEOF();
}

void ResultsModel::closeRecordset() noexcept
{
    m_live = false;
    try {
        if (m_recordset.State() == quarry::adStateOpen)
            m_recordset.Close();
    } catch (...) {
        // A recordset whose connection is gone has nothing left to release.
    }
    m_recordset = quarry::Recordset();
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
        return null ? QVariant(nullText()) : displayValue(value);
    case Qt::ToolTipRole:
        return null ? QVariant() : displayValue(value);
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
    return !parent.isValid() && !m_notifying && hasPendingRows();
}

void ResultsModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    readBatch();
}

QString ResultsModel::readRows(std::vector<std::vector<QVariant>>& into)
{
    if (!m_live)
        return {};
    qint64 wanted = m_batchSize;
    if (m_maxRecords > 0)
        wanted = qMin(wanted, m_maxRecords - qint64(m_rows.size()));
    const size_t stop = into.size() + size_t(qMax<qint64>(0, wanted));
    try {
        const int fields = int(m_columns.size());
        while (into.size() < stop && !m_recordset.AtEOF()) {
            std::vector<QVariant> row;
            row.reserve(size_t(fields));
            for (int i = 0; i < fields; ++i)
                row.push_back(m_recordset.Fields(i).Value);
            into.push_back(std::move(row));
            m_recordset.MoveNext();
        }
    } catch (const quarry::DatabaseError& e) {
        return e.Description();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    }
    return {};
}

void ResultsModel::readBatch()
{
    // Rows are read before the view hears of them, so a failure half-way
    // still delivers what arrived.
    std::vector<std::vector<QVariant>> batch;
    const QString failure = readRows(batch);
    if (!batch.empty()) {
        const int first = int(m_rows.size());
        const QScopedValueRollback notifying(m_notifying, true);
        beginInsertRows({}, first, first + int(batch.size()) - 1);
        for (auto& row : batch)
            m_rows.push_back(std::move(row));
        endInsertRows();
    }
    finishBatch(failure);
}

void ResultsModel::finishBatch(const QString& failure)
{
    if (!failure.isEmpty()) {
        m_fetchError = failure;
        closeRecordset();
        emit fetchFailed(failure);
        return;
    }
    // Release the statement as soon as the last wanted row is in; some
    // drivers keep the connection busy while a result is open.
    if (m_live && !hasPendingRows())
        closeRecordset();
}

} // namespace dabrook
