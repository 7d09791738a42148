#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>

#include "base/filesystem.h"
#include "base/globals.h"
#include "base/paths.h"
#include "online/advertise.h"
#include "online/upgradewidget.h"

#include "boxanswerer.h"
#include "localhttpserver.h"
#include "windowsetup.h"

using Server = LocalHttpServer;
using Reply = LocalHttpServer::Reply;
using Replies = QVector<QPair<QString, Reply>>; // path, reply
Q_DECLARE_METATYPE(LocalHttpServer::Reply)
Q_DECLARE_METATYPE(Replies)

namespace {

const QString stop = "墨岚白板升级停止: ",
              interrupted = stop + "升级过程被中断或服务器升级配置错误，请稍后重试",
              finished = "升级完成: 墨岚白板升级完成，关闭程序后将自动完成升级";

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

// The process's resident memory in bytes: "VmRSS" now, "VmHWM" its peak.
qint64 residentBytes(const char *field)
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    const QRegularExpression line(QString("^%1:\\s*(\\d+) kB$").arg(field),
                                  QRegularExpression::MultilineOption);
    return line.match(QString(status.readAll())).captured(1).toLongLong() * 1024;
}

// Starts the peak afresh where the kernel lets us (it stays an upper bound either way) and
// returns the resident memory now.
qint64 resetPeakMemory()
{
    QFile clearRefs("/proc/self/clear_refs");
    if (clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5"))
        clearRefs.close();
    return residentBytes("VmRSS");
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
    QList<QUrl> m_opened;
    std::function<qint64(const QString &)> m_freeBytes; // the real disk's when empty

    // A new panel; the server gets the given query and a good picture.
    Advertise *makeAdvertise(const Reply &query = adJson())
    {
        m_server->set("/qbjson_7.php", query);
        m_server->set("/img.png", Server::ok(png(40, 30)));
        m_ad = std::make_unique<Advertise>();
        m_ad->now = [] { return qint64(1700000000000); };
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
        if (m_freeBytes)
            widget.freeBytes = m_freeBytes;
        BoxAnswerer answerer("OK");
        widget.showNormal();
        widget.startCheck();
        if (!QTest::qWaitFor([&] { return answerer.boxes && !widget.isVisible(); }, 3000))
            return QStringLiteral("no message, or still shown");
        return answerer.title + ": " + answerer.text;
    }

    // The panel after its query: whether the server was reached and, once a picture is shown,
    // the countdown's first second.
    QString runAdvertiseAndTell()
    {
        QSignalSpy linked(m_ad.get(), &Advertise::linked),
            shown(m_ad.get(), &Advertise::advertiseLoaded);
        runAdvertise();
        const QString told = linked.isEmpty() ? "unreachable" : "linked";
        auto *close = m_ad->findChild<QPushButton *>();
        auto *countdown = m_ad->findChild<QLabel *>();
        if (shown.isEmpty() ||
            !QTest::qWaitFor([&] { return countdown->text() != "" || close->isEnabled(); }, 1500))
            return told;
        return told + ", shown, " + (close->isEnabled() ? QString("closable") : countdown->text());
    }
    // The first message box of a program start, with the format its text is read in.
    static QString startAndTell()
    {
        QString told = "no message";
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                told = box->windowTitle() +
                       (box->textFormat() == Qt::PlainText ? " (plain): " : " (rich): ") +
                       box->text();
                box->accept();
            }
        });
        poll.start(10);
        MainWindow window;
        startWithFakes(window); // the query goes out a second later
        static_cast<void>(QTest::qWaitFor([&] { return told != "no message"; }, 3000));
        return told;
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
    }
    void cleanup()
    {
        m_ad.reset();
        m_freeBytes = nullptr;
        m_server.reset();
        m_dir.reset();
    }

    void advertisementShownCachedAndClicked()
    {
        Advertise *ad = makeAdvertise(Server::hung());
        ad->timeoutMs = 30000;
        connect(ad, &Advertise::advertiseLoaded, ad, &QWidget::show);
        QSignalSpy ok(ad, &Advertise::linked), failed(ad, &Advertise::linkErrored);
        ad->start();
        QTRY_COMPARE(m_server->targets.size(), 1);
        // A second start drops the query still on its way, without a word of its own.
        m_server->set("/qbjson_7.php", adJson());
        runAdvertise();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->droppedByClient, 1, 1000);
        QString query = m_server->targets.value(1);
        query.replace(QRegularExpression("m=[0-9a-f]{32}&"), "m=failure&");
        QCOMPARE(query, QStringLiteral("/qbjson_7.php?m=failure&t=1700000000000"));
        QVERIFY(m_server->heads.value(1).contains("\r\nContent-Type: application/json\r\n"));
        QCOMPARE(FileSystem::readAll(adImageFilePath()), png(40, 30).toBase64());
        QCOMPARE(FileSystem::readAll(adJsonFilePath()),
                 QByteArray("{\n    \"downtime\": 1700000000000\n}\n").toBase64());
        // Shown for "showtime" seconds, then it may be closed.
        QCOMPARE(ad->size(), QSize(40, 30));
        auto *close = ad->findChild<QPushButton *>();
        QVERIFY(ad->isVisible() && !close->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(ad->findChild<QLabel *>()->text(), QStringLiteral("2 s"), 1500);
        QTRY_VERIFY_WITH_TIMEOUT(close->isEnabled(), 1500);
        QTest::mouseClick(ad, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(m_opened, QList<QUrl>{QUrl("https://example.org/ad")});
        close->click();
        QVERIFY(!ad->isVisible());
        QCOMPARE(ok.size() + failed.size(), 1);

        // Only a picture that decodes at a sane size replaces the cached one.
        for (const QByteArray &picture : {QByteArray("GIF89a"), png(4097, 2)}) {
            QSignalSpy loaded(makeAdvertise(adJson({{"w", 41}})), &Advertise::advertiseLoaded);
            m_server->set("/img.png", Server::ok(picture));
            runAdvertise();
            QCOMPARE(loaded.size(), 0);
        }
        QCOMPARE(m_server->targets.count("/img.png"), 3);
        QCOMPARE(FileSystem::readAll(adImageFilePath()), png(40, 30).toBase64());

        // The size as text still matches the cached picture, which is shown again without a
        // fetch; a link to anything but a web page is never opened.
        QSignalSpy loaded(makeAdvertise(adJson(
                              {{"w", "40"}, {"h", " 30"}, {"imglink", "file:///usr/bin/xterm"}})),
                          &Advertise::advertiseLoaded);
        runAdvertise();
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(m_server->targets.count("/img.png"), 3);
        QTest::mouseClick(m_ad.get(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(m_opened.size(), 1);
        QVERIFY(m_ad->cursor().shape() != Qt::PointingHandCursor);
    }

    void oversizedCacheIsNotRead()
    {
        makeAdvertise();
        runAdvertise();
        // As a padded picture left it before pictures were capped; sparse, so it costs no disk.
        QVERIFY(QFile(adImageFilePath()).resize(qint64(256) << 20));
        QSignalSpy loaded(makeAdvertise(), &Advertise::advertiseLoaded);
        const qint64 start = resetPeakMemory();
        runAdvertise();
        QVERIFY(residentBytes("VmHWM") - start < 100 * 1000 * 1000);
        QCOMPARE(m_server->targets.count("/img.png"), 2); // fetched anew
        QCOMPARE(loaded.size(), 1);
    }

    void tlsPeerIsVerified()
    {
        const QString data = QStringLiteral(QB_TEST_DATA "/online/");
        Server tls(data + "selfsigned.crt", data + "selfsigned.key");
        tls.set("/upgrade02/upgrade.php", upgradeInfo({"a.dll"}));
        qputenv("QB_SERVER_URL", tls.baseUrl().toUtf8());
        // The server answers a client that does not check who it is...
        QNetworkAccessManager manager;
        QNetworkRequest unchecked(QUrl(tls.baseUrl() + "/upgrade02/upgrade.php"));
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        unchecked.setSslConfiguration(config);
        std::unique_ptr<QNetworkReply> reply(manager.get(unchecked));
        QTRY_VERIFY(reply->isFinished());
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        // ...but ours refuses its self-signed certificate.
        QCOMPARE(runUpgrade(), stop + "无法连接到升级服务器，服务器升级信息配置错误或网络无法连接");
        QCOMPARE(tls.targets.size(), 1);
    }

    void upgrade_data()
    {
        QTest::addColumn<Reply>("query");
        QTest::addColumn<Reply>("second"); // the reply for "b.dll"
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("left");
        const Reply files = upgradeInfo({"a.dll", "b.dll", "c.dll"}), good = Server::ok("b");
        const QStringList first{"a.dll"};
        QTest::newRow("full") << upgradeInfo({"a.dll", "lib/b.dll", "x y#1.dll"}, 7.23) << good
                              << finished
                              << QStringList{"a.dll", "lib/b.dll", "upgrade.ini", "x y#1.dll"};
        QTest::newRow("b 404") << files << Server::status(404) << interrupted << first;
        QTest::newRow("b truncated") << files << Server::truncated("bbbb") << interrupted << first;
        QTest::newRow("b hung") << files << Server::hung() << interrupted << first;
        // A list naming anything outside the folder is not followed at all.
        for (const char *name : {"../../x.dll", "/tmp/qb_online_x.dll", "..\\x.dll", "lib//x.dll",
                                 "UPGRADE.ini", "b.dll|../../x.dll"})
            QTest::newRow(qPrintable(QStringLiteral("name ") + name))
                << upgradeInfo({"a.dll", QString(name)}) << good << interrupted << QStringList();
    }
    void upgrade()
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

    // Whatever answers at the server's address cannot exhaust memory or disk, keep the panel
    // from closing or hand the updater a list of its own.
    void hostileAnswers_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<qint64>("freeBytes"); // 0: the real disk's
        QTest::addColumn<QString>("told");
        QTest::addColumn<QStringList>("left"); // below the upgrade folder and the caches
        const auto row = [](const char *name, const QString &service, const Replies &replies,
                            const QString &told, const QStringList &left, qint64 free = 0) {
            QTest::newRow(name) << service << replies << free << told << left;
        };
        const QString ad = "advertise", up = "upgrade", query = "/qbjson_7.php",
                      list = "/upgrade02/upgrade.php",
                      failed = stop + "无法连接到升级服务器，服务器升级信息配置错误或网络无法连接";
        const QStringList cached{"config/qbadimg.dll", "config/qbadjson.dll"},
            pending{"upgrade/pending"};
        const Reply ab = upgradeInfo({"a.dll", "b.dll"});
        QStringList many;
        for (int i = 0; i <= 100; ++i)
            many << QString("f%1.dll").arg(i);
        const QJsonObject huge{
            {"nv", "8"}, {"u", QJsonArray{"a.dll"}}, {"x", QString(1 << 20, 'x')}};
        const QString link = R"(<a href="file:///usr/bin/xterm">课件</a>)";
        // Half a megabyte that would inflate to 128 MiB.
        Reply bomb = Server::ok(qCompress(QByteArray(128 << 20, '\0'), 1).mid(4));
        bomb.headers = "Content-Encoding: deflate\r\n";

        row("endless query with length", ad, {{query, Server::endless(true)}}, "unreachable", {});
        row("endless list without length", up, {{list, Server::endless(false)}}, failed, pending);
        const Reply padded = Server::padded(png(40, 30), Server::endlessBytes, false);
        row("padded picture", ad, {{"/img.png", padded}}, "linked", {});
        row("compressed query", ad, {{query, bomb}}, "linked", {});
        row("huge list", up, {{list, Server::ok(QJsonDocument(huge).toJson())}}, failed, pending);
        // "a.dll" takes 7 bytes of the 512 MiB an upgrade may have.
        row("file past the size cap", up,
            {{list, ab}, {"/upgrade02/b.dll", Server::padded({}, qint64(512) << 20)}}, interrupted,
            {"upgrade/a.dll"});
        row("file past the free space", up,
            {{list, ab}, {"/upgrade02/a.dll", Server::endless(false)}}, interrupted, {},
            (qint64(1) << 30) + 65536);
        row("free space unknown", up, {{list, ab}}, interrupted, {}, -1);
        // A refused list leaves the upgrade already waiting in the folder.
        row("101 files", up, {{list, upgradeInfo(many)}}, interrupted, pending);
        row("showtime max", ad, {{query, adJson({{"showtime", 2147483647}})}},
            "linked, shown, 60 s", cached);
        row("showtime min", ad, {{query, adJson({{"showtime", -2147483647 - 1}})}},
            "linked, shown, closable", cached);
        // The server's own list file, then a failure, would still reach the updater.
        for (const char *name : {"./upgrade.ini", "upgrade.ini/."})
            row(name, up,
                {{list, upgradeInfo({name, "b.dll"})}, {"/upgrade02/b.dll", Server::status(404)}},
                interrupted, pending);
        const Reply linked = adJson({{"sinfo", link}, {"close", 1}});
        row("file link in the message", "start", {{query, linked}}, "墨岚白板消息 (plain): " + link,
            {});
        for (const char *nv : {"nan", "inf"})
            row(nv, up, {{list, upgradeInfo({"a.dll"}, nv)}}, stop + "当前程序为最新版", pending);
    }
    void hostileAnswers()
    {
        QFETCH(QString, service);
        QFETCH(Replies, replies);
        QFETCH(qint64, freeBytes);
        QFETCH(QString, told);
        QFETCH(QStringList, left);
        if (freeBytes != 0)
            m_freeBytes = [freeBytes](const QString &) { return freeBytes; };
        if (service == "advertise")
            makeAdvertise();
        for (const auto &reply : qAsConst(replies))
            m_server->set(reply.first, reply.second);
        if (service == "upgrade")
            QVERIFY(FileSystem::makeDir(upgradeDirPath()) &&
                    FileSystem::writeBytes(upgradeDirPath() + "/pending", "from before"));
        const qint64 start = resetPeakMemory();

        const QString shown = service == "advertise" ? runAdvertiseAndTell()
                              : service == "upgrade" ? runUpgrade()
                                                     : startAndTell();
        const qint64 growth = residentBytes("VmHWM") - start;
        QVERIFY2(start > 0 && growth < 100 * 1000 * 1000, qPrintable(QString::number(growth)));
        QCOMPARE(shown, told);
        const QStringList found =
            filesBelow(appDataDir).filter(QRegularExpression("^(upgrade|config/qbad)"));
        QCOMPARE(found, left);
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
