// Shared state behind Connection and Recordset handles.
#pragma once

#include <quarry/Database.h>

#include "platform/db/ConnectionString.h"
#include "platform/db/LinkWatch.h"
#include "platform/db/Odbc.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace quarry {

// What the driver told us at connect time.
struct DriverCapabilities
{
    db::DbmsKind Kind = db::DbmsKind::Other;
    QString DbmsName;
    QString DbmsVersion;
    QString DriverName;
    QString SearchPatternEscape;
    QString IdentifierQuote;
};

class ConnectionPrivate
{
public:
    ~ConnectionPrivate() { close(); }
    static ConnectionPrivate& of(const Connection& connection) { return *connection.d; }

    ConnectMode mode = adModeUnknown;
    quarry::CursorLocation cursorLocation = adUseServer;
    int timeout = 15;
    int commandTimeout = 0;
    bool streaming = false;
    QString connectionString;
    QString provider;
    Errors errors;
    DriverCapabilities caps;
    std::shared_ptr<db::EnvHandle> env;
    // Set while open; shared with a catalog call's stop, which may outlast the close.
    std::shared_ptr<db::DbcHandle> dbc;
    bool driverLogOff = false; // we switched psqlODBC's communication log off
    std::vector<std::weak_ptr<RecordsetPrivate>> recordsets;
    // SQLite's driver frees a statement's rows in SQLCancel, under the
    // thread still reading them; cancelling this idle statement instead
    // interrupts every statement of the connection and frees nothing in use.
    std::shared_ptr<db::StmtHandle> interrupter;
    // Set while open; guarded because another thread may cut it.
    std::shared_ptr<db::Link> link;
    mutable std::mutex linkLock;
    // Cancels under way on other threads; the connection is not freed under them.
    std::mutex cancelsLock;
    std::condition_variable cancelsDone;
    int cancels = 0;

    bool isOpen() const { return dbc != nullptr; }
    void requireOpen() const;
    // Finishes every live recordset before disconnecting: SQLDisconnect frees
    // their statements implicitly, and a later SQLFreeHandle would be a double free.
    void close() noexcept;
    void track(const std::shared_ptr<RecordsetPrivate>& recordset);
    QString currentCatalog() const;
    // A statement on the open connection, limited to the command timeout.
    std::unique_ptr<db::StmtHandle> statement() const;
    std::shared_ptr<db::Link> currentLink() const;
    // A statement run for its side effect (settings, read-only switches).
    void run(const QString& sql);
    // Every row of a small query whose `?` markers take `parameters` as text.
    std::vector<std::vector<QVariant>> select(const QString& sql, const QStringList& parameters = {});

    // Runs `f`, leaving the driver's records of a failure in `errors` (and
    // nothing for a failure the layer raised itself).
    // A call that overruns the command timeout is cut off (see LinkWatch).
    template <class F> auto guarded(F&& f) -> decltype(f())
    {
        errors.Clear();
        const db::LinkCall call(link);
        try {
            return f();
        } catch (const DatabaseError& e) {
            if (link && link->isCut())
                throwCut(e);
            errors = e.errors();
            throw;
        }
    }
    [[noreturn]] void throwCut(const DatabaseError& e);
};

// Rows of a statement, optionally re-shaped (schema rowsets). Without a
// statement the recordset only describes columns.
class RecordsetPrivate
{
public:
    struct Column
    {
        SQLSMALLINT SqlType = 0;
        SQLULEN Size = 0;
        SQLSMALLINT Digits = 0;
    };
    // Maps one statement row onto `fields` values; false skips the row.
    using Shaper = std::function<bool(const std::vector<QVariant>& row, std::vector<Field>& fields)>;

    std::shared_ptr<ConnectionPrivate> connection;
    std::shared_ptr<db::StmtHandle> stmt;
    std::vector<Column> columns; // of the statement
    std::vector<Field> fields;   // as the caller sees them
    Shaper shaper;
    std::vector<bool> skipped; // statement columns never read (left Null), by index
    // Not every driver honours SQL_ATTR_MAX_ROWS (psqlODBC with declare/fetch
    // does not), so the limit is kept here as well. 0: no limit.
    qint64 maxRows = 0;
    qint64 delivered = 0;
    std::unique_ptr<SQLWCHAR[]> buffer; // for reading values in pieces
    bool open = false;
    bool eof = true;
    bool exactNumbers = false;
    // The statement another thread may cancel, set while it runs. A cancel
    // holds its own share, so that the statement is never freed under it and
    // nothing here waits for a cancel that waits for a server.
    std::mutex cancelLock;
    std::shared_ptr<db::StmtHandle> cancellable;
    SQLHSTMT cancelThrough = SQL_NULL_HSTMT; // the connection's interrupter, if it has one
    bool cancelled = false;

    // Reads the statement's column descriptions into `columns` (and `fields`
    // when there is no shaper).
    void describe();
    // Advances to the next (accepted) row; frees the statement at the end.
    void fetch();
    void finish() noexcept;
    // Makes `stmt` cancellable, or throws when Cancel came first.
    void armCancel();
    void requireOpen() const;
    std::vector<QVariant> readRow();
    void readRow(std::vector<QVariant>& row);
    std::vector<QVariant> rowValues;
};

namespace db {
// A text column of the current row, in pieces through `storage` (kept
// between calls); false for NULL.
bool readText(const StmtHandle& stmt, SQLUSMALLINT column, std::unique_ptr<SQLWCHAR[]>& storage,
              QString& text);

// Layer-raised errors: no driver records.
DatabaseError notAllowedClosed();

// Runs `text` on `stmt`. MariaDB's connector formats the server's message
// for a directly executed statement as a printf format, so a name with "%n"
// in it ends the process; prepared, then executed, the same statement
// reports its error as text. SQLite's goes through prepareText.
SQLRETURN executeText(const StmtHandle& stmt, QString& text, DbmsKind kind);
// SQLite's driver turns UTF-16 surrogate pairs into bytes its tokenizer
// rejects; its narrow entry point takes UTF-8 as it stands, so characters
// beyond the Basic Multilingual Plane reach the database whole.
void prepareText(const StmtHandle& stmt, QString& text, DbmsKind kind);
} // namespace db

} // namespace quarry
