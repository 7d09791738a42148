#include "camera/floatcameradialog.h"

#include <QCameraViewfinder>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "base/uimetrics.h"
#include "drawing/canvashost.h"

FloatCameraDialog::FloatCameraDialog(QWidget *parent)
    : FloatingWindow(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , controlHeight(int(std::ceil(titleBarHeight() * 0.6)))
    , margin(spacingUnit())
    , logo(QStringLiteral(":/icon/personal/cameralogo.png"))
    , backend(systemCameraBackend())
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::All, QPalette::Window, backgroundColor);
    setPalette(palette);
    setAutoFillBackground(true);

    pictureLabel = new QLabel(this);
    pictureLabel->setAlignment(Qt::AlignCenter);
    pictureLabel->setStyleSheet(QStringLiteral("QLabel{color:#ccc;}"));
    pictureLayout = new QHBoxLayout(pictureLabel);
    pictureLayout->setContentsMargins(0, 0, 0, 0);
    pictureLayout->setSpacing(0);
    mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);
    mainLayout->addWidget(pictureLabel);

    // The strip lies over the picture's top rather than in the layout.
    titleStrip = new QLabel(this);
    titleStrip->setFixedHeight(controlHeight + 2 * margin);
    titleStrip->setStyleSheet(QStringLiteral("QLabel{background-color:transparent;}"));
    titleLayout = new QHBoxLayout(titleStrip);
    titleLayout->setContentsMargins(margin, margin, margin, margin);
    titleLayout->setSpacing(margin);
    cameraCombo = new QComboBox(titleStrip);
    resolutionCombo = new QComboBox(titleStrip);
    cameraCombo->setToolTip(QStringLiteral("选择摄像头"));
    resolutionCombo->setToolTip(QStringLiteral("选择尺寸"));
    const QString comboStyle = QStringLiteral(
                                   "QComboBox{color:#ccc;background-color:transparent;}"
                                   "QComboBox QAbstractItemView::item{height:%1;}")
                                   .arg(controlHeight);
    for (QComboBox *combo : {cameraCombo, resolutionCombo}) {
        combo->setFixedHeight(controlHeight);
        combo->setView(new QListView(combo));
        combo->setStyleSheet(comboStyle);
    }
    closeButton = new QPushButton(titleStrip);
    closeButton->setFixedSize(controlHeight, controlHeight);
    closeButton->setToolTip(QStringLiteral("关闭摄像头"));
    closeButton->setIcon(QIcon(QStringLiteral(":/icon/floatcamera/cameraclose.png")));
    closeButton->setStyleSheet(
        QStringLiteral("QPushButton{background-color:transparent;}"
                       "QPushButton:hover{background-color:#e81123;border:0;}"));
    titleLayout->addWidget(cameraCombo);
    titleLayout->addWidget(resolutionCombo);
    titleLayout->addStretch();
    titleLayout->addWidget(closeButton);
    setTitleStripVisible(false);

    for (QWidget *widget :
         {static_cast<QWidget *>(titleStrip), static_cast<QWidget *>(cameraCombo),
          static_cast<QWidget *>(resolutionCombo), static_cast<QWidget *>(closeButton),
          static_cast<QWidget *>(pictureLabel)})
        widget->setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::SizeAllCursor);
    titleStrip->setCursor(Qt::ArrowCursor);
    hide();

    connect(closeButton, &QPushButton::clicked, this, &FloatCameraDialog::toClose);
    connect(cameraCombo, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { switchCamera(index); });
    connect(resolutionCombo, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { setResolution(index); });
}

FloatCameraDialog::~FloatCameraDialog()
{
    closeCamera();
}

void FloatCameraDialog::setBackend(std::shared_ptr<CameraBackend> cameraBackend)
{
    backend = std::move(cameraBackend);
}

void FloatCameraDialog::setTitleStripVisible(bool visible)
{
    cameraCombo->setVisible(visible);
    resolutionCombo->setVisible(visible);
    closeButton->setVisible(visible);
}

void FloatCameraDialog::fitViewWidth(QComboBox *combo)
{
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = qMax(widest, fontMetrics().horizontalAdvance(combo->itemText(i)));
    combo->view()->setFixedWidth(widest + 10 * margin);
}

void FloatCameraDialog::openCamera()
{
    const QList<CameraDevice> cameras = backend->availableCameras();
    if (cameras.isEmpty()) {
        showMessage(QStringLiteral("没有发现摄像头设备"));
        return;
    }
    if (!cameras.contains(currentCamera)) {
        const CameraDevice preferred = backend->defaultCamera();
        currentCamera = cameras.contains(preferred) ? preferred : cameras.first();
    }
    cameraList = cameras;
    cameraCombo->clear();
    for (const CameraDevice &device : cameras)
        cameraCombo->addItem(device.description);
    cameraCombo->setCurrentIndex(cameras.indexOf(currentCamera));
    fitViewWidth(cameraCombo);
    resolutionList.clear();
    resolutionCombo->clear();
    createCamera();
}

void FloatCameraDialog::createCamera()
{
    releaseCamera(camera, this, nullptr);
    camera = backend->open(currentCamera, this);
    if (!camera) {
        showMessage(
            QStringLiteral("启动摄像头错误，请求被拒绝<br>请检查是否已关闭本地摄像头访问权限"));
        return;
    }
    connect(camera, &CameraHandle::stateChanged, this,
            [this](QCamera::State state) { fillResolutions(state); });
    connect(camera, &CameraHandle::failed, this, [this] {
        // Released so that a camera failing inside load() is never started after it.
        releaseCamera(camera, this, viewfinder);
        showMessage(
            QStringLiteral("启动摄像头错误，请求被拒绝<br>请检查是否已关闭本地摄像头访问权限"));
    });
    camera->setViewfinder(ensureViewfinder(viewfinder, pictureLabel, pictureLayout));
    camera->load();
    if (!camera)
        return;
    if (!camera->isUnavailable())
        camera->start();
    else
        showMessage(
            QStringLiteral("启动摄像头错误，请求被拒绝<br>请检查是否已关闭本地摄像头访问权限"));
}

void FloatCameraDialog::fillResolutions(QCamera::State state)
{
    if (state != QCamera::ActiveState || !camera) {
        showMessage(QString());
        return;
    }
    const QList<QSize> resolutions = camera->supportedResolutions();
    if (resolutions.isEmpty()) {
        showMessage(QString());
        return;
    }
    resolutionList = resolutions;
    if (currentResolution.width() < 1 || currentResolution.height() < 1)
        currentResolution = resolutions.first();
    resolutionCombo->clear();
    int selected = 0;
    for (int i = 0; i < resolutions.size(); ++i) {
        const QSize &size = resolutions.at(i);
        resolutionCombo->addItem(QStringLiteral("%1*%2").arg(size.width()).arg(size.height()));
        if (size == currentResolution)
            selected = i;
    }
    fitViewWidth(resolutionCombo);
    resolutionCombo->setCurrentIndex(selected);
    currentResolution = resolutions.at(selected);
    camera->setResolution(currentResolution);
    if (viewfinder)
        viewfinder->resize(currentResolution);
    showViewfinder(currentResolution);
}

void FloatCameraDialog::switchCamera(int index)
{
    if (cameraList.isEmpty() || index < 0 || index >= cameraList.size() ||
        cameraList.at(index) == currentCamera)
        return;
    closeCamera();
    resolutionList.clear();
    resolutionCombo->clear();
    currentCamera = cameraList.at(index);
    createCamera();
}

void FloatCameraDialog::setResolution(int index)
{
    if (!camera || resolutionList.isEmpty() || index < 0 || index >= resolutionList.size() ||
        resolutionList.at(index) == currentResolution)
        return;
    currentResolution = resolutionList.at(index);
    camera->setResolution(currentResolution);
    if (viewfinder)
        viewfinder->resize(currentResolution);
    showViewfinder(currentResolution);
    setFocus();
}

void FloatCameraDialog::showViewfinder(const QSize &size)
{
    if (viewfinder)
        viewfinder->show();
    pictureLabel->clear();
    setGeometry(QRect(QPoint(positionX, positionY), size));
    show();
}

void FloatCameraDialog::showMessage(const QString &text)
{
    if (viewfinder)
        viewfinder->hide();
    pictureLabel->clear();
    if (!text.isEmpty())
        pictureLabel->setText(text);
    else
        pictureLabel->setPixmap(logo);
    setGeometry(QRect(QPoint(positionX, positionY), QSize(4 * logo.width(), 3 * logo.height())));
    show();
}

QString FloatCameraDialog::messageText() const
{
    return pictureLabel->text();
}

void FloatCameraDialog::closeCamera()
{
    releaseCamera(camera, this, viewfinder);
    hide();
}

void FloatCameraDialog::setPosition(int x, int y)
{
    positionX = x;
    positionY = y;
}

void FloatCameraDialog::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    titleStrip->setFixedWidth(width());
    titleStrip->move(0, 0);
    titleStrip->raise();
}

void FloatCameraDialog::moveWindowTo(const QPoint &topLeft)
{
    setPosition(topLeft);
    FloatingWindow::moveWindowTo(topLeft);
}

void FloatCameraDialog::enterEvent(QEvent *event)
{
    QWidget::enterEvent(event);
    titleStrip->raise();
    setTitleStripVisible(true);
}

void FloatCameraDialog::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    const QRect strip(mapToGlobal(QPoint(0, 0)), titleStrip->size());
    if (!strip.contains(QCursor::pos()))
        setTitleStripVisible(false);
}
