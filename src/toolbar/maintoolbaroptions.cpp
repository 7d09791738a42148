// MainToolBar: the paint tools, their option strip, and the text-box bar.
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <cmath>

#include "drawing/paintproperty.h"
#include "toolbar/barbuttonlook.h"
#include "toolbar/maintoolbar.h"
#include "toolbar/paction.h"
#include "toolbar/shapeaction.h"
#include "toolbar/slider.h"
#include "toolbar/textboxtoolbar.h"

namespace {

const int lineWidths[] = {2, 3, 5, 7, 9};
const int lineStyles[] = {1, 2, 3, 4, 5};
const int arrowStyles[] = {0, 1, 2, 3, 4};

QString iconPath(const QString &name)
{
    return ":/icon/" + name;
}

template <typename T>
void setShown(const QList<T *> &widgets, bool shown)
{
    for (T *widget : widgets)
        widget->setVisible(shown);
}

} // namespace

void MainToolBar::createToolOptionWidgets()
{
    toolOptionStrip = new QWidget(this);
    toolOptionStrip->setObjectName("toolOptionStrip");

    shapeButton = new QToolButton(toolOptionStrip);
    shapeButton->setObjectName("shapeButton");
    shapeMenu = new QMenu(shapeButton);
    shapeAction = new ShapeAction(shapeMenu);

    auto makeMenuButton = [this](const char *name, QMenu *&menu, QList<PAction *> &entries,
                                 QButtonGroup *&group) {
        auto *button = new QToolButton(toolOptionStrip);
        button->setObjectName(QString::fromLatin1(name));
        menu = new QMenu(button);
        group = new QButtonGroup(menu);
        group->setExclusive(true);
        for (int i = 0; i < 5; ++i) {
            auto *entry = new PAction(menu);
            entries.append(entry);
            group->addButton(entry->button(), i);
        }
        return button;
    };
    lineWidthButton =
        makeMenuButton("lineWidthButton", lineWidthMenu, lineWidthEntries, lineWidthGroup);
    lineStyleButton =
        makeMenuButton("lineStyleButton", lineStyleMenu, lineStyleEntries, lineStyleGroup);
    arrowButton = makeMenuButton("arrowButton", arrowMenu, arrowEntries, arrowGroup);

    highlighterRow = new QWidget(toolOptionStrip);
    highlighterRow->setObjectName("highlighterRow");
    for (int k = 1; k <= 4; ++k) {
        auto *button = new QPushButton(highlighterRow);
        button->setObjectName(QString("highlighterButton%1").arg(k));
        highlighterButtons.append(button);
    }

    eraserSlider = new Slider(Qt::Horizontal, toolOptionStrip);
    eraserSlider->setObjectName("eraserSlider");
    eraserSpinBox = new QSpinBox(toolOptionStrip);
    eraserSpinBox->setObjectName("eraserSpinBox");
    eraserShapeCombo = new QComboBox(toolOptionStrip);
    eraserShapeCombo->setObjectName("eraserShapeCombo");

    auto makeToggle = [this](const char *name) {
        auto *button = new QPushButton(toolOptionStrip);
        button->setObjectName(QString::fromLatin1(name));
        return button;
    };
    laserButton = makeToggle("laserButton");
    degreeButton = makeToggle("degreeButton");
    fillButton = makeToggle("fillButton");
    angleValueButton = makeToggle("angleValueButton");

    sidesSpinBox = new QSpinBox(toolOptionStrip);
    sidesSpinBox->setObjectName("sidesSpinBox");
    angleGroup = new QWidget(toolOptionStrip);
    angleGroup->setObjectName("angleGroup");
    startAngleSpinBox = new QSpinBox(angleGroup);
    startAngleSpinBox->setObjectName("startAngleSpinBox");
    angleDashLabel = new QLabel("-", angleGroup);
    angleSizeSpinBox = new QSpinBox(angleGroup);
    angleSizeSpinBox->setObjectName("angleSizeSpinBox");
}

void MainToolBar::buildToolOptionLayout()
{
    shapeMenu->addAction(shapeAction);
    shapeButton->setMenu(shapeMenu);
    for (PAction *entry : qAsConst(lineWidthEntries))
        lineWidthMenu->addAction(entry);
    lineWidthButton->setMenu(lineWidthMenu);
    for (PAction *entry : qAsConst(lineStyleEntries))
        lineStyleMenu->addAction(entry);
    lineStyleButton->setMenu(lineStyleMenu);
    for (PAction *entry : qAsConst(arrowEntries))
        arrowMenu->addAction(entry);
    arrowButton->setMenu(arrowMenu);

    auto *angleLayout = new QHBoxLayout(angleGroup);
    angleLayout->setContentsMargins(0, 0, 0, 0);
    angleLayout->setSpacing(0);
    angleLayout->addWidget(startAngleSpinBox);
    angleLayout->addWidget(angleDashLabel);
    angleLayout->addWidget(angleSizeSpinBox);

    auto *strip = new QHBoxLayout(toolOptionStrip);
    strip->setContentsMargins(spacing, spacing, spacing, spacing);
    strip->setSpacing(spacing);
    strip->setAlignment(Qt::AlignLeft);
    const QList<QWidget *> controls = {
        shapeButton,  lineWidthButton,  lineStyleButton,  arrowButton, highlighterRow,
        eraserSlider, eraserSpinBox,    eraserShapeCombo, laserButton, degreeButton,
        fillButton,   angleValueButton, sidesSpinBox,     angleGroup};
    for (QWidget *control : controls)
        strip->addWidget(control);
}

void MainToolBar::buildTextBoxLayout()
{
    textBoxBar->buildLayout();
}

void MainToolBar::connectToolOptions()
{
    for (int k = 0; k < 12; ++k) {
        connect(toolButtons[k], &QPushButton::clicked, this, [this, k] {
            selectTool(k);
            emit paintToolClicked();
        });
    }
    for (QToolButton *button : {shapeButton, lineWidthButton, lineStyleButton, arrowButton})
        connect(button, &QToolButton::clicked, button, &QToolButton::showMenu);
    connect(shapeAction, &ShapeAction::shapeClicked, this, &MainToolBar::onShapeClicked);

    for (int i = 0; i < 5; ++i) {
        connect(lineWidthEntries[i], &QAction::triggered, this, [this, i] {
            property->lineBoldSize = lineWidths[i];
            emit lineBoldSizeChanged();
        });
        connect(lineStyleEntries[i], &QAction::triggered, this, [this, i] {
            property->lineStyle = lineStyles[i];
            emit lineStyleChanged();
        });
        connect(arrowEntries[i], &QAction::triggered, this, [this, i] {
            property->arrowStyle = arrowStyles[i];
            emit arrowStyleChanged();
        });
    }
    for (int k = 1; k <= 4; ++k) {
        connect(highlighterButtons[k - 1], &QPushButton::clicked, this, [this, k] {
            property->highlightSize = k;
            emit highlightSizeChanged();
        });
    }
    connect(eraserSlider, &QSlider::valueChanged, this, &MainToolBar::onEraserSliderChanged);
    connect(eraserSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &MainToolBar::onEraserSpinBoxChanged);
    connect(eraserShapeCombo, QOverload<int>::of(&QComboBox::activated), this, [this](int i) {
        property->eraserShape = i;
        emit eraserShapeChanged();
    });
    connect(laserButton, &QPushButton::clicked, this, [this](bool on) {
        property->hasPenLaser = on;
        emit hasPenLaserClicked();
    });
    connect(degreeButton, &QPushButton::clicked, this, [this](bool on) {
        property->hasLineDegree = on;
        emit hasLineDegreeClicked();
    });
    connect(fillButton, &QPushButton::clicked, this, [this](bool on) {
        property->isFillBackColor = on;
        emit isFillBackColorClicked();
    });
    connect(angleValueButton, &QPushButton::clicked, this, [this](bool on) {
        property->hasIncludedAngle = on;
        emit hasIncludedAngleClicked();
    });
    connect(sidesSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int v) {
        property->polygonSideCount = v;
        emit polygonSideCountChanged();
    });
    connect(startAngleSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int v) {
        property->startAngle = v;
        emit startAngleChanged();
    });
    connect(angleSizeSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int v) {
        property->angleSize = v;
        emit angleSizeChanged();
    });
}

void MainToolBar::connectTextBoxOptions()
{
    textBoxBar->connectSignals();
    // The bar has already written PaintProperty when it emits; pass each signal on as is.
    using Signal = void (TextBoxToolBar::*)();
    using Relay = void (MainToolBar::*)();
    const QList<QPair<Signal, Relay>> relays = {
        {&TextBoxToolBar::fontFamilyActivated, &MainToolBar::fontFamilyActivated},
        {&TextBoxToolBar::fontSizeActivated, &MainToolBar::fontSizeActivated},
        {&TextBoxToolBar::fontBoldClicked, &MainToolBar::fontBoldClicked},
        {&TextBoxToolBar::fontItalicClicked, &MainToolBar::fontItalicClicked},
        {&TextBoxToolBar::fontUnderlineClicked, &MainToolBar::fontUnderlineClicked},
        {&TextBoxToolBar::fontDeletelineClicked, &MainToolBar::fontDeletelineClicked},
        {&TextBoxToolBar::fontColorClicked, &MainToolBar::fontColorClicked},
        {&TextBoxToolBar::textBackColorClicked, &MainToolBar::textBackColorClicked},
        {&TextBoxToolBar::textFrameColorClicked, &MainToolBar::textFrameColorClicked},
        {&TextBoxToolBar::textAlignChanged, &MainToolBar::textAlignChanged},
        {&TextBoxToolBar::textLineHeightActivated, &MainToolBar::textLineHeightActivated},
        {&TextBoxToolBar::textOrderActivated, &MainToolBar::textOrderActivated},
    };
    for (const auto &relay : relays)
        connect(textBoxBar, relay.first, this, relay.second);
}

void MainToolBar::clearOptionFocus()
{
    toolOptionStrip->setFocusPolicy(Qt::NoFocus);
    const QList<QWidget *> children = toolOptionStrip->findChildren<QWidget *>();
    for (QWidget *child : children)
        child->setFocusPolicy(Qt::NoFocus);
    for (QMenu *menu : {shapeMenu, lineWidthMenu, lineStyleMenu, arrowMenu}) {
        const QList<QWidget *> entries = menu->findChildren<QWidget *>();
        for (QWidget *entry : entries)
            entry->setFocusPolicy(Qt::NoFocus);
    }
    for (QSpinBox *spinBox : {eraserSpinBox, sidesSpinBox, startAngleSpinBox, angleSizeSpinBox})
        spinBox->setFocusPolicy(Qt::ClickFocus);
}

void MainToolBar::styleSpinBox(QSpinBox *spinBox, int min, int max, int value,
                               const QString &toolTip, int width)
{
    const QSignalBlocker blocker(spinBox);
    spinBox->setRange(min, max);
    spinBox->setValue(value);
    spinBox->setToolTip(toolTip);
    spinBox->setAlignment(Qt::AlignCenter);
    spinBox->setButtonSymbols(QAbstractSpinBox::NoButtons);
    spinBox->setFixedSize(width, buttonSide);
    spinBox->setStyleSheet(QString("QSpinBox{color:#666;border:1px solid %1;border-radius:%2;}"
                                   "QSpinBox::up-button{width:0;}"
                                   "QSpinBox::down-button{width:0;}")
                               .arg(border)
                               .arg(radius));
}

void MainToolBar::buildButtonGroupRow(QWidget *container, const QList<QPushButton *> &buttons,
                                      const QList<QPixmap> &pixmaps, const QStringList &toolTips)
{
    container->setFixedHeight(buttonSide);
    container->setStyleSheet(
        QString("QWidget{background-color:white;border:1 solid %1;border-radius:%2;}")
            .arg(border)
            .arg(radius));
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(spacing, spacing, spacing, spacing);
    layout->setSpacing(spacing);
    auto *group = new QButtonGroup(container);
    group->setExclusive(true);
    const BarButtonLook look = buttonLook(buttonSide - 2 * spacing);
    for (int i = 0; i < buttons.size(); ++i) {
        QPushButton *button = buttons[i];
        look.styleCheckable(button, QIcon(pixmaps.value(i)), toolTips.value(i));
        group->addButton(button, i + 1);
        layout->addWidget(button);
    }
    highlighterGroup = group;
}

void MainToolBar::setupToolOptionMenus()
{
    shapeAction->setCheckedShape(property->shapeType);
    stylePopupButton(shapeButton, iconPath("maintoolbar/shape/shape.png"), "形状");
    stylePopupButton(lineWidthButton, iconPath("maintoolbar/linebold.png"), "大小");
    stylePopupButton(lineStyleButton, iconPath("maintoolbar/linestyle.png"), "线型");
    stylePopupButton(arrowButton, iconPath("maintoolbar/arrow.png"), "箭头类型");
    stylePlainMenu(shapeMenu);
    stylePaddedMenu(lineWidthMenu);
    stylePaddedMenu(lineStyleMenu);
    stylePaddedMenu(arrowMenu);

    const char *arrowPictures[] = {"arrowno", "arrowsingleline", "arrowsinglerect",
                                   "arrowdoubleline", "arrowdoublerect"};
    for (int i = 0; i < 5; ++i) {
        lineWidthEntries[i]->setPixmapAndText(lineWidthPixmap(lineWidths[i]),
                                              QString::number(lineWidths[i]) + "像素");
        lineStyleEntries[i]->setPixmapAndText(lineStylePixmap(lineStyles[i]), QString());
        arrowEntries[i]->setPixmapAndText(
            QPixmap(iconPath(QString("maintoolbar/%1.png").arg(arrowPictures[i]))), QString());
    }
    lineWidthEntries[0]->button()->setChecked(true);
    lineStyleEntries[0]->button()->setChecked(true);
    arrowEntries[0]->button()->setChecked(true);

    QList<QPixmap> highlighterPixmaps;
    for (int k = 1; k <= 4; ++k)
        highlighterPixmaps.append(highlighterPixmap(30, k));
    buildButtonGroupRow(highlighterRow, highlighterButtons, highlighterPixmaps,
                        {"荧光笔：细线", "荧光笔：标准", "荧光笔：粗线", "荧光笔：特粗"});
    highlighterButtons[1]->setChecked(true);

    {
        const QSignalBlocker blocker(eraserSlider);
        eraserSlider->setRange(1, 20);
        eraserSlider->setValue(property->eraserSize);
    }
    eraserSlider->setToolTip("设置橡皮擦大小");
    eraserSlider->setFixedWidth(3 * buttonSide);
    eraserSlider->setStyleSheet(
        QString("QSlider::handle:horizontal{background-color:%1;}").arg(checked));
    styleSpinBox(eraserSpinBox, 1, 20, property->eraserSize, "设置橡皮擦大小", buttonSide);
    // Typed digits resize the eraser once, for the finished value; the shape boxes follow
    // every change.
    eraserSpinBox->setKeyboardTracking(false);

    eraserShapeCombo->setView(new QListView(eraserShapeCombo));
    eraserShapeCombo->addItem("方形");
    eraserShapeCombo->addItem("圆形");
    eraserShapeCombo->setCurrentIndex(0);
    eraserShapeCombo->setToolTip("橡皮擦形状");
    eraserShapeCombo->setFixedSize(static_cast<int>(std::ceil(1.5 * buttonSide)), buttonSide);
    eraserShapeCombo->setStyleSheet(
        QString("QComboBox{background-color:white;border:1px solid %1;border-radius:%2;}"
                "QComboBox::drop-down{border:0;}"
                "QComboBox::down-arrow{border-image: url(:/icon/textboxtoolbar/downarrow.png);}"
                "QComboBox QAbstractItemView::item{color:black;height:%3;}"
                "QComboBox QAbstractItemView::item:hover{background-color:%4;}"
                "QComboBox QAbstractItemView::item:selected{background-color:%5;}"
                "QComboBox QAbstractScrollArea QScrollBar:vertical{width:%6;}")
            .arg(border)
            .arg(radius)
            .arg(buttonSide)
            .arg(hover, checked)
            .arg(2 * spacing));

    const struct
    {
        QPushButton *button;
        const char *toolTip;
        const char *icon;
        bool on;
    } toggles[] = {
        {laserButton, "激光笔头", "maintoolbar/lasermouse.png", property->hasPenLaser},
        {degreeButton, "显示线条刻度", "maintoolbar/degree.png", property->hasLineDegree},
        {fillButton, "填充背景色", "maintoolbar/fillbgcolor.png", property->isFillBackColor},
        {angleValueButton, "显示角度值", "maintoolbar/angle.png", property->hasIncludedAngle},
    };
    for (const auto &toggle : toggles) {
        styleCheckableButton(toggle.button, iconPath(QString::fromLatin1(toggle.icon)),
                             QString::fromUtf8(toggle.toolTip));
        toggle.button->setChecked(toggle.on);
    }

    const int wideSpin = static_cast<int>(std::floor(1.5 * buttonSide));
    styleSpinBox(sidesSpinBox, 3, 30, property->polygonSideCount,
                 "设置边数" + QString("(") + QString::number(3) + "-" + QString::number(30) + ")",
                 wideSpin);
    styleSpinBox(
        startAngleSpinBox, -360, 360, property->startAngle,
        "设置起始角" + QString("(") + QString::number(-360) + "°~" + QString::number(360) + "°)",
        wideSpin);
    styleSpinBox(
        angleSizeSpinBox, 1, 360, property->angleSize,
        "设置角度值" + QString("(") + QString::number(1) + "°~" + QString::number(360) + "°)",
        wideSpin);
    angleDashLabel->setAlignment(Qt::AlignCenter);
    angleDashLabel->setFixedWidth(3 * spacing);
}

void MainToolBar::setupTextBoxBar()
{
    textBoxBar->setupTextBoxBar();
}

// ---------------------------------------------------------------------------------------------
// Tools

void MainToolBar::hideToolOptions()
{
    toolOptionAction->setVisible(false);
    textBoxAction->setVisible(false);
    stampAction->setVisible(false);
    setShown<QWidget>({shapeButton, lineWidthButton, lineStyleButton, arrowButton, highlighterRow,
                       eraserSlider, eraserSpinBox, eraserShapeCombo, laserButton, degreeButton,
                       fillButton, angleValueButton, sidesSpinBox, angleGroup},
                      false);
}

void MainToolBar::selectTool(int k)
{
    property->paintTool = k;
    hideToolOptions();
    if (k >= PaintTool::Pencil && k <= PaintTool::FreeCurve)
        toolOptionAction->setVisible(true);
    switch (k) {
        case PaintTool::Pencil:
        case PaintTool::Pen:
            setShown<QWidget>({lineWidthButton, laserButton}, true);
            break;
        case PaintTool::Highlighter:
            highlighterRow->show();
            break;
        case PaintTool::Eraser:
            setShown<QWidget>({eraserSlider, eraserSpinBox, eraserShapeCombo}, true);
            break;
        case PaintTool::Line:
            setShown<QWidget>({lineWidthButton, lineStyleButton, arrowButton, degreeButton}, true);
            break;
        case PaintTool::Shape: {
            setShown<QWidget>({shapeButton, lineWidthButton, fillButton}, true);
            const int shape = property->shapeType;
            if (shape <= ShapeType::Cone) {
                lineStyleButton->show();
                if (shape == ShapeType::RegularPolygon)
                    sidesSpinBox->show();
            }
            if (shape == ShapeType::Sector || shape == ShapeType::Arc)
                angleGroup->show();
            if (shape == ShapeType::PlaneAxes || shape == ShapeType::SpaceAxes)
                degreeButton->show();
            break;
        }
        case PaintTool::Polyline:
            setShown<QWidget>({lineWidthButton, lineStyleButton, fillButton, angleValueButton},
                              true);
            break;
        case PaintTool::FreeCurve:
            setShown<QWidget>({lineWidthButton, lineStyleButton, fillButton}, true);
            break;
        case PaintTool::TextBox:
            textBoxAction->setVisible(true);
            break;
        case PaintTool::Stamp:
            stampAction->setVisible(true);
            break;
        default:
            break;
    }
}

void MainToolBar::selectMouseTool()
{
    selectTool(PaintTool::Mouse);
}

void MainToolBar::selectSelectionTool()
{
    selectTool(PaintTool::Selection);
}

void MainToolBar::selectPencilTool()
{
    selectTool(PaintTool::Pencil);
}

void MainToolBar::selectPenTool()
{
    selectTool(PaintTool::Pen);
}

void MainToolBar::selectHighlighterTool()
{
    selectTool(PaintTool::Highlighter);
}

void MainToolBar::selectEraserTool()
{
    selectTool(PaintTool::Eraser);
}

void MainToolBar::selectLineTool()
{
    selectTool(PaintTool::Line);
}

void MainToolBar::selectGeometryTool()
{
    selectTool(PaintTool::Shape);
}

void MainToolBar::selectConnectedLineTool()
{
    selectTool(PaintTool::Polyline);
}

void MainToolBar::selectFreeCurveTool()
{
    selectTool(PaintTool::FreeCurve);
}

void MainToolBar::selectTextBoxTool()
{
    selectTool(PaintTool::TextBox);
}

void MainToolBar::selectStampTool()
{
    selectTool(PaintTool::Stamp);
}

void MainToolBar::onShapeClicked(int id)
{
    property->shapeType = id;
    lineStyleButton->setVisible(id <= ShapeType::Cone);
    sidesSpinBox->setVisible(id == ShapeType::RegularPolygon);
    angleGroup->setVisible(id == ShapeType::Sector || id == ShapeType::Arc);
    degreeButton->setVisible(id == ShapeType::PlaneAxes || id == ShapeType::SpaceAxes);
    emit shapeTypeChanged();
}

void MainToolBar::onEraserSliderChanged(int v)
{
    property->eraserSize = v;
    {
        const QSignalBlocker blocker(eraserSpinBox);
        eraserSpinBox->setValue(v);
    }
    emit eraserSizeChanged();
}

void MainToolBar::onEraserSpinBoxChanged(int v)
{
    property->eraserSize = v;
    {
        const QSignalBlocker blocker(eraserSlider);
        eraserSlider->setValue(v);
    }
    emit eraserSizeChanged();
}

static void checkEntry(const QList<PAction *> &entries, const int *values, int v)
{
    for (int i = 0; i < entries.size(); ++i) {
        if (values[i] == v)
            entries[i]->button()->setChecked(true);
    }
}

void MainToolBar::setLineBoldSize(int v)
{
    property->lineBoldSize = v;
    checkEntry(lineWidthEntries, lineWidths, v);
}

void MainToolBar::setLineStyle(int v)
{
    property->lineStyle = v;
    checkEntry(lineStyleEntries, lineStyles, v);
}

void MainToolBar::setArrowStyle(int v)
{
    property->arrowStyle = v;
    checkEntry(arrowEntries, arrowStyles, v);
}

// ---------------------------------------------------------------------------------------------
// Entry pictures

QPixmap MainToolBar::lineWidthPixmap(int width) const
{
    const int h = buttonSide;
    QPixmap pixmap(2 * h, h);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.drawLine(QPoint(spacing, (h - 1) / 2), QPoint(2 * h - 1 - spacing, (h - 1) / 2));
    return pixmap;
}

QPixmap MainToolBar::lineStylePixmap(int style) const
{
    const int h = buttonSide;
    QPixmap pixmap(2 * h, h);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(
        QPen(Qt::black, 2, static_cast<Qt::PenStyle>(style), Qt::SquareCap, Qt::BevelJoin));
    painter.drawLine(QPoint(spacing, (h - 1) / 2), QPoint(2 * h - 1 - spacing, (h - 1) / 2));
    return pixmap;
}

QPixmap MainToolBar::highlighterPixmap(int side, int size)
{
    const int tileWidth = 15;
    const int tileHeight = 5 * size + 5;
    QPixmap tile(tileWidth, tileHeight);
    tile.fill(Qt::white);
    {
        QPainter painter(&tile);
        painter.setPen(QColor(45, 45, 45));
        painter.drawLine(0, 0, tileWidth, 0);
        painter.drawLine(0, 0, 0, tileHeight);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor("#30b6ff"));
        painter.drawRect(QRect(QPoint(3, 3), QPoint(tileWidth - 1, tileHeight - 1)));
    }
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.drawPixmap((side - tileWidth) / 2, (side - tileHeight) / 2, tile);
    return pixmap;
}

QPixmap MainToolBar::eraserSizePixmap(int side, int size)
{
    const int tileSide = 6 * size;
    QPixmap tile(tileSide, tileSide);
    tile.fill(Qt::transparent);
    {
        QPainter painter(&tile);
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(QPoint(0, 0), QPoint(tileSide - 2, tileSide - 2)));
    }
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.drawPixmap((side - tileSide) / 2, (side - tileSide) / 2, tile);
    return pixmap;
}
