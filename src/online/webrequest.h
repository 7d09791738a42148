#pragma once

#include <QNetworkRequest>
#include <QString>

class QNetworkReply;

// What the advertisement and the upgrade clients share: the server's address, how a request is
// made and when a reply counts as a complete answer.
class WebRequest
{
public:
    // A server that sends nothing for this long is given up.
    static constexpr int defaultTimeoutMs = 30000;

    // The server's base address without a trailing "/", or empty when none is configured.
    static QString serverAddress();
    // Only http and https addresses are fetched or opened.
    static bool isWebUrl(const QUrl &url);
    static QNetworkRequest make(const QUrl &url, int timeoutMs);
    // No network error, status 200 and, when the server gave a length, the whole body.
    static bool isComplete(QNetworkReply *reply, qint64 receivedBytes);
    // Reads a finished reply's body into body and releases the reply (see drop); true when the
    // reply is complete. body is empty after a network error.
    static bool takeBody(QNetworkReply *&reply, QObject *owner, QByteArray *body);
    // Cuts the reply off from the owner, aborts it when still running and releases it;
    // clears the pointer.
    static void drop(QNetworkReply *&reply, QObject *owner);
};
