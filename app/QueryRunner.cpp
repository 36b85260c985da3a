#include "app/QueryRunner.h"

#include <quarry/Database.h>

#include "app/ResultsModel.h"

#include <QElapsedTimer>
#include <QSaveFile>
#include <QThread>
#include <QTimer>

#include <mutex>
#include <optional>
#include <thread>

namespace dabrook {

// What the window's thread needs to stop a statement the worker is running.
struct QueryRunner::CancelState
{
    std::mutex lock;
    quarry::Recordset active;      // shares the worker's result
    quarry::Connection connection; // shares the worker's connection, to cut it
    int cancelledRun = 0;
    int busyRun = 0;  // the run whose statement the worker is in, 0 when idle
    bool cut = false; // the connection was cut: dropped, never closed (closing waits for the server)

    // A server that answers neither the statement nor the cancel (frozen, or
    // the network gone quiet) has the link cut under the waiting statement.
    void cutIfStill(int run)
    {
        quarry::Connection stuck;
        {
            const std::lock_guard guard(lock);
            if (busyRun != run)
                return;
            cut = true;
            stuck = connection;
        }
        stuck.Interrupt();
    }
};

namespace {

// How long a cancelled statement may go on waiting for its server before its link is cut.
constexpr int kCutAfterMs = 3000;

QString describe(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const quarry::DatabaseError& e) {
        return e.Description();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QueryRunner::tr("An unknown error stopped the query.");
    }
}

} // namespace

class QueryRunner::Worker : public QObject
{
public:
    Worker(QueryRunner* runner, std::shared_ptr<CancelState> state)
        : m_runner(runner)
        , m_state(std::move(state))
    {}
    ~Worker() override { close(); }

    void execute(int run, const QString& connectionString, bool readOnly, const QString& sql,
                 qint64 maxRecords, int firstRows)
    {
        const Busy busy(*m_state, run);
        QElapsedTimer timer;
        timer.start();
        try {
            quarry::Recordset rs = open(run, connectionString, readOnly, sql, maxRecords);
            std::vector<ResultColumn> columns;
            if (rs.State() == quarry::adStateOpen) {
                for (const quarry::Field& field : rs.FieldList())
                    columns.push_back({field.Name, field.Type});
                m_result = rs;
            }
            std::exception_ptr error;
            std::vector<ResultRow> rows = read(firstRows, error);
            const bool atEnd = !m_result.has_value();
            const qint64 elapsed = timer.elapsed();
            reply([=, rows = std::move(rows)](QueryRunner& r) {
                emit r.executed(run, columns, rows, atEnd, elapsed);
            });
            if (error)
                fail(run, error);
        } catch (...) {
            fail(run, std::current_exception());
        }
    }

    void exportCsv(int run, const QString& connectionString, bool readOnly, const QString& sql,
                   qint64 maxRecords, const QString& fileName)
    {
        const Busy busy(*m_state, run);
        QElapsedTimer timer;
        timer.start();
        QSaveFile file(fileName);
        try {
            quarry::Recordset rs = open(run, connectionString, readOnly, sql, maxRecords);
            if (rs.State() != quarry::adStateOpen)
                throw quarry::DatabaseError(QueryRunner::tr("The statement returns no rows to export."));
            if (!file.open(QIODevice::WriteOnly))
                throw quarry::DatabaseError(file.errorString());
            const std::vector<quarry::Field>& fields = rs.FieldList();
            QStringList line;
            for (const quarry::Field& field : fields)
                line << csvField(field.Name);
            writeLine(file, line);
            qint64 rows = 0;
            for (; !rs.AtEOF(); rs.MoveNext()) {
                line.clear();
                for (const quarry::Field& field : fields)
                    line << (field.Value.isNull()
                                 ? QString()
                                 : csvField(ResultsModel::displayText(field.Value, field.Type)));
                writeLine(file, line);
                if (++rows % 5000 == 0)
                    reply([=](QueryRunner& r) { emit r.exportProgress(run, rows); });
            }
            if (!file.commit())
                throw quarry::DatabaseError(file.errorString());
            const qint64 elapsed = timer.elapsed();
            reply([=](QueryRunner& r) { emit r.exported(run, rows, elapsed); });
        } catch (...) {
            file.cancelWriting(); // the file as it was, or none
            fail(run, std::current_exception());
        }
        closeResult();
    }

    void fetch(int run, int count)
    {
        if (run != m_run || !m_result)
            return;
        const Busy busy(*m_state, run);
        std::exception_ptr error;
        std::vector<ResultRow> rows = read(count, error);
        const bool atEnd = !m_result.has_value();
        reply([=, rows = std::move(rows)](QueryRunner& r) { emit r.fetched(run, rows, atEnd); });
        if (error)
            fail(run, error);
    }

    void close() noexcept
    {
        closeResult();
        bool cut = false;
        {
            const std::lock_guard lock(m_state->lock);
            std::swap(cut, m_state->cut);
            m_state->connection = quarry::Connection();
        }
        try {
            // A cut connection is only let go: the last share, maybe a cancel
            // still waiting for the server, closes it.
            if (!cut && m_connection.State() == quarry::adStateOpen)
                m_connection.Close();
        } catch (...) {
            // A connection whose server is gone has nothing left to release.
        }
        m_connection = quarry::Connection();
        m_connectionString.clear();
    }

private:
    // Marks the worker busy with a run's statement for as long as it lives.
    class Busy
    {
    public:
        Busy(CancelState& state, int run)
            : m_state(state)
        {
            const std::lock_guard lock(m_state.lock);
            m_state.busyRun = run;
        }
        ~Busy()
        {
            const std::lock_guard lock(m_state.lock);
            m_state.busyRun = 0;
        }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        CancelState& m_state;
    };

    // Runs `sql` for run `run` on the connection for that string and mode,
    // the previous result closed first; the window's thread can cancel it
    // from before it starts.
    quarry::Recordset open(int run, const QString& connectionString, bool readOnly, const QString& sql,
                           qint64 maxRecords)
    {
        m_run = run;
        closeResult();
        openConnection(connectionString, readOnly);
        quarry::Recordset rs;
        rs.setExactNumbers(true);
        {
            const std::lock_guard lock(m_state->lock);
            if (m_state->cancelledRun == run)
                rs.Cancel();
            m_state->active = rs;
        }
        rs.Open(sql, m_connection, maxRecords);
        return rs;
    }

    // RFC 4180: quoted when it holds a separator, a quote or a line break.
    static QString csvField(QString text)
    {
        if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
            return text;
        return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
    }

    static void writeLine(QSaveFile& file, const QStringList& fields)
    {
        const QByteArray line = fields.join(u',').toUtf8() + "\r\n";
        if (file.write(line) != line.size())
            throw quarry::DatabaseError(file.errorString());
    }

    void openConnection(const QString& connectionString, bool readOnly)
    {
        bool cut = false;
        {
            const std::lock_guard lock(m_state->lock);
            cut = m_state->cut;
        }
        if (!cut && m_connection.State() == quarry::adStateOpen && connectionString == m_connectionString &&
            readOnly == m_readOnly)
            return;
        close();
        m_connection.setMode(readOnly ? quarry::adModeRead : quarry::adModeReadWrite);
        m_connection.setStreamingResults(true);
        m_connection.Open(connectionString);
        m_connectionString = connectionString;
        m_readOnly = readOnly;
        const std::lock_guard lock(m_state->lock);
        m_state->connection = m_connection;
    }

    // Up to `count` rows; the result closes at its end, so that the
    // connection is free for the next statement. A failure half-way keeps
    // the rows read before it and ends the result.
    std::vector<ResultRow> read(int count, std::exception_ptr& error)
    {
        std::vector<ResultRow> rows;
        if (!m_result)
            return rows;
        try {
            quarry::Recordset& rs = *m_result;
            const int fields = rs.FieldCount();
            while (int(rows.size()) < count && !rs.AtEOF()) {
                ResultRow row;
                row.reserve(size_t(fields));
                for (int i = 0; i < fields; ++i)
                    row.push_back(rs.Fields(i).Value);
                rows.push_back(std::move(row));
                rs.MoveNext();
            }
            if (rs.AtEOF())
                closeResult();
        } catch (...) {
            error = std::current_exception();
            closeResult();
        }
        return rows;
    }

    void closeResult() noexcept
    {
        {
            const std::lock_guard lock(m_state->lock);
            m_state->active = quarry::Recordset();
        }
        try {
            if (m_result && m_result->State() == quarry::adStateOpen)
                m_result->Close();
        } catch (...) {
        }
        m_result.reset();
    }

    void fail(int run, const std::exception_ptr& error)
    {
        const QString description = describe(error);
        closeResult();
        bool cancelled = false;
        {
            const std::lock_guard lock(m_state->lock);
            cancelled = m_state->cancelledRun == run;
        }
        reply([=](QueryRunner& r) { emit r.failed(run, description, cancelled); });
    }

    template <class F> void reply(F&& f)
    {
        QueryRunner* runner = m_runner;
        QMetaObject::invokeMethod(
            runner, [runner, f = std::forward<F>(f)] { f(*runner); }, Qt::QueuedConnection);
    }

    QueryRunner* m_runner;
    std::shared_ptr<CancelState> m_state;
    quarry::Connection m_connection;
    QString m_connectionString;
    bool m_readOnly = true;
    std::optional<quarry::Recordset> m_result;
    int m_run = 0;
};

QueryRunner::QueryRunner(QObject* parent)
    : QObject(parent)
    , m_thread(new QThread(this))
{
    m_state = std::make_shared<CancelState>();
    m_worker = new Worker(this, m_state);
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->setObjectName(QStringLiteral("Dabrook query"));
    m_thread->start();
}

QueryRunner::~QueryRunner()
{
    // The worker closes its connection as it is deleted, on its own thread.
    cancel();
    m_thread->quit();
    if (!m_thread->wait(kCutAfterMs)) {
        m_state->cutIfStill(m_run);
        m_thread->wait();
    }
}

void QueryRunner::post(std::function<void(Worker&)> job)
{
    Worker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, job = std::move(job)] { job(*worker); }, Qt::QueuedConnection);
}

int QueryRunner::nextRun()
{
    cancel();
    return ++m_run;
}

int QueryRunner::run(const QString& connectionString, bool readOnly, const QString& sql, qint64 maxRecords,
                     int firstRows)
{
    const int run = nextRun();
    post(
        [=](Worker& worker) { worker.execute(run, connectionString, readOnly, sql, maxRecords, firstRows); });
    return run;
}

int QueryRunner::exportCsv(const QString& connectionString, bool readOnly, const QString& sql,
                           qint64 maxRecords, const QString& fileName)
{
    const int run = nextRun();
    post([=](Worker& worker) {
        worker.exportCsv(run, connectionString, readOnly, sql, maxRecords, fileName);
    });
    return run;
}

void QueryRunner::fetch(int rows)
{
    const int run = m_run;
    post([=](Worker& worker) { worker.fetch(run, rows); });
}

void QueryRunner::cancel()
{
    quarry::Recordset active;
    {
        const std::lock_guard lock(m_state->lock);
        m_state->cancelledRun = m_run;
        active = m_state->active;
        // Neither running nor holding rows: the worker cancels it as it opens.
        if (m_state->busyRun != m_run && active.State() == quarry::adStateClosed)
            return;
    }
    // The driver's cancel asks the server, which may never answer: never on
    // this thread, and the statement's link is cut if it still waits later.
    std::thread([active]() mutable { active.Cancel(); }).detach();
    QTimer::singleShot(kCutAfterMs, this, [state = m_state, run = m_run] { state->cutIfStill(run); });
}

void QueryRunner::close()
{
    cancel();
    post([](Worker& worker) { worker.close(); });
}

} // namespace dabrook
