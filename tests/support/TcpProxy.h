// A loopback TCP forwarder on a thread of its own, so that a test can take a
// database server away (and bring it back) without touching the real one
// that other tests share. The blocking ODBC calls of the test thread never
// stall the forwarding.
//
//   quarry::test::TcpProxy proxy(5432);
//   ... connect to 127.0.0.1:proxy.port() ...
//   proxy.stop();    // refused from now on, open connections cut
//   proxy.start();   // forwarding again, same port
//   proxy.stall();   // connections stay open, nothing passes: a frozen server
//   proxy.resume();  // what waited passes, and everything after it
#pragma once

#include <QThread>

#include <atomic>

namespace quarry::test {

class TcpProxy
{
public:
    explicit TcpProxy(quint16 targetPort);
    ~TcpProxy();
    TcpProxy(const TcpProxy&) = delete;
    TcpProxy& operator=(const TcpProxy&) = delete;

    quint16 port() const { return m_port; }
    // Each waits until the forwarder has done it.
    void stop() { run(false); }
    void start() { run(true); }
    void stall();
    void resume();

private:
    void run(bool listen);

    QThread m_thread;
    QObject* m_worker = nullptr;
    quint16 m_target;
    quint16 m_port = 0;
};

} // namespace quarry::test
