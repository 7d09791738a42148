#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressBar>
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

constexpr qint64 day = 86400000;
constexpr qint64 clockStart = 1700000000000;
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

QByteArray adJson(const QJsonObject &changes = {})
{
    const char *good =
        R"({"imglink": " https://example.org/ad ", "imgsrc": "$BASE/img.png", )"
        R"("w": 40, "h": 30, "showtime": 2, "savedays": 30, "sinfo": "", "close": 0})";
    QJsonObject object = QJsonDocument::fromJson(good).object();
    for (auto it = changes.begin(); it != changes.end(); ++it)
        object.insert(it.key(), it.value());
    return QJsonDocument(object).toJson();
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
    std::unique_ptr<UpgradeWidget> m_upgrade;
    double m_version = 7.22;
    qint64 m_now = clockStart;
    QList<QUrl> m_opened;

    Advertise *makeAdvertise()
    {
        m_ad = std::make_unique<Advertise>();
        m_ad->now = [this] { return m_now; };
        m_ad->openLink = [this](const QUrl &url) { return m_opened << url, true; };
        m_ad->timeoutMs = 500;
        return m_ad.get();
    }
    UpgradeWidget *makeUpgrade()
    {
        m_upgrade = std::make_unique<UpgradeWidget>(&m_version);
        m_upgrade->timeoutMs = 500;
        m_server->fallback = Server::ok("content"); // every file asked for
        return m_upgrade.get();
    }
    // Serves a good query, with the given keys changed, and its picture.
    void serveAd(const QJsonObject &changes = {})
    {
        m_server->set("/qbjson_7.php", Server::ok(adJson(changes)));
        m_server->set("/img.png", Server::ok(png(40, 30)));
    }
    // Starts a query and waits until nothing of it is on its way any more.
    void runAdvertise(Advertise *ad)
    {
        ad->start();
        QTRY_VERIFY_WITH_TIMEOUT(!ad->isBusy(), 3000);
    }
    // Runs a check to its message box; returns the box's title and text.
    QString finishUpgrade(UpgradeWidget *widget)
    {
        BoxAnswerer answerer("OK");
        widget->showNormal();
        widget->startCheck();
        if (!QTest::qWaitFor([&] { return answerer.boxes > 0 && !widget->isVisible(); }, 3000))
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
        qputenv("QB_SERVER_URL", m_server->baseUrl().toUtf8() + "/");
        m_now = clockStart;
        m_opened.clear();
    }
    void cleanup()
    {
        m_ad.reset();
        m_upgrade.reset();
        m_server.reset();
        m_dir.reset();
    }

    void advertisement_data()
    {
        QTest::addColumn<Reply>("query");
        QTest::addColumn<Reply>("picture");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("stage");
        const Reply good = Server::ok(adJson()), picture = Server::ok(png(40, 30));
        auto row = [&](const char *name, const Reply &query, const Reply &pic, Stage stage,
                       const QString &message = {}) {
            QTest::newRow(name) << query << pic << message << int(stage);
        };
        auto with = [](const QJsonObject &changes) { return Server::ok(adJson(changes)); };
        row("good", good, picture, Shown);
        row("w, h as text", with({{"w", "40"}, {"h", " 30"}}), picture, Shown);
        row("404", Server::status(404), picture, LinkFailed);
        row("redirect", Server::redirect(), picture, LinkFailed);
        row("short", Server::truncated(adJson()), picture, LinkFailed);
        row("hung", Server::hung(), picture, LinkFailed);
        row("garbage", Server::ok("<html>{"), picture, Linked);
        row("key missing", Server::ok(R"({"imglink":"","imgsrc":"$BASE/img.png"})"), picture,
            Linked);
        row("message, close", with({{"sinfo", " 维护 "}, {"close", 1}}), picture, Linked, "维护");
        row("message only", with({{"sinfo", "维护"}}), picture, Shown, "维护");
        row("close only", with({{"close", 1}}), picture, Shown);
        row("picture 404", good, Server::status(404), PictureFetched);
        row("picture short", good, Server::truncated(png(40, 30)), PictureFetched);
        row("picture garbage", good, Server::ok("GIF89a"), PictureFetched);
        row("picture too wide", good, Server::ok(png(4097, 2)), PictureFetched);
        row("picture hung", good, Server::hung(), PictureFetched);
        row("file address", with({{"imgsrc", "file:///etc/hostname"}}), picture, Linked);
        row("ftp address", with({{"imgsrc", "ftp://127.0.0.1/img.png"}}), picture, Linked);
    }
    void advertisement()
    {
        QFETCH(Reply, query);
        QFETCH(Reply, picture);
        QFETCH(QString, message);
        QFETCH(int, stage);
        m_server->set("/qbjson_7.php", query);
        m_server->set("/img.png", picture);
        m_server->set("/elsewhere", Server::ok(adJson()));
        Advertise *ad = makeAdvertise();
        QSignalSpy ok(ad, &Advertise::linked), failed(ad, &Advertise::linkErrored);
        QSignalSpy messages(ad, &Advertise::hasMessage), loaded(ad, &Advertise::advertiseLoaded);
        runAdvertise(ad);
        QCOMPARE(ok.size(), int(stage >= Linked));
        QCOMPARE(failed.size(), int(stage < Linked));
        QCOMPARE(messages.value(0).value(0).toString(), message);
        if (!message.isEmpty())
            QCOMPARE(messages.at(0).at(1).toBool(), stage < PictureFetched);
        QCOMPARE(m_server->targets.contains("/img.png"), stage >= PictureFetched);
        QVERIFY(!m_server->targets.contains("/elsewhere"));
        QCOMPARE(loaded.size(), int(stage == Shown));
        // Only a whole picture that decodes is cached.
        QCOMPARE(filesBelow(configDirPath()).size(), stage == Shown ? 2 : 0);
    }

    void requestAndCacheFiles()
    {
        serveAd();
        Advertise *ad = makeAdvertise();
        runAdvertise(ad);
        QString query = m_server->targets.value(0);
        query.replace(QRegularExpression("m=[0-9a-f]{32}&"), "m=failure&");
        QCOMPARE(query, QStringLiteral("/qbjson_7.php?m=failure&t=1700000000000"));
        const QByteArray head = m_server->heads.value(0);
        QVERIFY(head.contains("\r\nContent-Type: application/json\r\n"));
        QVERIFY(
            head.contains("\r\nUser-Agent: Mozilla/5.0 (Windows NT 10.0; Win32; x86) "
                          "AppleWebKit/537.36 (KHTML, like Gecko) Chrome/109.0.0.0 "
                          "Safari/537.36 Edg/109.0.1518.70\r\n"));
        QCOMPARE(m_server->targets.value(1), QStringLiteral("/img.png"));
        QVERIFY(!m_server->heads.value(1).contains("Content-Type"));
        QCOMPARE(FileSystem::readAll(adImageFilePath()), png(40, 30).toBase64());
        QCOMPARE(FileSystem::readAll(adJsonFilePath()),
                 QByteArray("{\n    \"downtime\": 1700000000000\n}\n").toBase64());
        QCOMPARE(ad->size(), QSize(40, 30));
    }

    void cachedPictureValidity_data()
    {
        QTest::addColumn<qint64>("later");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("downloadedAgain");
        QTest::newRow("last valid millisecond") << 30 * day << 40 << false;
        QTest::newRow("one millisecond later") << 30 * day + 1 << 40 << true;
        QTest::newRow("clock before the download") << qint64(-1) << 40 << true;
        QTest::newRow("width off by one") << day << 41 << true;
    }
    void cachedPictureValidity()
    {
        QFETCH(qint64, later);
        QFETCH(int, width);
        QFETCH(bool, downloadedAgain);
        serveAd();
        runAdvertise(makeAdvertise());
        // A new panel reads the download time back from its cache file.
        Advertise *ad = makeAdvertise();
        m_now = clockStart + later;
        m_server->set("/qbjson_7.php", Server::ok(adJson({{"w", width}})));
        QSignalSpy loaded(ad, &Advertise::advertiseLoaded);
        runAdvertise(ad);
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(m_server->targets.count("/img.png"), downloadedAgain ? 2 : 1);
    }

    void countdownThenClose()
    {
        serveAd();
        Advertise *ad = makeAdvertise();
        connect(ad, &Advertise::advertiseLoaded, ad, &QWidget::show);
        auto *label = ad->findChild<QLabel *>();
        auto *close = ad->findChild<QPushButton *>();
        runAdvertise(ad);
        QVERIFY(ad->isVisible());
        QVERIFY(!close->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), QStringLiteral("2 s"), 1500);
        QTRY_VERIFY_WITH_TIMEOUT(close->isEnabled(), 1500);
        QCOMPARE(label->text(), QString());
        close->click();
        QVERIFY(!ad->isVisible());
    }

    void clickOpensOnlyWebLinks_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("opened");
        const int left = Qt::LeftButton;
        QTest::newRow("https") << " https://example.org/ad " << left << "https://example.org/ad";
        QTest::newRow("right button") << "https://example.org/ad" << int(Qt::RightButton) << "";
        QTest::newRow("empty link") << "" << left << "";
        QTest::newRow("local file") << "file:///usr/bin/xterm" << left << "";
        QTest::newRow("other scheme") << "smb://server/share" << left << "";
    }
    void clickOpensOnlyWebLinks()
    {
        QFETCH(QString, link);
        QFETCH(int, button);
        QFETCH(QString, opened);
        serveAd({{"imglink", link}});
        Advertise *ad = makeAdvertise();
        runAdvertise(ad);
        QTest::mouseClick(ad, Qt::MouseButton(button), {}, QPoint(20, 20));
        QCOMPARE(m_opened.value(0).toString(QUrl::FullyEncoded), opened);
        QCOMPARE(m_opened.size(), int(!opened.isEmpty()));
        if (button == Qt::LeftButton)
            QCOMPARE(ad->cursor().shape() == Qt::PointingHandCursor, !opened.isEmpty());
    }

    void secondStartAbortsPendingReply()
    {
        m_server->set("/qbjson_7.php", Server::hung());
        Advertise *ad = makeAdvertise();
        ad->timeoutMs = 30000;
        QSignalSpy ok(ad, &Advertise::linked), failed(ad, &Advertise::linkErrored);
        ad->start();
        QTRY_COMPARE(m_server->targets.size(), 1);
        m_server->set("/qbjson_7.php", Server::ok(adJson({{"imgsrc", ""}})));
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
        tls.set("/qbjson_7.php", Server::ok(adJson({{"imgsrc", ""}})));
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
        runAdvertise(m_ad.get());
        QCOMPARE(failed.size(), 1);
        QCOMPARE(finishUpgrade(makeUpgrade()), unreachable);
        QCOMPARE(tls.targets.size(), 1);
    }

    void upgradeFailures_data()
    {
        QTest::addColumn<Reply>("query");
        QTest::addColumn<Reply>("second"); // the reply for "b.dll"
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("left");
        const QString none = stop + "未查询到升级信息", latest = stop + "当前程序为最新版";
        const Reply files = upgradeInfo({"a.dll", "b.dll", "c.dll"}), good = Server::ok("b");
        const QStringList nothing, first{"a.dll"};
        QTest::newRow("404") << Server::status(404) << good << unreachable << nothing;
        QTest::newRow("redirect") << Server::redirect() << good << unreachable << nothing;
        QTest::newRow("hung") << Server::hung() << good << unreachable << nothing;
        QTest::newRow("garbage") << Server::ok("<html>{") << good << none << nothing;
        QTest::newRow("key missing") << Server::ok(R"({"nv":"9"})") << good << none << nothing;
        QTest::newRow("empty list") << upgradeInfo({}) << good << none << nothing;
        QTest::newRow("same version") << upgradeInfo({"a"}, "7.22") << good << latest << nothing;
        QTest::newRow("same as number") << upgradeInfo({"a"}, 7.22) << good << latest << nothing;
        QTest::newRow("letters") << upgradeInfo({"a"}, "abc") << good << latest << nothing;
        QTest::newRow("b 404") << files << Server::status(404) << interrupted << first;
        QTest::newRow("b truncated") << files << Server::truncated("bbbb") << interrupted << first;
        QTest::newRow("b hung") << files << Server::hung() << interrupted << first;
        QTest::newRow("two folder levels")
            << upgradeInfo({"a.dll", "p/q/b.dll"}) << good << interrupted << first;
        // A list naming anything outside the folder is not followed at all.
        for (const char *name :
             {"../../x.dll", "lib/../../x.dll", "/tmp/qb_online_x.dll", "..\\x.dll", "lib//x.dll",
              "lib/", "", "UPGRADE.ini", ".", "b.dll|../../x.dll"})
            QTest::newRow(qPrintable(QStringLiteral("name ") + name))
                << upgradeInfo({"a.dll", QString(name)}) << good << interrupted << nothing;
    }
    void upgradeFailures()
    {
        QFETCH(Reply, query);
        QFETCH(Reply, second);
        QFETCH(QString, message);
        QFETCH(QStringList, left);
        m_server->set("/upgrade02/upgrade.php", query);
        m_server->set("/upgrade02/b.dll", second);
        QCOMPARE(finishUpgrade(makeUpgrade()), message);
        const QByteArray head = m_server->heads.value(0);
        QVERIFY(head.startsWith("GET /upgrade02/upgrade.php HTTP/1.1\r\n"));
        QVERIFY(head.contains("\r\nContent-Type: application/json\r\n"));
        QCOMPARE(m_server->targets.size() == 1, left.isEmpty());
        QVERIFY(!m_server->targets.contains("/upgrade02/c.dll"));
        QCOMPARE(filesBelow(upgradeDirPath()), left);
        QCOMPARE(filesBelow(m_dir->path()).filter("x.dll"), QStringList());
        QVERIFY(!QFile::exists("/tmp/qb_online_x.dll"));
    }

    void fullUpgrade()
    {
        const QStringList names{"a.dll", "lib/b.dll", "x y#1.dll"};
        m_server->set("/upgrade02/upgrade.php", upgradeInfo(names, 7.23));
        QVERIFY(QDir().mkpath(upgradeDirPath() + "/old"));
        UpgradeWidget *widget = makeUpgrade();
        QList<int> progress;
        connect(widget->findChild<QProgressBar *>(), &QProgressBar::valueChanged, this,
                [&progress](int value) { progress << value; });
        QCOMPARE(finishUpgrade(widget), finished);
        QCOMPARE(progress, (QList<int>{5, 35, 65, 95, 100}));
        QCOMPARE(m_server->targets.mid(1), (QStringList{"/upgrade02/a.dll", "/upgrade02/lib/b.dll",
                                                        "/upgrade02/x%20y%231.dll"}));
        QCOMPARE(filesBelow(upgradeDirPath()),
                 (QStringList{names[0], names[1], "upgrade.ini", names[2]}));
        QCOMPARE(FileSystem::readAll(upgradeDirPath() + "/lib/b.dll"), QByteArray("content"));
        QCOMPARE(FileSystem::readAll(upgradeListFilePath()),
                 QByteArray("|a.dll|lib/b.dll|x y#1.dll"));
        QVERIFY(!QFileInfo::exists(upgradeDirPath() + "/old"));
    }

    void closingCancelsTheDownload()
    {
        m_server->set("/upgrade02/upgrade.php", upgradeInfo({"a.dll", "b.dll"}));
        m_server->set("/upgrade02/b.dll", Server::hung());
        UpgradeWidget *widget = makeUpgrade();
        widget->timeoutMs = 30000;
        {
            BoxAnswerer answerer("OK");
            widget->showNormal();
            widget->startCheck();
            QTRY_COMPARE(m_server->targets.size(), 3);
            QVERIFY(widget->close());
            QTRY_COMPARE_WITH_TIMEOUT(m_server->droppedByClient, 1, 1000);
            QVERIFY(!widget->isBusy());
            QTest::qWait(100);
            QCOMPARE(answerer.boxes, 0);
        }
        QCOMPARE(filesBelow(upgradeDirPath()), QStringList{"a.dll"});
        // A new check starts from the beginning.
        m_server->set("/upgrade02/b.dll", Server::ok("b"));
        QCOMPARE(finishUpgrade(widget), finished);
        QVERIFY(QFile::exists(upgradeListFilePath()));
    }
};

QTEST_MAIN(OnlineTest)
#include "tst_online.moc"
