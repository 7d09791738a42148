#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>

#include "app/filesystem.h"
#include "app/globals.h"
#include "app/paths.h"
#include "online/advertise.h"
#include "online/upgradewidget.h"

#include "boxanswerer.h"
#include "localhttpserver.h"

using Server = LocalHttpServer;
using Reply = LocalHttpServer::Reply;
Q_DECLARE_METATYPE(LocalHttpServer::Reply)

namespace {

constexpr qint64 day = 86400000, clockStart = 1700000000000;
const QString stop = "墨岚白板升级停止: ",
              interrupted = stop + "升级过程被中断或服务器升级配置错误，请稍后重试",
              unreachable = stop + "无法连接到升级服务器，服务器升级信息配置错误或网络无法连接",
              finished = "升级完成: 墨岚白板升级完成，关闭程序后将自动完成升级";
// How far an advertisement query gets; each stage implies the ones before it.
enum Stage { LinkFailed, Linked, PictureFetched, Shown };

QByteArray png(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// A good advertisement query with the given keys changed.
Reply adJson(const QJsonObject &changes = {})
{
    QJsonObject object =
        QJsonDocument::fromJson(
            R"({"imglink": " https://example.org/ad ", "imgsrc": "$BASE/img.png", "w": 40, )"
            R"("h": 30, "showtime": 2, "savedays": 30, "sinfo": "", "close": 0})")
            .object();
    for (auto it = changes.begin(); it != changes.end(); ++it)
        object.insert(it.key(), it.value());
    return Server::ok(QJsonDocument(object).toJson());
}

Reply upgradeInfo(const QStringList &names, const QJsonValue &nv = "8")
{
    const QJsonObject info{{"nv", nv}, {"u", QJsonArray::fromStringList(names)}};
    return Server::ok(QJsonDocument(info).toJson());
}

// Every file below the folder, as sorted relative paths.
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

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Server> m_server;
    std::unique_ptr<Advertise> m_ad;
    double m_version = 7.22;
    qint64 m_now = clockStart;
    QList<QUrl> m_opened;

    // A new panel; the server gets a good query, with the given keys changed, and its picture.
    Advertise *makeAdvertise(const QJsonObject &changes = {})
    {
        m_server->set("/qbjson_7.php", adJson(changes));
        m_server->set("/img.png", Server::ok(png(40, 30)));
        m_ad = std::make_unique<Advertise>();
        m_ad->now = [this] { return m_now; };
        m_ad->openLink = [this](const QUrl &url) { return m_opened << url, true; };
        m_ad->timeoutMs = 500;
        return m_ad.get();
    }
    // Starts a query and waits until nothing of it is on its way any more.
    void runAdvertise()
    {
        m_ad->start();
        QTRY_VERIFY_WITH_TIMEOUT(!m_ad->isBusy(), 3000);
    }
    // Runs an upgrade check to its message box; returns the box's title and text.
    QString runUpgrade()
    {
        UpgradeWidget widget(&m_version);
        widget.timeoutMs = 500;
        BoxAnswerer answerer("OK");
        widget.showNormal();
        widget.startCheck();
        if (!QTest::qWaitFor([&] { return answerer.boxes && !widget.isVisible(); }, 3000))
            return QStringLiteral("no message, or still shown");
        return answerer.title + ": " + answerer.text;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        appDataDir = m_dir->filePath("data");
        QVERIFY(QDir().mkpath(configDirPath()));
        m_server = std::make_unique<Server>();
        QVERIFY(m_server->isListening());
        m_server->fallback = Server::ok("content"); // every upgrade file asked for
        qputenv("QB_SERVER_URL", m_server->baseUrl().toUtf8() + "/");
        m_now = clockStart;
        m_opened.clear();
    }
    void cleanup()
    {
        m_ad.reset();
        m_server.reset();
        m_dir.reset();
    }

    void advertisement_data()
    {
        QTest::addColumn<Reply>("query");
        QTest::addColumn<Reply>("picture");
        QTest::addColumn<int>("stage");
        QTest::addColumn<QString>("opened"); // by a click on the shown picture
        const Reply good = adJson(), picture = Server::ok(png(40, 30));
        const QString web = "https://example.org/ad";
        auto row = [](const char *name, const Reply &query, const Reply &picture, Stage stage,
                      const QString &opened = {}) {
            QTest::newRow(name) << query << picture << int(stage) << opened;
        };
        row("w, h as text", adJson({{"w", "40"}, {"h", " 30"}}), picture, Shown, web);
        row("file link", adJson({{"imglink", "file:///usr/bin/xterm"}}), picture, Shown);
        row("smb link", adJson({{"imglink", "smb://server/share"}}), picture, Shown);
        row("404", Server::status(404), picture, LinkFailed);
        row("short", Server::truncated(good.body), picture, LinkFailed);
        row("hung", Server::hung(), picture, LinkFailed);
        row("garbage", Server::ok("<html>{"), picture, Linked);
        row("message, close", adJson({{"sinfo", "维护"}, {"close", 1}}), picture, Linked);
        row("file address", adJson({{"imgsrc", "file:///etc/hostname"}}), picture, Linked);
        row("picture short", good, Server::truncated(picture.body), PictureFetched);
        row("picture garbage", good, Server::ok("GIF89a"), PictureFetched);
        row("picture too wide", good, Server::ok(png(4097, 2)), PictureFetched);
    }
    void advertisement()
    {
        QFETCH(Reply, query);
        QFETCH(Reply, picture);
        QFETCH(int, stage);
        QFETCH(QString, opened);
        Advertise *ad = makeAdvertise();
        m_server->set("/qbjson_7.php", query);
        m_server->set("/img.png", picture);
        QSignalSpy ok(ad, &Advertise::linked), failed(ad, &Advertise::linkErrored);
        QSignalSpy loaded(ad, &Advertise::advertiseLoaded);
        runAdvertise();
        QCOMPARE(ok.size(), int(stage >= Linked));
        QCOMPARE(failed.size(), int(stage < Linked));
        QCOMPARE(m_server->targets.contains("/img.png"), stage >= PictureFetched);
        QCOMPARE(loaded.size(), int(stage == Shown));
        // Only a whole picture that decodes is cached.
        QCOMPARE(filesBelow(configDirPath()).size(), stage == Shown ? 2 : 0);
        if (stage == Shown) {
            QTest::mouseClick(ad, Qt::LeftButton, {}, QPoint(20, 20));
            QCOMPARE(m_opened, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
            QCOMPARE(ad->cursor().shape() == Qt::PointingHandCursor, !opened.isEmpty());
        }
    }

    void requestCacheCountdownAndExpiry()
    {
        Advertise *ad = makeAdvertise();
        connect(ad, &Advertise::advertiseLoaded, ad, &QWidget::show);
        runAdvertise();
        QString query = m_server->targets.value(0);
        query.replace(QRegularExpression("m=[0-9a-f]{32}&"), "m=failure&");
        QCOMPARE(query, QStringLiteral("/qbjson_7.php?m=failure&t=1700000000000"));
        QVERIFY(m_server->heads.value(0).contains("\r\nContent-Type: application/json\r\n"));
        QCOMPARE(FileSystem::readAll(adImageFilePath()), png(40, 30).toBase64());
        QCOMPARE(FileSystem::readAll(adJsonFilePath()),
                 QByteArray("{\n    \"downtime\": 1700000000000\n}\n").toBase64());
        // Shown for "showtime" seconds, then it may be closed.
        QCOMPARE(ad->size(), QSize(40, 30));
        auto *close = ad->findChild<QPushButton *>();
        QVERIFY(ad->isVisible() && !close->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(ad->findChild<QLabel *>()->text(), QStringLiteral("2 s"), 1500);
        QTRY_VERIFY_WITH_TIMEOUT(close->isEnabled(), 1500);
        close->click();
        QVERIFY(!ad->isVisible());

        // A new panel reads the download time back from its cache file and keeps the picture
        // "savedays" days, while it has the size the query names.
        auto fetchesAgain = [this](qint64 at, int width) {
            const int before = m_server->targets.count("/img.png");
            QSignalSpy loaded(makeAdvertise({{"w", width}}), &Advertise::advertiseLoaded);
            m_now = at;
            runAdvertise();
            return loaded.size() == 1 ? m_server->targets.count("/img.png") > before : -1;
        };
        QCOMPARE(fetchesAgain(clockStart + 30 * day, 40), 0);
        QCOMPARE(fetchesAgain(clockStart + 30 * day + 1, 40), 1);
        QCOMPARE(fetchesAgain(m_now - 1, 40), 1); // the clock went back
        QCOMPARE(fetchesAgain(m_now + day, 41), 1);
    }

    void secondStartAbortsPendingReply()
    {
        Advertise *ad = makeAdvertise();
        m_server->set("/qbjson_7.php", Server::hung());
        ad->timeoutMs = 30000;
        QSignalSpy ok(ad, &Advertise::linked), failed(ad, &Advertise::linkErrored);
        ad->start();
        QTRY_COMPARE(m_server->targets.size(), 1);
        m_server->set("/qbjson_7.php", adJson({{"imgsrc", ""}}));
        ad->start();
        // The first query is dropped at once, without a word of its own.
        QTRY_COMPARE_WITH_TIMEOUT(m_server->droppedByClient, 1, 1000);
        QTRY_COMPARE(ok.size(), 1);
        QTest::qWait(100);
        QCOMPARE(ok.size() + failed.size(), 1);
    }

    void tlsPeerIsVerified()
    {
        const QString data = QStringLiteral(QB_TEST_DATA "/online/");
        Server tls(data + "selfsigned.crt", data + "selfsigned.key");
        tls.set("/qbjson_7.php", adJson({{"imgsrc", ""}}));
        tls.set("/upgrade02/upgrade.php", upgradeInfo({"a.dll"}));
        qputenv("QB_SERVER_URL", tls.baseUrl().toUtf8());
        // The server answers a client that does not check who it is...
        QNetworkAccessManager manager;
        QNetworkRequest unchecked(QUrl(tls.baseUrl() + "/qbjson_7.php"));
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        unchecked.setSslConfiguration(config);
        std::unique_ptr<QNetworkReply> reply(manager.get(unchecked));
        QTRY_VERIFY(reply->isFinished());
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        // ...but ours refuse its self-signed certificate.
        QSignalSpy failed(makeAdvertise(), &Advertise::linkErrored);
        runAdvertise();
        QCOMPARE(failed.size(), 1);
        QCOMPARE(runUpgrade(), unreachable);
        QCOMPARE(tls.targets.size(), 1);
    }

    void upgradeChecks_data()
    {
        QTest::addColumn<Reply>("query");
        QTest::addColumn<Reply>("second"); // the reply for "b.dll"
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("left");
        const QString latest = stop + "当前程序为最新版";
        const Reply files = upgradeInfo({"a.dll", "b.dll", "c.dll"}), good = Server::ok("b");
        const QStringList nothing, first{"a.dll"};
        QTest::newRow("full") << upgradeInfo({"a.dll", "lib/b.dll", "x y#1.dll"}, 7.23) << good
                              << finished
                              << QStringList{"a.dll", "lib/b.dll", "upgrade.ini", "x y#1.dll"};
        QTest::newRow("hung") << Server::hung() << good << unreachable << nothing;
        QTest::newRow("garbage") << Server::ok("<html>{") << good << stop + "未查询到升级信息"
                                 << nothing;
        QTest::newRow("same as number") << upgradeInfo({"a"}, 7.22) << good << latest << nothing;
        QTest::newRow("b 404") << files << Server::status(404) << interrupted << first;
        QTest::newRow("b truncated") << files << Server::truncated("bbbb") << interrupted << first;
        QTest::newRow("b hung") << files << Server::hung() << interrupted << first;
        // A list naming anything outside the folder is not followed at all.
        for (const char *name :
             {"../../x.dll", "lib/../../x.dll", "/tmp/qb_online_x.dll", "..\\x.dll", "lib//x.dll",
              "lib/", "", "UPGRADE.ini", ".", "b.dll|../../x.dll"})
            QTest::newRow(qPrintable(QStringLiteral("name ") + name))
                << upgradeInfo({"a.dll", QString(name)}) << good << interrupted << nothing;
    }
    void upgradeChecks()
    {
        QFETCH(Reply, query);
        QFETCH(Reply, second);
        QFETCH(QString, message);
        QFETCH(QStringList, left);
        m_server->set("/upgrade02/upgrade.php", query);
        m_server->set("/upgrade02/b.dll", second);
        QVERIFY(QDir().mkpath(upgradeDirPath() + "/old"));
        QCOMPARE(runUpgrade(), message);
        const QByteArray head = m_server->heads.value(0);
        QVERIFY(head.startsWith("GET /upgrade02/upgrade.php HTTP/1.1\r\n"));
        QVERIFY(head.contains("\r\nContent-Type: application/json\r\n"));
        QCOMPARE(m_server->targets.size() == 1, left.isEmpty());
        QVERIFY(!m_server->targets.contains("/upgrade02/c.dll"));
        QCOMPARE(filesBelow(upgradeDirPath()), left);
        QCOMPARE(filesBelow(m_dir->path()).filter("x.dll"), QStringList());
        QVERIFY(!QFile::exists("/tmp/qb_online_x.dll"));
        if (message == finished) {
            // Names go out URL-encoded; the list for the updater holds them as given.
            QCOMPARE(m_server->targets.last(), QStringLiteral("/upgrade02/x%20y%231.dll"));
            QCOMPARE(FileSystem::readAll(upgradeDirPath() + "/lib/b.dll"), QByteArray("content"));
            QCOMPARE(FileSystem::readAll(upgradeListFilePath()),
                     QByteArray("|a.dll|lib/b.dll|x y#1.dll"));
            QVERIFY(!QFileInfo::exists(upgradeDirPath() + "/old"));
        }
    }

    void closingCancelsTheDownload()
    {
        m_server->set("/upgrade02/upgrade.php", upgradeInfo({"a.dll", "b.dll"}));
        m_server->set("/upgrade02/b.dll", Server::hung());
        UpgradeWidget widget(&m_version); // with its own time limit of 30 s
        BoxAnswerer answerer("OK");
        widget.showNormal();
        widget.startCheck();
        QTRY_COMPARE(m_server->targets.size(), 3);
        QVERIFY(widget.close());
        QTRY_COMPARE_WITH_TIMEOUT(m_server->droppedByClient, 1, 1000);
        QVERIFY(!widget.isBusy());
        QTest::qWait(100);
        QCOMPARE(answerer.boxes, 0);
        QCOMPARE(filesBelow(upgradeDirPath()), QStringList{"a.dll"});
    }
};

QTEST_MAIN(OnlineTest)
#include "tst_online.moc"
