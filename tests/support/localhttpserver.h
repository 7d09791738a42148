#pragma once

#include <QFile>
#include <QHash>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QStringList>
#include <QTcpServer>

// An HTTP server of the test's own on 127.0.0.1: each path gets a canned reply ("$BASE" in a
// body stands for the server's address), every request is noted. Given a certificate and key,
// it speaks TLS. A reply may go on with zeros sent only as fast as the client takes them, so
// that an endless answer costs the server no memory.
class LocalHttpServer : public QTcpServer
{
public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        qint64 claimedLength = -1; // the Content-Length sent; -1: the body's size
        bool hang = false;         // take the request and never answer
        qint64 padding = 0;        // zero bytes after the body
        bool sendLength = true;    // false: no Content-Length, the body ends with the connection
        QByteArray headers = {};   // more header lines, each ending in "\r\n"
    };
    // More than any answer may be; a client that takes it all fails its memory bound.
    static constexpr qint64 endlessBytes = qint64(256) << 20;
    static Reply ok(const QByteArray &body) { return {200, body}; }
    static Reply status(int code) { return {code, "{}"}; }
    static Reply truncated(const QByteArray &body) { return {200, body, body.size() + 99}; }
    static Reply hung() { return {200, {}, -1, true}; }
    static Reply padded(const QByteArray &body, qint64 padding, bool sendLength = true)
    {
        return {200, body, -1, false, padding, sendLength};
    }
    static Reply endless(bool sendLength) { return padded({}, endlessBytes, sendLength); }

    explicit LocalHttpServer(const QString &certificate = {}, const QString &key = {})
    {
        if (!certificate.isEmpty()) {
            m_certificate = QSslCertificate::fromPath(certificate).value(0);
            QFile keyFile(key);
            keyFile.open(QIODevice::ReadOnly);
            m_key = QSslKey(&keyFile, QSsl::Rsa);
        }
        listen(QHostAddress::LocalHost);
    }
    QString baseUrl() const
    {
        return QString(m_certificate.isNull() ? "http" : "https") +
               "://127.0.0.1:" + QString::number(serverPort());
    }
    void set(const QString &path, const Reply &reply) { m_replies[path] = reply; }

    Reply fallback = status(404); // for paths not set
    QStringList targets;          // "/path?query" of every request, in order
    QList<QByteArray> heads;      // request line and headers of every request
    int droppedByClient = 0;      // connections the client closed while we held the answer

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *tls = m_certificate.isNull() ? nullptr : new QSslSocket(this);
        QTcpSocket *socket = tls ? tls : new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        if (tls) {
            tls->setLocalCertificate(m_certificate);
            tls->setPrivateKey(m_key);
            tls->startServerEncryption();
        }
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            droppedByClient += socket->property("holding").toBool();
            socket->deleteLater();
        });
    }

private:
    void read(QTcpSocket *socket)
    {
        QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        const int end = buffer.indexOf("\r\n\r\n");
        socket->setProperty("buffer", end < 0 ? buffer : buffer.mid(end + 4));
        if (end < 0)
            return;
        heads << buffer.left(end);
        targets << QString::fromLatin1(heads.last().split(' ').value(1));
        Reply reply = m_replies.value(targets.last().section('?', 0, 0), fallback);
        socket->setProperty("holding", reply.hang);
        if (reply.hang)
            return;
        reply.body.replace("$BASE", baseUrl().toUtf8());
        const qint64 length =
            reply.claimedLength < 0 ? reply.body.size() + reply.padding : reply.claimedLength;
        const QByteArray lengthHeader =
            reply.sendLength ? "Content-Length: " + QByteArray::number(length) + "\r\n" : "";
        socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + " Canned\r\n" +
                      lengthHeader + reply.headers + "Connection: close\r\n\r\n" + reply.body);
        socket->setProperty("padding", reply.padding);
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket] { pad(socket); });
        pad(socket);
    }
    // Tops the output up with zeros until the padding is sent, then closes.
    static void pad(QTcpSocket *socket)
    {
        static const QByteArray zeros(64 * 1024, '\0');
        qint64 left = socket->property("padding").toLongLong();
        while (left > 0 && socket->bytesToWrite() < 4 * zeros.size() &&
               socket->state() == QAbstractSocket::ConnectedState)
            left -= socket->write(zeros.constData(), qMin<qint64>(left, zeros.size()));
        socket->setProperty("padding", left);
        socket->setProperty("holding", left > 0);
        if (left == 0)
            socket->disconnectFromHost();
    }

    QHash<QString, Reply> m_replies;
    QSslCertificate m_certificate;
    QSslKey m_key;
};
