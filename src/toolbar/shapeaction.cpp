#include "toolbar/shapeaction.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/uimetrics.h"
#include "drawing/stylerecords.h"

namespace {

struct ShapeEntry
{
    int id;
    const char *toolTip;
    const char *icon;
};

const ShapeEntry shapeEntries[] = {
    {ShapeType::Ellipse, "椭圆形", "circle"},
    {ShapeType::Rectangle, "矩形", "rectangle"},
    {ShapeType::Parallelogram, "平行四边形", "parallelogram"},
    {ShapeType::Diamond, "菱形", "diamond"},
    {ShapeType::RightTriangle, "直角三角形", "rtriangle"},
    {ShapeType::RegularPolygon, "正多边形", "itriangle"},
    {ShapeType::Sector, "扇形", "sector"},
    {ShapeType::Arc, "弧形", "arc"},
    {ShapeType::Cuboid, "长方体\n拖动左下角可拉伸长方体", "3d_cube"},
    {ShapeType::Cylinder, "圆柱", "3d_cylinder"},
    {ShapeType::Sphere, "球体", "3d_sphere"},
    {ShapeType::Cone, "圆锥", "3d_cone"},
    {ShapeType::PlaneAxes, "平面直角坐标系", "coord"},
    {ShapeType::SpaceAxes, "空间三维坐标系", "coord_3d"},
    {ShapeType::FourLineGrid, "四线三格", "fourline"},
    {ShapeType::FiveLineGrid, "五线四格", "fiveline"},
    {ShapeType::Ruler, "量尺", "ruler"},
    {ShapeType::Protractor, "量角器", "protractor"},
    {ShapeType::Parabola, "抛物线", "paracurve"},
    {ShapeType::WavyLine, "波浪线", "trifunc"},
    {ShapeType::Tick, "对号", "correct"},
    {ShapeType::HalfTick, "半对号", "hcorrect"},
};

// Entries per grid row; the last row holds the two hidden tick buttons as well.
const int rowSizes[] = {4, 4, 4, 4, 6};

} // namespace

ShapeAction::ShapeAction(QWidget *menu)
    : QWidgetAction(menu)
    , menu(menu)
    , spacing(spacingUnit())
    , buttonSide(titleBarButtonSize())
{
    const QString hover = hoverBackgroundColor().name();
    const QString checked = checkedBackgroundColor().name();

    container = new QPushButton(menu);
    setDefaultWidget(container);
    group = new QButtonGroup(this);
    group->setExclusive(true);

    auto *rows = new QVBoxLayout;
    rows->setContentsMargins(spacing, spacing, spacing, spacing);
    rows->setSpacing(spacing);
    int index = 0;
    for (int rowSize : rowSizes) {
        auto *row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(spacing);
        for (int i = 0; i < rowSize; ++i, ++index) {
            const ShapeEntry &entry = shapeEntries[index];
            auto *button = new QPushButton(container);
            button->setCheckable(true);
            button->setFixedSize(buttonSide, buttonSide);
            button->setIconSize(QSize(buttonSide - spacing, buttonSide - spacing));
            button->setToolTip(QString::fromUtf8(entry.toolTip));
            button->setIcon(
                QIcon(QString(":/icon/maintoolbar/shape/cshape_%1.png").arg(entry.icon)));
            button->setStyleSheet(
                QString("QPushButton{background-color:transparent;border:0;border-style:none;}"
                        "QPushButton:hover{background-color:%1;}"
                        "QPushButton:checked{background-color:%2;}")
                    .arg(hover, checked));
            group->addButton(button, entry.id);
            row->addWidget(button);
            buttons.append(button);
            const int id = entry.id;
            connect(button, &QPushButton::clicked, this, [this, id] {
                emit shapeClicked(id);
                if (this->menu)
                    this->menu->hide();
            });
        }
        rows->addLayout(row);
    }
    container->setLayout(rows);
    buttons.first()->setChecked(true);

    container->setStyleSheet(
        "QPushButton{background-color:transparent;border:0;border-style:none;}");
    container->setFixedSize(4 * buttonSide + 5 * spacing, 5 * buttonSide + 6 * spacing);
    shapeButton(29)->hide();
    shapeButton(30)->hide();
}

ShapeAction::~ShapeAction() = default;

QList<int> ShapeAction::shapeIds()
{
    QList<int> ids;
    for (const ShapeEntry &entry : shapeEntries)
        ids.append(entry.id);
    return ids;
}

QPushButton *ShapeAction::shapeButton(int id) const
{
    return qobject_cast<QPushButton *>(group->button(id));
}

void ShapeAction::setCheckedShape(int id)
{
    if (QPushButton *button = shapeButton(id))
        button->setChecked(true);
}
