#include "platform/db/TextBlocks.h"

namespace quarry::db {

TextBlocks::TextBlocks(const StmtHandle& stmt, std::vector<SQLUSMALLINT> columns, SQLULEN rows, SQLLEN width)
    : m_stmt(stmt)
    , m_columns(std::move(columns))
    , m_capacity(rows)
    , m_rows(rows)
    , m_width(width)
    , m_values(new SQLWCHAR[m_columns.size() * rows * size_t(width)])
    , m_indicators(new SQLLEN[m_columns.size() * rows])
    , m_status(new SQLUSMALLINT[rows])
{
    SQLHSTMT h = stmt.get();
    // A driver may settle on a smaller block than asked and say so.
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_BIND_TYPE, SQL_BIND_BY_COLUMN, 0)) ||
        !SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0)) ||
        !SQL_SUCCEEDED(SQLGetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, &m_rows, 0, nullptr)) || m_rows < 1 ||
        m_rows > rows || !SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &m_fetched, 0)) ||
        !SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, m_status.get(), 0)))
        return;
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (!SQL_SUCCEEDED(SQLBindCol(h, m_columns[i], SQL_C_WCHAR, m_values.get() + i * rows * size_t(width),
                                      width * SQLLEN(sizeof(SQLWCHAR)), m_indicators.get() + i * rows)))
            return;
    m_bound = true;
}

TextBlocks::~TextBlocks()
{
    SQLHSTMT h = m_stmt.get();
    SQLFreeStmt(h, SQL_UNBIND);
    SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
}

bool TextBlocks::next()
{
    if (!m_bound || m_cut || m_ended)
        return false;
    if (m_fetched == 0 || ++m_at >= m_fetched) {
        m_fetched = 0;
        m_at = 0;
        if (m_stmt.check(SQLFetch(m_stmt.get()), "SQLFetch", true) == SQL_NO_DATA || m_fetched == 0) {
            m_ended = true;
            return false;
        }
    }
    if (m_status[m_at] == SQL_ROW_ERROR)
        check(SQL_ERROR, SQL_HANDLE_STMT, m_stmt.get(), "SQLFetch");
    if (m_status[m_at] == SQL_ROW_NOROW) {
        m_ended = true;
        return false;
    }
    // Its whole length beyond the buffer, or no length told: the value was cut short.
    const SQLLEN room = (m_width - 1) * SQLLEN(sizeof(SQLWCHAR));
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const SQLLEN length = indicator(i);
        if (length == SQL_NO_TOTAL || length > room) {
            m_cut = true;
            return false;
        }
    }
    ++m_rowsRead;
    return true;
}

SQLLEN TextBlocks::indicator(size_t index) const
{
    return m_indicators[index * m_capacity + m_at];
}

const SQLWCHAR* TextBlocks::value(size_t index) const
{
    return m_values.get() + (index * m_capacity + m_at) * size_t(m_width);
}

bool TextBlocks::isNull(size_t index) const
{
    return indicator(index) == SQL_NULL_DATA;
}

QStringView TextBlocks::text(size_t index) const
{
    const SQLLEN length = indicator(index);
    if (length <= 0)
        return {};
    return QStringView(reinterpret_cast<const char16_t*>(value(index)),
                       qsizetype(length / SQLLEN(sizeof(SQLWCHAR))));
}

} // namespace quarry::db
