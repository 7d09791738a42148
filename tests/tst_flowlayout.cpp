#include <QtTest>

#include "toolbar/flowlayout.h"

#include <QVBoxLayout>
#include <QWidget>

namespace {

QWidget *fixedWidget(QWidget *parent, int width, int height)
{
    auto *widget = new QWidget(parent);
    widget->setFixedSize(width, height);
    return widget;
}

} // namespace

class TestFlowLayout : public QObject
{
    Q_OBJECT
private slots:
    void wrapsWhenTheNextItemCrossesTheRightEdge();
    void firstItemIsNeverWrapped();
    void heightForWidthCountsRowsAndMargins();
    void indexBoundsReturnNull();
    void negativeSpacingComesFromTheSurroundings();
};

void TestFlowLayout::wrapsWhenTheNextItemCrossesTheRightEdge()
{
    QWidget host;
    auto *layout = new FlowLayout(&host, 5, 5, 5);
    QList<QWidget *> widgets;
    for (int i = 0; i < 3; ++i) {
        widgets.append(fixedWidget(&host, 40, 20));
        layout->addWidget(widgets.last());
    }
    layout->setGeometry(QRect(0, 0, 100, 200));
    QCOMPARE(widgets.at(0)->geometry(), QRect(5, 5, 40, 20));
    QCOMPARE(widgets.at(1)->geometry(), QRect(50, 5, 40, 20));
    QCOMPARE(widgets.at(2)->geometry(), QRect(5, 30, 40, 20));

    // A wider rectangle keeps all three on one row; the layout's offset is honoured.
    layout->setGeometry(QRect(10, 20, 150, 100));
    QCOMPARE(widgets.at(2)->geometry(), QRect(105, 25, 40, 20));
}

void TestFlowLayout::firstItemIsNeverWrapped()
{
    QWidget host;
    auto *layout = new FlowLayout(&host, 5, 5, 5);
    QWidget *wide = fixedWidget(&host, 150, 30);
    QWidget *next = fixedWidget(&host, 20, 10);
    layout->addWidget(wide);
    layout->addWidget(next);
    layout->setGeometry(QRect(0, 0, 100, 200));
    // Not shrunk, not moved to a second row.
    QCOMPARE(wide->geometry(), QRect(5, 5, 150, 30));
    QCOMPARE(next->geometry(), QRect(5, 40, 20, 10));
}

void TestFlowLayout::heightForWidthCountsRowsAndMargins()
{
    QWidget host;
    auto *layout = new FlowLayout(&host, 5, 5, 5);
    QVERIFY(layout->hasHeightForWidth());
    QCOMPARE(layout->heightForWidth(100), 10);
    layout->setContentsMargins(3, 4, 6, 7);
    QCOMPARE(layout->heightForWidth(100), 11);

    layout->setContentsMargins(5, 5, 5, 5);
    for (int i = 0; i < 3; ++i)
        layout->addWidget(fixedWidget(&host, 40, 20));
    QCOMPARE(layout->heightForWidth(100), 55);
    QCOMPARE(layout->heightForWidth(200), 30);
    // Test mode places nothing.
    QCOMPARE(layout->itemAt(2)->widget()->pos(), QPoint(0, 0));
    // Rows of different heights take the tallest item of each row.
    layout->addWidget(fixedWidget(&host, 40, 50));
    QCOMPARE(layout->heightForWidth(100), 5 + 20 + 5 + 50 + 5);
}

void TestFlowLayout::indexBoundsReturnNull()
{
    QWidget host;
    auto *layout = new FlowLayout(&host, 0, 0, 0);
    QCOMPARE(layout->itemAt(0), nullptr);
    QCOMPARE(layout->takeAt(0), nullptr);
    layout->addWidget(fixedWidget(&host, 10, 10));
    layout->addWidget(fixedWidget(&host, 10, 10));
    QCOMPARE(layout->itemAt(-1), nullptr);
    QCOMPARE(layout->itemAt(2), nullptr);
    QCOMPARE(layout->takeAt(-1), nullptr);
    QCOMPARE(layout->takeAt(layout->count()), nullptr);
    QCOMPARE(layout->count(), 2);
    QLayoutItem *first = layout->itemAt(0);
    QLayoutItem *taken = layout->takeAt(0);
    QCOMPARE(taken, first);
    QCOMPARE(layout->count(), 1);
    delete taken;
}

void TestFlowLayout::negativeSpacingComesFromTheSurroundings()
{
    QWidget host;
    auto *widgetParented = new FlowLayout(&host, 0, -1, -1);
    QCOMPARE(widgetParented->horizontalSpacing(),
             host.style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, &host));
    QCOMPARE(widgetParented->verticalSpacing(),
             host.style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing, nullptr, &host));

    QWidget other;
    auto *outer = new QVBoxLayout(&other);
    outer->setSpacing(7);
    auto *nested = new FlowLayout(0, -1, -1);
    outer->addLayout(nested);
    QCOMPARE(nested->horizontalSpacing(), 7);
    QCOMPARE(nested->verticalSpacing(), 7);

    FlowLayout orphan(0, -1, 3);
    QCOMPARE(orphan.horizontalSpacing(), -1);
    QCOMPARE(orphan.verticalSpacing(), 3);
    // Without any surroundings the items' own style decides; spacers sit flush.
    orphan.addItem(new QSpacerItem(40, 10));
    orphan.addItem(new QSpacerItem(40, 10));
    QCOMPARE(orphan.heightForWidth(100), 10);
    QCOMPARE(orphan.heightForWidth(60), 23);
}

QTEST_MAIN(TestFlowLayout)
#include "tst_flowlayout.moc"
