#include "toolbar/colordialog.h"

#include "base/messagebox.h"
#include "base/uimetrics.h"
#include "base/windowsearch.h"
#include "toolbar/colorhuedistribution.h"
#include "toolbar/colorstrawer.h"
#include "toolbar/colorsvdistribution.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString whiteName = QStringLiteral("#FFFFFF");

void setSwatchStyle(QWidget *button, const QString &color, bool bordered)
{
    const QString hover = QStringLiteral("QPushButton:hover{border:1 solid black;}");
    if (bordered) {
        button->setStyleSheet(QStringLiteral("QPushButton{border:1 solid ") + borderColor().name() +
                              QStringLiteral(";background-color:") + color + QStringLiteral(";}") +
                              hover);
    } else {
        button->setStyleSheet(QStringLiteral("QPushButton{border:0;background-color:") + color +
                              QStringLiteral(";}") + hover);
    }
}

// Upper-case "#RRGGBB" of a name QColor reads, or an empty string.
QString normalisedName(const QString &name)
{
    return QColor::isValidColor(name) ? QColor(name).name().toUpper() : QString();
}

QLabel *centredLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QVBoxLayout *column(int spacing, const QList<QWidget *> &widgets)
{
    auto *layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget *widget : widgets)
        layout->addWidget(widget);
    return layout;
}

} // namespace

ColorDialog::ColorDialog(QWidget *parent)
    : QDialog(parent)
    , spacing(spacingUnit())
    , swatchSize(titleBarButtonSize())
    , pickerWidth(8 * swatchSize)
{
    basicColors = QStringList{"#ffffff", "#000000", "#ff0000", "#ffff00",
                              "#00ff00", "#00ffff", "#0000ff", "#ff00ff"};
    // Eight families of five, light to dark.
    shadeColors = QStringList{
        "#f5f5f5", "#e0e0e0", "#9e9e9e", "#616161", "#212121", "#ffcdd2", "#e57373", "#f44336",
        "#d32f2f", "#b71c1c", "#ffe0b2", "#ffb74d", "#ff9800", "#f57c00", "#e65100", "#fff9c4",
        "#fff176", "#ffeb3b", "#fbc02d", "#f57f17", "#c8e6c9", "#81c784", "#4caf50", "#388e3c",
        "#1b5e20", "#b2ebf2", "#4dd0e1", "#00bcd4", "#0097a7", "#006064", "#bbdefb", "#64b5f6",
        "#2196f3", "#1976d2", "#0d47a1", "#e1bee7", "#ba68c8", "#9c27b0", "#7b1fa2", "#4a148c"};
    for (int i = 0; i < 8; ++i)
        customColors.append(whiteName);

    basicGroup = new QButtonGroup(this);
    shadeGroup = new QButtonGroup(this);
    customGroup = new QButtonGroup(this);
    extraButton = new QPushButton(this);
    extraButton->setObjectName(QStringLiteral("extraButton"));
    svArea = new ColorSVDistribution(QSize(pickerWidth, 4 * swatchSize), this);
    svArea->setObjectName(QStringLiteral("svArea"));
    hueBar = new ColorHueDistribution(QSize(pickerWidth, swatchSize), this);
    hueBar->setObjectName(QStringLiteral("hueBar"));
    const struct
    {
        QSpinBox **box;
        const char *name;
        int maximum;
    } boxes[] = {{&redBox, "redBox", 255},        {&greenBox, "greenBox", 255},
                 {&blueBox, "blueBox", 255},      {&hueBox, "hueBox", 359},
                 {&saturationBox, "satBox", 255}, {&valueBox, "valueBox", 255}};
    for (const auto &entry : boxes) {
        *entry.box = new QSpinBox(this);
        (*entry.box)->setObjectName(QString::fromLatin1(entry.name));
        (*entry.box)->setRange(0, entry.maximum);
    }
    hexEdit = new QLineEdit(this);
    hexEdit->setObjectName(QStringLiteral("hexEdit"));
    previewButton = new QPushButton(this);
    previewButton->setObjectName(QStringLiteral("previewButton"));
    strawButton = new QPushButton(this);
    strawButton->setObjectName(QStringLiteral("strawButton"));
    leftPanel = new QWidget(this);
    rightPanel = new QWidget(this);
    strawer = new ColorStrawer(this);
    strawer->setObjectName(QStringLiteral("strawer"));
    screenGrabber = &ColorDialog::grabPrimaryScreenImage;
    inform = [this](const QString &title, const QString &text) {
        showMessageBox(this, title, text);
    };
    hide();
    setupUi();
}

void ColorDialog::setupUi()
{
    const QString border = borderColor().name();
    const QString hover = hoverBackgroundColor().name();
    const int s = spacing;
    const int u = swatchSize;

    auto *top = new QHBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(leftPanel);
    top->addWidget(rightPanel);

    // Left panel: extra button, basic row, shade table, custom row.
    auto *left = new QVBoxLayout(leftPanel);
    left->setContentsMargins(3 * s, 3 * s, 3 * s, 3 * s);
    left->setSpacing(3 * s);

    extraButton->setParent(leftPanel);
    extraButton->setFixedHeight(u);
    extraButton->setStyleSheet(QStringLiteral("QPushButton{border:1 solid ") + border +
                               QStringLiteral(";background-color:transparent;}QPushButton:"
                                              "hover{background-color:") +
                               hover + QStringLiteral(";}"));
    connect(extraButton, &QPushButton::clicked, this, [this] {
        result = QStringLiteral("NONE");
        accept();
    });
    left->addWidget(extraButton);

    auto *basicRow = new QHBoxLayout;
    basicRow->setContentsMargins(0, 0, 0, 0);
    basicRow->setSpacing(s);
    for (int i = 0; i < basicColors.size(); ++i) {
        QPushButton *swatch =
            addSwatch(leftPanel, QStringLiteral("basicSwatch"), u, basicGroup, basicColors, i);
        swatch->setToolTip(basicColors.at(i).toUpper());
        setSwatchStyle(swatch, basicColors.at(i), i == 0);
        basicRow->addWidget(swatch);
    }
    left->addLayout(basicRow);

    auto *shadeTable = new QHBoxLayout;
    shadeTable->setContentsMargins(0, 0, 0, 0);
    shadeTable->setSpacing(s);
    const int rows = int(std::ceil(shadeColors.size() * 0.125));
    for (int k = 0; k < 8; ++k) {
        auto *shadeColumn = new QVBoxLayout;
        shadeColumn->setContentsMargins(0, 0, 0, 0);
        shadeColumn->setSpacing(s);
        shadeColumn->setAlignment(Qt::AlignTop);
        for (int r = 0; r < rows; ++r) {
            const int i = k * rows + r;
            if (i >= shadeColors.size())
                break;
            const QString name = shadeColors.at(i);
            QPushButton *swatch =
                addSwatch(leftPanel, QStringLiteral("shadeSwatch"), u, shadeGroup, shadeColors, i);
            swatch->setToolTip(name.toUpper());
            swatch->setStyleSheet(QStringLiteral("QPushButton{border:0;background-color:") + name +
                                  QStringLiteral(";}QPushButton:hover{border:1 solid black;}"
                                                 "QPushButton:checked{border:1 solid black;}"));
            shadeColumn->addWidget(swatch);
        }
        shadeTable->addLayout(shadeColumn);
    }
    left->addLayout(shadeTable);

    auto *customBlock = new QVBoxLayout;
    customBlock->setContentsMargins(0, 0, 0, 0);
    customBlock->setSpacing(s);
    customBlock->setAlignment(Qt::AlignLeft);
    customBlock->addWidget(new QLabel(QStringLiteral("自定义颜色"), leftPanel));
    auto *customRow = new QHBoxLayout;
    customRow->setContentsMargins(0, 0, 0, 0);
    customRow->setSpacing(s);
    for (int i = 0; i < customColors.size(); ++i) {
        customRow->addWidget(
            addSwatch(leftPanel, QStringLiteral("customSwatch"), u, customGroup, customColors, i));
    }
    customBlock->addLayout(customRow);
    left->addLayout(customBlock);
    updateRecentColorButtons();

    // Right panel: the editor.
    auto *right = new QVBoxLayout(rightPanel);
    right->setContentsMargins(s, 3 * s, 3 * s, 3 * s);
    svArea->setParent(rightPanel);
    hueBar->setParent(rightPanel);
    right->addWidget(svArea);
    right->addWidget(hueBar);

    const QString spinStyle = QStringLiteral("QSpinBox{color:#666;border:1px solid ") + border +
                              QStringLiteral(
                                  ";}QSpinBox::up-button{width:0;}QSpinBox::down-"
                                  "button{width:0;}");
    const QList<QSpinBox *> allBoxes{redBox, greenBox, blueBox, hueBox, saturationBox, valueBox};
    for (QSpinBox *box : allBoxes) {
        box->setParent(rightPanel);
        box->setAlignment(Qt::AlignCenter);
        box->setStyleSheet(spinStyle);
    }
    auto *grid = new QHBoxLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(s);
    grid->addLayout(column(2 * s, {centredLabel(QStringLiteral("红"), rightPanel),
                                   centredLabel(QStringLiteral("绿"), rightPanel),
                                   centredLabel(QStringLiteral("蓝"), rightPanel)}),
                    2);
    grid->addLayout(column(2 * s, {redBox, greenBox, blueBox}), 3);
    grid->addStretch(2);
    grid->addLayout(column(2 * s, {centredLabel(QStringLiteral("色调"), rightPanel),
                                   centredLabel(QStringLiteral("饱和度"), rightPanel),
                                   centredLabel(QStringLiteral("亮度"), rightPanel)}),
                    2);
    grid->addLayout(column(2 * s, {hueBox, saturationBox, valueBox}), 3);
    right->addLayout(grid);

    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->setSpacing(s);
    hexEdit->setParent(rightPanel);
    hexEdit->setFixedWidth(int(std::ceil(pickerWidth * 5 / 12.0)));
    hexEdit->setFixedHeight(u);
    hexEdit->setStyleSheet(QStringLiteral("QLineEdit{border:1px solid ") + border +
                           QStringLiteral(";color:#666;}"));
    strawButton->setParent(rightPanel);
    strawButton->setFixedSize(u, u);
    strawButton->setToolTip(QStringLiteral("吸管工具"));
    strawButton->setIcon(QIcon(QStringLiteral(":/icon/cursor/straw.png")));
    const int iconSide = int(std::ceil(u * 0.6));
    strawButton->setIconSize(QSize(iconSide, iconSide));
    strawButton->setStyleSheet(QStringLiteral("QPushButton{border:0;border-style:none;background:"
                                              "transparent;}QPushButton:hover{background-color:") +
                               hover + QStringLiteral(";}"));
    previewButton->setParent(rightPanel);
    previewButton->setFixedHeight(u);
    previewButton->setToolTip(QStringLiteral("点击添加到自定义颜色"));
    bottom->addWidget(hexEdit, 5);
    bottom->addStretch(2);
    bottom->addWidget(strawButton, 2);
    bottom->addWidget(previewButton, 3);
    right->addLayout(bottom);

    // No swatch may act as the dialog's default button: Return in the hex field or a number
    // box only finishes the entry and never accepts a colour or "NONE".
    const QList<QPushButton *> pushButtons = findChildren<QPushButton *>();
    for (QPushButton *pushButton : pushButtons) {
        pushButton->setAutoDefault(false);
        pushButton->setDefault(false);
    }

    connect(hueBar, &ColorHueDistribution::colorHueChanged, this, &ColorDialog::onColorHueChanged);
    connect(svArea, &ColorSVDistribution::colorSVChanged, this, &ColorDialog::onColorSVChanged);
    for (QSpinBox *box : {redBox, greenBox, blueBox}) {
        connect(box, &QSpinBox::editingFinished, this, [this] { onRgbEdited(false); });
        connect(box, &QSpinBox::textChanged, this, [this] { onRgbEdited(false); });
    }
    for (QSpinBox *box : {hueBox, saturationBox, valueBox}) {
        connect(box, &QSpinBox::editingFinished, this, [this] { onHsvEdited(false); });
        connect(box, &QSpinBox::textChanged, this, [this] { onHsvEdited(false); });
    }
    connect(hexEdit, &QLineEdit::editingFinished, this, &ColorDialog::onHexEditFinished);
    connect(strawButton, &QPushButton::clicked, this, &ColorDialog::startColorStraw);
    connect(previewButton, &QPushButton::clicked, this, &ColorDialog::addCurrentToRecent);
    connect(strawer, &ColorStrawer::colorStrawed, this, &ColorDialog::onColorStrawed);
}

void ColorDialog::setRecentColors(const QStringList &colors)
{
    if (colors.size() != customColors.size())
        return;
    customColors.clear();
    for (const QString &color : colors)
        customColors.append(color.toUpper());
    updateRecentColorButtons();
}

QString ColorDialog::selectColor(const QString &title, const QString &initialColor,
                                 const QString &extraButtonText)
{
    setWindowTitle(title);
    result.clear();
    lastAddedColor.clear();
    if (!extraButtonText.isEmpty()) {
        extraButton->setText(extraButtonText);
        extraButton->show();
    } else {
        extraButton->setText(QString());
        extraButton->hide();
    }
    const QColor start =
        QColor::isValidColor(initialColor) ? QColor(initialColor) : QColor(Qt::red);
    hueBar->setColor(start);
    onColorHueChanged(start);
    exec();
    return result;
}

QPushButton *ColorDialog::addSwatch(QWidget *parent, const QString &name, int size,
                                    QButtonGroup *group, const QStringList &colors, int i)
{
    auto *swatch = new QPushButton(parent);
    swatch->setObjectName(name + QString::number(i));
    swatch->setFixedSize(size, size);
    group->addButton(swatch, i);
    // The entry at this position when clicked, not when built.
    connect(swatch, &QPushButton::clicked, this, [this, &colors, i] { acceptColor(colors.at(i)); });
    return swatch;
}

void ColorDialog::acceptColor(const QString &color)
{
    result = color.toUpper();
    addRecentColor(color);
    accept();
}

void ColorDialog::addRecentColor(const QString &color)
{
    const QString name = color.toUpper();
    const int index = customColors.indexOf(name);
    if (index >= 0)
        customColors.removeAt(index);
    else
        customColors.removeLast();
    customColors.prepend(name);
    updateRecentColorButtons();
}

void ColorDialog::updateRecentColorButtons()
{
    for (int i = 0; i < customColors.size(); ++i) {
        // Any name QColor reads is kept in its "#RRGGBB" form, so a chosen recent colour
        // travels like every other colour; an unreadable one becomes white.
        QString name = normalisedName(customColors.at(i).toUpper());
        if (name.isEmpty())
            name = whiteName;
        customColors[i] = name;
        QAbstractButton *swatch = customGroup->button(i);
        if (!swatch)
            continue;
        swatch->setToolTip(name);
        setSwatchStyle(swatch, name, name == whiteName);
    }
}

void ColorDialog::setCurrentColor(const QColor &color, bool addToRecent)
{
    currentName = color.name().toUpper();
    previewButton->setStyleSheet(QStringLiteral("QPushButton{border:1 solid ") +
                                 borderColor().name() + QStringLiteral(";background-color:") +
                                 currentName + QStringLiteral(";}"));
    if (addToRecent) {
        lastAddedColor = currentName;
        addRecentColor(currentName);
    }
}

void ColorDialog::addCurrentToRecent()
{
    setCurrentColor(QColor(currentName), true);
}

bool ColorDialog::isCurrent(const QString &upperName) const
{
    // Compared with what every control shows now, so a skipped update never leaves one
    // control behind the others.
    return !currentName.isEmpty() && upperName == currentName;
}

void ColorDialog::showColor(const QColor &color, bool hue, bool area, bool rgb, bool hsv, bool hex)
{
    if (hue)
        hueBar->setColor(color);
    if (area)
        svArea->setColor(color);
    if (rgb) {
        for (QSpinBox *box : {redBox, greenBox, blueBox})
            box->blockSignals(true);
        redBox->setValue(color.red());
        greenBox->setValue(color.green());
        blueBox->setValue(color.blue());
        for (QSpinBox *box : {redBox, greenBox, blueBox})
            box->blockSignals(false);
    }
    if (hsv) {
        for (QSpinBox *box : {hueBox, saturationBox, valueBox})
            box->blockSignals(true);
        hueBox->setValue(std::max(0, color.hue()));
        saturationBox->setValue(color.saturation());
        valueBox->setValue(color.value());
        for (QSpinBox *box : {hueBox, saturationBox, valueBox})
            box->blockSignals(false);
    }
    if (hex)
        hexEdit->setText(color.name().toUpper());
}

void ColorDialog::onColorHueChanged(const QColor &color)
{
    svArea->setColor(color);
    if (isCurrent(color.name().toUpper()))
        return;
    showColor(color, false, false, true, true, true);
    setCurrentColor(color, false);
}

void ColorDialog::onColorSVChanged(const QColor &color)
{
    if (isCurrent(color.name().toUpper()))
        return;
    showColor(color, false, false, true, true, true);
    setCurrentColor(color, false);
}

void ColorDialog::onRgbEdited(bool addToRecent)
{
    const QColor color(redBox->value(), greenBox->value(), blueBox->value());
    if (isCurrent(color.name().toUpper()))
        return;
    showColor(color, true, true, false, true, true);
    setCurrentColor(color, addToRecent);
}

void ColorDialog::onHsvEdited(bool addToRecent)
{
    const QColor color =
        QColor::fromHsv(hueBox->value(), saturationBox->value(), valueBox->value(), 255);
    if (isCurrent(color.name().toUpper()))
        return;
    showColor(color, true, true, true, false, true);
    setCurrentColor(color, addToRecent);
}

void ColorDialog::onHexEditFinished()
{
    const QString text = hexEdit->text().trimmed().toUpper();
    if (!QColor::isValidColor(text)) {
        if (inform)
            inform(QStringLiteral("墨岚颜色提示"),
                   QStringLiteral("要求#000000和#FFFFFF之间的数值"));
        return;
    }
    const QColor color(text);
    if (isCurrent(color.name().toUpper()))
        return;
    showColor(color, true, true, true, true, false);
    setCurrentColor(color, false);
}

void ColorDialog::onColorStrawed(const QColor &color)
{
    if (!color.isValid())
        return;
    showColor(color, true, true, true, true, true);
    setCurrentColor(color, false);
}

void ColorDialog::startColorStraw()
{
    const QImage screen = screenGrabber ? screenGrabber() : QImage();
    strawer->start(screen);
    if (screen.isNull() && inform)
        inform(QStringLiteral("墨岚颜色提示"), screenGrabFailedText());
}

QImage ColorDialog::grabPrimaryScreenImage()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QImage();
    // The one way to the screen's picture that also works under XWayland (through the desktop's
    // portal there), as the area screenshot takes it.
    QImage image = grabPrimaryScreen().toImage();
    if (image.isNull())
        return image;
    // The grab is in device pixels while presses arrive in logical ones.
    const int logicalWidth = screen->geometry().width();
    if (image.devicePixelRatio() <= 1.0 && logicalWidth > 0 && image.width() > logicalWidth)
        image.setDevicePixelRatio(double(image.width()) / logicalWidth);
    return image;
}

QString ColorDialog::pickColor(QWidget *parent, QStringList *recent, const QString &title,
                               const QString &initialColor, const QString &extraButtonText)
{
    ColorDialog dialog(parent);
    if (recent)
        dialog.setRecentColors(*recent);
    const QString chosen = dialog.selectColor(title, initialColor, extraButtonText);
    if (recent)
        *recent = dialog.recentColors();
    return chosen;
}

void ColorDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.fillRect(rect(), QColor(QStringLiteral("#ffffff")));
}
