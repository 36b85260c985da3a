#include "objects/ObjectLister.h"

#include "objects/ListedObject.h"
#include "platform/db/Catalog.h"

using quarry::platform::ListItem;

namespace quarry::objects {

namespace {

// Ordinals of the TABLES and PROCEDURES rowsets.
enum : int
{
    TableSchema = 1,
    TableName = 2,
    TableCreated = 7,
    TableModified = 8,
    ProcedureName = 2,
    ProcedureCreated = 6
};

struct Kind
{
    int largeIcon;
    int smallIcon;
};
constexpr Kind kTable{1, 5};
constexpr Kind kView{2, 6};
constexpr Kind kProcedure{3, 7};

// The first batch fills a screen in any view; later ones are larger, as
// each costs the window a wake-up.
constexpr size_t kFirstBatch = 512;
constexpr size_t kBatch = 8192;

ListItem item(const QString& name, Kind kind, const QString& owner, const QDateTime& date,
              QStringList* ownerOnly = nullptr)
{
    return ListedObject(name, kind.largeIcon, kind.smallIcon, owner, date, ownerOnly);
}

} // namespace

ObjectLister::ObjectLister(QObject* context, std::function<void(int run)> arrived)
    : m_context(context)
    , m_arrived(std::move(arrived))
    , m_thread([this] { loop(); })
{}

ObjectLister::~ObjectLister()
{
    waitIdle(std::nullopt, true);
    {
        const std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

int ObjectLister::start(ListingRequest request)
{
    std::unique_lock lock(m_lock);
    const int run = ++m_runs;
    m_current = run;
    m_out = {};
    m_notified = false;
    m_pending = Job{run, std::move(request), std::make_shared<quarry::db::CatalogStop>()};
    m_wake.notify_all();
    // The server would otherwise go on with a catalog no one waits for, and the new listing after it.
    stopRunning(lock);
    return run;
}

void ObjectLister::stopRunning(std::unique_lock<std::mutex>& lock)
{
    if (!m_busy || !m_busyStop)
        return;
    std::shared_ptr<quarry::db::CatalogStop> stop = m_busyStop;
    lock.unlock();
    std::thread([stop] { stop->stop(); }).detach();
    lock.lock();
}

ListingBatch ObjectLister::waitBatch(int run, std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(m_lock);
    if (!m_changed.wait_until(lock, deadline,
                              [&] { return m_current != run || m_out.done || !m_out.items.empty(); }) ||
        m_current != run)
        return {};
    return std::exchange(m_out, {});
}

ListingBatch ObjectLister::take(int run)
{
    const std::lock_guard lock(m_lock);
    if (m_current != run)
        return {};
    m_notified = false;
    return std::exchange(m_out, {});
}

void ObjectLister::cancel(bool askServer)
{
    std::unique_lock lock(m_lock);
    m_current = 0;
    m_pending.reset();
    m_out = {};
    m_changed.notify_all();
    if (askServer)
        stopRunning(lock);
}

bool ObjectLister::busy()
{
    const std::lock_guard lock(m_lock);
    return m_busy || m_pending;
}

void ObjectLister::waitIdle(const std::optional<quarry::Connection>& connection, bool cut)
{
    std::unique_lock lock(m_lock);
    const auto busyUses = [&] { return m_busy && (!connection || *m_busy == *connection); };
    const bool pendingUses = m_pending && (!connection || m_pending->request.connection == *connection);
    if (!busyUses() && !pendingUses)
        return;
    if ((pendingUses && m_pending->run == m_current) || (busyUses() && m_busyRun == m_current)) {
        m_current = 0;
        m_out = {};
    }
    if (pendingUses)
        m_pending.reset();
    if (cut && busyUses()) {
        quarry::Connection busy = *m_busy;
        lock.unlock();
        busy.Interrupt();
        lock.lock();
        // Refused once the link is cut; asks the driver where there is none (a file).
        if (busyUses())
            stopRunning(lock);
    }
    m_changed.wait(lock, [&] { return !busyUses(); });
}

void ObjectLister::loop()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stopping || m_pending; });
        if (m_stopping)
            return;
        const Job job = std::move(*m_pending);
        m_pending.reset();
        if (job.run != m_current)
            continue;
        m_busy = job.request.connection;
        m_busyRun = job.run;
        m_busyStop = job.stop;
        lock.unlock();
        try {
            list(job);
        } catch (...) {
            // Out of memory handing rows over: the window hears of it as a failed listing.
            try {
                ListingBatch failed;
                failed.error = std::current_exception();
                std::vector<ListItem> none;
                deliver(job.run, none, failed);
            } catch (...) {
            }
        }
        lock.lock();
        m_busy.reset();
        m_busyStop.reset();
        m_changed.notify_all();
    }
}

bool ObjectLister::deliver(int run, std::vector<ListItem>& items, const std::optional<ListingBatch>& end)
{
    const std::lock_guard lock(m_lock);
    if (m_current != run)
        return false;
    if (m_out.items.empty())
        m_out.items.swap(items);
    else
        std::move(items.begin(), items.end(), std::back_inserter(m_out.items));
    items.clear();
    if (end) {
        m_out.done = true;
        m_out.error = end->error;
        m_out.driverError = end->driverError;
        m_out.quiet = end->quiet;
    }
    m_changed.notify_all();
    if (!m_notified && m_context) {
        m_notified = true;
        QMetaObject::invokeMethod(
            m_context, [arrived = m_arrived, run] { arrived(run); }, Qt::QueuedConnection);
    }
    return true;
}

void ObjectLister::list(const Job& job)
{
    const int run = job.run;
    quarry::Connection connection = job.request.connection;
    quarry::db::CatalogStop* const stop = job.stop.get();
    std::vector<ListItem> items;
    items.reserve(kFirstBatch);
    size_t batch = kFirstBatch;
    // Hands on a full batch; false when the listing is no longer wanted.
    const auto add = [&](ListItem entry) {
        items.push_back(std::move(entry));
        if (items.size() < batch)
            return true;
        batch = kBatch;
        const bool wanted = deliver(run, items);
        items.reserve(kBatch);
        return wanted;
    };
    ListingBatch end;
    bool stopped = false;
    try {
        using quarry::db::CatalogEntry;
        const bool showOwner = !connection.Provider().contains(QLatin1String("MySql"));
        const auto owner = [showOwner](const CatalogEntry& e) { return showOwner ? e.Owner : QString(); };
        QStringList ownerOnly;
        const QString& category = job.request.category;
        if (category == QLatin1String("Tables") && job.request.queryTables) {
            // The type is read where the driver may not have kept to the one asked for.
            const QList<int> read{TableSchema, TableName, TableCreated};
            bool any = false;
            const auto table = [&](const CatalogEntry& e) {
                any = true;
                if (e.Type.isNull() || e.Type == QLatin1String("VIEW"))
                    return true;
                stopped = !add(item(e.Name, kTable, owner(e), e.Created, &ownerOnly));
                return !stopped;
            };
            quarry::db::ForEachCatalogEntry(connection, quarry::adSchemaTables, {{}, {}, {}, "TABLE"}, read,
                                            table, stop);
            // Some providers type nothing "TABLE": then everything that is no view counts.
            if (!any)
                quarry::db::ForEachCatalogEntry(connection, quarry::adSchemaTables, {}, read, table, stop);
        }
        if (category == QLatin1String("Views")) {
            end.quiet = true; // views, and a refused procedure request, fail without a word
            quarry::db::ForEachCatalogEntry(
                connection, quarry::adSchemaTables, {{}, {}, {}, "VIEW"},
                {TableSchema, TableName, TableCreated, TableModified},
                [&](const CatalogEntry& e) {
                    const QDateTime& date = e.Modified.isValid() ? e.Modified : e.Created;
                    stopped = !add(item(e.Name, kView, owner(e), date, &ownerOnly));
                    return !stopped;
                },
                stop);
        }
        if (category == QLatin1String("Stored Procedures")) {
            end.quiet = true;
            quarry::db::ForEachCatalogEntry(
                connection, quarry::adSchemaProcedures, {}, {ProcedureName, ProcedureCreated},
                [&](const CatalogEntry& e) {
                    // A refused request was quiet; a failure while reading is not.
                    end.quiet = false;
                    QString name = e.Name;
                    if (name.endsWith(QLatin1String(";1")))
                        name.chop(2);
                    if (name.startsWith(QLatin1String("dt_")))
                        return true;
                    stopped = !add(item(name, kProcedure, {}, e.Created));
                    return !stopped;
                },
                stop);
        }
    } catch (...) {
        // What was read before the failure stays listed.
        end.error = std::current_exception();
        if (connection.errors().Count() > 0)
            end.driverError = connection.errors().Item(0).Description;
    }
    if (!stopped)
        deliver(run, items, end);
}

} // namespace quarry::objects
