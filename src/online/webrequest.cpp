#include "online/webrequest.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

#include "base/paths.h"

namespace {

const char *const maxBytesProperty = "maxBytes";
const char *const readBytesProperty = "readBytes";

// The one size guard: what was read plus what waits to be read, or the announced length when
// that is more. Aborting a running reply emits its finished at once.
void guardSize(QNetworkReply *reply)
{
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    const qint64 total = qMax(WebRequest::receivedBytes(reply) + reply->bytesAvailable(),
                              length.isValid() ? length.toLongLong() : 0);
    if (total > reply->property(maxBytesProperty).toLongLong() && reply->isRunning())
        reply->abort();
}

} // namespace

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
    // Qt would inflate a compressed body before its size can be checked, so a small answer
    // could fill the memory; sent compressed all the same, it stays so and fails to parse.
    request.setRawHeader("Accept-Encoding", "identity");
    return request;
}

QNetworkReply *WebRequest::get(QNetworkAccessManager *network, const QNetworkRequest &request,
                               qint64 maxBytes)
{
    QNetworkReply *reply = network->get(request);
    reply->setProperty(maxBytesProperty, maxBytes);
    // The time limit only fires when data stops; an endless body is stopped by its size.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply] { guardSize(reply); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply] { guardSize(reply); });
    return reply;
}

QByteArray WebRequest::read(QNetworkReply *reply)
{
    if (!reply->isOpen())
        return QByteArray();
    const QByteArray data = reply->readAll();
    reply->setProperty(readBytesProperty, receivedBytes(reply) + data.size());
    return data;
}

qint64 WebRequest::receivedBytes(QNetworkReply *reply)
{
    return reply->property(readBytesProperty).toLongLong();
}

bool WebRequest::isComplete(QNetworkReply *reply)
{
    const qint64 received = receivedBytes(reply);
    if (reply->error() != QNetworkReply::NoError)
        return false;
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return false;
    const QVariant maxBytes = reply->property(maxBytesProperty);
    if (maxBytes.isValid() && received > maxBytes.toLongLong())
        return false;
    // Bodies are never inflated (see make), so a given length is the whole body's size.
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    return !length.isValid() || length.toLongLong() == received;
}

bool WebRequest::takeBody(QNetworkReply *&reply, QObject *owner, QByteArray *body)
{
    *body = reply->error() != QNetworkReply::NoError ? QByteArray() : read(reply);
    const bool complete = isComplete(reply);
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
