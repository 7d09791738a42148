#include <QtTest>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressBar>
#include <QPushButton>

#include "app/globals.h"
#include "app/paths.h"
#include "online/advertise.h"
#include "online/upgradewidget.h"

#include "boxanswerer.h"
#include "localhttpserver.h"

using Reply = LocalHttpServer::Reply;
Q_DECLARE_METATYPE(LocalHttpServer::Reply)
Q_DECLARE_METATYPE(Advertise::Interface)

namespace {

constexpr qint64 day = 86400000;
constexpr qint64 clockStart = 1700000000000;

QByteArray png(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray adJson(const QJsonObject &changes = {})
{
    QJsonObject object{{"imglink", " https://example.org/ad "},
                       {"imgsrc", "$BASE/img.png"},
                       {"w", 40},
                       {"h", 30},
                       {"showtime", 2},
                       {"savedays", 30},
                       {"sinfo", ""},
                       {"close", 0}};
    for (auto it = changes.begin(); it != changes.end(); ++it)
        object.insert(it.key(), it.value());
    return QJsonDocument(object).toJson();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything under the folder, as relative paths.
QStringList filesBelow(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

} // namespace

class OnlineTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void machineId_data();
    void machineId();
    void queryRequestAndCacheFiles();
    void queryReplies_data();
    void queryReplies();
    void refusedPictures_data();
    void refusedPictures();
    void cachedPictureValidity_data();
    void cachedPictureValidity();
    void messageAndClose_data();
    void messageAndClose();
    void countdownThenClose();
    void clickOpensOnlyWebLinks_data();
    void clickOpensOnlyWebLinks();
    void secondStartAbortsPendingReply();
    void noServerAddressQueriesNothing();
    void tlsPeerIsVerified();
    void upgradeStops_data();
    void upgradeStops();
    void fullUpgrade();
    void failedDownloadLeavesNoList_data();
    void failedDownloadLeavesNoList();
    void refusedFileNames_data();
    void refusedFileNames();
    void closingCancelsTheDownload();

private:
    Advertise *makeAdvertise();
    UpgradeWidget *makeUpgrade();
    void runAdvertise(Advertise *ad);
    QString finishUpgrade(UpgradeWidget *widget);
    void serveUpgrade(const QJsonValue &nv, const QStringList &names);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<Advertise> m_ad;
    std::unique_ptr<UpgradeWidget> m_upgrade;
    double m_version = 7.22;
    qint64 m_now = clockStart;
    QList<QUrl> m_opened;
};

void OnlineTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    appDataDir = m_dir->filePath("data");
    QVERIFY(QDir().mkpath(configDirPath()));
    QVERIFY(QDir().mkpath(upgradeDirPath()));
    m_server = std::make_unique<LocalHttpServer>();
    QVERIFY(m_server->isListening());
    qputenv("QB_SERVER_URL", m_server->baseUrl().toUtf8() + "/");
    m_now = clockStart;
    m_opened.clear();
}

void OnlineTest::cleanup()
{
    m_ad.reset();
    m_upgrade.reset();
    m_server.reset();
    m_dir.reset();
}

Advertise *OnlineTest::makeAdvertise()
{
    m_ad = std::make_unique<Advertise>();
    m_ad->now = [this] { return m_now; };
    m_ad->openLink = [this](const QUrl &url) {
        m_opened << url;
        return true;
    };
    m_ad->timeoutMs = 500;
    return m_ad.get();
}

UpgradeWidget *OnlineTest::makeUpgrade()
{
    m_upgrade = std::make_unique<UpgradeWidget>(&m_version);
    m_upgrade->timeoutMs = 500;
    return m_upgrade.get();
}

// Starts a query and waits until the panel has nothing more on its way.
void OnlineTest::runAdvertise(Advertise *ad)
{
    QSignalSpy done(ad, &Advertise::linked);
    QSignalSpy failed(ad, &Advertise::linkErrored);
    ad->start();
    QTRY_VERIFY_WITH_TIMEOUT(!ad->isBusy(), 3000);
    QCOMPARE(done.size() + failed.size(), 1);
}

void OnlineTest::machineId_data()
{
    using List = QVector<Advertise::Interface>;
    QTest::addColumn<List>("interfaces");
    QTest::addColumn<QString>("address");
    const QString lo = "00:00:00:00:00:00", a = "52:54:00:12:34:56", b = "52:54:00:AB:CD:EF";
    QTest::newRow("loop-back only") << List{{lo, false}} << lo;
    QTest::newRow("last working wins") << List{{lo, false}, {a, true}, {b, true}} << b;
    QTest::newRow("a down one does not") << List{{lo, false}, {a, true}, {b, false}} << a;
    QTest::newRow("working without address") << List{{lo, false}, {a, true}, {"", true}} << a;
    QTest::newRow("none") << List{{"", true}} << QString();
}

void OnlineTest::machineId()
{
    QFETCH(QVector<Advertise::Interface>, interfaces);
    QFETCH(QString, address);
    const QString expected =
        address.isEmpty()
            ? QStringLiteral("failure")
            : QCryptographicHash::hash(address.toUtf8(), QCryptographicHash::Md5).toHex();
    QCOMPARE(Advertise::machineId(interfaces), expected);
}

void OnlineTest::queryRequestAndCacheFiles()
{
    const QByteArray picture = png(40, 30);
    m_server->set("/qbjson_7.php", {200, adJson(), {}, -1, false});
    m_server->set("/img.png", {200, picture, {}, -1, false});
    Advertise *ad = makeAdvertise();
    QSignalSpy loaded(ad, &Advertise::advertiseLoaded);
    runAdvertise(ad);
    QTRY_COMPARE(loaded.size(), 1);

    const QString query = m_server->targets.value(0);
    QVERIFY2(QRegularExpression("^/qbjson_7\\.php\\?m=([0-9a-f]{32}|failure)&t=1700000000000$")
                 .match(query)
                 .hasMatch(),
             qPrintable(query));
    const QByteArray head = m_server->heads.value(0);
    QVERIFY(head.contains("\r\nContent-Type: application/json\r\n"));
    QVERIFY(
        head.contains("\r\nUser-Agent: Mozilla/5.0 (Windows NT 10.0; Win32; x86) "
                      "AppleWebKit/537.36 (KHTML, like Gecko) Chrome/109.0.0.0 "
                      "Safari/537.36 Edg/109.0.1518.70\r\n"));
    QCOMPARE(m_server->targets.value(1), QStringLiteral("/img.png"));
    QVERIFY(!m_server->heads.value(1).contains("Content-Type"));

    QCOMPARE(fileBytes(adImageFilePath()), picture.toBase64());
    const QByteArray json = "{\n    \"downtime\": 1700000000000\n}\n";
    QCOMPARE(fileBytes(adJsonFilePath()), json.toBase64());
    QCOMPARE(ad->size(), QSize(40, 30));
    QCOMPARE(ad->cursor().shape(), Qt::PointingHandCursor);
}

void OnlineTest::queryReplies_data()
{
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<bool>("linked");
    QTest::addColumn<bool>("pictureShown");
    QTest::newRow("good JSON") << Reply{200, adJson(), {}, -1, false} << true << true;
    QTest::newRow("w and h as text")
        << Reply{200, adJson({{"w", "40"}, {"h", " 30 "}}), {}, -1, false} << true << true;
    QTest::newRow("404") << Reply{404, adJson(), {}, -1, false} << false << false;
    QTest::newRow("500") << Reply{500, adJson(), {}, -1, false} << false << false;
    QTest::newRow("redirect") << LocalHttpServer::redirect("/other.php") << false << false;
    QTest::newRow("short body") << Reply{200, adJson(), {}, 2000, false} << false << false;
    QTest::newRow("garbage") << Reply{200, "<html>{", {}, -1, false} << true << false;
    QTest::newRow("a key missing")
        << Reply{200, R"({"imglink":"","imgsrc":"/img.png","w":40})", {}, -1, false} << true
        << false;
    QTest::newRow("hung server") << Reply{200, {}, {}, -1, true} << false << false;
}

void OnlineTest::queryReplies()
{
    QFETCH(Reply, reply);
    QFETCH(bool, linked);
    QFETCH(bool, pictureShown);
    m_server->set("/qbjson_7.php", reply);
    m_server->set("/other.php", {200, adJson(), {}, -1, false});
    m_server->set("/img.png", {200, png(40, 30), {}, -1, false});
    Advertise *ad = makeAdvertise();
    QSignalSpy ok(ad, &Advertise::linked);
    QSignalSpy failed(ad, &Advertise::linkErrored);
    QSignalSpy loaded(ad, &Advertise::advertiseLoaded);
    QElapsedTimer clock;
    clock.start();
    runAdvertise(ad);
    QCOMPARE(ok.size(), linked ? 1 : 0);
    QCOMPARE(failed.size(), linked ? 0 : 1);
    QVERIFY(clock.elapsed() < 2500); // the hung server is given up after the short limit
    if (pictureShown)
        QTRY_COMPARE(loaded.size(), 1);
    QCOMPARE(QFile::exists(adImageFilePath()), pictureShown);
    QCOMPARE(QFile::exists(adJsonFilePath()), pictureShown);
    QVERIFY(!m_server->targets.contains("/other.php"));
}

void OnlineTest::refusedPictures_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<bool>("fetched");
    const Reply good{200, png(40, 30), {}, -1, false};
    QTest::newRow("404") << "$BASE/img.png" << Reply{404, png(40, 30), {}, -1, false} << true;
    QTest::newRow("redirect") << "$BASE/img.png" << LocalHttpServer::redirect("/other.png") << true;
    QTest::newRow("truncated") << "$BASE/img.png" << Reply{200, png(40, 30), {}, 5000, false}
                               << true;
    QTest::newRow("garbage") << "$BASE/img.png" << Reply{200, "GIF89a-no", {}, -1, false} << true;
    QTest::newRow("too wide") << "$BASE/img.png" << Reply{200, png(4097, 2), {}, -1, false} << true;
    QTest::newRow("hung") << "$BASE/img.png" << Reply{200, {}, {}, -1, true} << true;
    QTest::newRow("file address") << "file:///etc/hostname" << good << false;
    QTest::newRow("ftp address") << "ftp://127.0.0.1/img.png" << good << false;
}

void OnlineTest::refusedPictures()
{
    QFETCH(QString, source);
    QFETCH(Reply, reply);
    QFETCH(bool, fetched);
    m_server->set("/img.png", reply);
    m_server->set("/other.png", {200, png(40, 30), {}, -1, false});
    m_server->set("/qbjson_7.php", {200, adJson({{"imgsrc", source}}), {}, -1, false});
    Advertise *ad = makeAdvertise();
    QSignalSpy loaded(ad, &Advertise::advertiseLoaded);
    runAdvertise(ad);
    QCOMPARE(m_server->targets.contains("/img.png"), fetched);
    QCOMPARE(loaded.size(), 0);
    QVERIFY(!QFile::exists(adImageFilePath()));
    QVERIFY(!QFile::exists(adJsonFilePath()));
    QCOMPARE(filesBelow(configDirPath()), QStringList());
}

void OnlineTest::cachedPictureValidity_data()
{
    QTest::addColumn<qint64>("later");
    QTest::addColumn<QJsonObject>("changes");
    QTest::addColumn<bool>("downloadedAgain");
    QTest::newRow("last valid millisecond") << 30 * day << QJsonObject() << false;
    QTest::newRow("one millisecond later") << 30 * day + 1 << QJsonObject() << true;
    QTest::newRow("clock before the download") << qint64(-1) << QJsonObject() << true;
    QTest::newRow("width off by one") << day << QJsonObject{{"w", 41}} << true;
    QTest::newRow("size given as text") << day << QJsonObject{{"w", "40"}, {"h", "30"}} << false;
}

void OnlineTest::cachedPictureValidity()
{
    QFETCH(qint64, later);
    QFETCH(QJsonObject, changes);
    QFETCH(bool, downloadedAgain);
    m_server->set("/qbjson_7.php", {200, adJson(), {}, -1, false});
    m_server->set("/img.png", {200, png(40, 30), {}, -1, false});
    Advertise *ad = makeAdvertise();
    QSignalSpy loaded(ad, &Advertise::advertiseLoaded);
    runAdvertise(ad);
    QTRY_COMPARE(loaded.size(), 1);

    // A new panel reads the download time back from its cache file.
    ad = makeAdvertise();
    m_now = clockStart + later;
    m_server->set("/qbjson_7.php", {200, adJson(changes), {}, -1, false});
    QSignalSpy loadedAgain(ad, &Advertise::advertiseLoaded);
    runAdvertise(ad);
    QTRY_COMPARE(loadedAgain.size(), 1);
    QCOMPARE(m_server->targets.count("/img.png"), downloadedAgain ? 2 : 1);
}

void OnlineTest::messageAndClose_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QJsonValue>("close");
    QTest::addColumn<bool>("pictureFetched");
    QTest::newRow("message that closes") << "服务器维护" << QJsonValue(1) << false;
    QTest::newRow("close as text") << "服务器维护" << QJsonValue("1") << false;
    QTest::newRow("message only") << "服务器维护" << QJsonValue(0) << true;
    QTest::newRow("close without message") << "" << QJsonValue(1) << true;
}

void OnlineTest::messageAndClose()
{
    QFETCH(QString, message);
    QFETCH(QJsonValue, close);
    QFETCH(bool, pictureFetched);
    m_server->set("/qbjson_7.php",
                  {200, adJson({{"sinfo", " " + message + " "}, {"close", close}}), {}, -1, false});
    m_server->set("/img.png", {200, png(40, 30), {}, -1, false});
    Advertise *ad = makeAdvertise();
    QSignalSpy messages(ad, &Advertise::hasMessage);
    runAdvertise(ad);
    QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(messages.at(0).at(0).toString(), message);
        QCOMPARE(messages.at(0).at(1).toBool(), !pictureFetched);
    }
    QCOMPARE(m_server->targets.contains("/img.png"), pictureFetched);
}

void OnlineTest::countdownThenClose()
{
    m_server->set("/qbjson_7.php", {200, adJson(), {}, -1, false});
    m_server->set("/img.png", {200, png(40, 30), {}, -1, false});
    Advertise *ad = makeAdvertise();
    connect(ad, &Advertise::advertiseLoaded, ad, &QWidget::show);
    auto *label = ad->findChild<QLabel *>();
    auto *close = ad->findChild<QPushButton *>();
    runAdvertise(ad);
    QTRY_VERIFY(ad->isVisible());
    QVERIFY(!close->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), QStringLiteral("2 s"), 1500);
    QTRY_VERIFY_WITH_TIMEOUT(close->isEnabled(), 1500);
    QCOMPARE(label->text(), QString());
    close->click();
    QVERIFY(!ad->isVisible());
}

void OnlineTest::clickOpensOnlyWebLinks_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("opened");
    QTest::newRow("https") << " https://example.org/ad " << int(Qt::LeftButton)
                           << "https://example.org/ad";
    QTest::newRow("http") << "http://example.org/a b" << int(Qt::LeftButton)
                          << "http://example.org/a%20b";
    QTest::newRow("right button") << "https://example.org/ad" << int(Qt::RightButton) << "";
    QTest::newRow("empty link") << "" << int(Qt::LeftButton) << "";
    QTest::newRow("local file") << "file:///usr/bin/xterm" << int(Qt::LeftButton) << "";
    QTest::newRow("no scheme") << "/usr/bin/xterm" << int(Qt::LeftButton) << "";
    QTest::newRow("other scheme") << "smb://server/share" << int(Qt::LeftButton) << "";
}

void OnlineTest::clickOpensOnlyWebLinks()
{
    QFETCH(QString, link);
    QFETCH(int, button);
    QFETCH(QString, opened);
    m_server->set("/qbjson_7.php", {200, adJson({{"imglink", link}}), {}, -1, false});
    m_server->set("/img.png", {200, png(40, 30), {}, -1, false});
    Advertise *ad = makeAdvertise();
    QSignalSpy loaded(ad, &Advertise::advertiseLoaded);
    runAdvertise(ad);
    QTRY_COMPARE(loaded.size(), 1);
    QTest::mouseClick(ad, Qt::MouseButton(button), {}, QPoint(20, 20));
    QCOMPARE(m_opened.size(), opened.isEmpty() ? 0 : 1);
    if (!opened.isEmpty())
        QCOMPARE(m_opened.at(0).toString(QUrl::FullyEncoded), opened);
    if (button == Qt::LeftButton)
        QCOMPARE(ad->cursor().shape() == Qt::PointingHandCursor, !opened.isEmpty());
}

void OnlineTest::secondStartAbortsPendingReply()
{
    m_server->set("/qbjson_7.php", {200, {}, {}, -1, true});
    Advertise *ad = makeAdvertise();
    ad->timeoutMs = 30000;
    QSignalSpy ok(ad, &Advertise::linked);
    QSignalSpy failed(ad, &Advertise::linkErrored);
    ad->start();
    QTRY_COMPARE(m_server->targets.size(), 1);
    m_server->set("/qbjson_7.php", {200, adJson({{"imgsrc", ""}}), {}, -1, false});
    ad->start();
    QTRY_COMPARE(ok.size(), 1);
    // The first query was dropped at once, without a word of its own.
    QTRY_COMPARE_WITH_TIMEOUT(m_server->droppedByClient, 1, 1000);
    QTest::qWait(100);
    QCOMPARE(ok.size(), 1);
    QCOMPARE(failed.size(), 0);
}

void OnlineTest::noServerAddressQueriesNothing()
{
    qputenv("QB_SERVER_URL", QByteArray());
    Advertise *ad = makeAdvertise();
    QVERIFY(!ad->hasServer());
    QSignalSpy failed(ad, &Advertise::linkErrored);
    ad->start();
    QCOMPARE(failed.size(), 1);

    UpgradeWidget *widget = makeUpgrade();
    BoxAnswerer answerer("OK");
    widget->startCheck();
    QTRY_COMPARE(answerer.boxes, 1);
    QCOMPARE(answerer.text,
             QStringLiteral("无法连接到升级服务器，服务器升级信息配置错误或网络无法连接"));
    QCOMPARE(m_server->targets, QStringList());
}

void OnlineTest::tlsPeerIsVerified()
{
    const QString data = QStringLiteral(QB_TEST_DATA "/online/");
    LocalHttpServer tls(data + "selfsigned.crt", data + "selfsigned.key");
    tls.set("/qbjson_7.php", {200, adJson({{"imgsrc", ""}}), {}, -1, false});
    tls.set("/upgrade02/upgrade.php", {200, R"({"nv":"9","u":["a.dll"]})", {}, -1, false});
    qputenv("QB_SERVER_URL", tls.baseUrl().toUtf8());

    // The server itself answers a client that does not check who it is...
    QNetworkAccessManager manager;
    QNetworkRequest unchecked(QUrl(tls.baseUrl() + "/qbjson_7.php"));
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    unchecked.setSslConfiguration(config);
    QNetworkReply *reply = manager.get(unchecked);
    QTRY_VERIFY(reply->isFinished());
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    delete reply;

    // ...but ours refuse its self-signed certificate.
    Advertise *ad = makeAdvertise();
    QSignalSpy failed(ad, &Advertise::linkErrored);
    ad->start();
    QTRY_COMPARE(failed.size(), 1);
    UpgradeWidget *widget = makeUpgrade();
    BoxAnswerer answerer("OK");
    widget->startCheck();
    QTRY_COMPARE(answerer.boxes, 1);
    QCOMPARE(answerer.text,
             QStringLiteral("无法连接到升级服务器，服务器升级信息配置错误或网络无法连接"));
    QCOMPARE(tls.targets.size(), 1);
}

void OnlineTest::serveUpgrade(const QJsonValue &nv, const QStringList &names)
{
    const QJsonObject info{{"nv", nv}, {"u", QJsonArray::fromStringList(names)}};
    m_server->set("/upgrade02/upgrade.php", {200, QJsonDocument(info).toJson(), {}, -1, false});
    for (const QString &name : names)
        m_server->set("/upgrade02/" + QString::fromLatin1(QUrl::toPercentEncoding(name, "/")),
                      {200, "content of " + name.toUtf8(), {}, -1, false});
}

// Runs a check to its message box and returns the box's text, with the title in front.
QString OnlineTest::finishUpgrade(UpgradeWidget *widget)
{
    BoxAnswerer answerer("OK");
    widget->showNormal();
    widget->startCheck();
    if (!QTest::qWaitFor([&] { return answerer.boxes > 0 && !widget->isVisible(); }, 3000))
        return QStringLiteral("no message, or still shown");
    return answerer.title + ": " + answerer.text;
}

void OnlineTest::upgradeStops_data()
{
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<QString>("message");
    const QString connect = "无法连接到升级服务器，服务器升级信息配置错误或网络无法连接";
    const QString none = "未查询到升级信息", latest = "当前程序为最新版";
    auto json = [](const char *text) { return Reply{200, text, {}, -1, false}; };
    QTest::newRow("404") << Reply{404, "{}", {}, -1, false} << connect;
    QTest::newRow("500") << Reply{500, "{}", {}, -1, false} << connect;
    QTest::newRow("redirect") << LocalHttpServer::redirect("/elsewhere") << connect;
    QTest::newRow("short body") << Reply{200, R"({"nv":"9","u":["a"]})", {}, 900, false} << connect;
    QTest::newRow("hung server") << Reply{200, {}, {}, -1, true} << connect;
    QTest::newRow("garbage") << json("<html>oops") << none;
    QTest::newRow("key missing") << json(R"({"nv":"9"})") << none;
    QTest::newRow("empty list") << json(R"({"nv":"9","u":[]})") << none;
    QTest::newRow("same version") << json(R"({"nv":"7.22","u":["a"]})") << latest;
    QTest::newRow("same version as number") << json(R"({"nv":7.22,"u":["a"]})") << latest;
    QTest::newRow("letters") << json(R"({"nv":"abc","u":["a"]})") << latest;
}

void OnlineTest::upgradeStops()
{
    QFETCH(Reply, reply);
    QFETCH(QString, message);
    m_server->set("/upgrade02/upgrade.php", reply);
    UpgradeWidget *widget = makeUpgrade();
    QCOMPARE(finishUpgrade(widget), "墨岚白板升级停止: " + message);
    QCOMPARE(m_server->targets.size(), 1);
    QVERIFY(!QFile::exists(upgradeListFilePath()));
    const QByteArray head = m_server->heads.value(0);
    QVERIFY(head.startsWith("GET /upgrade02/upgrade.php HTTP/1.1\r\n"));
    QVERIFY(head.contains("\r\nContent-Type: application/json\r\n"));
}

void OnlineTest::fullUpgrade()
{
    const QStringList names{"a.dll", "lib/b.dll", "x y#1.dll"};
    serveUpgrade(7.23, names);
    QVERIFY(QDir().mkpath(upgradeDirPath() + "/old"));
    UpgradeWidget *widget = makeUpgrade();
    auto *bar = widget->findChild<QProgressBar *>();
    QList<int> progress;
    connect(bar, &QProgressBar::valueChanged, this, [&progress](int v) { progress << v; });
    QCOMPARE(finishUpgrade(widget), "升级完成: 墨岚白板升级完成，关闭程序后将自动完成升级");
    QCOMPARE(progress, (QList<int>{5, 35, 65, 95, 100}));
    QCOMPARE(m_server->targets.mid(1),
             (QStringList{"/upgrade02/a.dll", "/upgrade02/lib/b.dll", "/upgrade02/x%20y%231.dll"}));
    QCOMPARE(filesBelow(upgradeDirPath()),
             (QStringList{"a.dll", "lib/b.dll", "upgrade.ini", "x y#1.dll"}));
    for (const QString &name : names)
        QCOMPARE(fileBytes(upgradeDirPath() + "/" + name), "content of " + name.toUtf8());
    QCOMPARE(fileBytes(upgradeListFilePath()), QByteArray("|a.dll|lib/b.dll|x y#1.dll"));
    QVERIFY(!QFileInfo::exists(upgradeDirPath() + "/old"));
}

void OnlineTest::failedDownloadLeavesNoList_data()
{
    QTest::addColumn<QString>("second");
    QTest::addColumn<Reply>("reply");
    const QByteArray body = "content of b.dll";
    QTest::newRow("404") << "b.dll" << Reply{404, body, {}, -1, false};
    QTest::newRow("500") << "b.dll" << Reply{500, body, {}, -1, false};
    QTest::newRow("redirect") << "b.dll" << LocalHttpServer::redirect("/upgrade02/a.dll");
    QTest::newRow("truncated") << "b.dll" << Reply{200, body, {}, body.size() + 100, false};
    QTest::newRow("hung server") << "b.dll" << Reply{200, {}, {}, -1, true};
    QTest::newRow("two folder levels") << "p/q/b.dll" << Reply{200, body, {}, -1, false};
}

void OnlineTest::failedDownloadLeavesNoList()
{
    QFETCH(QString, second);
    QFETCH(Reply, reply);
    serveUpgrade("7.3", {"a.dll", second, "c.dll"});
    m_server->set("/upgrade02/" + second, reply);
    // A list left by an earlier check goes too.
    QVERIFY(QDir().mkpath(upgradeDirPath()));
    QFile old(upgradeListFilePath());
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();
    UpgradeWidget *widget = makeUpgrade();
    QCOMPARE(finishUpgrade(widget),
             QStringLiteral("墨岚白板升级停止: 升级过程被中断或服务器升级配置错误，请稍后重试"));
    QCOMPARE(filesBelow(upgradeDirPath()), QStringList{"a.dll"});
    QVERIFY(!m_server->targets.contains("/upgrade02/c.dll"));
}

void OnlineTest::refusedFileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("parent folders") << "../../x.dll";
    QTest::newRow("parent inside") << "lib/../../x.dll";
    QTest::newRow("absolute") << QDir::tempPath() + "/qb_online_x.dll";
    QTest::newRow("backslash") << "..\\x.dll";
    QTest::newRow("empty segment") << "lib//x.dll";
    QTest::newRow("folder only") << "lib/";
    QTest::newRow("empty") << "";
    QTest::newRow("the list file") << "UPGRADE.ini";
    QTest::newRow("list separator") << "b.dll|../../x.dll";
    QTest::newRow("the folder itself") << ".";
}

void OnlineTest::refusedFileNames()
{
    QFETCH(QString, name);
    serveUpgrade("8", {"a.dll", name});
    UpgradeWidget *widget = makeUpgrade();
    const QStringList before = filesBelow(appDataDir);
    QCOMPARE(finishUpgrade(widget),
             QStringLiteral("墨岚白板升级停止: 升级过程被中断或服务器升级配置错误，请稍后重试"));
    // Not even the good name is fetched from a list like that.
    QCOMPARE(m_server->targets.size(), 1);
    QCOMPARE(filesBelow(appDataDir), before);
    QCOMPARE(filesBelow(m_dir->path()).filter("x.dll"), QStringList());
    QVERIFY(!QFile::exists(QDir::tempPath() + "/qb_online_x.dll"));
}

void OnlineTest::closingCancelsTheDownload()
{
    serveUpgrade("8", {"a.dll", "b.dll"});
    m_server->set("/upgrade02/b.dll", {200, {}, {}, -1, true});
    UpgradeWidget *widget = makeUpgrade();
    widget->timeoutMs = 30000;
    {
        BoxAnswerer answerer("OK");
        widget->showNormal();
        widget->startCheck();
        QTRY_COMPARE(m_server->targets.size(), 3);
        QVERIFY(widget->isBusy());
        QVERIFY(widget->close());
        QTRY_COMPARE_WITH_TIMEOUT(m_server->droppedByClient, 1, 1000);
        QVERIFY(!widget->isBusy());
        QTest::qWait(100);
        QCOMPARE(answerer.boxes, 0);
    }
    QCOMPARE(filesBelow(upgradeDirPath()), QStringList{"a.dll"});

    // A new check starts from the beginning.
    m_server->set("/upgrade02/b.dll", {200, "b", {}, -1, false});
    QCOMPARE(finishUpgrade(widget), "升级完成: 墨岚白板升级完成，关闭程序后将自动完成升级");
    QVERIFY(QFile::exists(upgradeListFilePath()));
}

QTEST_MAIN(OnlineTest)
#include "tst_online.moc"
