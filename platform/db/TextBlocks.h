// Text columns of a statement's result read a block of rows at a time into
// bound buffers. The driver manager is then called once per block rather
// than once per value, which is most of what reading a long catalog costs.
#pragma once

#include "platform/db/Odbc.h"

#include <QStringView>

#include <memory>
#include <vector>

namespace quarry::db {

class TextBlocks
{
public:
    // `columns`: ordinals from 1; `width`: characters a value may have.
    TextBlocks(const StmtHandle& stmt, std::vector<SQLUSMALLINT> columns, SQLULEN rows = 256,
               SQLLEN width = 256);
    // Unbinds and goes back to one row at a time: the statement may read on by value.
    ~TextBlocks();
    TextBlocks(const TextBlocks&) = delete;
    TextBlocks& operator=(const TextBlocks&) = delete;

    // False where the driver takes no bound block: read value by value instead.
    bool bound() const { return m_bound; }
    // Moves to the next row; false at the end, or at a row with a value longer
    // than its buffer (then cut()), which has to be read value by value.
    bool next();
    bool cut() const { return m_cut; }
    // Rows next() has moved onto so far.
    qint64 rowsRead() const { return m_rowsRead; }
    // Value `index` (into the columns given) of the current row, valid until
    // next(); isNull() for SQL NULL.
    bool isNull(size_t index) const;
    QStringView text(size_t index) const;

private:
    const SQLWCHAR* value(size_t index) const;
    SQLLEN indicator(size_t index) const;

    const StmtHandle& m_stmt;
    std::vector<SQLUSMALLINT> m_columns;
    SQLULEN m_capacity; // rows the buffers hold
    SQLULEN m_rows;     // rows the driver fetches at a time
    SQLLEN m_width;
    std::unique_ptr<SQLWCHAR[]> m_values;   // column by column, rows of m_width
    std::unique_ptr<SQLLEN[]> m_indicators; // column by column
    std::unique_ptr<SQLUSMALLINT[]> m_status;
    SQLULEN m_fetched = 0;
    SQLULEN m_at = 0;
    qint64 m_rowsRead = 0;
    bool m_bound = false;
    bool m_cut = false;
    bool m_ended = false;
};

} // namespace quarry::db
