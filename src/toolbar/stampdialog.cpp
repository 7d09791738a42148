#include "toolbar/stampdialog.h"

#include "base/filesystem.h"
#include "base/messagebox.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "drawing/stampstore.h"
#include "toolbar/flowlayout.h"

#include <QDateTime>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

namespace {

const QString plainButtonStyle = QStringLiteral(
    "QPushButton{background-color:transparent;border:0;border-style:none;}QPushButton:hover{"
    "background-color:");

} // namespace

StampDialog::StampDialog(QWidget *parent)
    : QWidget(parent)
    , barHeight(toolStripHeight())
    , spacing(spacingUnit())
    , stampSide(int((barHeight - 5 * spacing) * 0.5))
    , commandSide((barHeight - 4 * spacing) / 3)
    , largestSide(2 * narrowPanelWidth())
    , stampFolder(stampDirPath())
    , orderFile(stampListFilePath())
    , backgroundColorName(panelBackgroundColor().name())
    , hoverColorName(hoverBackgroundColor().name())
    , checkedColorName(checkedBackgroundColor().name())
{
    chooseFiles = [](QWidget *owner) {
        return QFileDialog::getOpenFileNames(owner, tr("选择图章图片"), QString(),
                                             tr("PNG(*.png)"));
    };
    // Boxes of its own until the main window hands over its own (setQuestion, setMessage), so
    // the question reads "确定" / "取消" like every other one.
    ask = [this](const QString &text) {
        return askYesNo(window(), QStringLiteral("墨岚白板提示"), text);
    };
    tell = [this](const QString &text) {
        showMessageBox(window(), QStringLiteral("墨岚白板消息"), text);
    };
    now = [] { return QDateTime::currentMSecsSinceEpoch(); };

    stampArea = new QWidget(this);
    stampLayout = new FlowLayout(stampArea, spacing, spacing, spacing);
    scrollArea = new QScrollArea(this);
    addButton = new QPushButton(this);
    deleteButton = new QPushButton(this);
    forwardButton = new QPushButton(this);
    backButton = new QPushButton(this);
    pointerButton = new QPushButton(this);
    addButton->setObjectName(QStringLiteral("addButton"));
    deleteButton->setObjectName(QStringLiteral("deleteButton"));
    forwardButton->setObjectName(QStringLiteral("forwardButton"));
    backButton->setObjectName(QStringLiteral("backButton"));
    pointerButton->setObjectName(QStringLiteral("pointerButton"));
    buildLayout();
    setupButtons();
    connectSignals();
    setNoFocusPolicy();
    hide();
}

StampDialog::~StampDialog()
{
    saveStampList();
}

bool StampDialog::isBuiltInStamp(const QString &name)
{
    return name == QLatin1String("0") || name == QLatin1String("1") || name == QLatin1String("2");
}

bool StampDialog::isPlainFileName(const QString &name)
{
    return StampStore::isPlainFileName(name);
}

QPixmap StampDialog::stampPixmap(const QString &name)
{
    return StampStore::pixmap(name);
}

QPixmap StampDialog::scaledToFit(const QPixmap &pixmap, int side)
{
    if (pixmap.width() <= side && pixmap.height() <= side)
        return pixmap;
    return pixmap.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void StampDialog::buildLayout()
{
    scrollArea->setWidget(stampArea);
    auto *grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(spacing);
    grid->addWidget(addButton, 0, 0);
    grid->addWidget(deleteButton, 0, 1);
    grid->addWidget(forwardButton, 1, 0);
    grid->addWidget(backButton, 1, 1);
    grid->addWidget(pointerButton, 2, 0);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(spacing, spacing, spacing, spacing);
    layout->setSpacing(spacing);
    layout->addWidget(scrollArea);
    layout->addLayout(grid);
}

void StampDialog::setupButtons()
{
    stampArea->setStyleSheet(QStringLiteral("QWidget{background-color:") + backgroundColorName +
                             QStringLiteral(";}"));
    scrollArea->setWidgetResizable(true);
    scrollArea->setFrameShape(QFrame::Box);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea->verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollArea{background-color:") + backgroundColorName +
        QStringLiteral(";}QScrollBar{width:") + QString::number(4 * spacing) +
        QStringLiteral(";}"));

    const QString commandStyle = plainButtonStyle + hoverColorName + QStringLiteral(";}");
    const struct
    {
        QPushButton *button;
        QString tip;
        QString icon;
    } commands[] = {
        {addButton, tr("添加图章"), QStringLiteral(":/icon/stamp/stamp_t_add.png")},
        {deleteButton, tr("删除选定图章"), QStringLiteral(":/icon/stamp/stamp_t_delete.png")},
        {forwardButton, tr("向前移动"), QStringLiteral(":/icon/stamp/stamp_t_front.png")},
        {backButton, tr("向后移动"), QStringLiteral(":/icon/stamp/stamp_t_after.png")},
        {pointerButton, tr("设置/取消电子教鞭"),
         QStringLiteral(":/icon/stamp/stamp_t_cancelpointer.png")},
    };
    for (const auto &command : commands) {
        command.button->setFixedSize(commandSide, commandSide);
        command.button->setStyleSheet(commandStyle);
        command.button->setToolTip(command.tip);
        command.button->setIcon(QIcon(command.icon));
        command.button->setIconSize(QSize(commandSide, commandSide));
    }
    pointerButton->setStyleSheet(commandStyle +
                                 QStringLiteral("QPushButton:checked{"
                                                "background-color:") +
                                 checkedColorName + QStringLiteral(";}"));
    pointerButton->setCheckable(true);
    group.setExclusive(true);
}

void StampDialog::connectSignals()
{
    connect(addButton, &QPushButton::clicked, this, &StampDialog::addCustomStamps);
    connect(deleteButton, &QPushButton::clicked, this, &StampDialog::deleteCheckedStamp);
    connect(forwardButton, &QPushButton::clicked, this, [this] { moveCheckedStamp(true); });
    connect(backButton, &QPushButton::clicked, this, [this] { moveCheckedStamp(false); });
    connect(pointerButton, &QPushButton::clicked, this,
            [this](bool checked) { emit teacherPointerSet(checked ? current : QString()); });
    loadStamps();
}

void StampDialog::setNoFocusPolicy()
{
    for (QWidget *widget :
         {static_cast<QWidget *>(stampArea), static_cast<QWidget *>(scrollArea),
          static_cast<QWidget *>(addButton), static_cast<QWidget *>(deleteButton),
          static_cast<QWidget *>(forwardButton), static_cast<QWidget *>(backButton),
          static_cast<QWidget *>(pointerButton), static_cast<QWidget *>(this)})
        widget->setFocusPolicy(Qt::NoFocus);
}

void StampDialog::loadStamps()
{
    const QStringList names =
        FileSystem::fileExists(orderFile)
            ? FileSystem::readTrimmedLines(orderFile)
            : QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")};
    QStringList loaded;
    for (const QString &name : names) {
        // One button per stamp: a second button would share, and could delete, the first
        // one's file.
        if (loaded.contains(name))
            continue;
        const QPixmap picture = stampPixmap(name);
        if (picture.isNull())
            continue;
        addStampButton(picture, name);
        loaded.append(name);
    }
}

void StampDialog::addStampButton(const QPixmap &picture, const QString &name)
{
    const QPixmap shown = scaledToFit(picture, stampSide);
    auto *button = new QPushButton(stampArea);
    button->setCheckable(true);
    button->setFixedSize(stampSide, stampSide);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(QIcon(shown));
    button->setIconSize(shown.size());
    button->setStatusTip(name);
    button->setStyleSheet(plainButtonStyle + hoverColorName +
                          QStringLiteral(";}QPushButton:checked{background-color:") +
                          checkedColorName + QStringLiteral(";}"));
    connect(button, &QPushButton::clicked, this, [this, name] {
        current = name;
        emit stampChecked(name);
    });
    group.addButton(button, group.buttons().size() + 1);
    stampLayout->addWidget(button);
}

QString StampDialog::uniqueStampName(QStringList *taken) const
{
    // Named by the import time; a later millisecond is taken when a name is already used, so
    // two pictures of one import never share a file.
    qint64 stamp = now ? now() : QDateTime::currentMSecsSinceEpoch();
    for (;;) {
        const QString name = QString::number(stamp) + QLatin1Char('.') + suffix;
        if (!taken->contains(name) &&
            !FileSystem::fileExists(stampFolder + QLatin1Char('/') + name)) {
            taken->append(name);
            return name;
        }
        ++stamp;
    }
}

void StampDialog::addCustomStamps()
{
    if (!FileSystem::dirExists(stampFolder) && !FileSystem::makeDir(stampFolder)) {
        tell(QStringLiteral("无法添加自定义图案：图章缓存文件夹不存在，请手动创建 ") + stampFolder);
        return;
    }
    const QStringList files = chooseFiles ? chooseFiles(this) : QStringList();
    QStringList taken = stampNameList();
    QStringList unsaved;
    QString lastName;
    for (const QString &file : files) {
        QPixmap picture = QPixmap::fromImage(QImage::fromData(FileSystem::readAll(file)));
        if (picture.isNull())
            continue;
        const QString name = uniqueStampName(&taken);
        picture = scaledToFit(picture, largestSide);
        if (!picture.save(stampFolder + QLatin1Char('/') + name, "PNG")) {
            // A button without its file would vanish at the next start.
            unsaved.append(file);
            continue;
        }
        addStampButton(picture, name);
        lastName = name;
    }
    if (!lastName.isEmpty()) {
        const QList<QAbstractButton *> buttons = group.buttons();
        if (QAbstractButton *last = group.button(buttons.size()))
            last->setChecked(true);
        current = lastName;
        saveStampList();
        emit stampChecked(lastName);
    }
    if (!unsaved.isEmpty())
        tell(QStringLiteral("无法保存图章图片：\n") + unsaved.join(QLatin1Char('\n')));
}

void StampDialog::deleteCheckedStamp()
{
    QAbstractButton *button = group.checkedButton();
    if (!button)
        return;
    if (!ask || !ask(QStringLiteral("确定删除选定的图案？")))
        return;
    const QString name = button->statusTip();
    if (!isBuiltInStamp(name) && isPlainFileName(name))
        FileSystem::removeFile(stampFolder + QLatin1Char('/') + name);
    stampLayout->removeWidget(button);
    group.removeButton(button);
    button->hide();
    button->deleteLater();
    stampNameList();
    saveStampList();
    emit stampChecked(QString());
}

void StampDialog::moveCheckedStamp(bool forward)
{
    QAbstractButton *button = group.checkedButton();
    if (!button)
        return;
    const int from = group.id(button);
    const int count = group.buttons().size();
    int to = 0;
    if (forward && from > 1)
        to = from - 1;
    else if (!forward && from < count)
        to = from + 1;
    else
        return;
    QAbstractButton *other = group.button(to);
    if (!other)
        return;
    group.setId(button, count + 10);
    group.setId(other, from);
    group.setId(button, to);
    relayoutStampButtons();
    saveStampList();
}

void StampDialog::relayoutStampButtons()
{
    while (QLayoutItem *item = stampLayout->takeAt(0))
        delete item;
    const int count = group.buttons().size();
    for (int id = 1; id <= count; ++id) {
        if (QAbstractButton *button = group.button(id))
            stampLayout->addWidget(button);
    }
}

QStringList StampDialog::stampNameList()
{
    QStringList names;
    for (int i = 0; i < stampLayout->count(); ++i) {
        auto *button = qobject_cast<QAbstractButton *>(stampLayout->itemAt(i)->widget());
        if (!button)
            continue;
        group.setId(button, names.size() + 1);
        names.append(button->statusTip());
    }
    return names;
}

// Written after every change as well as at the end, so a crash loses no import or order.
void StampDialog::saveStampList()
{
    FileSystem::writeLines(orderFile, stampNameList());
}
