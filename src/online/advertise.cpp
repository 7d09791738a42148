#include "online/advertise.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>

#include "base/filesystem.h"
#include "base/paths.h"

namespace {

constexpr qint64 dayMs = 86400000;

// Reads the picture's size before decoding it, so that a hostile server cannot make us
// decode a huge one.
QImage decodePicture(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > Advertise::maxPictureSide ||
        size.height() > Advertise::maxPictureSide)
        return QImage();
    return reader.read();
}

// Numbers may come as JSON numbers or as text.
int intValue(const QJsonValue &value)
{
    return value.isString() ? value.toString().trimmed().toInt() : value.toInt();
}

bool saveBase64(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes.toBase64());
    return file.commit();
}

QVector<Advertise::Interface> systemInterfaces()
{
    QVector<Advertise::Interface> list;
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : all) {
        const QNetworkInterface::InterfaceFlags flags = i.flags();
        list.append({i.hardwareAddress(), flags.testFlag(QNetworkInterface::IsUp) &&
                                              flags.testFlag(QNetworkInterface::IsRunning) &&
                                              !flags.testFlag(QNetworkInterface::IsLoopBack)});
    }
    return list;
}

} // namespace

Advertise::Advertise(QWidget *parent)
    : QLabel(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    hide();
    rowLayout = new QHBoxLayout;
    countdownLabel = new QLabel(this);
    closeButton = new QPushButton(this);
    columnLayout = new QVBoxLayout;
    buildUi();
    disableFocus();
    const QString server = WebRequest::serverAddress();
    if (!server.isEmpty())
        queryUrl = server + QStringLiteral("/qbjson_7.php");
    jsonCachePath = adJsonFilePath();
    imageCachePath = adImageFilePath();
    network = new QNetworkAccessManager(this);
    countdownTimer = new QTimer(this);
    machine = machineId(systemInterfaces());
    userAgent = QStringLiteral(
        "Mozilla/5.0 (Windows NT 10.0; Win32; x86) AppleWebKit/537.36 (KHTML, like Gecko) "
        "Chrome/109.0.0.0 Safari/537.36 Edg/109.0.1518.70");
    openLink = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    now = [] { return QDateTime::currentMSecsSinceEpoch(); };
}

Advertise::~Advertise()
{
    stopCountdown();
    dropReplies();
}

QString Advertise::machineId(const QVector<Interface> &interfaces)
{
    // The first address is the fall-back; the last working interface wins.
    QString candidate;
    for (const Interface &i : interfaces) {
        if (candidate.isEmpty())
            candidate = i.hardwareAddress;
        if (i.up && !i.hardwareAddress.isEmpty())
            candidate = i.hardwareAddress;
    }
    if (candidate.isEmpty())
        return QStringLiteral("failure");
    return QString::fromLatin1(
        QCryptographicHash::hash(candidate.toUtf8(), QCryptographicHash::Md5).toHex());
}

void Advertise::buildUi()
{
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(0);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(0);
    countdownLabel->setStyleSheet(QStringLiteral("padding:0 0 0 5;font-family:黑体;color:#fff;"));
    countdownLabel->setFixedHeight(25);
    closeButton->setFixedSize(25, 25);
    closeButton->setIcon(QIcon(QStringLiteral(":/icon/personal/adclose.png")));
    closeButton->setToolTip(tr("关闭"));
    closeButton->setStyleSheet(
        QStringLiteral("QPushButton{border-width:0px;border-style:none;background-color:#4e505d;}"
                       "QPushButton:hover{background-color:#4e505d;}"));
    connect(closeButton, &QPushButton::clicked, this, &Advertise::hideBanner);
    closeButton->setEnabled(false);
    rowLayout->addWidget(countdownLabel);
    rowLayout->addWidget(closeButton);
    columnLayout->addLayout(rowLayout);
    columnLayout->addStretch();
    setLayout(columnLayout);
}

void Advertise::disableFocus()
{
    countdownLabel->setFocusPolicy(Qt::NoFocus);
    closeButton->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::NoFocus);
}

void Advertise::hideBanner()
{
    hide();
}

void Advertise::start()
{
    stopCountdown();
    // A query or picture still on its way belongs to the previous round.
    dropReplies();
    if (!hasServer()) {
        emit linkErrored();
        return;
    }
    readDowntimeCache();
    requestAdvertisement();
}

void Advertise::dropReplies()
{
    WebRequest::drop(queryReply, this);
    WebRequest::drop(imageReply, this);
}

QNetworkRequest Advertise::makeRequest(const QUrl &url) const
{
    QNetworkRequest request = WebRequest::make(url, timeoutMs);
    request.setRawHeader("User-Agent", userAgent.toUtf8());
    return request;
}

void Advertise::requestAdvertisement()
{
    const QString url =
        queryUrl + QStringLiteral("?m=") + machine + QStringLiteral("&t=") + QString::number(now());
    QNetworkRequest request = makeRequest(QUrl(url));
    request.setRawHeader("Content-Type", "application/json");
    queryReply = WebRequest::get(network, request, WebRequest::maxAnswerBytes);
    connect(queryReply, &QNetworkReply::finished, this, &Advertise::onQueryFinished);
}

void Advertise::onQueryFinished()
{
    QByteArray body;
    const bool complete = WebRequest::takeBody(queryReply, this, &body);
    if (!complete) {
        emit linkErrored();
        return;
    }
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isNull())
        parseAdvertisement(document.object());
    emit linked();
}

void Advertise::parseAdvertisement(const QJsonObject &object)
{
    for (const char *key :
         {"imglink", "imgsrc", "w", "h", "showtime", "savedays", "sinfo", "close"})
        if (!object.contains(QLatin1String(key)))
            return;
    link = object.value(QStringLiteral("imglink")).toString().trimmed();
    // A panel that could never be closed would cover the board for the whole lesson.
    showTime = qBound(0, intValue(object.value(QStringLiteral("showtime"))), maxShowSeconds);
    const QString source = object.value(QStringLiteral("imgsrc")).toString().trimmed();
    const int w = intValue(object.value(QStringLiteral("w")));
    const int h = intValue(object.value(QStringLiteral("h")));
    const int saveDays = intValue(object.value(QStringLiteral("savedays")));
    const QString message = object.value(QStringLiteral("sinfo")).toString().trimmed();
    const int close = intValue(object.value(QStringLiteral("close")));
    if (!message.isEmpty()) {
        emit hasMessage(message, close != 0);
        if (close != 0)
            return;
    }
    if (source.isEmpty())
        return;
    const QImage cached = validCachedImage(saveDays, w, h);
    if (!cached.isNull()) {
        showImage(cached);
        startCountdown();
    } else {
        requestImage(source);
    }
}

QImage Advertise::validCachedImage(int savedays, int w, int h) const
{
    // A cache larger than any picture we take now (Base64 adds a third) is left from before
    // pictures were capped, and is not read into memory at every start.
    const qint64 size = QFileInfo(imageCachePath).size();
    if (!QFile::exists(imageCachePath) || size > (WebRequest::maxPictureBytes + 2) / 3 * 4)
        return QImage();
    const qint64 time = now();
    if (time < downloadTime || time > downloadTime + qint64(savedays) * dayMs)
        return QImage();
    const QImage image = decodePicture(QByteArray::fromBase64(FileSystem::readAll(imageCachePath)));
    return image.width() == w && image.height() == h ? image : QImage();
}

void Advertise::requestImage(const QString &url)
{
    const QUrl address(url, QUrl::TolerantMode);
    if (!WebRequest::isWebUrl(address))
        return;
    imageReply = WebRequest::get(network, makeRequest(address), WebRequest::maxPictureBytes);
    connect(imageReply, &QNetworkReply::finished, this, &Advertise::onImageFinished);
}

void Advertise::onImageFinished()
{
    QByteArray body;
    const bool complete = WebRequest::takeBody(imageReply, this, &body);
    // Only a whole picture that decodes goes into the cache.
    const QImage picture = complete ? decodePicture(body) : QImage();
    if (picture.isNull())
        return;
    if (!saveBase64(imageCachePath, body) || !writeDowntimeCache())
        return;
    showImage(picture);
    startCountdown();
}

bool Advertise::writeDowntimeCache()
{
    const qint64 time = now();
    QJsonObject object;
    object.insert(QStringLiteral("downtime"), double(time));
    if (!saveBase64(jsonCachePath, QJsonDocument(object).toJson(QJsonDocument::Indented)))
        return false;
    downloadTime = time;
    return true;
}

void Advertise::readDowntimeCache()
{
    const QByteArray bytes = QByteArray::fromBase64(FileSystem::readAll(jsonCachePath));
    if (bytes.isEmpty())
        return;
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    const QJsonObject object = document.object();
    if (!document.isNull() && object.contains(QStringLiteral("downtime")))
        downloadTime = qint64(object.value(QStringLiteral("downtime")).toDouble());
}

void Advertise::showImage(const QImage &image)
{
    setFixedSize(image.size());
    setPixmap(QPixmap::fromImage(image));
    if (WebRequest::isWebUrl(QUrl(link, QUrl::TolerantMode)))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    emit advertiseLoaded();
}

void Advertise::startCountdown()
{
    remaining = showTime;
    connect(countdownTimer, &QTimer::timeout, this, &Advertise::countdownTick);
    countdownTimer->start(1000);
}

void Advertise::countdownTick()
{
    countdownLabel->setText(QString::number(remaining) + QStringLiteral(" s"));
    --remaining;
    if (remaining <= 0) {
        stopCountdown();
        countdownLabel->setText(QString());
        closeButton->setEnabled(true);
    }
}

void Advertise::stopCountdown()
{
    countdownTimer->disconnect();
    countdownTimer->stop();
}

void Advertise::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || link.isEmpty())
        return;
    // Only web pages are opened; a server could name any program or file otherwise.
    const QUrl url(link, QUrl::TolerantMode);
    if (WebRequest::isWebUrl(url) && openLink)
        openLink(url);
}
