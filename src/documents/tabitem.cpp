#include "documents/tabitem.h"

#include <QDrag>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

#include "base/uimetrics.h"
#include "canvas/canvas.h"
#include "pdf/pdfcanvas.h"

const QString TabItem::dragFormat = QStringLiteral("application/x-quillboard-tab");

TabItem::TabItem(QWidget *parent)
    : QPushButton(parent)
    , unit(spacingUnit())
    , normalColor(tabItemColorA().name())
    , hoverColor(tabItemColorB().name())
    , checkedColor(tabItemColorC().name())
    , edgeColor(tabItemColorD().name())
    , closeHoverColor(documentBackgroundColor().name())
    , closeButtonSize(qFloor(titleBarHeight() * 0.5))
    , radius(borderRadius())
{
    setCheckable(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setAcceptDrops(true);
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet(QStringLiteral("QPushButton{background-color:%1;border-top:1 solid %2;"
                                 "border-left:1 solid %2;border-right:1 solid %2;"
                                 "border-top-left-radius:%3;border-top-right-radius:%3;}"
                                 "QPushButton:hover{background-color:%4;}"
                                 "QPushButton:checked{background-color:%5;}")
                      .arg(normalColor, edgeColor)
                      .arg(radius)
                      .arg(hoverColor, checkedColor));

    layout = new QHBoxLayout(this);
    layout->setContentsMargins(unit, 0, unit, 0);
    layout->setSpacing(unit);
    titleLabel = new QLabel(this);
    titleLabel->setFocusPolicy(Qt::NoFocus);
    closeTabButton = new QPushButton(this);
    closeTabButton->setFocusPolicy(Qt::NoFocus);
    closeTabButton->setFixedSize(closeButtonSize, closeButtonSize);
    closeTabButton->setIcon(QIcon(QStringLiteral(":/icon/titlebar/appclose.png")));
    closeTabButton->setToolTip(QStringLiteral("关闭"));
    closeTabButton->setStyleSheet(
        QStringLiteral("QPushButton{background-color:transparent;border:0;border-radius:%1;}"
                       "QPushButton:hover{background-color:%2;}")
            .arg(radius)
            .arg(closeHoverColor));
    layout->addWidget(titleLabel);
    layout->addWidget(closeTabButton);

    connect(this, &QPushButton::pressed, this, &TabItem::onClicked);
    connect(closeTabButton, &QPushButton::clicked, this, &TabItem::onCloseButtonClicked);
}

void TabItem::onClicked()
{
    setChecked(true);
    emit tabItemClicked(this);
}

void TabItem::onCloseButtonClicked()
{
    emit toCloseTabItem(this);
}

void TabItem::updateTitle()
{
    titleLabel->setText(title);
}

void TabItem::setMaximumTabWidth(int w)
{
    // The label's text would hold the tab wider than w.
    const QString text = titleLabel->text();
    titleLabel->clear();
    setMaximumWidth(w);
    titleLabel->setText(text);
}

void TabItem::setCloseButtonVisible(bool visible)
{
    closeTabButton->setVisible(visible);
}

bool TabItem::isCloseButtonShown() const
{
    return !closeTabButton->isHidden();
}

void TabItem::setCanvas(Canvas *c)
{
    canvas = c;
    canvasBoard = c;
}

void TabItem::setPdfCanvas(PdfCanvas *c)
{
    pdfCanvas = c;
    pdfBoard = c;
}

void TabItem::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton) {
        dragArmed = true;
        pressPos = event->localPos();
    }
    QPushButton::mousePressEvent(event);
}

void TabItem::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        dragArmed = false;
    // Lets the button come up; the checked tab of the window's exclusive group stays checked.
    QPushButton::mouseReleaseEvent(event);
}

void TabItem::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (!dragArmed)
        return;
    const QPointF d = event->localPos() - pressPos;
    if (qSqrt(d.x() * d.x() + d.y() * d.y()) <= 2 * unit)
        return;
    // The release ends inside the drag and never reaches the button.
    dragArmed = false;
    setDown(false);
    emit itemDragedBy(this);
    auto *drag = new QDrag(this);
    auto *mime = new QMimeData;
    mime->setData(dragFormat, QByteArray::number(serial));
    drag->setMimeData(mime);
    QPixmap picture(size());
    picture.fill(Qt::transparent);
    render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    drag->setPixmap(picture);
    drag->setHotSpot(QPoint(0, 0));
    const Qt::DropAction result = drag->exec(Qt::MoveAction);
    emit itemDragMovedOver(result == Qt::MoveAction);
    drag->deleteLater();
}

void TabItem::enterEvent(QEvent *event)
{
    QPushButton::enterEvent(event);
    setCloseButtonVisible(true);
}

void TabItem::leaveEvent(QEvent *event)
{
    QPushButton::leaveEvent(event);
    if (!isChecked())
        setCloseButtonVisible(false);
}

void TabItem::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);
    if (dropSide == 0)
        return;
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(checkedBackgroundColor());
    const int x = dropSide == 1 ? 0 : width() - unit;
    painter.drawRect(x, 0, unit, height());
}

void TabItem::setDropSide(int side)
{
    dropSide = side;
    repaint();
}

void TabItem::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(dragFormat))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TabItem::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasFormat(dragFormat)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const int x = qRound(event->posF().x());
    const bool front = !((width() - 1) / 2 < x);
    setDropSide(front ? 1 : 2);
    emit itemDragEnteredFor(this, front);
}

void TabItem::dragLeaveEvent(QDragLeaveEvent *event)
{
    event->accept();
    setDropSide(0);
    emit itemDragEnteredFor(nullptr, false);
}

void TabItem::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasFormat(dragFormat)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setDropSide(0);
}
