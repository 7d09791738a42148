#include "online/upgradewidget.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QProgressBar>
#include <QSaveFile>
#include <QStorageInfo>
#include <QVBoxLayout>
#include <cmath>

#include "base/filesystem.h"
#include "base/messagebox.h"
#include "base/paths.h"

namespace {

const QString cannotConnect =
    QStringLiteral("无法连接到升级服务器，服务器升级信息配置错误或网络无法连接");
const QString noUpgradeInfo = QStringLiteral("未查询到升级信息");
const QString interrupted = QStringLiteral("升级过程被中断或服务器升级配置错误，请稍后重试");

const QString listFileName = QStringLiteral("upgrade.ini");

// Each segment of the name on its own, so that "?", "#" or "%" stay part of the file name.
QString encodedName(const QString &name)
{
    QStringList segments = name.split(QLatin1Char('/'));
    for (QString &segment : segments)
        segment = QString::fromLatin1(QUrl::toPercentEncoding(segment));
    return segments.join(QLatin1Char('/'));
}

} // namespace

UpgradeWidget::UpgradeWidget(double *version, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , runningVersion(version)
{
    const QString server = WebRequest::serverAddress();
    if (!server.isEmpty()) {
        baseUrl = server + QStringLiteral("/upgrade02/");
        queryUrl = server + QStringLiteral("/upgrade02/upgrade.php");
    }
    upgradeDir = upgradeDirPath();
    setFixedSize(600, 300);
    setWindowTitle(QStringLiteral("墨岚白板升级工具"));
    setWindowModality(Qt::ApplicationModal);
    statusLabel = new QLabel(QStringLiteral("开始升级"), this);
    progressBar = new QProgressBar(this);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    layout = new QVBoxLayout;
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addStretch();
    layout->addWidget(statusLabel);
    layout->addWidget(progressBar);
    layout->addStretch();
    setLayout(layout);
    network = new QNetworkAccessManager(this);
    freeBytes = [](const QString &folder) { return QStorageInfo(folder).bytesAvailable(); };
    hide();
}

UpgradeWidget::~UpgradeWidget()
{
    dropReply();
}

QString UpgradeWidget::defaultUpdaterProgram()
{
    const QString configured = qEnvironmentVariable("QB_UPDATER_PROGRAM");
    return configured.isEmpty() ? FileSystem::applicationDirPath() + QStringLiteral("/upgrade.exe")
                                : configured;
}

void UpgradeWidget::startUpdaterIfWaiting(const QString &program, const Launcher &launch)
{
    if (!FileSystem::fileExists(upgradeDirPath() + QStringLiteral("/") + listFileName))
        return;
    // Only a program that is there is started; a failed start is not the user's concern.
    if (FileSystem::fileExists(program) && launch)
        launch(program, {upgradeDirPath()});
}

bool UpgradeWidget::startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

QString UpgradeWidget::targetPath(const QString &folder, const QString &name)
{
    // "|" separates the names in the list file the updater reads.
    if (name.isEmpty() || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('|')) ||
        QDir::isAbsolutePath(name))
        return QString();
    const QStringList segments = name.split(QLatin1Char('/'));
    for (const QString &segment : segments)
        if (segment.isEmpty() || segment == QLatin1String(".") || segment == QLatin1String(".."))
            return QString();
    const QString root = QDir::cleanPath(folder) + QLatin1Char('/');
    const QString path = QDir::cleanPath(root + name);
    // The list file is ours: a server's own would reach the updater even when the download
    // fails.
    if (!path.startsWith(root) || path.compare(root + listFileName, Qt::CaseInsensitive) == 0)
        return QString();
    return path;
}

void UpgradeWidget::startCheck()
{
    dropReply();
    statusLabel->setText(QStringLiteral("读取升级信息"));
    progressBar->setValue(0);
    if (queryUrl.isEmpty()) {
        stopWithMessage(cannotConnect);
        return;
    }
    QNetworkRequest request = WebRequest::make(QUrl(queryUrl, QUrl::TolerantMode), timeoutMs);
    request.setRawHeader("Content-Type", "application/json");
    currentReply = WebRequest::get(network, request, WebRequest::maxAnswerBytes);
    connect(currentReply, &QNetworkReply::finished, this, &UpgradeWidget::onCheckFinished);
}

void UpgradeWidget::onCheckFinished()
{
    QByteArray body;
    if (!WebRequest::takeBody(currentReply, this, &body)) {
        stopWithMessage(cannotConnect);
        return;
    }
    statusLabel->setText(QStringLiteral("分析升级列表"));
    progressBar->setValue(5);
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (document.isNull())
        stopWithMessage(noUpgradeInfo);
    else
        applyUpgradeInfo(document.object());
}

void UpgradeWidget::applyUpgradeInfo(const QJsonObject &info)
{
    if (!info.contains(QStringLiteral("nv")) || !info.contains(QStringLiteral("u"))) {
        stopWithMessage(noUpgradeInfo);
        return;
    }
    // The version may come as a number or as text; text that is no number counts as 0.
    const QJsonValue nv = info.value(QStringLiteral("nv"));
    double newest = nv.isDouble() ? nv.toDouble() : nv.toString().trimmed().toDouble();
    // "nan" and "inf" read as numbers but name no version.
    if (!std::isfinite(newest))
        newest = 0;
    if (*runningVersion >= newest) {
        stopWithMessage(QStringLiteral("当前程序为最新版"));
        return;
    }
    const QJsonArray names = info.value(QStringLiteral("u")).toArray();
    if (names.isEmpty()) {
        stopWithMessage(noUpgradeInfo);
        return;
    }
    if (names.size() > WebRequest::maxUpgradeFiles) {
        stopWithMessage(interrupted);
        return;
    }
    QStringList wanted;
    for (const QJsonValue &name : names) {
        // A list naming any file outside the folder is not followed at all.
        if (targetPath(upgradeDir, name.toString()).isEmpty()) {
            stopWithMessage(interrupted);
            return;
        }
        wanted << name.toString();
    }
    // Only a list that will be followed may replace the upgrade already waiting in the folder.
    if (FileSystem::dirExists(upgradeDir))
        FileSystem::clearDir(upgradeDir);
    else
        FileSystem::makeDir(upgradeDir);
    if (!FileSystem::dirExists(upgradeDir)) {
        stopWithMessage(QStringLiteral("升级错误，无法缓存升级文件"));
        return;
    }
    files = wanted;
    list.clear();
    step = 90 / files.size();
    nextProgress = 5 + step;
    fileIndex = 0;
    totalReceived = 0;
    downloadNext();
}

void UpgradeWidget::downloadNext()
{
    if (fileIndex >= files.size()) {
        writeList();
        return;
    }
    statusLabel->setText(QStringLiteral("正在下载第") + QString::number(fileIndex + 1) +
                         QStringLiteral("升级文件"));
    // What is left of the upgrade's share, and never the last free gigabyte of the disk; a
    // disk whose free space cannot be read counts as full.
    const qint64 budget = qMin(WebRequest::maxUpgradeBytes - totalReceived,
                               freeBytes(upgradeDir) - WebRequest::minFreeBytes);
    const QString name = files.at(fileIndex);
    const QString path = targetPath(upgradeDir, name);
    // One folder level is made; its parent must be there already.
    const QString folder = QFileInfo(path).absolutePath();
    if (!FileSystem::dirExists(folder))
        QDir().mkdir(folder);
    target = std::make_unique<QSaveFile>(path);
    if (budget < 0 || !FileSystem::dirExists(folder) || !target->open(QIODevice::WriteOnly)) {
        target.reset();
        stopWithMessage(interrupted);
        return;
    }
    const QUrl url(baseUrl + encodedName(name), QUrl::TolerantMode);
    currentReply = WebRequest::get(network, WebRequest::make(url, timeoutMs), budget);
    // Past the budget the reply is aborted, which ends this download at once, its partial file
    // included.
    connect(currentReply, &QNetworkReply::readyRead, this,
            [this] { target->write(WebRequest::read(currentReply)); });
    connect(currentReply, &QNetworkReply::finished, this, &UpgradeWidget::onDownloadFinished);
}

void UpgradeWidget::onDownloadFinished()
{
    if (currentReply->error() == QNetworkReply::NoError)
        target->write(WebRequest::read(currentReply));
    const bool complete = WebRequest::isComplete(currentReply);
    const qint64 received = WebRequest::receivedBytes(currentReply);
    dropReply();
    // Only a whole file replaces its temporary one; a failed write fails the commit.
    const bool saved = complete && target->commit();
    target.reset();
    if (!saved) {
        stopWithMessage(interrupted);
        return;
    }
    totalReceived += received;
    list += QLatin1Char('|') + files.at(fileIndex);
    progressBar->setValue(nextProgress);
    nextProgress += step;
    ++fileIndex;
    downloadNext();
}

void UpgradeWidget::writeList()
{
    QSaveFile file(upgradeDir + QLatin1Char('/') + listFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(list.toUtf8()) < 0 || !file.commit()) {
        stopWithMessage(QStringLiteral("更新本地升级配置文件失败，请稍后重试"));
        return;
    }
    statusLabel->setText(QStringLiteral("升级完成！"));
    progressBar->setValue(100);
    showMessageBox(this, QStringLiteral("升级完成"),
                   QStringLiteral("墨岚白板升级完成，关闭程序后将自动完成升级"));
    hide();
}

void UpgradeWidget::dropReply()
{
    WebRequest::drop(currentReply, this);
}

void UpgradeWidget::stopWithMessage(const QString &reason)
{
    showMessageBox(this, QStringLiteral("墨岚白板升级停止"), reason);
    hide();
}

void UpgradeWidget::closeEvent(QCloseEvent *event)
{
    // Closing the window cancels: the transfer stops and its partial file is discarded.
    dropReply();
    target.reset();
    QWidget::closeEvent(event);
}
