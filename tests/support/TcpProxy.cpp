#include "TcpProxy.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <utility>
#include <vector>

namespace quarry::test {

namespace {

class Forwarder : public QObject
{
public:
    explicit Forwarder(quint16 target)
        : m_target(target)
    {}

    quint16 listen(quint16 port)
    {
        m_server = new QTcpServer(this);
        m_server->listen(QHostAddress::LocalHost, port);
        connect(m_server, &QTcpServer::newConnection, this, &Forwarder::accept);
        return m_server->serverPort();
    }

    void shut()
    {
        m_stalled = false;
        delete m_server;
        m_server = nullptr;
        for (QTcpSocket* socket : findChildren<QTcpSocket*>()) {
            socket->abort();
            socket->deleteLater();
        }
    }

    void resume()
    {
        m_stalled = false;
        for (const auto& [from, to] : m_pipes)
            if (from && to && to->state() == QAbstractSocket::ConnectedState)
                to->write(from->readAll());
    }

private:
    void accept()
    {
        while (QTcpSocket* client = m_server->nextPendingConnection()) {
            client->setParent(this);
            auto* server = new QTcpSocket(this);
            server->connectToHost(QHostAddress::LocalHost, m_target);
            pipe(client, server);
            pipe(server, client);
        }
    }

    void pipe(QTcpSocket* from, QTcpSocket* to)
    {
        m_pipes.emplace_back(from, to);
        connect(from, &QTcpSocket::readyRead, to, [this, from, to] {
            if (!m_stalled && to->state() == QAbstractSocket::ConnectedState)
                to->write(from->readAll());
        });
        // Bytes that arrive before the far side is up wait in `from`.
        connect(to, &QTcpSocket::connected, from, [from, to] { to->write(from->readAll()); });
        connect(from, &QTcpSocket::disconnected, to, [to] { to->disconnectFromHost(); });
    }

public:
    bool m_stalled = false;

private:
    quint16 m_target;
    QTcpServer* m_server = nullptr;
    std::vector<std::pair<QPointer<QTcpSocket>, QPointer<QTcpSocket>>> m_pipes;
};

} // namespace

TcpProxy::TcpProxy(quint16 targetPort)
    : m_target(targetPort)
{
    m_thread.start();
    start();
}

TcpProxy::~TcpProxy()
{
    stop();
    QMetaObject::invokeMethod(
        m_worker, [this] { delete m_worker; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void TcpProxy::stall()
{
    auto* forwarder = static_cast<Forwarder*>(m_worker);
    QMetaObject::invokeMethod(
        forwarder, [forwarder] { forwarder->m_stalled = true; }, Qt::BlockingQueuedConnection);
}

void TcpProxy::resume()
{
    auto* forwarder = static_cast<Forwarder*>(m_worker);
    QMetaObject::invokeMethod(
        forwarder, [forwarder] { forwarder->resume(); }, Qt::BlockingQueuedConnection);
}

void TcpProxy::run(bool listen)
{
    if (!m_worker) {
        m_worker = new Forwarder(m_target);
        m_worker->moveToThread(&m_thread);
    }
    auto* forwarder = static_cast<Forwarder*>(m_worker);
    QMetaObject::invokeMethod(
        forwarder,
        [this, forwarder, listen] {
            forwarder->shut();
            if (listen)
                m_port = forwarder->listen(m_port);
        },
        Qt::BlockingQueuedConnection);
}

} // namespace quarry::test
