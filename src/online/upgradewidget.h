#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "online/webrequest.h"

class QJsonObject;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QProgressBar;
class QSaveFile;
class QVBoxLayout;

// The upgrade client: asks the server for the newest version, downloads its files into the
// upgrade folder and lists them in "upgrade.ini" there for the updater that runs at quit.
// Closing the window cancels a check.
class UpgradeWidget : public QWidget
{
    Q_OBJECT
public:
    UpgradeWidget(double *version, QWidget *parent = nullptr);
    ~UpgradeWidget() override;

    void startCheck();
    bool isBusy() const { return currentReply != nullptr; }
    // The file a name from the server is written to, or empty when the name would lead out of
    // the upgrade folder or could stand for the list file.
    static QString targetPath(const QString &folder, const QString &name);

    // The updater: QB_UPDATER_PROGRAM, else "upgrade.exe" beside this program.
    static QString defaultUpdaterProgram();
    // When an upgrade waits (its list in the upgrade folder) and program is there, launch starts
    // it detached on the upgrade folder. The quit and the crash report both hand it over.
    using Launcher = std::function<bool(const QString &program, const QStringList &arguments)>;
    static void startUpdaterIfWaiting(const QString &program, const Launcher &launch);
    static bool startDetached(const QString &program, const QStringList &arguments);

    // Seams for tests: the time limit of a request, and the bytes free for us on the disk of a
    // folder (-1 when unknown), since a nearly full disk cannot be made in a test.
    int timeoutMs = WebRequest::defaultTimeoutMs;
    std::function<qint64(const QString &folder)> freeBytes;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void onCheckFinished();
    void applyUpgradeInfo(const QJsonObject &info);
    void downloadNext();
    void onDownloadFinished();
    void writeList();
    void dropReply();
    void stopWithMessage(const QString &reason);

    QString baseUrl;
    QString queryUrl;
    double *runningVersion = nullptr;
    QString upgradeDir;
    QLabel *statusLabel = nullptr;
    QProgressBar *progressBar = nullptr;
    QVBoxLayout *layout = nullptr;
    QNetworkAccessManager *network = nullptr;
    QNetworkReply *currentReply = nullptr;

    // The downloads under way: one file at a time, streamed into a temporary file.
    QStringList files;
    int fileIndex = 0;
    QString list;
    int step = 0;
    int nextProgress = 0;
    std::unique_ptr<QSaveFile> target;
    qint64 totalReceived = 0; // of the files already downloaded
};
