#include "toolbar/maintoolbar.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "base/recordstep.h"
#include "base/uimetrics.h"
#include "drawing/colorname.h"
#include "drawing/documentboard.h"
#include "drawing/gridlines.h"
#include "drawing/paintproperty.h"
#include "drawing/pixmaputils.h"
#include "items/pageorientation.h"
#include "toolbar/barbuttonlook.h"
#include "toolbar/stampdialog.h"
#include "toolbar/textboxtoolbar.h"
#include "toolbar/toolbarstyle.h"

namespace {

QString iconPath(const QString &name)
{
    return ":/icon/" + name;
}

// The step a click of the record button lands on; an unknown state starts over from idle.
RecordStep stepAfterClick(int state)
{
    switch (static_cast<RecordStep>(state)) {
        case RecordStep::Idle:
            return RecordStep::Start;
        case RecordStep::Start:
        case RecordStep::Resume:
            return RecordStep::Pause;
        case RecordStep::Pause:
            return RecordStep::Resume;
    }
    return RecordStep::Idle;
}

} // namespace

MainToolBar::MainToolBar(PaintProperty *paintProperty, QWidget *parent)
    : QToolBar(parent)
    , spacing(spacingUnit())
    , radius(borderRadius())
    , groupMargin(spacingUnit())
    , groupSpacing(spacingUnit())
    , buttonSide((toolStripHeight() - 3 * spacingUnit()) / 2)
    , border(borderColor().name())
    , hover(hoverBackgroundColor().name())
    , checked(checkedBackgroundColor().name())
    , property(paintProperty)
{
    // A fresh instance of the application's style for the proxy to own (see Slider).
    QStyle *base = QStyleFactory::create(QApplication::style()->objectName());
    if (!base)
        base = QStyleFactory::create("Fusion");
    auto *frameless = new ToolBarStyle(base);
    setStyle(frameless);
    // Released once the toolbar and all its children, which may still reach it, are gone.
    connect(this, &QObject::destroyed, frameless, &QObject::deleteLater);
    createCommandWidgets();
    createToolOptionWidgets();
    textBoxBar = new TextBoxToolBar(property, this);
    textBoxBar->setObjectName("textBoxBar");
    // Through askColor, so replacing or dropping the toolbar's picker reaches the bar too.
    textBoxBar->setColorPicker(
        [this](const QString &title, const QString &initial, const QString &extra) {
            return askColor(title, initial, extra);
        });
    stampDialog = new StampDialog(this);
    stampDialog->setObjectName("stampDialog");
}

void MainToolBar::setColorPicker(ColorPicker picker)
{
    colorPicker = std::move(picker);
}

void MainToolBar::setStampBoxes(std::function<bool(const QString &)> question,
                                std::function<void(const QString &)> message)
{
    stampDialog->setQuestion(std::move(question));
    stampDialog->setMessage(std::move(message));
}

QString MainToolBar::askColor(const QString &title, const QString &initial,
                              const QString &extra) const
{
    return colorPicker ? colorPicker(title, initial, extra) : QString();
}

// ---------------------------------------------------------------------------------------------
// Construction

void MainToolBar::createCommandWidgets()
{
    auto makeButton = [this](const char *name) {
        auto *button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        return button;
    };
    openFileButton = makeButton("openFileButton");
    exportButton = makeButton("exportButton");
    openClipboardButton = makeButton("openClipboardButton");
    newBoardButton = makeButton("newBoardButton");
    undoButton = makeButton("undoButton");
    redoButton = makeButton("redoButton");
    cutButton = makeButton("cutButton");
    copyButton = makeButton("copyButton");
    pasteButton = makeButton("pasteButton");
    selectAllButton = makeButton("selectAllButton");
    cancelButton = makeButton("cancelButton");
    deleteButton = makeButton("deleteButton");
    foreColorButton = makeButton("foreColorButton");
    backColorButton = makeButton("backColorButton");
    for (int k = 0; k < 4; ++k)
        presetButtons[k] = makeButton(qPrintable(QString("presetButton%1").arg(k + 1)));
    appSettingsButton = makeButton("appSettingsButton");
    floatCameraButton = makeButton("floatCameraButton");
    countdownTimerButton = makeButton("countdownTimerButton");
    pdfResetButton = makeButton("pdfResetButton");
    recordStartButton = makeButton("recordStartButton");
    recordStopButton = makeButton("recordStopButton");
    zoomInButton = makeButton("zoomInButton");
    zoomOutButton = makeButton("zoomOutButton");
    rotateButton = makeButton("rotateButton");
    gridButton = makeButton("gridButton");
    clearColorButton = makeButton("clearColorButton");
    clearScreenButton = makeButton("clearScreenButton");

    exportMenu = new QMenu(this);
    exportImageAction = new QAction("导出为图片", exportMenu);
    exportImageAction->setObjectName("exportImageAction");
    exportPdfAction = new QAction("导出为PDF", exportMenu);
    exportPdfAction->setObjectName("exportPdfAction");

    toolGroup = new QButtonGroup(this);
    toolGroup->setExclusive(true);
    for (int k = 0; k < 12; ++k) {
        toolButtons[k] = new QPushButton(this);
        toolButtons[k]->setObjectName(QString("toolButton%1").arg(k));
        toolGroup->addButton(toolButtons[k], k);
    }

    recordTimeLabel = new QLabel("00:00:00", this);
    recordTimeLabel->setObjectName("recordTimeLabel");

    rotateMenu = new QMenu(this);
    const char *rotateTexts[] = {"向左旋转90度(L)", "向右旋转90度(R)", "水平反转(H)",
                                 "垂直反转(V)"};
    const char *rotateIcons[] = {"rotateleft", "rotateright", "rotatehorizon", "rotatevertical"};
    for (int i = 0; i < 4; ++i) {
        rotateActions[i] =
            new QAction(QIcon(iconPath(QString("maintoolbar/%1.png").arg(rotateIcons[i]))),
                        QString::fromUtf8(rotateTexts[i]), rotateMenu);
    }
    gridMenu = new QMenu(this);
    const char *gridTexts[] = {"水平分割线", "竖直分割线", "网格线",
                               "删除分割线", "增加间距",   "缩小间距"};
    const char *gridIcons[] = {"hgrid", "vgrid", "hvgrid", nullptr, nullptr, nullptr};
    for (int i = 0; i < 6; ++i) {
        gridActions[i] = new QAction(QString::fromUtf8(gridTexts[i]), gridMenu);
        if (gridIcons[i])
            gridActions[i]->setIcon(
                QIcon(iconPath(QString("maintoolbar/%1.png").arg(gridIcons[i]))));
    }
}

// ---------------------------------------------------------------------------------------------
// Layout

void MainToolBar::buildLayouts()
{
    buildCommandLayout();
    buildToolOptionLayout();
    buildTextBoxLayout();
}

QWidget *MainToolBar::addGroup(QLayout *layout, bool separator)
{
    auto *group = new QWidget(this);
    layout->setContentsMargins(groupMargin, groupMargin, groupMargin, groupMargin);
    layout->setSpacing(groupSpacing);
    group->setLayout(layout);
    addWidget(group);
    if (separator)
        addSeparator();
    return group;
}

void MainToolBar::buildCommandLayout()
{
    auto *file = new QGridLayout;
    file->addWidget(openFileButton, 0, 0);
    file->addWidget(newBoardButton, 0, 1);
    file->addWidget(openClipboardButton, 1, 0);
    file->addWidget(exportButton, 1, 1);
    addGroup(file, true);

    auto *history = new QGridLayout;
    history->addWidget(undoButton, 0, 0);
    history->addWidget(redoButton, 1, 0);
    addGroup(history, true);

    auto *edit = new QGridLayout;
    edit->addWidget(cutButton, 0, 0);
    edit->addWidget(copyButton, 0, 1);
    edit->addWidget(pasteButton, 0, 2);
    edit->addWidget(selectAllButton, 1, 0);
    edit->addWidget(cancelButton, 1, 1);
    edit->addWidget(deleteButton, 1, 2);
    addGroup(edit, true);

    auto *view = new QGridLayout;
    view->addWidget(clearColorButton, 0, 0);
    view->addWidget(zoomInButton, 0, 1);
    view->addWidget(rotateButton, 0, 2);
    view->addWidget(clearScreenButton, 1, 0);
    view->addWidget(zoomOutButton, 1, 1);
    view->addWidget(gridButton, 1, 2);
    addGroup(view, true);

    auto *tools = new QGridLayout;
    tools->addWidget(appSettingsButton, 0, 0);
    tools->addWidget(pdfResetButton, 0, 1);
    tools->addWidget(countdownTimerButton, 1, 0);
    tools->addWidget(floatCameraButton, 1, 1);
    addGroup(tools, true);

    auto *recording = new QGridLayout;
    recording->addWidget(recordStartButton, 0, 0);
    recording->addWidget(recordStopButton, 0, 1);
    recording->addWidget(recordTimeLabel, 1, 0, 1, 2);
    addGroup(recording, true);

    auto *presetLayout = new QGridLayout;
    presetLayout->addWidget(presetButtons[0], 0, 1);
    presetLayout->addWidget(presetButtons[1], 0, 2);
    presetLayout->addWidget(presetButtons[2], 1, 1);
    presetLayout->addWidget(presetButtons[3], 1, 2);
    addGroup(presetLayout, false);

    auto *colours = new QVBoxLayout;
    colours->addWidget(foreColorButton);
    colours->addWidget(backColorButton);
    addGroup(colours, true);

    auto *toolLayout = new QGridLayout;
    for (int k = 0; k < 12; ++k)
        toolLayout->addWidget(toolButtons[k], k % 2, k / 2);
    addGroup(toolLayout, true);

    toolOptionAction = addWidget(toolOptionStrip);
    toolOptionAction->setObjectName("toolOptionAction");
    textBoxAction = addWidget(textBoxBar);
    textBoxAction->setObjectName("textBoxAction");
    stampAction = addWidget(stampDialog);
    stampAction->setObjectName("stampAction");

    exportMenu->addAction(exportImageAction);
    exportMenu->addAction(exportPdfAction);
    exportButton->setMenu(exportMenu);
    rotateMenu->addAction(rotateActions[0]);
    rotateMenu->addAction(rotateActions[1]);
    rotateMenu->addSeparator();
    rotateMenu->addAction(rotateActions[2]);
    rotateMenu->addAction(rotateActions[3]);
    rotateButton->setMenu(rotateMenu);
    for (int i = 0; i < 4; ++i)
        gridMenu->addAction(gridActions[i]);
    gridMenu->addSeparator();
    gridMenu->addAction(gridActions[4]);
    gridMenu->addAction(gridActions[5]);
    gridButton->setMenu(gridMenu);
}

// ---------------------------------------------------------------------------------------------
// Connections

void MainToolBar::connectSignals()
{
    connectCommandButtons();
    connectToolOptions();
    connectTextBoxOptions();
    connectStampDialog();
}

void MainToolBar::connectCommandButtons()
{
    const QList<QPair<QToolButton *, void (MainToolBar::*)()>> plain = {
        {openFileButton, &MainToolBar::openFileClicked},
        {openClipboardButton, &MainToolBar::openClipboardFileClicked},
        {undoButton, &MainToolBar::undoClicked},
        {redoButton, &MainToolBar::redoClicked},
        {cutButton, &MainToolBar::cutClicked},
        {copyButton, &MainToolBar::copyClicked},
        {pasteButton, &MainToolBar::pasteClicked},
        {selectAllButton, &MainToolBar::selectAllClicked},
        {cancelButton, &MainToolBar::cancelClicked},
        {deleteButton, &MainToolBar::deleteClicked},
        {appSettingsButton, &MainToolBar::appSettingsClicked},
        {floatCameraButton, &MainToolBar::floatCameraClicked},
        {countdownTimerButton, &MainToolBar::countdownTimerClicked},
        {pdfResetButton, &MainToolBar::pdfResetClicked},
        {clearColorButton, &MainToolBar::impureImageClicked},
        {clearScreenButton, &MainToolBar::canvasCleanClicked},
    };
    for (const auto &entry : plain) {
        const auto signal = entry.second;
        connect(entry.first, &QToolButton::clicked, this, [this, signal] { (this->*signal)(); });
    }
    connect(newBoardButton, &QToolButton::clicked, this, &MainToolBar::onNewBoardClicked);
    connect(foreColorButton, &QToolButton::clicked, this, &MainToolBar::onForeColorClicked);
    connect(backColorButton, &QToolButton::clicked, this, &MainToolBar::onBackColorClicked);
    for (int k = 0; k < 4; ++k) {
        connect(presetButtons[k], &QToolButton::clicked, this,
                [this, k] { onPresetBrushClicked(k + 1); });
    }
    connect(recordStartButton, &QToolButton::clicked, this, &MainToolBar::onRecordStartClicked);
    connect(recordStopButton, &QToolButton::clicked, this, &MainToolBar::onRecordStopClicked);
    connect(zoomInButton, &QToolButton::clicked, this,
            [this] { emit zoomClicked(ZoomDirection::Larger); });
    connect(zoomOutButton, &QToolButton::clicked, this,
            [this] { emit zoomClicked(ZoomDirection::Smaller); });
    connect(rotateButton, &QToolButton::clicked, rotateButton, &QToolButton::showMenu);
    connect(gridButton, &QToolButton::clicked, gridButton, &QToolButton::showMenu);

    // QAction::trigger does not look at the enabled state: the handlers do.
    connect(exportImageAction, &QAction::triggered, this, [this] {
        if (exportImageAction->isEnabled())
            emit exportImageTriggered();
    });
    connect(exportPdfAction, &QAction::triggered, this, [this] {
        if (exportPdfAction->isEnabled())
            emit exportPDFTriggered();
    });
    const int rotateTypes[] = {Reorientation::TurnCounterClockwise, Reorientation::TurnClockwise,
                               Reorientation::MirrorLeftRight, Reorientation::MirrorTopBottom};
    for (int i = 0; i < 4; ++i) {
        const int type = rotateTypes[i];
        connect(rotateActions[i], &QAction::triggered, this,
                [this, type] { emit rotateTypeChanged(type); });
    }
    const int gridTypes[] = {GridType::Horizontal, GridType::Vertical, GridType::Both,
                             GridType::None,       GridType::Wider,    GridType::Narrower};
    for (int i = 0; i < 6; ++i) {
        const int type = gridTypes[i];
        connect(gridActions[i], &QAction::triggered, this,
                [this, type] { emit boardGridTypeChanged(type); });
    }
}

void MainToolBar::connectStampDialog()
{
    connect(stampDialog, &StampDialog::stampChecked, this, &MainToolBar::stampChecked);
    connect(stampDialog, &StampDialog::teacherPointerSet, this,
            &MainToolBar::stampTeacherPointerSeted);
}

// ---------------------------------------------------------------------------------------------
// Focus

void MainToolBar::setNoFocusPolicy()
{
    clearCommandFocus();
    clearOptionFocus();
    clearTextBarFocus();
    setFocusPolicy(Qt::NoFocus);
}

void MainToolBar::clearCommandFocus()
{
    const QList<QWidget *> widgets = {openFileButton,
                                      exportButton,
                                      openClipboardButton,
                                      newBoardButton,
                                      undoButton,
                                      redoButton,
                                      cutButton,
                                      copyButton,
                                      pasteButton,
                                      selectAllButton,
                                      cancelButton,
                                      deleteButton,
                                      foreColorButton,
                                      backColorButton,
                                      appSettingsButton,
                                      floatCameraButton,
                                      countdownTimerButton,
                                      pdfResetButton,
                                      recordStartButton,
                                      recordStopButton,
                                      zoomInButton,
                                      zoomOutButton,
                                      rotateButton,
                                      gridButton,
                                      clearColorButton,
                                      clearScreenButton,
                                      recordTimeLabel,
                                      rotateMenu,
                                      gridMenu};
    for (QWidget *widget : widgets)
        widget->setFocusPolicy(Qt::NoFocus);
    for (QToolButton *button : presetButtons)
        button->setFocusPolicy(Qt::NoFocus);
    for (QPushButton *button : toolButtons)
        button->setFocusPolicy(Qt::NoFocus);
}

void MainToolBar::clearTextBarFocus()
{
    textBoxBar->setNoFocusPolicy();
}

// ---------------------------------------------------------------------------------------------
// Set-up

void MainToolBar::completeSetup()
{
    setupCommandButtons();
    setupToolOptionMenus();
    setupTextBoxBar();
    hideToolOptions();
    textBoxAction->setVisible(true);
    // Hidden containers never run their layouts, so a nested row may still report the size it
    // had before its controls were sized; the width is fixed from what they measure now.
    const QList<QAction *> items = actions();
    for (QAction *action : items) {
        QWidget *widget = widgetForAction(action);
        if (widget && widget->layout()) {
            widget->layout()->invalidate();
            widget->layout()->activate();
        }
    }
    adjustSize();
    setFixedWidth(width() + 20);
    property->paintTool = PaintTool::Mouse;
    hideToolOptions();

    setOpenClipboardFileEnabled(false);
    setExportEnabled(false);
    setUndoEnabled(false);
    setRedoEnabled(false);
    setCutEnabled(false);
    setCopyEnabled(false);
    setPasteEnabled(false);
    setSelectAllEnabled(false);
    setCancelEnabled(false);
    setDeleteEnabled(false);
    setZoomEnabled(false);
    setRotateEnabled(false);
    setCanvasCleanEnabled(false);
    setImpureImageEnabled(false);
    setBoardGridEnabled(false);
    setFloatCameraEnabled(false);
    setCountdownTimerEnabled(false);
    setPdfResetEnabled(false);
    setRecordStartEnabled(false);
    setRecordStopEnabled(false);
}

void MainToolBar::setupCommandButtons()
{
    struct Spec
    {
        QToolButton *button;
        const char *icon;
        const char *toolTip;
        const char *shortcut;
    };
    const Spec specs[] = {
        {openFileButton, "maintoolbar/openfile.png", "打开文件 Ctrl+O", "Ctrl+O"},
        {openClipboardButton, "maintoolbar/openclipboard.png", "打开剪贴板文件 Ctrl+Alt+O",
         "Ctrl+Alt+O"},
        {newBoardButton, "maintoolbar/newboard.png", "新建画板 Ctrl+N", "Ctrl+N"},
        {undoButton, "maintoolbar/undo.png", "撤销 Ctrl+Z", "Ctrl+Z"},
        {redoButton, "maintoolbar/redo.png", "重做 Ctrl+Y", "Ctrl+Y"},
        {cutButton, "maintoolbar/cut.png", "剪切 Ctrl+X", "Ctrl+X"},
        {copyButton, "maintoolbar/copy.png", "复制 Ctrl+C", "Ctrl+C"},
        {pasteButton, "maintoolbar/paste.png", "粘贴 Ctrl+V", "Ctrl+V"},
        {selectAllButton, "maintoolbar/selectall.png", "全选 Ctrl+A", "Ctrl+A"},
        {cancelButton, "maintoolbar/cancel.png", "取消 Esc", "Esc"},
        {deleteButton, "maintoolbar/delete.png", "删除 Delete", "Delete"},
        {appSettingsButton, "maintoolbar/appsetting.png", "设置", nullptr},
        {floatCameraButton, "floatcamera/floatcamera.png", "浮动摄像头", nullptr},
        {countdownTimerButton, "maintoolbar/countdowntimer.png", "倒计时器", nullptr},
        {pdfResetButton, "maintoolbar/pdfreset.png", "重置PDF文档", nullptr},
        {recordStartButton, "maintoolbar/avrecorder/start.png", "开始/暂停录屏 Ctrl+F1", "Ctrl+F1"},
        {recordStopButton, "maintoolbar/avrecorder/stop.png", "停止录屏 Ctrl+F2", "Ctrl+F2"},
        {zoomInButton, "maintoolbar/zoomin.png", "放大 Ctrl++", "Ctrl++"},
        {zoomOutButton, "maintoolbar/zoomout.png", "缩小 Ctrl--", "Ctrl+-"},
        {clearColorButton, "maintoolbar/clearcolor.png", "清理试题照片", nullptr},
        {clearScreenButton, "maintoolbar/clearscreen.png", "清屏 F4", "F4"},
        {exportButton, "maintoolbar/saveasimage.png", "导出", nullptr},
    };
    // Shortcuts are explicit combinations so that they match the tool tips on every platform;
    // a standard key would take the platform's first binding (Redo would be Ctrl+Shift+Z).
    for (const Spec &spec : specs) {
        styleToolButton(spec.button, iconPath(QString::fromLatin1(spec.icon)),
                        QString::fromUtf8(spec.toolTip));
        if (spec.shortcut)
            spec.button->setShortcut(QKeySequence(QString::fromLatin1(spec.shortcut)));
    }
    exportButton->setPopupMode(QToolButton::InstantPopup);
    exportImageAction->setShortcut(QKeySequence("Ctrl+S"));
    stylePopupButton(rotateButton, iconPath("maintoolbar/rotate.png"), "旋转");
    stylePopupButton(gridButton, iconPath("maintoolbar/grid.png"), "画板网格线");
    styleMenu(exportMenu);
    styleMenu(rotateMenu);
    styleMenu(gridMenu);

    recordTimeLabel->setFixedHeight(buttonSide);
    recordTimeLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    foreColorButton->setToolTip("前景色");
    setColorButtonIcon(foreColorButton, property->foreColor);
    backColorButton->setToolTip("背景色");
    setColorButtonIcon(backColorButton, property->backColor);

    for (int k = 0; k < 4; ++k) {
        QToolButton *button = presetButtons[k];
        styleToolButton(button, QString(), QString("预设画刷_%1 Ctrl+%1").arg(k + 1));
        button->setShortcut(QKeySequence(QString("Ctrl+%1").arg(k + 1)));
        const PresetBrush &preset = presets[k];
        button->setIcon(
            QIcon(presetBrushPixmap(32, preset.size, preset.forecolor, preset.backcolor)));
    }

    struct ToolSpec
    {
        const char *toolTip;
        const char *shortcut;
        const char *icon;
    };
    const ToolSpec tools[12] = {
        {"鼠标工具 Alt+M", "Alt+M", "mouse"},
        {"选框工具 Alt+S", "Alt+S", "selection"},
        {"铅笔 Alt+1", "Alt+1", "pencil"},
        {"钢笔 Alt+2", "Alt+2", "pen"},
        {"荧光笔 Alt+3 \nShift：水平绘制", "Alt+3", "highlightpen"},
        {"橡皮 Alt+4", "Alt+4", "eraser"},
        {"直线 Alt+5", "Alt+5", "line"},
        {"几何图形 Alt+6", "Alt+6", "geometry"},
        {"自由连线 Alt+7 \nEsc：结束连线/删除 \nCtrl+Z：结束连线前，撤销前一点", "Alt+7",
         "customline"},
        {"自由曲线 Alt+8 \nEsc：结束曲线/删除 \nCtrl+Z：结束曲线前，撤销前一点", "Alt+8",
         "customcurve"},
        {"文本框 Alt+9", "Alt+9", "words"},
        {"图章 Alt+0", "Alt+0", "stamp"},
    };
    for (int k = 0; k < 12; ++k) {
        styleCheckableButton(toolButtons[k],
                             iconPath(QString("maintoolbar/tool/%1.png").arg(tools[k].icon)),
                             QString::fromUtf8(tools[k].toolTip));
        toolButtons[k]->setShortcut(QKeySequence(QString::fromLatin1(tools[k].shortcut)));
    }
    toolButtons[0]->setChecked(true);
}

// ---------------------------------------------------------------------------------------------
// Styles

void MainToolBar::styleToolButton(QToolButton *button, const QString &icon, const QString &toolTip)
{
    buttonLook(buttonSide).styleTool(button, QIcon(icon), toolTip);
}

void MainToolBar::stylePopupButton(QToolButton *button, const QString &icon, const QString &toolTip)
{
    button->setFixedHeight(buttonSide);
    button->setIconSize(QSize(buttonSide, buttonSide));
    button->setIcon(QIcon(icon));
    button->setToolTip(toolTip);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    button->setStyleSheet(
        QString("QToolButton[popupMode=\"1\"]{padding-right:20px;background-color:transparent;"
                "border:1 solid transparent;}"
                "QToolButton[popupMode=\"1\"]:hover{padding-right:20px;background-color:%1;"
                "border:1 solid %1;}"
                "QToolButton[popupMode=\"1\"]:pressed{padding-right:20px;background-color:%2;"
                "border:1 solid %1;}"
                // Without these the desktop style paints the menu arrow as a black bar.
                "QToolButton::menu-button{border:0;}"
                "QToolButton::menu-arrow{image:url(:/icon/maintoolbar/menuarrow.png);}")
            .arg(hover, checked));
}

void MainToolBar::styleCheckableButton(QPushButton *button, const QString &icon,
                                       const QString &toolTip)
{
    buttonLook(buttonSide).styleCheckable(button, QIcon(icon), toolTip);
}

BarButtonLook MainToolBar::buttonLook(int side) const
{
    return {side, radius, hover, checked};
}

void MainToolBar::styleMenu(QMenu *menu)
{
    menu->setStyleSheet(QString("QMenu{padding:%1;background-color:%2;border:1px solid %3;}"
                                "QMenu::item {height:%4px;padding:0 %5 0 %5;"
                                "border: 1px solid transparent;}"
                                "QMenu::item:selected {border-color:%6;background:%7;}")
                            .arg(spacing)
                            .arg(menuBackground, border)
                            .arg(buttonSide)
                            .arg(6 * spacing)
                            .arg(checked, hover));
}

void MainToolBar::stylePlainMenu(QMenu *menu)
{
    menu->setStyleSheet(
        QString("QMenu{background-color:%1;border:1px solid %2;}").arg(menuBackground, border));
}

void MainToolBar::stylePaddedMenu(QMenu *menu)
{
    menu->setStyleSheet(QString("QMenu{padding:%1;background-color:%2;border:1px solid %3;}")
                            .arg(spacing)
                            .arg(menuBackground, border));
}

// ---------------------------------------------------------------------------------------------
// Programmatic clicks

void MainToolBar::clickOpenFile()
{
    openFileButton->click();
}

void MainToolBar::clickOpenClipboardFile()
{
    openClipboardButton->click();
}

void MainToolBar::clickNewBoard()
{
    newBoardButton->click();
}

void MainToolBar::triggerExportImage()
{
    exportImageAction->activate(QAction::Trigger);
}

void MainToolBar::clickUndo()
{
    undoButton->click();
}

void MainToolBar::clickRedo()
{
    redoButton->click();
}

void MainToolBar::clickCut()
{
    cutButton->click();
}

void MainToolBar::clickCopy()
{
    copyButton->click();
}

void MainToolBar::clickPaste()
{
    pasteButton->click();
}

void MainToolBar::clickSelectAll()
{
    selectAllButton->click();
}

void MainToolBar::clickCancel()
{
    cancelButton->click();
}

void MainToolBar::clickDelete()
{
    deleteButton->click();
}

void MainToolBar::clickPresetBrush(int k)
{
    if (k >= 1 && k <= 4)
        presetButtons[k - 1]->click();
}

void MainToolBar::clickZoom(int k)
{
    if (k == ZoomDirection::Larger)
        zoomInButton->click();
    else if (k == ZoomDirection::Smaller)
        zoomOutButton->click();
}

void MainToolBar::clickCanvasClean()
{
    clearScreenButton->click();
}

void MainToolBar::clickPaintTool(int k)
{
    if (k >= PaintTool::Mouse && k <= PaintTool::Stamp)
        toolButtons[k]->click();
}

void MainToolBar::clickFontBold()
{
    textBoxBar->clickFontBold();
}

void MainToolBar::clickFontItalic()
{
    textBoxBar->clickFontItalic();
}

void MainToolBar::clickFontUnderline()
{
    textBoxBar->clickFontUnderline();
}

void MainToolBar::clickRecordStart()
{
    recordStartButton->click();
}

void MainToolBar::clickRecordStop()
{
    recordStopButton->click();
}

QRect MainToolBar::floatCameraButtonRect() const
{
    return QRect(floatCameraButton->mapToGlobal(QPoint(0, 0)), floatCameraButton->size());
}

// ---------------------------------------------------------------------------------------------
// Enabling

void MainToolBar::enableButtonWithIcon(QAbstractButton *button, const QPixmap &pixmap, bool enabled)
{
    button->setEnabled(enabled);
    button->setIcon(QIcon(enabled ? pixmap : greyedPixmap(pixmap)));
}

static QPixmap iconPixmap(const char *name)
{
    return QPixmap(iconPath(QString::fromLatin1(name)));
}

void MainToolBar::setOpenClipboardFileEnabled(bool enabled)
{
    enableButtonWithIcon(openClipboardButton, iconPixmap("maintoolbar/openclipboard.png"), enabled);
}

void MainToolBar::setExportEnabled(bool enabled)
{
    enableButtonWithIcon(exportButton, iconPixmap("maintoolbar/saveasimage.png"), enabled);
    // The menu's actions follow the button, so no key or call exports while it is disabled.
    exportImageAction->setEnabled(enabled);
    exportPdfAction->setEnabled(enabled);
}

void MainToolBar::setUndoEnabled(bool enabled)
{
    enableButtonWithIcon(undoButton, iconPixmap("maintoolbar/undo.png"), enabled);
}

void MainToolBar::setRedoEnabled(bool enabled)
{
    enableButtonWithIcon(redoButton, iconPixmap("maintoolbar/redo.png"), enabled);
}

void MainToolBar::setCutEnabled(bool enabled)
{
    enableButtonWithIcon(cutButton, iconPixmap("maintoolbar/cut.png"), enabled);
}

void MainToolBar::setCopyEnabled(bool enabled)
{
    enableButtonWithIcon(copyButton, iconPixmap("maintoolbar/copy.png"), enabled);
}

void MainToolBar::setPasteEnabled(bool enabled)
{
    enableButtonWithIcon(pasteButton, iconPixmap("maintoolbar/paste.png"), enabled);
}

void MainToolBar::setSelectAllEnabled(bool enabled)
{
    enableButtonWithIcon(selectAllButton, iconPixmap("maintoolbar/selectall.png"), enabled);
}

void MainToolBar::setCancelEnabled(bool enabled)
{
    enableButtonWithIcon(cancelButton, iconPixmap("maintoolbar/cancel.png"), enabled);
}

void MainToolBar::setDeleteEnabled(bool enabled)
{
    enableButtonWithIcon(deleteButton, iconPixmap("maintoolbar/delete.png"), enabled);
}

void MainToolBar::setZoomEnabled(bool enabled)
{
    enableButtonWithIcon(zoomInButton, iconPixmap("maintoolbar/zoomin.png"), enabled);
    enableButtonWithIcon(zoomOutButton, iconPixmap("maintoolbar/zoomout.png"), enabled);
}

void MainToolBar::setRotateEnabled(bool enabled)
{
    enableButtonWithIcon(rotateButton, iconPixmap("maintoolbar/rotate.png"), enabled);
}

void MainToolBar::setCanvasCleanEnabled(bool enabled)
{
    enableButtonWithIcon(clearScreenButton, iconPixmap("maintoolbar/clearscreen.png"), enabled);
}

void MainToolBar::setImpureImageEnabled(bool enabled)
{
    enableButtonWithIcon(clearColorButton, iconPixmap("maintoolbar/clearcolor.png"), enabled);
}

void MainToolBar::setBoardGridEnabled(bool enabled)
{
    enableButtonWithIcon(gridButton, iconPixmap("maintoolbar/grid.png"), enabled);
}

void MainToolBar::setFloatCameraEnabled(bool enabled)
{
    enableButtonWithIcon(floatCameraButton, iconPixmap("floatcamera/floatcamera.png"), enabled);
}

void MainToolBar::setCountdownTimerEnabled(bool enabled)
{
    enableButtonWithIcon(countdownTimerButton, iconPixmap("maintoolbar/countdowntimer.png"),
                         enabled);
}

void MainToolBar::setPdfResetEnabled(bool enabled)
{
    enableButtonWithIcon(pdfResetButton, iconPixmap("maintoolbar/pdfreset.png"), enabled);
}

void MainToolBar::setRecordStartEnabled(bool enabled)
{
    enableButtonWithIcon(recordStartButton, iconPixmap("maintoolbar/avrecorder/start.png"),
                         enabled);
}

void MainToolBar::setRecordStopEnabled(bool enabled)
{
    enableButtonWithIcon(recordStopButton, iconPixmap("maintoolbar/avrecorder/stop.png"), enabled);
}

// ---------------------------------------------------------------------------------------------
// Recording

void MainToolBar::setRecordState(int k)
{
    recordState = k;
    switch (static_cast<RecordStep>(k)) {
        case RecordStep::Idle:
            recordStartButton->setIcon(QIcon(iconPixmap("maintoolbar/avrecorder/start.png")));
            setRecordStopEnabled(false);
            setRecordTime(0);
            break;
        case RecordStep::Start:
        case RecordStep::Resume:
            recordStartButton->setIcon(QIcon(iconPixmap("maintoolbar/avrecorder/pause.png")));
            setRecordStopEnabled(true);
            break;
        case RecordStep::Pause:
            recordStartButton->setIcon(QIcon(iconPixmap("maintoolbar/avrecorder/start.png")));
            setRecordStopEnabled(true);
            break;
    }
}

void MainToolBar::resetRecordState()
{
    setRecordState(int(RecordStep::Idle));
}

QString MainToolBar::recordTimeText(int seconds)
{
    const int hours = seconds / 3600;
    const int minutes = (seconds - 3600 * hours) / 60;
    const int rest = seconds - 3600 * hours - 60 * minutes;
    auto pad = [](int value) {
        QString text = QString::number(value);
        return text.length() < 2 ? "0" + text : text;
    };
    return pad(hours) + ":" + pad(minutes) + ":" + pad(rest);
}

void MainToolBar::setRecordTime(int seconds)
{
    recordTimeLabel->setText(recordTimeText(seconds));
}

void MainToolBar::onRecordStartClicked()
{
    const int state = int(stepAfterClick(recordState));
    setRecordState(state);
    emit recordStartClicked(state);
}

void MainToolBar::onRecordStopClicked()
{
    setRecordState(int(RecordStep::Idle));
    emit recordStopClicked();
}

// ---------------------------------------------------------------------------------------------
// Colours and preset brushes

void MainToolBar::setColorButtonIcon(QToolButton *button, const QString &colour)
{
    button->setFixedSize(buttonSide, buttonSide);
    button->setIconSize(QSize(buttonSide, buttonSide));
    QPixmap pixmap(buttonSide, buttonSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(border), 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    // No colour ("", "NONE", an unreadable name) leaves the swatch empty rather than black.
    const QColor fill = colorFromName(colour);
    painter.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
    painter.drawRoundedRect(
        QRect(spacing, spacing, buttonSide - 2 * spacing, buttonSide - 2 * spacing), 2, 2);
    painter.end();
    button->setIcon(QIcon(pixmap));
    button->setStyleSheet(QString("QToolButton{background-color:transparent;"
                                  "border:2 solid transparent;border-radius:%1;}"
                                  "QToolButton:hover{border:2 solid %2;}")
                              .arg(radius)
                              .arg(hover));
}

void MainToolBar::setForeColor(const QString &colour)
{
    property->foreColor = colour;
    setColorButtonIcon(foreColorButton, colour);
}

void MainToolBar::setBackColor(const QString &colour)
{
    property->backColor = colour;
    setColorButtonIcon(backColorButton, colour);
}

void MainToolBar::onNewBoardClicked()
{
    const QString colour = askColor("选择画板背景色", "#ffffff", QString());
    if (QColor::isValidColor(colour))
        emit newBoardClicked(colour);
}

void MainToolBar::askPaintColor(const QString &title, const QString &initial,
                                void (MainToolBar::*set)(const QString &),
                                void (MainToolBar::*chosen)())
{
    const QString colour = askColor(title, initial, QString());
    // A pen needs a real colour; a closed question (or no colour at all) changes nothing.
    if (!QColor::isValidColor(colour))
        return;
    (this->*set)(colour);
    emit(this->*chosen)();
}

void MainToolBar::onForeColorClicked()
{
    askPaintColor("编辑前景色", property->foreColor, &MainToolBar::setForeColor,
                  &MainToolBar::foreColorClicked);
}

void MainToolBar::onBackColorClicked()
{
    askPaintColor("编辑背景色", property->backColor, &MainToolBar::setBackColor,
                  &MainToolBar::backColorClicked);
}

void MainToolBar::setPresetBrush(int k, int width, const QString &fore, const QString &back)
{
    if (k < 1 || k > 4)
        return;
    presets[k - 1] = PresetBrush{fore, back, width};
    // The 32-pixel picture is shown at the button's icon size; QIcon only scales down.
    presetButtons[k - 1]->setIcon(
        QIcon(presetBrushPixmap(32, width, fore, back)
                  .scaled(buttonSide, buttonSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

PresetBrush MainToolBar::presetBrush(int k) const
{
    return k >= 1 && k <= 4 ? presets[k - 1] : PresetBrush{};
}

void MainToolBar::onPresetBrushClicked(int k)
{
    const PresetBrush preset = presets[k - 1];
    setLineBoldSize(preset.size);
    setForeColor(preset.forecolor);
    setBackColor(preset.backcolor);
    emit customBrushClicked();
}

QPixmap MainToolBar::presetBrushPixmap(int side, int width, const QString &fore,
                                       const QString &back)
{
    const int b = static_cast<int>(std::floor(0.65 * side));
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPen framePen(borderColor(), 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    const QColor foreColour = colorFromName(fore);
    const QColor backColour = colorFromName(back);

    painter.setPen(framePen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRect(side - b - 2, side - b - 2, b, b), 1, 1);
    painter.setPen(Qt::NoPen);
    if (backColour.isValid()) {
        painter.setBrush(backColour);
        painter.drawRect(QRect(QPoint(side - b, side - b), QPoint(side - 5, side - 5)));
    }

    painter.setPen(framePen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRect(2, 2, b, b), 1, 1);
    painter.setPen(Qt::NoPen);
    const QRect foreRect(QPoint(4, 4), QPoint(b - 1, b - 1));
    if (foreColour.isValid()) {
        painter.setBrush(foreColour);
        painter.drawRect(foreRect);
    }

    // Without a fore colour the square stays white, so the digits are black.
    const QColor under = foreColour.isValid() ? foreColour : QColor(Qt::white);
    const int grey = (under.red() + under.green() + under.blue()) / 3;
    painter.setPen(grey < 201 ? Qt::white : Qt::black);
    QFont font("Microsoft Yahei");
    font.setPointSize(6);
    painter.setFont(font);
    painter.drawText(foreRect, Qt::AlignHCenter | Qt::AlignVCenter, QString::number(width));
    return pixmap;
}
