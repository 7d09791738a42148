#include <QtTest>

#include <QCameraViewfinder>
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

private slots:
    void init();
    void cleanup();
    void tallestShape_data();
    void tallestShape();
    void probeSizesPanelAndLetsCameraGo();
    void panelWithoutCamera();
    void panelWithOneCamera();
    void panelWithThreeCameras_data();
    void panelWithThreeCameras();
    void failedCameraTurnsButtonOff_data();
    void failedCameraTurnsButtonOff();
    void floatingRemembersChoice();
    void floatingArrowsKeepPosition();

private:
    void answerDialog(bool accept, int row);
    // The panel shows no camera and offers to open one.
    bool panelOff() const
    {
        return !panel->hasCamera() && openButton->isEnabled() && !closeButton->isEnabled();
    }

    std::unique_ptr<QTemporaryDir> dir;
    MainWindow *window = nullptr;
    std::shared_ptr<FakeCameraBackend> backend;
    CameraWidget *panel = nullptr;
    FloatCameraDialog *floating = nullptr;
    QPushButton *openButton = nullptr;
    QPushButton *closeButton = nullptr;
};

void CameraTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    appDataDir = dir->path();
    backend = std::make_shared<FakeCameraBackend>();
    backend->cameras = {{"cam0", QStringLiteral("Front camera"), {{640, 480}, {1280, 720}}},
                        {"cam1", QStringLiteral("Document camera"), {{320, 240}, {1920, 1080}}},
                        {"cam2", QStringLiteral("Back camera"), {{800, 600}}}};
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
        if (button->toolTip() == QStringLiteral("关闭摄像头") && !floating->isAncestorOf(button))
            closeButton = button;
    }
    QVERIFY(openButton && closeButton);
}

void CameraTest::cleanup()
{
    delete window;
    window = nullptr;
    backend.reset();
    dir.reset();
}

void CameraTest::answerDialog(bool accept, int row)
{
    QTimer::singleShot(0, this, [accept, row] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->findChild<QListWidget *>()->setCurrentRow(row);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
}

void CameraTest::tallestShape_data()
{
    QTest::addColumn<QList<QSize>>("resolutions");
    QTest::addColumn<int>("width");
    QTest::addColumn<QSize>("start");
    QTest::addColumn<int>("height");
    QTest::newRow("4:3 beats 16:9")
        << QList<QSize>{{640, 480}, {1280, 720}} << 300 << QSize() << 225;
    QTest::newRow("panel wider than all")
        << QList<QSize>{{640, 480}, {1280, 720}} << 2000 << QSize() << 1000;
    QTest::newRow("no resolutions") << QList<QSize>{} << 301 << QSize() << 151;
    QTest::newRow("first wins a tie")
        << QList<QSize>{{800, 600}, {640, 480}} << 400 << QSize() << 300;
    QTest::newRow("start taller than all")
        << QList<QSize>{{640, 480}} << 300 << QSize(100, 100) << 300;
    // A viewfinder that has no size yet must not be divided by.
    QTest::newRow("zero-width start") << QList<QSize>{{1280, 720}} << 300 << QSize(0, 0) << 169;
    QTest::newRow("zero-width resolution") << QList<QSize>{{0, 480}} << 0 << QSize(0, 0) << 0;
}

void CameraTest::tallestShape()
{
    QFETCH(QList<QSize>, resolutions);
    QFETCH(int, width);
    QFETCH(QSize, start);
    QFETCH(int, height);
    QCOMPARE(previewHeight(tallestResolution(resolutions, width, start), width), height);
}

void CameraTest::probeSizesPanelAndLetsCameraGo()
{
    CameraWidget widget;
    widget.setBackend(backend);
    widget.probeDefaultCamera(300);
    QCOMPARE(widget.height(), 225);
    QCOMPARE(widget.minimumHeight(), 225);
    // Only the shape was wanted: the camera is unloaded and released, never started.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(backend->log, (QStringList{"open cam0", "load cam0", "unload cam0", "delete cam0"}));
    // No camera at all: the panel keeps its height.
    backend->cameras.clear();
    CameraWidget none;
    none.setBackend(backend);
    none.setFixedHeight(150);
    none.probeDefaultCamera(300);
    QCOMPARE(none.height(), 150);
}

void CameraTest::panelWithoutCamera()
{
    backend->cameras.clear();
    BoxAnswerer answerer(QStringLiteral("OK"));
    openButton->click();
    QCOMPARE(answerer.text,
             QStringLiteral("没有检测到可用的摄像头设备，请检查是否安装摄像头和驱动装置"));
    QVERIFY(panelOff());
}

void CameraTest::panelWithOneCamera()
{
    backend->cameras = {backend->cameras.at(1)};
    panel->setFixedWidth(400);
    openButton->click();
    QVERIFY(panel->hasCamera());
    QVERIFY(!openButton->isEnabled());
    QVERIFY(closeButton->isEnabled());
    // 320 x 240 is too narrow; 1920 x 1080 is the tallest of the rest.
    QVERIFY(backend->log.contains("resolution cam1 1920x1080"));
    QCOMPARE(panel->height(), 225);
    closeButton->click();
    QVERIFY(panelOff());
    QVERIFY(backend->log.contains("stop cam1"));
}

void CameraTest::panelWithThreeCameras_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("row");
    QTest::newRow("cancelled") << false << 1;
    QTest::newRow("second chosen") << true << 1;
    QTest::newRow("third chosen") << true << 2;
}

void CameraTest::panelWithThreeCameras()
{
    QFETCH(bool, accept);
    QFETCH(int, row);
    backend->log.clear();
    answerDialog(accept, row);
    openButton->click();
    if (!accept) {
        QVERIFY(backend->log.isEmpty());
        QVERIFY(panelOff());
        return;
    }
    QVERIFY(panel->hasCamera());
    QCOMPARE(backend->log.first(), "open " + backend->cameras.at(row).id);
}

void CameraTest::failedCameraTurnsButtonOff_data()
{
    QTest::addColumn<bool>("refused");
    QTest::newRow("refused at start") << true;
    QTest::newRow("failing later") << false;
}

void CameraTest::failedCameraTurnsButtonOff()
{
    QFETCH(bool, refused);
    backend->cameras = {backend->cameras.at(0)};
    backend->cameras[0].refused = refused;
    BoxAnswerer answerer(QStringLiteral("OK"));
    openButton->click();
    if (!refused) {
        QVERIFY(closeButton->isEnabled());
        backend->handles.last()->fail();
    }
    QCOMPARE(answerer.text,
             QStringLiteral("启动摄像头错误，请求被拒绝，请检查是否已关闭本地摄像头访问权限"));
    QCOMPARE(answerer.boxes, 1);
    QVERIFY(panelOff());
}

void CameraTest::floatingRemembersChoice()
{
    floating->setPosition(40, 50);
    floating->openCamera();
    auto *cameraCombo = floating->cameraCombo;
    auto *resolutionCombo = floating->resolutionCombo;
    QCOMPARE(cameraCombo->count(), 3);
    QCOMPARE(cameraCombo->currentIndex(), 0);
    QCOMPARE(resolutionCombo->itemText(1), QStringLiteral("1280*720"));
    QCOMPARE(floating->geometry(), QRect(40, 50, 640, 480));
    // The user picks the second camera and its large size.
    floating->switchCamera(1);
    QCOMPARE(resolutionCombo->currentText(), QStringLiteral("320*240"));
    floating->setResolution(1);
    QCOMPARE(floating->geometry(), QRect(40, 50, 1920, 1080));
    floating->closeCamera();
    QVERIFY(floating->isHidden());
    QVERIFY(!floating->hasCamera());
    backend->log.clear();
    floating->openCamera();
    QCOMPARE(backend->log.first(), QStringLiteral("open cam1"));
    QCOMPARE(cameraCombo->currentIndex(), 1);
    QCOMPARE(resolutionCombo->currentText(), QStringLiteral("1920*1080"));
    QVERIFY(backend->log.contains("resolution cam1 1920x1080"));
    // A camera that went away: the default one instead.
    floating->closeCamera();
    backend->cameras.removeAt(1);
    floating->openCamera();
    QCOMPARE(cameraCombo->currentText(), QStringLiteral("Front camera"));
}

void CameraTest::floatingArrowsKeepPosition()
{
    floating->setPosition(100, 100);
    floating->openCamera();
    QCOMPARE(floating->pos(), QPoint(100, 100));
    QTest::keyClick(floating, Qt::Key_Left);
    QTest::keyClick(floating, Qt::Key_Up);
    QCOMPARE(floating->pos(), QPoint(99, 99));
    QCOMPARE(floating->position(), QPoint(100, 100));
}

QTEST_MAIN(CameraTest)
#include "tst_cameras.moc"
