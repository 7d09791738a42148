#include <QtTest>

#include <QCameraViewfinder>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>

#include "base/globals.h"
#include "camera/camerawidget.h"
#include "camera/floatcameradialog.h"
#include "mainwindow/mainwindow.h"

#include "boxanswerer.h"
#include "camerafakes.h"
#include "fakes.h"
#include "windowsetup.h"

// The side-panel camera and the camera choice with fake cameras. The floating camera without
// a camera is walked in tst_mainwindow.
class CameraTest : public QObject
{
    Q_OBJECT

    std::shared_ptr<FakeCameraBackend> backend;
    const QList<FakeCameraSpec> three = {{"cam0", {{640, 480}, {1280, 720}}},
                                         {"cam1", {{320, 240}, {1920, 1080}}},
                                         {"cam2", {{800, 600}}}};

private slots:
    void init()
    {
        backend = std::make_shared<FakeCameraBackend>();
        backend->cameras = three;
    }

    // Qt's camera service on Linux needs GStreamer's camerabin element, from the packages the
    // set-up installs; without it every camera is "service missing".
    void cameraServiceInstalled()
    {
        QCamera camera;
        QVERIFY(camera.availability() != QMultimedia::ServiceMissing);
        QVERIFY(camera.error() != QCamera::ServiceMissingError);
    }

    void zeroWidthIsNeverDividedBy()
    {
        // A viewfinder that has no size yet.
        QCOMPARE(previewHeight(tallestResolution({{1280, 720}}, 300, QSize(0, 0)), 300), 169);
        QCOMPARE(previewHeight(tallestResolution({{0, 480}}, 0, QSize(0, 0)), 0), 0);
    }

    void startUpOpensNoCameraAndNoVideoWidget()
    {
        // Asking for a camera loads Qt Multimedia's plugins and GStreamer, and a video widget
        // makes Qt set up OpenGL: both wait until a camera is opened (panelCameras).
        CameraWidget widget;
        widget.setBackend(backend);
        widget.setFixedHeight(150);
        widget.probeDefaultCamera(300);
        QCOMPARE(widget.height(), 150);
        QVERIFY(backend->log.isEmpty());
        QVERIFY(!widget.findChild<QCameraViewfinder *>());
    }

    void panelCameras_data()
    {
        QTest::addColumn<QList<int>>("cameras");
        QTest::addColumn<int>("failure"); // 1: refused at start, 2: failing later, 3: inside load
        QTest::addColumn<QString>("message");
        const QString refused =
            QStringLiteral("启动摄像头错误，请求被拒绝，请检查是否已关闭本地摄像头访问权限");
        QTest::newRow("none") << QList<int>{} << 0
                              << QStringLiteral(
                                     "没有检测到可用的摄像头设备，请检查是否安装摄像头和驱动装置");
        QTest::newRow("three, third chosen") << QList<int>{0, 1, 2} << 0 << QString();
        // A camera that fails must not leave the panel "on".
        QTest::newRow("refused at start") << QList<int>{0} << 1 << refused;
        QTest::newRow("failing later") << QList<int>{0} << 2 << refused;
        // The refusal box closes and the program goes on.
        QTest::newRow("failing inside load") << QList<int>{0} << 3 << refused;
    }
    void panelCameras()
    {
        QFETCH(QList<int>, cameras);
        QFETCH(int, failure);
        QFETCH(QString, message);
        backend->cameras.clear();
        for (int i : cameras)
            backend->cameras << three.at(i);
        if (failure == 1)
            backend->cameras[0].refused = true;
        if (failure == 3)
            backend->cameras[0].failsInLoad = true;
        QTemporaryDir dir;
        appDataDir = dir.path();
        MainWindow window;
        startWithFakes(window);
        auto *panel = window.findChild<CameraWidget *>();
        panel->setBackend(backend);
        panel->setFixedWidth(400);
        QPushButton *openButton = nullptr, *closeButton = nullptr;
        for (QPushButton *button : window.findChildren<QPushButton *>()) {
            if (button->window() != &window) // the floating camera's own
                continue;
            openButton = button->toolTip() == QStringLiteral("打开摄像头") ? button : openButton;
            closeButton = button->toolTip() == QStringLiteral("关闭摄像头") ? button : closeButton;
        }
        QVERIFY(openButton && closeButton);
        // The panel shows no camera and offers to open one.
        const auto panelOff = [&] {
            return !panel->hasCamera() && openButton->isEnabled() && !closeButton->isEnabled();
        };
        // Several cameras: the user picks the third in a list.
        if (cameras.size() > 1) {
            QTimer::singleShot(0, this, [] {
                if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                    dialog->findChild<QListWidget *>()->setCurrentRow(2);
                    dialog->accept();
                }
            });
        }
        BoxAnswerer answerer(QStringLiteral("OK"));
        openButton->click();
        if (failure == 2) {
            QVERIFY(closeButton->isEnabled());
            emit backend->lastOpened->failed();
        }
        QCOMPARE(answerer.text, message);
        QCOMPARE(answerer.boxes, message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QVERIFY(panelOff());
            return;
        }
        QVERIFY(panel->hasCamera());
        QVERIFY(!openButton->isEnabled());
        QVERIFY(closeButton->isEnabled());
        QCOMPARE(backend->log.first(), QStringLiteral("open cam2"));
        QVERIFY(backend->log.contains(QStringLiteral("resolution 800x600 cam2")));
        QCOMPARE(panel->height(), 300);
        closeButton->click();
        QVERIFY(panelOff());
        QVERIFY(backend->log.contains(QStringLiteral("stop cam2")));
    }

    void floatCameraFailingInsideLoadIsNeverStarted()
    {
        backend->cameras = {three.first()};
        backend->cameras[0].failsInLoad = true;
        FloatCameraDialog dialog;
        dialog.setBackend(backend);
        dialog.openCamera();
        QCOMPARE(
            dialog.messageText(),
            QStringLiteral("启动摄像头错误，请求被拒绝<br>请检查是否已关闭本地摄像头访问权限"));
        QVERIFY(!dialog.hasCamera());
        QVERIFY(!backend->log.contains(QStringLiteral("start cam0")));
        dialog.closeCamera();
    }
};

QTEST_MAIN(CameraTest)
#include "tst_cameras.moc"
