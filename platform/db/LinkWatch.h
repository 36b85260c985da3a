// A bound on how long a call may wait for a server. A driver blocked in a
// read from a server that stopped answering after login never returns on its
// own: no driver option reaches a peer whose network stack still acknowledges
// while the server itself is frozen. The watch shuts the connection's sockets
// down once a call overruns, so the blocked read fails and the driver reports
// the link lost.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quarry::db {

// A socket of this process, told apart from a later one on the same number.
struct SocketId
{
    int fd = -1;
    unsigned long inode = 0;
};

// The sockets a connect opens, found by comparing the process's sockets
// before and after it. When another connect overlaps, the difference cannot
// be attributed and nothing is claimed: such a link is never cut.
class SocketsOpened
{
public:
    SocketsOpened();
    ~SocketsOpened();
    SocketsOpened(const SocketsOpened&) = delete;
    SocketsOpened& operator=(const SocketsOpened&) = delete;
    std::vector<SocketId> finish();

private:
    std::vector<SocketId> m_before;
    unsigned m_epoch = 0;
    bool m_alone = false;
    bool m_finished = false;
};

// One connection's link. Thread-safe: the connection's thread arms it around
// its calls, any thread may cut it.
class Link
{
public:
    Link(std::vector<SocketId> sockets, std::chrono::milliseconds limit);

    // Starts the clock for a call unless an outer call already did; true when
    // this call owns the clock and must disarm it.
    bool arm();
    void disarm() { m_deadline.store(0, std::memory_order_relaxed); }
    bool overdue(std::int64_t now) const;
    // Shuts the sockets down; a call blocked on them fails at once. `overran`
    // when the watch does it, not a user.
    void cut(bool overran = false) noexcept;
    bool isCut() const { return m_cut.load() != Intact; }
    bool overran() const { return m_cut.load() == Overran; }
    std::chrono::milliseconds limit() const { return m_limit; }

    // psqlODBC reads the connection unguarded on entering SQLCancel and, finding
    // it lost, rewrites the error of the statement whose thread is still
    // reporting it. So no cancel starts once the link is cut (false), and a cut
    // lets those under way get past their entry before the sockets go.
    bool beginCancel();
    void endCancel();

    // Registers `link` with the process's watch, which cuts it when a call
    // overruns. Links without sockets or without a limit are not watched.
    static void watch(const std::shared_ptr<Link>& link);
    static std::int64_t now();

private:
    const std::vector<SocketId> m_sockets;
    const std::chrono::milliseconds m_limit;
    std::atomic<std::int64_t> m_deadline{0};
    enum State
    {
        Intact,
        Interrupted,
        Overran
    };
    std::atomic<int> m_cut{Intact};
    std::mutex m_cancelLock;
    std::condition_variable m_cancelDone;
    int m_cancelling = 0;
    bool m_cancelsSettled = false; // a cut has waited for them already
};

// A cancel through `link` (none: nothing to wait for), if it may start.
class LinkCancel
{
public:
    explicit LinkCancel(std::shared_ptr<Link> link)
        : m_link(std::move(link))
        , m_allowed(!m_link || m_link->beginCancel())
    {}
    ~LinkCancel()
    {
        if (m_link && m_allowed)
            m_link->endCancel();
    }
    LinkCancel(const LinkCancel&) = delete;
    LinkCancel& operator=(const LinkCancel&) = delete;
    explicit operator bool() const { return m_allowed; }

private:
    std::shared_ptr<Link> m_link;
    bool m_allowed;
};

// Arms `link` (if any) for the lifetime of a call, keeping it alive while
// the call closes the connection.
class LinkCall
{
public:
    explicit LinkCall(const std::shared_ptr<Link>& link)
        : m_link(link && link->arm() ? link : nullptr)
    {}
    ~LinkCall()
    {
        if (m_link)
            m_link->disarm();
    }
    LinkCall(const LinkCall&) = delete;
    LinkCall& operator=(const LinkCall&) = delete;

private:
    std::shared_ptr<Link> m_link;
};

} // namespace quarry::db
