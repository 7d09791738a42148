#include "recording/desktopareaselecter.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "base/filesystem.h"
#include "base/messagebox.h"
#include "base/uimetrics.h"
#include "base/windowsearch.h"
#include "drawing/geometry.h"

DesktopAreaSelecter::DesktopAreaSelecter(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , gripSize(qRound(fiveMillimetresInPixels()))
    , margin(spacingUnit())
    , controlHeight(titleBarButtonSize())
    , startPoint(invalidPoint)
    , endPoint(invalidPoint)
    , savedStartPoint(invalidPoint)
    , savedEndPoint(invalidPoint)
{
    infoPanel = new QWidget(this);
    sizeLabel = new QLabel(infoPanel);
    hintLabel = new QLabel(QStringLiteral("Esc取消选择，右键重新选择"), infoPanel);
    for (QLabel *label : {sizeLabel, hintLabel}) {
        label->setFixedHeight(controlHeight);
        label->setMargin(margin);
        label->setStyleSheet(QStringLiteral("QLabel{color:#ffffff;}"));
    }
    auto *infoLayout = new QVBoxLayout(infoPanel);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    infoLayout->setSpacing(0);
    infoLayout->addWidget(sizeLabel);
    infoLayout->addWidget(hintLabel);
    infoPanel->setStyleSheet(QStringLiteral("QWidget{background-color:black;}"));
    infoPanel->adjustSize();

    toolPanel = new QWidget(this);
    widthSpinBox = new QSpinBox(toolPanel);
    heightSpinBox = new QSpinBox(toolPanel);
    widthSpinBox->setToolTip(QStringLiteral("宽度"));
    heightSpinBox->setToolTip(QStringLiteral("高度"));
    for (QSpinBox *box : {widthSpinBox, heightSpinBox}) {
        box->setFixedSize(2 * controlHeight, controlHeight);
        box->setAlignment(Qt::AlignCenter);
        box->setSingleStep(4);
        box->setStyleSheet(QStringLiteral("QSpinBox{border:1 solid ") + borderColor().name() +
                           QStringLiteral(";}"));
    }
    const QString buttonStyle =
        QStringLiteral(
            "QPushButton{background-color:transparent;border:0;border-style:none;}"
            "QPushButton:hover{background-color:") +
        hoverBackgroundColor().name() + QStringLiteral(";}");
    const auto makeButton = [&](const QString &text, const QString &icon) {
        auto *button = new QPushButton(QIcon(icon), text, toolPanel);
        button->setStyleSheet(buttonStyle);
        return button;
    };
    saveButton =
        makeButton(QStringLiteral("保存"), QStringLiteral(":/icon/videoselecter/save.png"));
    cancelButton =
        makeButton(QStringLiteral("取消"), QStringLiteral(":/icon/videoselecter/cancel.png"));
    confirmButton =
        makeButton(QStringLiteral("确认"), QStringLiteral(":/icon/videoselecter/confirm.png"));
    auto *toolLayout = new QHBoxLayout(toolPanel);
    toolLayout->setContentsMargins(margin, margin, margin, margin);
    toolLayout->setSpacing(margin);
    for (QWidget *widget :
         {static_cast<QWidget *>(widthSpinBox), static_cast<QWidget *>(heightSpinBox),
          static_cast<QWidget *>(saveButton), static_cast<QWidget *>(cancelButton),
          static_cast<QWidget *>(confirmButton)})
        toolLayout->addWidget(widget);
    toolPanel->setStyleSheet(QStringLiteral("QWidget{background-color:") +
                             panelBackgroundColor().name() + QStringLiteral(";}"));
    toolPanel->adjustSize();
    infoPanel->hide();
    toolPanel->hide();

    connect(widthSpinBox, &QSpinBox::editingFinished, this,
            [this] { setSelectionSize(widthSpinBox->value(), 0); });
    connect(heightSpinBox, &QSpinBox::editingFinished, this,
            [this] { setSelectionSize(0, heightSpinBox->value()); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancelSelection(); });
    connect(confirmButton, &QPushButton::clicked, this, [this] { confirmSelection(); });
    connect(saveButton, &QPushButton::clicked, this, [this] { saveSelection(); });
    saveFileChooser = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("保存"), QString(),
                                            QStringLiteral("PNG(*.png);;JPG(*.jpg)"));
    };
    setMouseTracking(true);
    setFixedSize(10, 10);
    hide();
}

void DesktopAreaSelecter::setDesktopPixmap(const QPixmap &picture)
{
    desktopPicture = picture.isNull() ? grabPrimaryScreen() : picture;
}

void DesktopAreaSelecter::setSaveButtonVisible(bool visible)
{
    saveButton->setVisible(visible);
    toolPanel->adjustSize();
}

void DesktopAreaSelecter::startSelection(const QRect &initial)
{
    if (desktopPicture.isNull())
        return;
    // The picture carries the screen's pixel ratio: the overlay is as large as the screen.
    const QSize size = desktopPicture.size() / desktopPicture.devicePixelRatio();
    setFixedSize(size);
    widthSpinBox->setRange(0, size.width());
    heightSpinBox->setRange(0, size.height());
    if (initial.isValid()) {
        startPoint = initial.topLeft();
        endPoint = initial.topLeft() + QPoint(initial.width(), initial.height());
        selected = true;
        updateSelectionGeometry();
    }
    show();
    const QScreen *screen = QGuiApplication::primaryScreen();
    move(screen ? screen->geometry().topLeft() : QPoint(0, 0));
    raise();
    activateWindow();
}

bool DesktopAreaSelecter::pointsSet() const
{
    return startPoint != invalidPoint && endPoint != invalidPoint;
}

QRect DesktopAreaSelecter::selectionRect() const
{
    const QRectF r = rectFromPoints(startPoint, endPoint);
    return QRect(QPoint(qRound(r.x()), qRound(r.y())),
                 QPoint(qRound(r.x() + r.width()) - 1, qRound(r.y() + r.height()) - 1));
}

void DesktopAreaSelecter::updateSelectionGeometry()
{
    if (!pointsSet())
        return;
    const QRect r = selectionRect();
    int x = r.left();
    int y = r.top();
    int w = r.right() - r.left() + 1;
    int h = r.bottom() - r.top() + 1;
    if (areaAdjuster)
        areaAdjuster(x, y, w, h);
    startPoint = QPoint(x, y);
    endPoint = QPoint(x + w, y + h);
    sizeLabel->setText(QStringLiteral("X:%1 Y:%2 [%3×%4]").arg(x).arg(y).arg(w).arg(h));
    infoPanel->adjustSize();
    const QSignalBlocker blockWidth(widthSpinBox);
    const QSignalBlocker blockHeight(heightSpinBox);
    widthSpinBox->setValue(w);
    heightSpinBox->setValue(h);
    const int gap = int(std::ceil(gripSize * 0.5)) + 2;
    const int bottom = y + h - 1;
    int infoTop = y - gap - infoPanel->height();
    if (infoTop < 0)
        infoTop = y + gap;
    infoPanel->move(x, infoTop);
    int toolTop = bottom + gap;
    if (bottom + gap + toolPanel->height() > height())
        toolTop = bottom - gap - toolPanel->height();
    toolPanel->move((x + w - 1) - toolPanel->width(), toolTop);
    infoPanel->show();
    toolPanel->show();
    update();
}

void DesktopAreaSelecter::setSelectionSize(int w, int h)
{
    const QRect r = selectionRect();
    startPoint = r.topLeft();
    if (w > 0)
        endPoint = QPoint(r.left() + w, r.bottom() + 1);
    if (h > 0)
        endPoint = QPoint(r.right() + 1, r.top() + h);
    updateSelectionGeometry();
}

void DesktopAreaSelecter::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton) {
        if (!selected) {
            pressed = true;
            startPoint = event->pos();
        } else if (dragMode != -1) {
            pressed = true;
            pressPoint = currentPoint = event->pos();
            savedStartPoint = startPoint;
            savedEndPoint = endPoint;
            infoPanel->hide();
            toolPanel->hide();
        }
    } else if (event->button() == Qt::RightButton) {
        clearPoints();
        update();
    }
}

void DesktopAreaSelecter::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (pressed && selected) {
        currentPoint = event->pos();
        if (dragMode != -1)
            resizeByGrip();
    } else if (pressed) {
        endPoint = event->pos();
        update();
    } else if (selected) {
        updateCursor(event->pos());
    } else {
        setCursor(Qt::CrossCursor);
    }
}

void DesktopAreaSelecter::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    pressed = false;
    if (!selected && pointsSet())
        selected = true;
    updateSelectionGeometry();
}

void DesktopAreaSelecter::resizeByGrip()
{
    // The edges that stay, as exclusive ends like the points themselves, so that a grip
    // moved along one axis keeps the other size.
    const QRectF saved = rectFromPoints(savedStartPoint, savedEndPoint);
    const int left = qRound(saved.x());
    const int top = qRound(saved.y());
    const int right = qRound(saved.x() + saved.width());
    const int bottom = qRound(saved.y() + saved.height());
    const int cx = currentPoint.x();
    const int cy = currentPoint.y();
    const QPoint delta = currentPoint - pressPoint;
    switch (dragMode) {
        case 0:
            startPoint = savedStartPoint + delta;
            endPoint = savedEndPoint + delta;
            break;
        case 1:
            startPoint = {cx, cy};
            endPoint = {right, bottom};
            break;
        case 2:
            startPoint = {left, cy};
            endPoint = {right, bottom};
            break;
        case 3:
            startPoint = {cx, cy};
            endPoint = {left, bottom};
            break;
        case 4:
            startPoint = {left, top};
            endPoint = {cx, bottom};
            break;
        case 5:
            startPoint = {left, top};
            endPoint = {cx, cy};
            break;
        case 6:
            startPoint = {left, top};
            endPoint = {right, cy};
            break;
        case 7:
            startPoint = {right, top};
            endPoint = {cx, cy};
            break;
        case 8:
            startPoint = {cx, top};
            endPoint = {right, bottom};
            break;
        default:
            return;
    }
    update();
}

int DesktopAreaSelecter::gripAt(const QPoint &point) const
{
    const QRect r = selectionRect();
    const int half = (gripSize - 1) / 2;
    const auto hit = [&](int x, int y) {
        return QRect(x - half, y - half, gripSize, gripSize).contains(point);
    };
    const int midX = (r.left() + r.right()) / 2;
    const int midY = (r.top() + r.bottom()) / 2;
    const struct
    {
        int x, y, mode;
    } spots[] = {{r.left(), r.top(), 1},    {r.right(), r.top(), 3}, {r.right(), r.bottom(), 5},
                 {r.left(), r.bottom(), 7}, {midX, r.top(), 2},      {r.right(), midY, 4},
                 {midX, r.bottom(), 6},     {r.left(), midY, 8}};
    for (const auto &spot : spots) {
        if (hit(spot.x, spot.y))
            return spot.mode;
    }
    return r.contains(point) ? 0 : -1;
}

void DesktopAreaSelecter::updateCursor(const QPoint &point)
{
    const int mode = gripAt(point);
    if (mode == dragMode)
        return;
    dragMode = mode;
    static const Qt::CursorShape shapes[] = {
        Qt::SizeAllCursor,   Qt::SizeFDiagCursor, Qt::SizeVerCursor,
        Qt::SizeBDiagCursor, Qt::SizeHorCursor,   Qt::SizeFDiagCursor,
        Qt::SizeVerCursor,   Qt::SizeBDiagCursor, Qt::SizeHorCursor};
    setCursor(mode >= 0 ? shapes[mode] : Qt::ArrowCursor);
}

void DesktopAreaSelecter::paintEvent(QPaintEvent *)
{
    if (isHidden())
        return;
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPixmap(0, 0, desktopPicture);
    painter.fillRect(rect(), QColor(0, 0, 0, 100));
    if (!pointsSet())
        return;
    const QRect r = selectionRect();
    const qreal ratio = desktopPicture.devicePixelRatio();
    const QRectF source(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio);
    painter.drawPixmap(QRectF(r), desktopPicture, source);
    painter.setPen(QPen(Qt::green, 1));
    painter.drawRect(r);
    painter.setBrush(Qt::green);
    drawAreaHandles(&painter, r, QSize(margin, margin));
}

void DesktopAreaSelecter::drawAreaHandles(QPainter *painter, const QRect &rect, const QSize &size)
{
    if (!rect.isValid() || size.width() <= 0 || size.height() <= 0)
        return;
    const int w = size.width();
    const int h = size.height();
    const int midX = rect.left() + (rect.width() - w) / 2;
    const int midY = rect.top() + (rect.height() - h) / 2;
    const QRect handles[] = {QRect(rect.left(), rect.top(), w, h),
                             QRect(rect.right() - w + 1, rect.top(), w, h),
                             QRect(rect.right() - w + 1, rect.bottom() - h + 1, w, h),
                             QRect(rect.left(), rect.bottom() - h + 1, w, h),
                             QRect(midX, rect.top(), w, h),
                             QRect(rect.right() - w + 1, midY, w, h),
                             QRect(midX, rect.bottom() - h + 1, w, h),
                             QRect(rect.left(), midY, w, h)};
    for (const QRect &handle : handles)
        painter->drawRect(handle);
}

void DesktopAreaSelecter::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (event->key() == Qt::Key_Escape)
        cancelSelection();
}

QPixmap DesktopAreaSelecter::selectedPixmap() const
{
    const QRect r = selectionRect();
    if (!pointsSet() || r.right() < r.left() || r.bottom() < r.top())
        return QPixmap();
    // In the picture's own pixels, so a HiDPI screen gives its full detail.
    const qreal ratio = desktopPicture.devicePixelRatio();
    QPixmap part = desktopPicture.copy(
        QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio).toRect());
    part.setDevicePixelRatio(1);
    return part;
}

void DesktopAreaSelecter::saveSelection()
{
    const QPixmap part = selectedPixmap();
    if (part.isNull())
        return;
    const QString path = saveFileChooser ? saveFileChooser() : QString();
    if (path.isEmpty())
        return;
    if (!FileSystem::savePictureBySuffix(part.toImage(), path)) {
        // The selection stays, so the user can choose another place.
        showMessageBox(this, QStringLiteral("墨岚白板消息"),
                       QStringLiteral("保存") + path + QStringLiteral("失败"));
        return;
    }
    resetSelection();
    emit selectedOver(QRect(), false);
}

void DesktopAreaSelecter::confirmSelection()
{
    if (!saveButton->isHidden()) {
        const QPixmap part = selectedPixmap();
        if (!part.isNull())
            QGuiApplication::clipboard()->setImage(part.toImage());
    }
    const QRect area = selectionRect();
    resetSelection();
    emit selectedOver(area, true);
}

void DesktopAreaSelecter::cancelSelection()
{
    resetSelection();
    emit selectedOver(QRect(), false);
}

void DesktopAreaSelecter::clearPoints()
{
    startPoint = endPoint = invalidPoint;
    savedStartPoint = savedEndPoint = invalidPoint;
    pressPoint = currentPoint = QPoint();
    selected = false;
    pressed = false;
    dragMode = -1;
    infoPanel->hide();
    toolPanel->hide();
}

void DesktopAreaSelecter::resetSelection()
{
    areaAdjuster = nullptr;
    clearPoints();
    desktopPicture = QPixmap();
    setFixedSize(10, 10);
    hide();
}
