#include "platform/db/LinkWatch.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <dirent.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quarry::db {

namespace {

// The socket behind `fd` now, 0 when it is not one.
unsigned long socketInode(int fd)
{
    char path[32];
    char target[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    const ssize_t length = ::readlink(path, target, sizeof target - 1);
    if (length <= 0)
        return 0;
    target[length] = '\0';
    unsigned long inode = 0;
    return std::sscanf(target, "socket:[%lu]", &inode) == 1 ? inode : 0;
}

std::vector<SocketId> openSockets()
{
    std::vector<SocketId> sockets;
    DIR* folder = ::opendir("/proc/self/fd");
    if (!folder)
        return sockets;
    const int own = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end || fd == own)
            continue;
        if (const unsigned long inode = socketInode(int(fd)))
            sockets.push_back({int(fd), inode});
    }
    ::closedir(folder);
    return sockets;
}

std::atomic<int> connectsInFlight{0};
std::atomic<unsigned> connectEpoch{0};

// One thread for the process, awake only while watched links exist.
class Watch
{
public:
    static Watch& instance()
    {
        static Watch watch;
        return watch;
    }

    void add(const std::shared_ptr<Link>& link)
    {
        {
            const std::lock_guard lock(m_lock);
            m_links.push_back(link);
            if (!m_thread.joinable())
                m_thread = std::thread([this] { loop(); });
        }
        m_wake.notify_one();
    }

    ~Watch()
    {
        {
            const std::lock_guard lock(m_lock);
            m_stop = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void loop()
    {
        std::unique_lock lock(m_lock);
        while (!m_stop) {
            std::erase_if(m_links, [](const auto& weak) { return weak.expired(); });
            if (m_links.empty()) {
                m_wake.wait(lock);
                continue;
            }
            const std::int64_t now = Link::now();
            std::vector<std::shared_ptr<Link>> overdue;
            for (const auto& weak : m_links)
                if (auto link = weak.lock(); link && link->overdue(now))
                    overdue.push_back(std::move(link));
            // A cut may wait for a cancel; connects meanwhile register freely.
            lock.unlock();
            for (const auto& link : overdue)
                link->cut(true);
            overdue.clear();
            lock.lock();
            m_wake.wait_for(lock, std::chrono::milliseconds(250));
        }
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<std::weak_ptr<Link>> m_links;
    std::thread m_thread;
    bool m_stop = false;
};

} // namespace

SocketsOpened::SocketsOpened()
    : m_alone(connectsInFlight.fetch_add(1) == 0)
{
    m_epoch = connectEpoch.fetch_add(1) + 1;
    m_before = openSockets();
}

SocketsOpened::~SocketsOpened()
{
    if (!m_finished)
        finish();
}

std::vector<SocketId> SocketsOpened::finish()
{
    m_finished = true;
    std::vector<SocketId> after = openSockets();
    // Another connect that began, ended or ran during this one may own any of the new sockets.
    const bool alone = connectEpoch.fetch_add(1) == m_epoch && m_alone;
    connectsInFlight.fetch_sub(1);
    if (!alone)
        return {};
    std::erase_if(after, [this](const SocketId& socket) {
        return std::any_of(m_before.begin(), m_before.end(),
                           [&](const SocketId& old) { return old.inode == socket.inode; });
    });
    return after;
}

Link::Link(std::vector<SocketId> sockets, std::chrono::milliseconds limit)
    : m_sockets(std::move(sockets))
    , m_limit(limit)
{}

std::int64_t Link::now()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool Link::arm()
{
    if (m_limit.count() <= 0 || m_deadline.load(std::memory_order_relaxed) != 0)
        return false;
    m_deadline.store(now() + m_limit.count(), std::memory_order_relaxed);
    return true;
}

bool Link::overdue(std::int64_t now) const
{
    const std::int64_t deadline = m_deadline.load(std::memory_order_relaxed);
    return deadline != 0 && now >= deadline;
}

bool Link::beginCancel()
{
    const std::lock_guard lock(m_cancelLock);
    if (isCut())
        return false;
    ++m_cancelling;
    return true;
}

void Link::endCancel()
{
    {
        const std::lock_guard lock(m_cancelLock);
        --m_cancelling;
    }
    m_cancelDone.notify_all();
}

void Link::cut(bool overran) noexcept
{
    {
        std::unique_lock lock(m_cancelLock);
        m_cut.store(overran ? Overran : Interrupted);
        // The entry takes microseconds; a cancel still out after this waits
        // on the server, long past it.
        constexpr std::chrono::seconds kCancelEntry{1};
        m_cancelDone.wait_for(lock, kCancelEntry, [this] { return m_cancelling == 0 || m_cancelsSettled; });
        m_cancelsSettled = true;
    }
    m_cancelDone.notify_all();
    for (const SocketId& socket : m_sockets)
        // The number may belong to another socket by now; only ours is shut.
        if (socketInode(socket.fd) == socket.inode)
            ::shutdown(socket.fd, SHUT_RDWR);
}

void Link::watch(const std::shared_ptr<Link>& link)
{
    if (link && !link->m_sockets.empty() && link->m_limit.count() > 0)
        Watch::instance().add(link);
}

} // namespace quarry::db
