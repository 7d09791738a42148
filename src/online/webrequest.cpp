#include "online/webrequest.h"

#include <QNetworkReply>
#include <QUrl>

#include "app/paths.h"

QString WebRequest::serverAddress()
{
    QString address = websiteUrl().trimmed();
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address;
}

bool WebRequest::isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QNetworkRequest WebRequest::make(const QUrl &url, int timeoutMs)
{
    QNetworkRequest request(url);
    // A redirect is not the answer asked for; the default TLS verification stays on.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(timeoutMs);
    return request;
}

bool WebRequest::isComplete(QNetworkReply *reply, qint64 receivedBytes)
{
    if (reply->error() != QNetworkReply::NoError)
        return false;
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return false;
    // Qt drops the length of a compressed body, whose decoded size differs.
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    return !length.isValid() || length.toLongLong() == receivedBytes;
}

bool WebRequest::takeBody(QNetworkReply *&reply, QObject *owner, QByteArray *body)
{
    *body = reply->error() != QNetworkReply::NoError ? QByteArray() : reply->readAll();
    const bool complete = isComplete(reply, body->size());
    drop(reply, owner);
    return complete;
}

void WebRequest::drop(QNetworkReply *&reply, QObject *owner)
{
    if (!reply)
        return;
    reply->disconnect(owner);
    if (reply->isRunning())
        reply->abort();
    reply->close();
    reply->deleteLater();
    reply = nullptr;
}
