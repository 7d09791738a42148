#include <QtTest>

#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>

#include "app/globals.h"
#include "camera/camerawidget.h"
#include "camera/floatcameradialog.h"
#include "mainwindow/mainwindow.h"

#include "boxanswerer.h"
#include "camerafakes.h"
#include "fakes.h"
#include "windowsetup.h"

Q_DECLARE_METATYPE(QList<QSize>)

// The side-panel camera, the floating camera and the camera choice, with no, one or several
// fake cameras.
class CameraTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    MainWindow *window = nullptr;
    std::shared_ptr<FakeCameraBackend> backend;
    QList<FakeCameraSpec> three = {
        {"cam0", QStringLiteral("Front camera"), {{640, 480}, {1280, 720}}},
        {"cam1", QStringLiteral("Document camera"), {{320, 240}, {1920, 1080}}},
        {"cam2", QStringLiteral("Back camera"), {{800, 600}}}};
    CameraWidget *panel = nullptr;
    FloatCameraDialog *floating = nullptr;
    QPushButton *openButton = nullptr;
    QPushButton *closeButton = nullptr;

    // The panel shows no camera and offers to open one.
    bool panelOff() const
    {
        return !panel->hasCamera() && openButton->isEnabled() && !closeButton->isEnabled();
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        appDataDir = dir->path();
        backend = std::make_shared<FakeCameraBackend>();
        backend->cameras = three;
        window = new MainWindow;
        window->setToolBarPort(std::make_unique<FakeToolBar>());
        window->setHotKeyGrabber(std::make_unique<FakeGrabber>());
        runStartUpSteps(*window);
        panel = window->findChild<CameraWidget *>();
        floating = window->findChild<FloatCameraDialog *>();
        panel->setBackend(backend);
        floating->setBackend(backend);
        for (QPushButton *button : window->findChildren<QPushButton *>()) {
            if (button->toolTip() == QStringLiteral("打开摄像头"))
                openButton = button;
            if (button->toolTip() == QStringLiteral("关闭摄像头") &&
                !floating->isAncestorOf(button))
                closeButton = button;
        }
        QVERIFY(openButton && closeButton);
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
        backend.reset();
        dir.reset();
    }

    void tallestShape_data()
    {
        QTest::addColumn<QList<QSize>>("resolutions");
        QTest::addColumn<int>("width");
        QTest::addColumn<QSize>("start");
        QTest::addColumn<int>("height");
        const QList<QSize> two{{640, 480}, {1280, 720}};
        QTest::newRow("4:3 beats 16:9") << two << 300 << QSize() << 225;
        QTest::newRow("panel wider than all") << two << 2000 << QSize() << 1000;
        QTest::newRow("no resolutions") << QList<QSize>{} << 301 << QSize() << 151;
        QTest::newRow("start taller than all") << two << 300 << QSize(100, 100) << 300;
        // A viewfinder that has no size yet must not be divided by.
        QTest::newRow("zero-width start") << QList<QSize>{{1280, 720}} << 300 << QSize(0, 0) << 169;
        QTest::newRow("zero-width resolution") << QList<QSize>{{0, 480}} << 0 << QSize(0, 0) << 0;
    }
    void tallestShape()
    {
        QFETCH(QList<QSize>, resolutions);
        QFETCH(int, width);
        QFETCH(QSize, start);
        QFETCH(int, height);
        QCOMPARE(previewHeight(tallestResolution(resolutions, width, start), width), height);
    }

    void probeSizesPanelAndLetsCameraGo()
    {
        CameraWidget widget;
        widget.setBackend(backend);
        widget.probeDefaultCamera(300);
        QCOMPARE(widget.height(), 225);
        QCOMPARE(widget.minimumHeight(), 225);
        // Only the shape was wanted: the camera is unloaded and released, never started.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(backend->log,
                 (QStringList{"open cam0", "load cam0", "unload cam0", "delete cam0"}));
        // No camera at all: the panel keeps its height.
        backend->cameras.clear();
        CameraWidget none;
        none.setBackend(backend);
        none.setFixedHeight(150);
        none.probeDefaultCamera(300);
        QCOMPARE(none.height(), 150);
    }

    void panelCameras_data()
    {
        QTest::addColumn<QList<int>>("cameras");
        QTest::addColumn<int>("choice");  // in the dialog of several; -1 cancels it
        QTest::addColumn<int>("failure"); // 1: refused at start, 2: failing later
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown"); // "<id> <resolution>"; none: the panel stays off
        QTest::addColumn<int>("height");
        const QString refused =
            QStringLiteral("启动摄像头错误，请求被拒绝，请检查是否已关闭本地摄像头访问权限");
        QTest::newRow("none") << QList<int>{} << 0 << 0
                              << QStringLiteral(
                                     "没有检测到可用的摄像头设备，请检查是否安装摄像头和驱动装置")
                              << QString() << 0;
        // 320 x 240 is too narrow for the panel; 1920 x 1080 is the tallest of the rest.
        QTest::newRow("one") << QList<int>{1} << 0 << 0 << QString() << "cam1 1920x1080" << 225;
        QTest::newRow("three, cancelled")
            << QList<int>{0, 1, 2} << -1 << 0 << QString() << QString() << 0;
        QTest::newRow("three, third chosen")
            << QList<int>{0, 1, 2} << 2 << 0 << QString() << "cam2 800x600" << 300;
        QTest::newRow("refused at start") << QList<int>{0} << 0 << 1 << refused << QString() << 0;
        QTest::newRow("failing later") << QList<int>{0} << 0 << 2 << refused << QString() << 0;
    }
    void panelCameras()
    {
        QFETCH(QList<int>, cameras);
        QFETCH(int, choice);
        QFETCH(int, failure);
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QFETCH(int, height);
        backend->cameras.clear();
        for (int i : cameras)
            backend->cameras << three.at(i);
        if (failure == 1)
            backend->cameras[0].refused = true;
        backend->log.clear();
        panel->setFixedWidth(400);
        // Several cameras: the user picks one in a list, or cancels.
        if (cameras.size() > 1) {
            QTimer::singleShot(0, this, [choice] {
                if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                    dialog->findChild<QListWidget *>()->setCurrentRow(qMax(choice, 0));
                    choice < 0 ? dialog->reject() : dialog->accept();
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
        if (shown.isEmpty()) {
            QVERIFY(panelOff());
            if (choice < 0)
                QVERIFY(backend->log.isEmpty());
            return;
        }
        const QString id = shown.section(' ', 0, 0);
        QVERIFY(panel->hasCamera());
        QVERIFY(!openButton->isEnabled());
        QVERIFY(closeButton->isEnabled());
        QCOMPARE(backend->log.first(), "open " + id);
        QVERIFY(backend->log.contains("resolution " + shown.section(' ', 1) + ' ' + id));
        QCOMPARE(panel->height(), height);
        closeButton->click();
        QVERIFY(panelOff());
        QVERIFY(backend->log.contains("stop " + id));
    }

    void floatingRemembersChoice()
    {
        floating->setPosition(40, 50);
        floating->openCamera();
        QCOMPARE(floating->geometry(), QRect(40, 50, 640, 480));
        // The user picks the second camera and its large size; the next opening shows them.
        floating->switchCamera(1);
        QCOMPARE(floating->resolutionCombo->currentText(), QStringLiteral("320*240"));
        floating->setResolution(1);
        QCOMPARE(floating->size(), QSize(1920, 1080));
        floating->closeCamera();
        QVERIFY(floating->isHidden());
        QVERIFY(!floating->hasCamera());
        backend->log.clear();
        floating->openCamera();
        QCOMPARE(backend->log.first(), QStringLiteral("open cam1"));
        QCOMPARE(floating->resolutionCombo->currentText(), QStringLiteral("1920*1080"));
        QVERIFY(backend->log.contains("resolution 1920x1080 cam1"));
        // A camera that went away: the default one instead.
        floating->closeCamera();
        backend->cameras.removeAt(1);
        floating->openCamera();
        QCOMPARE(floating->cameraCombo->currentText(), QStringLiteral("Front camera"));
    }
};

QTEST_MAIN(CameraTest)
#include "tst_cameras.moc"
