#pragma once

#include <QFile>
#include <QHash>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QStringList>
#include <QTcpServer>

// An HTTP server of the test's own on 127.0.0.1: each path gets a canned reply, every request
// is noted; "$BASE" in a body stands for the server's own address. With a certificate and key
// it speaks TLS.
class LocalHttpServer : public QTcpServer
{
public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        QByteArray headers;        // extra "Name: value\r\n" lines
        qint64 claimedLength = -1; // Content-Length sent; -1: the body's size
        bool hang = false;         // take the request and never answer
    };

    explicit LocalHttpServer(const QString &certificate = QString(), const QString &key = QString())
    {
        if (!certificate.isEmpty()) {
            m_certificate = QSslCertificate::fromPath(certificate).value(0);
            QFile keyFile(key);
            keyFile.open(QIODevice::ReadOnly);
            m_key = QSslKey(&keyFile, QSsl::Rsa);
        }
        connect(this, &QTcpServer::newConnection, this, [this] { acceptAll(); });
        listen(QHostAddress::LocalHost);
    }

    QString baseUrl() const
    {
        return (m_certificate.isNull() ? QStringLiteral("http://") : QStringLiteral("https://")) +
               QStringLiteral("127.0.0.1:") + QString::number(serverPort());
    }
    void set(const QString &path, const Reply &reply) { m_replies[path] = reply; }
    static Reply redirect(const QString &to)
    {
        return {302, "moved", "Location: " + to.toUtf8() + "\r\n", -1, false};
    }

    QStringList targets;     // "/path?query" of every request, in order
    QList<QByteArray> heads; // the request line and headers of every request
    int droppedByClient = 0; // connections the client closed while we still held the answer

protected:
    void incomingConnection(qintptr descriptor) override
    {
        QTcpSocket *socket = nullptr;
        if (m_certificate.isNull()) {
            socket = new QTcpSocket(this);
            socket->setSocketDescriptor(descriptor);
        } else {
            auto *tls = new QSslSocket(this);
            tls->setSocketDescriptor(descriptor);
            tls->setLocalCertificate(m_certificate);
            tls->setPrivateKey(m_key);
            tls->startServerEncryption();
            socket = tls;
        }
        addPendingConnection(socket);
    }

private:
    void acceptAll()
    {
        while (QTcpSocket *socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                if (socket->property("holding").toBool())
                    ++droppedByClient;
                socket->deleteLater();
            });
        }
    }

    void read(QTcpSocket *socket)
    {
        QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        const int end = buffer.indexOf("\r\n\r\n");
        socket->setProperty("buffer", end < 0 ? buffer : buffer.mid(end + 4));
        if (end < 0)
            return;
        const QByteArray head = buffer.left(end);
        heads << head;
        const QByteArray target = head.split(' ').value(1);
        targets << QString::fromLatin1(target);
        const QString path = QString::fromLatin1(target.split('?').value(0));
        Reply reply = m_replies.value(path, Reply{404, "not here", {}, -1, false});
        reply.body.replace("$BASE", baseUrl().toUtf8());
        if (reply.hang) {
            socket->setProperty("holding", true);
            return;
        }
        const qint64 length = reply.claimedLength < 0 ? reply.body.size() : reply.claimedLength;
        socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + " Canned\r\n" +
                      "Content-Length: " + QByteArray::number(length) + "\r\n" + reply.headers +
                      "Connection: close\r\n\r\n" + reply.body);
        socket->disconnectFromHost();
    }

    QHash<QString, Reply> m_replies;
    QSslCertificate m_certificate;
    QSslKey m_key;
};
