// Reads one category of a data source's objects on a thread of its own, so
// that the window answers while a large catalog loads. Rows reach the window
// in batches; a newer listing makes an older one stop at its next batch.
// Listings run one after another, so a connection is never used by two at once.
#pragma once

#include "platform/db/Catalog.h"
#include "platform/widgets/ObjectListModel.h"

#include <quarry/Database.h>

#include <QObject>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quarry::objects {

struct ListingRequest
{
    quarry::Connection connection;
    QString category; // "Tables", "Views" or "Stored Procedures"
    bool queryTables = true;
};

// What a listing has brought since the window last took from it.
struct ListingBatch
{
    std::vector<quarry::platform::ListItem> items;
    bool done = false;
    // With `done`, when the listing failed: what to report, if anything.
    std::exception_ptr error;
    QString driverError; // the driver's first record, where it gave one
    bool quiet = false;
};

class ObjectLister
{
public:
    // `arrived(run)` is called on `context`'s thread when a listing has rows
    // or has ended, once until the next take().
    ObjectLister(QObject* context, std::function<void(int run)> arrived);
    // Cancels; a listing still waiting on a server loses its link.
    ~ObjectLister();
    ObjectLister(const ObjectLister&) = delete;
    ObjectLister& operator=(const ObjectLister&) = delete;

    // Starts a listing, cancelling any other; returns its number.
    int start(ListingRequest request);
    // What listing `run` has brought since last taken, waiting until it has
    // brought something or `deadline` has passed (then nothing).
    ListingBatch waitBatch(int run, std::chrono::steady_clock::time_point deadline);
    ListingBatch take(int run);
    // `askServer`: false when waitIdle cuts next, which asks only where there is
    // no link to cut: a cancel waiting on the server would hold the cut up.
    void cancel(bool askServer = true);
    // Whether a listing, wanted or not, still uses its connection.
    bool busy();
    // Waits until no listing uses `connection` (any, when none is given);
    // `cut`: one waiting on a server loses its link rather than be waited for.
    void waitIdle(const std::optional<quarry::Connection>& connection = std::nullopt, bool cut = false);

private:
    struct Job
    {
        int run;
        ListingRequest request;
        std::shared_ptr<quarry::db::CatalogStop> stop;
    };
    // Stops the catalog call of the listing running, if any, off this thread.
    void stopRunning(std::unique_lock<std::mutex>& lock);
    void loop();
    void list(const Job& job);
    // Hands `items` (and the end) to the window; false once the run is cancelled.
    bool deliver(int run, std::vector<quarry::platform::ListItem>& items,
                 const std::optional<ListingBatch>& end = std::nullopt);

    QPointer<QObject> m_context;
    std::function<void(int)> m_arrived;
    std::mutex m_lock;
    std::condition_variable m_wake;    // the worker: a job or the end
    std::condition_variable m_changed; // the window: rows, an end, idle
    std::optional<Job> m_pending;
    std::optional<quarry::Connection> m_busy; // the connection of the job running
    int m_busyRun = 0;
    std::shared_ptr<quarry::db::CatalogStop> m_busyStop;
    ListingBatch m_out;
    bool m_notified = false;
    bool m_stopping = false;
    int m_runs = 0;
    std::atomic<int> m_current{0};
    std::thread m_thread;
};

} // namespace quarry::objects
