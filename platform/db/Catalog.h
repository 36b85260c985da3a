// A long listing of a data source's tables, views or procedures, read
// straight off the catalog function: the rows OpenSchema's TABLES and
// PROCEDURES rowsets would give, without a recordset or a variant per value.
#pragma once

#include <quarry/Database.h>

#include <QDateTime>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>

namespace quarry::db {

struct CatalogEntry
{
    QString Name;
    QString Owner; // empty where the database has none, or it was not asked for
    QString Type;  // TABLES only: "TABLE", "VIEW", ...; null when the driver gave none
    QDateTime Created;
    QDateTime Modified;
};

// Lets another thread stop a catalog read while the server still works on its
// query: the driver is asked to cancel the call, and a read that has not
// reached the server yet does not start.
class QUARRY_EXPORT CatalogStop
{
public:
    // Asks the driver, which may ask the server (MariaDB's connector connects
    // anew to do so): never from the window's thread.
    void stop() noexcept;

    // For the reader, around a call that waits on the server: `cancel` cancels
    // it. Both throw once stopped, so that a stopped read ends there. disarm()
    // waits for a cancel under way, as MariaDB's would kill whatever query the
    // connection runs next; false when it did not come back in time (a server
    // that does not answer): the link is to be cut then.
    void arm(std::function<void()> cancel);
    bool disarm();

private:
    std::mutex m_lock;
    std::condition_variable m_cancelled;
    bool m_stopped = false;
    int m_cancelling = 0;
    std::function<void()> m_cancel;
};

// `restrictions` and `fields` as OpenSchema takes them (fields: the rowset's
// ordinals the caller reads; the owner is read for 1, dates for theirs).
// `each` sees every row that belongs and returns false to stop; the entry
// it gets is reused for the next row. Errors as OpenSchema's. `stop`, when
// given, may stop the catalog call under way from another thread.
QUARRY_EXPORT void ForEachCatalogEntry(Connection& connection, SchemaEnum schema,
                                       const QStringList& restrictions, const QList<int>& fields,
                                       const std::function<bool(const CatalogEntry&)>& each,
                                       CatalogStop* stop = nullptr);

} // namespace quarry::db
