#pragma once
// A one-shot HTTP server on 127.0.0.1 for tests of the update check: it records each request and
// answers with the raw bytes it was given, or keeps silent. It runs on the test's own event loop,
// so it can only answer while the code under test keeps events running.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace talvena::testing {

class HttpTestServer {
public:
    HttpTestServer()
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    // A complete response with status line, closing the connection after the body.
    static QByteArray response(const QByteArray& body, const QByteArray& status = "200 OK")
    {
        return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }

    void reply(const QByteArray& body, const QByteArray& status = "200 OK") { raw = response(body, status); }
    void keepSilent() { silent = true; }

    QByteArray address() const { return "127.0.0.1:" + QByteArray::number(server_.serverPort()); }
    quint16 port() const { return server_.serverPort(); }

    QByteArray raw;               // what is sent back
    bool silent = false;          // never answer
    std::function<void()> onRequest; // runs when a request has arrived, before the answer
    QList<QByteArray> requests;   // request line and headers of each request

private:
    void read(QTcpSocket* socket)
    {
        QByteArray& buffer = buffers_[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0) return;
        requests.append(buffer.left(end));
        buffer.clear();
        if (onRequest) onRequest();
        if (silent) return;
        socket->write(raw);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> buffers_;
};

// A port on 127.0.0.1 where nothing listens.
inline QByteArray closedPortAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return "127.0.0.1:" + QByteArray::number(port);
}

} // namespace talvena::testing
