// Runs Dabrook's queries off the window's thread, on a connection of its own:
// the window never waits for the database, and a cancel reaches the driver
// while a statement runs. ODBC allows one statement per connection at a time,
// so the browser's connections are never touched here.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class QThread;

namespace dabrook {

struct ResultColumn
{
    QString Name;
    int Type = 0; // ADO DataTypeEnum code
};
using ResultRow = std::vector<QVariant>;

class QueryRunner : public QObject
{
    Q_OBJECT

public:
    explicit QueryRunner(QObject* parent = nullptr);
    // Cancels what runs and waits for the thread to finish it.
    ~QueryRunner() override;

    // Runs `sql` on a connection opened from `connectionString`, kept for
    // the next query on the same string and mode. A query still running is
    // cancelled first. Up to `firstRows` rows come with executed(); the
    // result stays open for fetch(). Returns the number the signals carry.
    int run(const QString& connectionString, bool readOnly, const QString& sql, qint64 maxRecords,
            int firstRows);
    // Runs `sql` again and writes every row, under its column names, to
    // `fileName` as CSV (RFC 4180, UTF-8), straight from the driver: the rows
    // never pass through the window. The file is replaced only when all is
    // written. exportProgress() counts on the way, exported() ends it.
    int exportCsv(const QString& connectionString, bool readOnly, const QString& sql, qint64 maxRecords,
                  const QString& fileName);
    // Asks for up to `rows` more rows of the current result.
    void fetch(int rows);
    // Stops the current query, from any state; its failed() says so.
    void cancel();
    // Closes the result and the connection (before the data source goes).
    void close();

signals:
    // The statement ran: its columns (none for a statement without rows) and
    // the first rows; `atEnd` when there are no more.
    void executed(int run, const std::vector<dabrook::ResultColumn>& columns,
                  const std::vector<dabrook::ResultRow>& rows, bool atEnd, qint64 elapsedMs);
    void fetched(int run, const std::vector<dabrook::ResultRow>& rows, bool atEnd);
    void exportProgress(int run, qint64 rows);
    void exported(int run, qint64 rows, qint64 elapsedMs);
    // Running or fetching failed, or was cancelled; the driver's own words.
    void failed(int run, const QString& description, bool cancelled);

private:
    class Worker;
    struct CancelState;
    void post(std::function<void(Worker&)> job);
    // Cancels what runs and numbers the next run.
    int nextRun();

    std::shared_ptr<CancelState> m_state;
    QThread* m_thread = nullptr;
    Worker* m_worker = nullptr; // lives on m_thread
    int m_run = 0;
};

} // namespace dabrook
