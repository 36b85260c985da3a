// What every benchmark here needs: its command line, the servers' connection
// strings, small statement helpers, medians, and a sandbox that keeps the
// user's settings and data-source file out of reach.
#pragma once

#include "platform/widgets/Prompts.h"

#include <quarry/Database.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <QElapsedTimer>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

// `bench_x [sqlite|postgresql|mariadb ...] [--repeat N]`: the databases to
// run (all when none is named) and the number of runs per figure.
struct Arguments
{
    QStringList wanted;
    int repeat = 1;

    bool wants(const QString& database) const
    {
        return wanted.isEmpty() || wanted.contains(database.toLower());
    }
};
Arguments parseArguments(const QStringList& arguments, int defaultRepeat);

// The loopback servers as the scripts set them up, database `database`.
QString postgresql(const QString& database);
QString mariadb(const QString& database);

// Runs a statement, ignoring any rows. Throws quarry::DatabaseError.
void run(quarry::Connection& c, const QString& sql);
// The first column of the first row as a number; -1 without rows.
qlonglong scalar(quarry::Connection& c, const QString& sql);
// Creates the PostgreSQL database `name` unless it exists.
void ensurePostgresDatabase(const QString& name);

// Milliseconds of each of `repeat` calls of `f`, sorted.
template <class F> std::vector<double> timings(int repeat, F&& f)
{
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer timer;
        timer.start();
        f();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times;
}

template <class F> double median(int repeat, F&& f)
{
    const std::vector<double> times = timings(repeat, std::forward<F>(f));
    return times[times.size() / 2];
}

// Message boxes would wait for nobody under the offscreen platform: print
// them and answer Cancel. Letting events run stays real, as it costs time.
class PrintedPrompts : public quarry::platform::WidgetPrompts
{
public:
    quarry::platform::MsgResult MsgBox(const QString& text, quarry::platform::MsgButtons buttons,
                                       quarry::platform::MsgIcon icon, const QString& title) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

// Points HOME, the XDG folders, the settings (test mode) and the library's
// data-source folder at a temporary directory for the sandbox's lifetime.
// Construct it before the application object, which reads the environment.
// Prompts print instead of waiting while it is active.
class Sandbox
{
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // Call once the application object exists.
    void activate();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    PrintedPrompts m_prompts;
};

// A bare ODBC connection for the floor figures, its handles freed on scope
// exit; `dbc` is null when the driver refused the string.
class BareConnection
{
public:
    explicit BareConnection(const QString& odbc);
    ~BareConnection();
    BareConnection(const BareConnection&) = delete;
    BareConnection& operator=(const BareConnection&) = delete;
    SQLHDBC dbc() const { return m_connected ? m_dbc : SQL_NULL_HDBC; }

private:
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
};

inline void flush()
{
    std::fflush(stdout);
}

} // namespace bench
