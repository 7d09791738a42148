#include "toolbar/textboxtoolbar.h"

#include "base/uimetrics.h"
#include "drawing/colorname.h"
#include "drawing/paintproperty.h"
#include "toolbar/barbuttonlook.h"
#include "toolbar/colordialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString fontColorIcon = QStringLiteral(":/icon/textboxtoolbar/fontcolor.png");
const QString backColorIcon = QStringLiteral(":/icon/textboxtoolbar/textbackcolor.png");
const QString frameColorIcon = QStringLiteral(":/icon/textboxtoolbar/framecolor.png");

} // namespace

TextBoxToolBar::TextBoxToolBar(PaintProperty *properties, QWidget *parent)
    : QWidget(parent)
    , property(properties)
    , spacing(spacingUnit())
    , radius(borderRadius())
    , side((toolStripHeight() - 3 * spacing) / 2)
    , borderName(borderColor().name())
    , hoverName(hoverBackgroundColor().name())
    , checkedName(checkedBackgroundColor().name())
{
    familyCombo = new QComboBox(this);
    sizeCombo = new QComboBox(this);
    lineHeightCombo = new QComboBox(this);
    orderCombo = new QComboBox(this);
    boldButton = new QPushButton(this);
    italicButton = new QPushButton(this);
    underlineButton = new QPushButton(this);
    deletelineButton = new QPushButton(this);
    fontColorButton = new QToolButton(this);
    backColorButton = new QToolButton(this);
    frameColorButton = new QToolButton(this);
    leftButton = new QPushButton(this);
    centerButton = new QPushButton(this);
    rightButton = new QPushButton(this);
    alignGroup = new QButtonGroup(this);
    alignGroup->setExclusive(true);

    const QList<QPair<QWidget *, const char *>> names{{familyCombo, "familyCombo"},
                                                      {sizeCombo, "sizeCombo"},
                                                      {lineHeightCombo, "lineHeightCombo"},
                                                      {orderCombo, "orderCombo"},
                                                      {boldButton, "boldButton"},
                                                      {italicButton, "italicButton"},
                                                      {underlineButton, "underlineButton"},
                                                      {deletelineButton, "deletelineButton"},
                                                      {fontColorButton, "fontColorButton"},
                                                      {backColorButton, "backColorButton"},
                                                      {frameColorButton, "frameColorButton"},
                                                      {leftButton, "leftButton"},
                                                      {centerButton, "centerButton"},
                                                      {rightButton, "rightButton"}};
    for (const auto &entry : names)
        entry.first->setObjectName(QString::fromLatin1(entry.second));

    pickColor = [this](const QString &title, const QString &initial, const QString &extra) {
        return ColorDialog::pickColor(window(), nullptr, title, initial, extra);
    };
}

void TextBoxToolBar::buildLayout()
{
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(spacing, spacing, spacing, spacing);
    rows->setSpacing(spacing);
    auto *first = new QHBoxLayout;
    first->setContentsMargins(0, 0, 0, 0);
    first->setSpacing(spacing);
    first->setAlignment(Qt::AlignLeft);
    for (QWidget *widget : {familyCombo, sizeCombo, lineHeightCombo, orderCombo})
        first->addWidget(widget);
    auto *second = new QHBoxLayout;
    second->setContentsMargins(0, 0, 0, 0);
    second->setSpacing(spacing);
    second->setAlignment(Qt::AlignLeft);
    for (QWidget *widget : std::initializer_list<QWidget *>{
             boldButton, italicButton, underlineButton, deletelineButton, fontColorButton,
             backColorButton, frameColorButton, leftButton, centerButton, rightButton})
        second->addWidget(widget);
    rows->addLayout(first);
    rows->addLayout(second);
}

void TextBoxToolBar::connectSignals()
{
    connect(familyCombo, &QComboBox::textActivated, this, [this](const QString &text) {
        property->fontFamily = text;
        emit fontFamilyActivated();
    });
    connect(sizeCombo, &QComboBox::textActivated, this, &TextBoxToolBar::onFontSizeActivated);
    connect(lineHeightCombo, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        property->textLineHeight = index == 1 || index == 2 ? index : 0;
        emit textLineHeightActivated();
    });
    connect(orderCombo, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        property->textOrder = index >= 1 && index <= 5 ? index : 0;
        emit textOrderActivated();
    });
    // Each style button sets its flag of the text style and tells the board.
    const struct
    {
        QPushButton *button;
        bool TextStyle::*flag;
        void (TextBoxToolBar::*told)();
    } styleButtons[] = {
        {boldButton, &TextStyle::fontBold, &TextBoxToolBar::fontBoldClicked},
        {italicButton, &TextStyle::fontItalic, &TextBoxToolBar::fontItalicClicked},
        {underlineButton, &TextStyle::fontUnderline, &TextBoxToolBar::fontUnderlineClicked},
        {deletelineButton, &TextStyle::fontDeleteline, &TextBoxToolBar::fontDeletelineClicked},
    };
    for (const auto &style : styleButtons) {
        connect(style.button, &QPushButton::clicked, this, [this, style](bool checked) {
            property->*style.flag = checked;
            emit(this->*style.told)();
        });
    }
    const QList<QPushButton *> alignButtons{leftButton, centerButton, rightButton};
    for (int align = 0; align < alignButtons.size(); ++align) {
        connect(alignButtons.at(align), &QPushButton::clicked, this, [this, align] {
            property->textAlign = align;
            emit textAlignChanged();
        });
    }
    connect(fontColorButton, &QToolButton::clicked, this, &TextBoxToolBar::onFontColorButton);
    connect(backColorButton, &QToolButton::clicked, this, &TextBoxToolBar::onTextBackColorButton);
    connect(frameColorButton, &QToolButton::clicked, this, &TextBoxToolBar::onTextFrameColorButton);
}

void TextBoxToolBar::styleCombo(QComboBox *combo, int width, const QString &tip)
{
    combo->setView(new QListView(combo));
    combo->setMaxVisibleItems(10);
    combo->setFixedSize(width, side);
    combo->setToolTip(tip);
    combo->setStyleSheet(
        QStringLiteral("QComboBox{background-color:white;border:1px solid ") + borderName +
        QStringLiteral(";border-radius:") + QString::number(radius) +
        QStringLiteral(";}QComboBox::drop-down{border:0;}QComboBox::down-arrow{border-image: "
                       "url(:/icon/textboxtoolbar/downarrow.png);}QComboBox "
                       "QAbstractItemView::item{color:black;height:") +
        QString::number(side) +
        QStringLiteral(";}QComboBox QAbstractItemView::item:hover{background-color:") + hoverName +
        QStringLiteral(";}QComboBox QAbstractItemView::item:selected{background-color:") +
        checkedName + QStringLiteral(";}QComboBox QAbstractScrollArea QScrollBar:vertical{width:") +
        QString::number(2 * spacing) + QStringLiteral(";}"));
}

void TextBoxToolBar::fillFontFamilies()
{
    familyCombo->clear();
    const QStringList families = QFontDatabase().families();
    familyCombo->addItem(property->fontFamily);
    int widest = 0;
    for (const QString &family : families) {
        familyCombo->addItem(family);
        QLabel probe(family);
        probe.adjustSize();
        widest = std::max(widest, probe.width());
    }
    if (widest > 0)
        familyCombo->view()->setFixedWidth(widest);
    familyCombo->setCurrentIndex(0);
}

void TextBoxToolBar::setupTextBoxBar()
{
    const BarButtonLook look{side, radius, hoverName, checkedName};
    const int rowWidth = 10 * side + 6 * spacing;
    styleCombo(familyCombo, int(rowWidth * 0.32), QStringLiteral("更改字体"));
    styleCombo(sizeCombo, int(rowWidth * 0.18), QStringLiteral("更改字号"));
    styleCombo(lineHeightCombo, int(rowWidth * 0.28), QStringLiteral("行距"));
    styleCombo(orderCombo, int(rowWidth * 0.22), QStringLiteral("编号列表"));

    fillFontFamilies();
    sizeCombo->setEditable(false);
    sizeCombo->clear();
    for (int size = 8; size <= 100; ++size)
        sizeCombo->addItem(QString::number(size));
    sizeCombo->setCurrentText(QString::number(property->fontSize));
    lineHeightCombo->clear();
    lineHeightCombo->addItems(
        {QStringLiteral("单倍行距"), QStringLiteral("1.5倍行距"), QStringLiteral("两倍行距")});
    lineHeightCombo->setCurrentIndex(0);
    orderCombo->clear();
    orderCombo->addItems({QStringLiteral("(无编号)"), QStringLiteral("●"), QStringLiteral("■"),
                          QStringLiteral("1.2.3."), QStringLiteral("A.B.C."),
                          QStringLiteral("a.b.c.")});
    orderCombo->setCurrentIndex(0);

    look.styleCheckable(boldButton, QIcon(QStringLiteral(":/icon/textboxtoolbar/fontbold.png")),
                        QStringLiteral("加粗 Ctrl+B"));
    look.styleCheckable(italicButton, QIcon(QStringLiteral(":/icon/textboxtoolbar/fontitalic.png")),
                        QStringLiteral("倾斜 Ctrl+I"));
    look.styleCheckable(underlineButton,
                        QIcon(QStringLiteral(":/icon/textboxtoolbar/fontunderline.png")),
                        QStringLiteral("下划线 Ctrl+U"));
    look.styleCheckable(deletelineButton,
                        QIcon(QStringLiteral(":/icon/textboxtoolbar/fontdeleteline.png")),
                        QStringLiteral("删除线"));
    // The combinations the tool tips name; a standard key could bind another one on X11.
    boldButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    italicButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    underlineButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    for (QPushButton *button : {boldButton, italicButton, underlineButton, deletelineButton})
        button->setChecked(false);

    look.styleTool(fontColorButton, QIcon(), QStringLiteral("字体颜色"));
    look.styleTool(backColorButton, QIcon(), QStringLiteral("文本背景颜色"));
    look.styleTool(frameColorButton, QIcon(), QStringLiteral("文本边框颜色"));
    setFontColor(property->fontColor);
    setTextBackColor(property->textBackColor);
    setTextFrameColor(property->textFrameColor);

    look.styleCheckable(leftButton, QIcon(QStringLiteral(":/icon/textboxtoolbar/textleft.png")),
                        QStringLiteral("左对齐"));
    look.styleCheckable(centerButton, QIcon(QStringLiteral(":/icon/textboxtoolbar/textcenter.png")),
                        QStringLiteral("居中"));
    look.styleCheckable(rightButton, QIcon(QStringLiteral(":/icon/textboxtoolbar/textright.png")),
                        QStringLiteral("右对齐"));
    for (QPushButton *button : {leftButton, centerButton, rightButton}) {
        if (!alignGroup->buttons().contains(button))
            alignGroup->addButton(button);
    }
    leftButton->setChecked(true);
}

void TextBoxToolBar::setNoFocusPolicy()
{
    for (QWidget *widget : findChildren<QWidget *>())
        widget->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::NoFocus);
}

QPixmap TextBoxToolBar::colorBarPixmap(const QString &iconPath, const QString &color)
{
    QPixmap pixmap(iconPath);
    if (pixmap.isNull())
        return pixmap;
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect bar(QPoint(7, 24), QPoint(26, 28));
    const QColor fill = colorFromName(color);
    if (fill.isValid()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRect(bar);
    } else {
        painter.setPen(QPen(Qt::gray, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        // Half-pixel inset keeps the 1-pixel outline on the band's own pixels.
        painter.drawRect(QRectF(bar).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    return pixmap;
}

void TextBoxToolBar::setFontColor(const QString &color)
{
    property->fontColor = color;
    fontColorButton->setIcon(QIcon(colorBarPixmap(fontColorIcon, color)));
}

void TextBoxToolBar::setTextBackColor(const QString &color)
{
    property->textBackColor = isNoColor(color) ? QString() : color;
    backColorButton->setIcon(QIcon(colorBarPixmap(backColorIcon, property->textBackColor)));
}

void TextBoxToolBar::setTextFrameColor(const QString &color)
{
    property->textFrameColor = isNoColor(color) ? QString() : color;
    frameColorButton->setIcon(QIcon(colorBarPixmap(frameColorIcon, property->textFrameColor)));
}

void TextBoxToolBar::clickFontBold()
{
    boldButton->click();
}
void TextBoxToolBar::clickFontItalic()
{
    italicButton->click();
}
void TextBoxToolBar::clickFontUnderline()
{
    underlineButton->click();
}

void TextBoxToolBar::onFontSizeActivated(const QString &text)
{
    bool ok = false;
    const int size = text.toInt(&ok, 10);
    if (!ok || size < 8 || size > 100)
        return;
    property->fontSize = size;
    emit fontSizeActivated();
}

void TextBoxToolBar::onFontColorButton()
{
    if (!pickColor)
        return;
    const QString color = pickColor(QStringLiteral("编辑字体颜色"), property->fontColor, QString());
    // Text always has a colour: a closed question or a no-colour answer changes nothing.
    if (isNoColor(color))
        return;
    setFontColor(color);
    emit fontColorClicked();
}

void TextBoxToolBar::askOptionalColor(const QString &title, const QString &current,
                                      const QString &fallback, const QString &none,
                                      void (TextBoxToolBar::*set)(const QString &),
                                      void (TextBoxToolBar::*chosen)())
{
    if (!pickColor)
        return;
    const QString initial = isNoColor(current) ? fallback : current;
    const QString color = pickColor(title, initial, none);
    if (color.isEmpty())
        return;
    (this->*set)(color == QLatin1String("NONE") ? QString() : color);
    emit(this->*chosen)();
}

void TextBoxToolBar::onTextBackColorButton()
{
    askOptionalColor(QStringLiteral("编辑文本框背景色"), property->textBackColor,
                     QStringLiteral("#ffffff"), QStringLiteral("无背景色"),
                     &TextBoxToolBar::setTextBackColor, &TextBoxToolBar::textBackColorClicked);
}

void TextBoxToolBar::onTextFrameColorButton()
{
    askOptionalColor(QStringLiteral("编辑边框颜色"), property->textFrameColor,
                     QStringLiteral("#000000"), QStringLiteral("无边框颜色"),
                     &TextBoxToolBar::setTextFrameColor, &TextBoxToolBar::textFrameColorClicked);
}
