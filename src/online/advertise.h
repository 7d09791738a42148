#pragma once

#include <QLabel>
#include <QVector>
#include <functional>

#include "online/webrequest.h"

class QHBoxLayout;
class QJsonObject;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;
class QTimer;
class QVBoxLayout;

// The advertisement window: one picture from the web server with a seconds countdown and a close
// button. Its query is also what tells the main window whether the server can be reached.
class Advertise : public QLabel
{
    Q_OBJECT
public:
    explicit Advertise(QWidget *parent = nullptr);
    ~Advertise() override;

    // One network interface as the system lists it; up means up, running and not loop-back.
    struct Interface
    {
        QString hardwareAddress;
        bool up = false;
    };
    static QString machineId(const QVector<Interface> &interfaces);
    // Pictures that do not decode, or exceed this many pixels a side, are refused.
    static constexpr int maxPictureSide = 4096;
    // The countdown before the panel may be closed, whatever the server asks for.
    static constexpr int maxShowSeconds = 60;

    bool hasServer() const { return !queryUrl.isEmpty(); }
    bool isBusy() const { return queryReply || imageReply; }
    void start();

    // Seams for tests: the link opener, the clock and the time limit of a request.
    std::function<bool(const QUrl &)> openLink;
    std::function<qint64()> now;
    int timeoutMs = WebRequest::defaultTimeoutMs;

signals:
    void linked();
    void linkErrored();
    void hasMessage(QString message, bool close);
    void advertiseLoaded();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void buildUi();
    void disableFocus();
    void hideBanner();
    void requestAdvertisement();
    void onQueryFinished();
    void parseAdvertisement(const QJsonObject &object);
    // The cached picture while it is fresh and of the announced size; null otherwise.
    QImage validCachedImage(int savedays, int w, int h) const;
    void requestImage(const QString &url);
    void onImageFinished();
    void readDowntimeCache();
    bool writeDowntimeCache();
    void showImage(const QImage &image);
    void startCountdown();
    void stopCountdown();
    void countdownTick();
    void dropReplies();
    QNetworkRequest makeRequest(const QUrl &url) const;

    QHBoxLayout *rowLayout = nullptr;
    QLabel *countdownLabel = nullptr;
    QPushButton *closeButton = nullptr;
    QVBoxLayout *columnLayout = nullptr;
    QString queryUrl;
    QString jsonCachePath;
    QString imageCachePath;
    qint64 downloadTime = 0;
    QNetworkAccessManager *network = nullptr;
    QNetworkReply *queryReply = nullptr;
    QNetworkReply *imageReply = nullptr;
    QString link;
    int showTime = 0;
    QTimer *countdownTimer = nullptr;
    int remaining = 0;
    QString machine;
    QString userAgent;
};
