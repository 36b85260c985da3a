#include "platform/db/DatabasePrivate.h"
#include "platform/db/TypeMap.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>

namespace quarry {

using namespace quarry::db;

namespace {

// Long values arrive in pieces of this many bytes.
constexpr SQLLEN kChunkBytes = 32 * 1024;

// One buffer per recordset, reused for every value: allocating per value
// dominated reading large catalogs.
using Buffer = std::unique_ptr<SQLWCHAR[]>;

SQLWCHAR* chunk(Buffer& buffer)
{
    if (!buffer)
        buffer.reset(new SQLWCHAR[kChunkBytes / sizeof(SQLWCHAR)]);
    return buffer.get();
}

QVariant readText(const StmtHandle& stmt, SQLUSMALLINT column, Buffer& storage)
{
    QString text;
    if (!db::readText(stmt, column, storage, text))
        return {};
    return text;
}

QVariant readBinary(const StmtHandle& stmt, SQLUSMALLINT column, Buffer& storage)
{
    char* buffer = reinterpret_cast<char*>(chunk(storage));
    QByteArray bytes;
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc =
            stmt.check(SQLGetData(stmt.get(), column, SQL_C_BINARY, buffer, kChunkBytes, &indicator),
                       "SQLGetData", true);
        if (rc == SQL_NO_DATA)
            break;
        if (indicator == SQL_NULL_DATA)
            return {};
        const qsizetype got = (indicator == SQL_NO_TOTAL || indicator > kChunkBytes) ? qsizetype(kChunkBytes)
                                                                                     : qsizetype(indicator);
        bytes.append(buffer, got);
        if (rc == SQL_SUCCESS)
            break;
    }
    return bytes;
}

template <class T> bool readFixed(const StmtHandle& stmt, SQLUSMALLINT column, SQLSMALLINT cType, T& value)
{
    SQLLEN indicator = 0;
    stmt.check(SQLGetData(stmt.get(), column, cType, &value, sizeof(T), &indicator), "SQLGetData");
    return indicator != SQL_NULL_DATA;
}

QVariant readValue(const StmtHandle& stmt, SQLUSMALLINT column, const RecordsetPrivate::Column& info,
                   Buffer& buffer, bool exactNumbers)
{
    switch (info.SqlType) {
    case SQL_BIT: {
        unsigned char v = 0;
        return readFixed(stmt, column, SQL_C_BIT, v) ? QVariant(v != 0) : QVariant();
    }
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: {
        SQLBIGINT v = 0;
        if (!readFixed(stmt, column, SQL_C_SBIGINT, v))
            return {};
        if (info.SqlType != SQL_BIGINT && v >= std::numeric_limits<int>::min() &&
            v <= std::numeric_limits<int>::max())
            return int(v);
        return qlonglong(v);
    }
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        double v = 0;
        return readFixed(stmt, column, SQL_C_DOUBLE, v) ? QVariant(v) : QVariant();
    }
    case SQL_DECIMAL:
    case SQL_NUMERIC: {
        // Exact text unless a double holds every digit.
        QVariant text = readText(stmt, column, buffer);
        if (text.isNull() || info.Size > 15 || exactNumbers)
            return text;
        bool ok = false;
        double v = text.toString().toDouble(&ok);
        return ok ? QVariant(v) : text;
    }
    case SQL_TYPE_DATE:
    case SQL_DATE: {
        SQL_DATE_STRUCT v{};
        return readFixed(stmt, column, SQL_C_TYPE_DATE, v) ? QVariant(QDate(v.year, v.month, v.day))
                                                           : QVariant();
    }
    case SQL_TYPE_TIME:
    case SQL_TIME: {
        SQL_TIME_STRUCT v{};
        return readFixed(stmt, column, SQL_C_TYPE_TIME, v) ? QVariant(QTime(v.hour, v.minute, v.second))
                                                           : QVariant();
    }
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: {
        SQL_TIMESTAMP_STRUCT v{};
        if (!readFixed(stmt, column, SQL_C_TYPE_TIMESTAMP, v))
            return {};
        return QDateTime(QDate(v.year, v.month, v.day),
                         QTime(v.hour, v.minute, v.second, int(v.fraction / 1000000)));
    }
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return readBinary(stmt, column, buffer);
    default:
        return readText(stmt, column, buffer);
    }
}

} // namespace

bool db::readText(const StmtHandle& stmt, SQLUSMALLINT column, std::unique_ptr<SQLWCHAR[]>& storage,
                  QString& text)
{
    SQLWCHAR* buffer = chunk(storage);
    const qsizetype bufferChars = kChunkBytes / qsizetype(sizeof(SQLWCHAR));
    text.clear();
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = stmt.check(
            SQLGetData(stmt.get(), column, SQL_C_WCHAR, buffer, kChunkBytes, &indicator), "SQLGetData", true);
        if (rc == SQL_NO_DATA)
            break;
        if (indicator == SQL_NULL_DATA)
            return false;
        // Truncated pieces fill the buffer except for the terminator.
        const qsizetype room = bufferChars - 1;
        const qsizetype got = (indicator == SQL_NO_TOTAL || indicator / qsizetype(sizeof(SQLWCHAR)) > room)
                                  ? room
                                  : qsizetype(indicator / qsizetype(sizeof(SQLWCHAR)));
        text += fromSqlW(buffer, got);
        if (rc == SQL_SUCCESS)
            break;
    }
    return true;
}

void RecordsetPrivate::describe()
{
    SQLSMALLINT count = 0;
    stmt->check(SQLNumResultCols(stmt->get(), &count), "SQLNumResultCols");
    columns.clear();
    std::vector<Field> described;
    for (SQLSMALLINT i = 1; i <= count; ++i) {
        std::vector<SQLWCHAR> name(256);
        SQLSMALLINT nameLength = 0;
        Column column;
        SQLSMALLINT nullable = 0;
        auto describeColumn = [&] {
            return stmt->check(SQLDescribeColW(stmt->get(), SQLUSMALLINT(i), name.data(),
                                               SQLSMALLINT(name.size()), &nameLength, &column.SqlType,
                                               &column.Size, &column.Digits, &nullable),
                               "SQLDescribeCol");
        };
        describeColumn();
        if (nameLength >= SQLSMALLINT(name.size())) {
            name.resize(size_t(nameLength) + 1);
            describeColumn();
        }
        columns.push_back(column);
        Field field;
        // SQLite's driver reports the name's length in UTF-8 bytes, so a name
        // with non-ASCII letters would carry the terminator: stop at it.
        const auto end =
            std::find(name.begin(), name.begin() + qMin<qsizetype>(nameLength, qsizetype(name.size()) - 1),
                      SQLWCHAR(0));
        field.Name = fromSqlW(name.data(), qsizetype(end - name.begin()));
        field.Type = adoTypeFromSql(column.SqlType);
        field.DefinedSize = qint64(column.Size);
        described.push_back(std::move(field));
    }
    if (!shaper)
        fields = std::move(described);
}

std::vector<QVariant> RecordsetPrivate::readRow()
{
    std::vector<QVariant> row;
    readRow(row);
    return row;
}

void RecordsetPrivate::readRow(std::vector<QVariant>& row)
{
    row.resize(columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
        row[i] = i < skipped.size() && skipped[i]
                     ? QVariant()
                     : readValue(*stmt, SQLUSMALLINT(i + 1), columns[i], buffer, exactNumbers);
}

void RecordsetPrivate::fetch()
{
    while (stmt) {
        if ((maxRows > 0 && delivered >= maxRows) ||
            stmt->check(SQLFetch(stmt->get()), "SQLFetch", true) == SQL_NO_DATA) {
            // Forward-only: nothing more to read, so the server side can go now.
            stmt.reset();
            break;
        }
        // One row's values, kept between rows: a catalog of many rows reads without an allocation each.
        std::vector<QVariant>& row = rowValues;
        readRow(row);
        if (!shaper) {
            for (size_t i = 0; i < fields.size(); ++i)
                fields[i].Value = std::move(row[i]);
            eof = false;
            ++delivered;
            return;
        }
        if (shaper(row, fields)) {
            eof = false;
            ++delivered;
            return;
        }
    }
    eof = true;
    for (auto& field : fields)
        field.Value = QVariant();
}

void RecordsetPrivate::finish() noexcept
{
    {
        const std::lock_guard lock(cancelLock);
        cancellable.reset();
        cancelThrough = SQL_NULL_HSTMT;
    }
    stmt.reset();
    open = false;
    eof = true;
}

void RecordsetPrivate::armCancel()
{
    const std::lock_guard lock(cancelLock);
    if (cancelled)
        throw DatabaseError(
            QCoreApplication::translate("Database", "The statement was cancelled before it started."));
    cancellable = stmt;
    cancelThrough = connection && connection->interrupter ? connection->interrupter->get() : SQL_NULL_HSTMT;
}

void RecordsetPrivate::requireOpen() const
{
    if (!open)
        throw notAllowedClosed();
}

Recordset::Recordset()
    : d(std::make_shared<RecordsetPrivate>())
{}

Recordset::~Recordset() = default;
Recordset::Recordset(const Recordset&) = default;
Recordset& Recordset::operator=(const Recordset&) = default;

void Recordset::Open(const QString& sql, const Connection& connection, qint64 maxRecords)
{
    auto conn = connection.d;
    if (d->open)
        throw DatabaseError(
            QCoreApplication::translate("Database", "Operation is not allowed when the object is open."));
    conn->guarded([&] {
        conn->requireOpen();
        if (maxRecords < 0)
            throw DatabaseError(QCoreApplication::translate(
                "Database", "The maximum number of records must not be negative."));
        RecordsetPrivate& r = *d;
        r.connection = conn;
        r.shaper = {};
        r.fields.clear();
        r.maxRows = maxRecords;
        r.delivered = 0;
        try {
            r.stmt = conn->statement();
            r.armCancel();
            if (maxRecords > 0)
                r.stmt->check(SQLSetStmtAttrW(r.stmt->get(), SQL_ATTR_MAX_ROWS,
                                              reinterpret_cast<SQLPOINTER>(SQLULEN(maxRecords)), 0),
                              "SQLSetStmtAttr(SQL_ATTR_MAX_ROWS)");
            QString text = sql;
            // A searched UPDATE or DELETE that touches no row answers SQL_NO_DATA.
            executeText(*r.stmt, text, conn->caps.Kind);
            r.describe();
            if (r.columns.empty()) {
                r.finish(); // no result set: done, and the recordset stays closed
                return;
            }
            r.open = true;
            conn->track(d);
            r.fetch();
        } catch (...) {
            r.finish();
            throw;
        }
    });
}

void Recordset::setExactNumbers(bool exact)
{
    d->exactNumbers = exact;
}

void Recordset::Cancel()
{
    std::shared_ptr<ConnectionPrivate> connection;
    std::shared_ptr<db::StmtHandle> statement;
    SQLHSTMT through = SQL_NULL_HSTMT;
    {
        const std::lock_guard lock(d->cancelLock);
        d->cancelled = true;
        if (!d->cancellable || !d->connection)
            return;
        connection = d->connection;
        statement = d->cancellable;
        through = d->cancelThrough;
    }
    // Counted before the call and uncounted after the statement's share is
    // dropped: the connection waits for both before it disconnects.
    {
        const std::lock_guard lock(connection->cancelsLock);
        ++connection->cancels;
    }
    // ODBC lets another thread cancel a statement that is executing or
    // fetching; on an idle one it closes the cursor, which ends the rows.
    if (const db::LinkCancel cancel(connection->currentLink()); cancel)
        SQLCancel(through != SQL_NULL_HSTMT ? through : statement->get());
    statement.reset();
    {
        const std::lock_guard lock(connection->cancelsLock);
        --connection->cancels;
    }
    connection->cancelsDone.notify_all();
}

bool Recordset::AtEOF() const
{
    d->requireOpen();
    return d->eof;
}

void Recordset::MoveNext()
{
    d->requireOpen();
    if (d->eof)
        throw DatabaseError(QCoreApplication::translate(
            "Database", "Either BOF or EOF is True, or the current record has been deleted."));
    if (d->connection)
        d->connection->guarded([&] { d->fetch(); });
    else
        d->fetch();
}

ObjectState Recordset::State() const
{
    return d->open ? adStateOpen : adStateClosed;
}

void Recordset::Close()
{
    d->requireOpen();
    d->finish();
}

int Recordset::FieldCount() const
{
    d->requireOpen();
    return int(d->fields.size());
}

const Field& Recordset::Fields(int ordinal) const
{
    d->requireOpen();
    if (ordinal < 0 || ordinal >= int(d->fields.size()))
        throw DatabaseError(QCoreApplication::translate(
            "Database",
            "Item cannot be found in the collection corresponding to the requested name or ordinal."));
    return d->fields[size_t(ordinal)];
}

const std::vector<Field>& Recordset::FieldList() const
{
    d->requireOpen();
    return d->fields;
}

} // namespace quarry
