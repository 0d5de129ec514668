#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for tests: each path answers as it
// is told (status, body, a body cut short, a body that stalls), and the
// server keeps a list of the paths asked for. Nothing leaves the machine.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

class LoopbackHttpServer : public QObject {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        // Bytes of the body actually sent; -1 all of it. With cut >= 0 the
        // connection closes after them (truncated) unless stall is set, in
        // which case it stays open and silent.
        int cut = -1;
        bool stall = false;
        bool sendLength = true; // Content-Length header
    };

    LoopbackHttpServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
        m_server.listen(QHostAddress::LocalHost, 0);
    }
    ~LoopbackHttpServer() override
    {
        for (const QPointer<QTcpSocket> &s : qAsConst(m_held))
            if (s)
                s->abort();
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    void serve(const QString &path, const Response &response) { m_routes.insert(path, response); }
    void serve(const QString &path, const QByteArray &body) { m_routes.insert(path, Response{200, body}); }
    void clear() { m_routes.clear(); }
    QStringList requests() const { return m_requests; }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            m_held << socket;
            socket->setParent(this);
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        }
    }
    void read(QTcpSocket *socket)
    {
        QByteArray &pending = m_pending[socket];
        pending += socket->readAll();
        const int end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> line = pending.left(pending.indexOf("\r\n")).split(' ');
        pending.clear();
        const QString path = line.size() > 1 ? QUrl(QString::fromLatin1(line.at(1))).path() : QString();
        m_requests << path;
        const auto route = m_routes.constFind(path);
        const Response r = route == m_routes.constEnd() ? Response{404, "not found"} : *route;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + (r.status == 200 ? " OK" : " Error") + "\r\n";
        head += "Content-Type: application/octet-stream\r\n";
        if (r.sendLength)
            head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
        // Without a length the end of the body is the end of the connection.
        head += "Connection: close\r\n\r\n";
        socket->write(head);
        socket->write(r.cut >= 0 ? r.body.left(r.cut) : r.body);
        if (r.stall)
            return;
        socket->flush();
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QMap<QString, Response> m_routes;
    QMap<QTcpSocket *, QByteArray> m_pending;
    QList<QPointer<QTcpSocket>> m_held;
    QStringList m_requests;
};
