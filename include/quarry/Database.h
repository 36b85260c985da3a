// Database access: connections, recordsets and commands over ODBC, shaped after
// what the browser and its hosts use. Handles are shared: copying a Connection
// or Recordset copies a reference to the same underlying object.
#pragma once

#include <quarry/quarry_export.h>

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <stdexcept>
#include <vector>

namespace quarry {

// ADO ConnectModeEnum values the browser uses.
enum ConnectMode : int
{
    adModeUnknown = 0,
    adModeRead = 1,
    adModeWrite = 2,
    adModeReadWrite = 3
};
enum CursorLocation : int
{
    adUseServer = 2,
    adUseClient = 3
};
enum ObjectState : int
{
    adStateClosed = 0,
    adStateOpen = 1
};
enum SchemaEnum : int
{
    adSchemaProcedures = 16,
    adSchemaTables = 20
};
enum CommandTypeEnum : int
{
    adCmdText = 1,
    adCmdTable = 2,
    adCmdStoredProc = 4
};
enum ParameterDirection : int
{
    adParamUnknown = 0,
    adParamInput = 1,
    adParamOutput = 2,
    adParamInputOutput = 3,
    adParamReturnValue = 4
};

// One diagnostic record, as the driver (or the driver manager) reported it.
struct QUARRY_EXPORT Error
{
    QString SQLState;
    int NativeError = 0;
    QString Description;
};

// Every diagnostic record of the last failed call on a connection.
class QUARRY_EXPORT Errors
{
public:
    int Count() const { return int(m_items.size()); }
    const Error& Item(int index) const { return m_items.at(size_t(index)); }
    void Clear() { m_items.clear(); }
    void Append(Error error) { m_items.push_back(std::move(error)); }
    // All records joined, one per line: what a user is shown.
    QString Text() const;

private:
    std::vector<Error> m_items;
};

// Raised by every failing operation. `errors()` holds the driver's records;
// empty when the layer itself refused (closed object, bad argument).
class QUARRY_EXPORT DatabaseError : public std::runtime_error
{
public:
    DatabaseError(const QString& description, Errors errors = {});
    QString Description() const { return m_description; }
    const Errors& errors() const { return m_errors; }

private:
    QString m_description;
    Errors m_errors;
};

// A result column. `Type` is an ADO DataTypeEnum code.
struct QUARRY_EXPORT Field
{
    QString Name;
    int Type = 0;
    qint64 DefinedSize = 0;
    QVariant Value; // null before the first row and for SQL NULL
};

class Connection;
class ConnectionPrivate;
class RecordsetPrivate;

// Forward-only rows, or (for column discovery) only the column descriptions.
class QUARRY_EXPORT Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&);
    Recordset& operator=(const Recordset&);

    // Executes `sql` on `connection` and positions on the first row.
    // `maxRecords` 0 means all rows. A statement without a result set
    // (DDL, INSERT) runs and leaves the recordset closed.
    void Open(const QString& sql, const Connection& connection, qint64 maxRecords = 0);
    // Decimal and numeric values as the database's own text, every digit
    // kept, rather than a double where one holds them. Set before Open.
    void setExactNumbers(bool exact);
    // Stops what Open or MoveNext is running, from any thread; they then
    // throw with the driver's text. Between calls it ends the rows. Harmless
    // on a closed recordset. Works on a copy that shares this recordset.
    void Cancel();
    // True past the last row (ADO's EOF, which is a C macro name).
    bool AtEOF() const;
    void MoveNext();
    ObjectState State() const;
    void Close();

    int FieldCount() const;
    const Field& Fields(int ordinal) const;
    const std::vector<Field>& FieldList() const;

private:
    friend class Connection;
    friend class RecordsetPrivate;
    std::shared_ptr<RecordsetPrivate> d;
};

// A stored-procedure parameter.
struct QUARRY_EXPORT Parameter
{
    QString Name;
    int Type = 0;
    ParameterDirection Direction = adParamUnknown;
};

class QUARRY_EXPORT Parameters
{
public:
    // Asks the driver for the procedure's parameters (the command must have
    // an active connection, type adCmdStoredProc and a procedure name).
    void Refresh();
    int Count() const { return int(m_items.size()); }
    const Parameter& Item(int index) const { return m_items.at(size_t(index)); }

private:
    friend class Command;
    class Command* m_command = nullptr;
    std::vector<Parameter> m_items;
};

class QUARRY_EXPORT Command
{
public:
    Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    void setActiveConnection(const Connection& connection);
    const Connection& ActiveConnection() const;
    void setCommandType(CommandTypeEnum type) { m_type = type; }
    CommandTypeEnum CommandType() const { return m_type; }
    void setCommandText(const QString& text) { m_text = text; }
    QString CommandText() const { return m_text; }
    Parameters& Params() { return m_parameters; }

private:
    std::unique_ptr<Connection> m_connection;
    CommandTypeEnum m_type = adCmdText;
    QString m_text;
    Parameters m_parameters;
};

class QUARRY_EXPORT Connection
{
public:
    // A new, closed connection object.
    Connection();
    ~Connection();
    Connection(const Connection&);
    Connection& operator=(const Connection&);

    ConnectMode Mode() const;
    void setMode(ConnectMode mode);
    quarry::CursorLocation CursorLocation() const;
    void setCursorLocation(quarry::CursorLocation location);
    int ConnectionTimeout() const;
    void setConnectionTimeout(int seconds);
    // How long one call may wait for the server, in seconds; 0 (the default):
    // no limit. Past it the statement is cancelled where the driver can, and
    // a server that does not answer at all loses the connection a little
    // later, so that the call returns. Set before Open.
    int CommandTimeout() const;
    void setCommandTimeout(int seconds);
    // From any thread: cuts the link to the server, so that a call waiting
    // on it fails at once. The connection is dead afterwards (IsAlive).
    void Interrupt() noexcept;
    // Results read row by row from the server, never loaded whole: MariaDB's
    // unbuffered forward-only results (where the driver offers them). Such a
    // connection runs one statement at a time. SQLite connections always read
    // in step mode, where statements still interleave. Set before Open.
    void setStreamingResults(bool streaming);

    // `connectionString` in the OLE DB shape (Provider=…;Data Source=…) or a
    // raw ODBC string (Driver=… / DSN=…, or Provider=MSDASQL).
    void Open(const QString& connectionString, const QString& userId = {}, const QString& password = {});
    void Close();
    ObjectState State() const;
    // The provider's name as written in the connection string ("" when closed).
    QString Provider() const;
    QString ConnectionString() const;
    // The database product the driver reports (SQL_DBMS_NAME); "" when closed.
    QString DbmsName() const;
    // False once the driver has found the link to the server gone
    // (SQL_ATTR_CONNECTION_DEAD), and when closed.
    bool IsAlive() const;
    // The character the driver quotes identifiers with (SQL_IDENTIFIER_QUOTE_CHAR);
    // "" when closed or when the database has none.
    QString IdentifierQuote() const;
    // Diagnostic records of the last failed call.
    const Errors& errors() const;

    // Schema rowsets re-shaped to OLE DB ordinals: TABLES (restrictions
    // catalog, schema, name, type) and PROCEDURES. `fields`: the ordinals the
    // caller reads, when not all; the others may stay Null, and a large
    // catalog reads faster.
    Recordset OpenSchema(SchemaEnum schema, const QStringList& restrictions = {},
                         const QList<int>& fields = {});
    // Column discovery: describes the result of `sql` without executing it.
    // The recordset is open with AtEOF() true; a statement that yields no
    // columns gives a closed recordset.
    Recordset Execute(const QString& sql);

    bool operator==(const Connection& other) const { return d == other.d; }

private:
    friend class ConnectionPrivate;
    friend class Recordset;
    friend class RecordsetPrivate;
    friend class Parameters;
    std::shared_ptr<ConnectionPrivate> d;
};

} // namespace quarry
