#pragma once

#include <QNetworkRequest>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// What the advertisement and the upgrade clients share: the server's address, how a request is
// made and when a reply counts as a complete answer.
class WebRequest
{
public:
    // A server that sends nothing for this long is given up.
    static constexpr int defaultTimeoutMs = 30000;

    // What a server may make us hold or store; an answer past its cap is a failed one.
    static constexpr qint64 maxAnswerBytes = qint64(1) << 20; // query answers, the upgrade list
    static constexpr qint64 maxPictureBytes = qint64(16) << 20;
    static constexpr int maxUpgradeFiles = 100;
    static constexpr qint64 maxUpgradeBytes = qint64(512) << 20; // all files of one upgrade
    // Upgrade files never leave less than this free on the data folder's disk.
    static constexpr qint64 minFreeBytes = qint64(1) << 30;

    // The server's base address without a trailing "/", or empty when none is configured.
    static QString serverAddress();
    // Only http and https addresses are fetched or opened.
    static bool isWebUrl(const QUrl &url);
    static QNetworkRequest make(const QUrl &url, int timeoutMs);
    // Starts a GET whose reply is aborted as soon as its body announces or passes maxBytes.
    static QNetworkReply *get(QNetworkAccessManager *network, const QNetworkRequest &request,
                              qint64 maxBytes);
    // Reads what has arrived of a reply of get, counted into its running total; callers that
    // read as the reply comes use it for every read. Empty once the reply was aborted.
    static QByteArray read(QNetworkReply *reply);
    // The bytes read through read() so far.
    static qint64 receivedBytes(QNetworkReply *reply);
    // No network error, status 200, not past the cap of get and, when the server gave a
    // length, the whole body.
    static bool isComplete(QNetworkReply *reply);
    // Reads a finished reply's body into body and releases the reply (see drop); true when the
    // reply is complete. body is empty after a network error.
    static bool takeBody(QNetworkReply *&reply, QObject *owner, QByteArray *body);
    // Cuts the reply off from the owner, aborts it when still running and releases it;
    // clears the pointer.
    static void drop(QNetworkReply *&reply, QObject *owner);
};
