#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QtTest>

#include "base/uimetrics.h"
#include "toolbar/paction.h"
#include "toolbar/shapeaction.h"
#include "toolbar/slider.h"
#include "toolbar/sliderstyle.h"

class TestToolBarWidgets : public QObject
{
    Q_OBJECT
private slots:
    void shapePickerEmitsIdAndClosesMenu();
    void shapePickerCheckedShapeAndHiddenTicks();
    void pactionSizeFollowsTextAndPixmap();
    void pactionClickTriggersOnceAndClosesMenu();
    void destroyedSlidersLeaveApplicationStyleAlive();
    void sliderJumpsToLeftClick();
};

void TestToolBarWidgets::shapePickerEmitsIdAndClosesMenu()
{
    QMenu menu;
    auto *action = new ShapeAction(&menu);
    menu.addAction(action);
    menu.show();
    QVERIFY(menu.isVisible());
    QSignalSpy spy(action, &ShapeAction::shapeClicked);

    QPushButton *protractor = action->shapeButton(26);
    QVERIFY(protractor);
    QCOMPARE(protractor->toolTip(), QString("量角器"));
    protractor->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 26);
    QVERIFY(!menu.isVisible());

    // The choice stays checked for the next opening; the first shape lost its check.
    menu.show();
    QVERIFY(protractor->isChecked());
    QVERIFY(!action->shapeButton(1)->isChecked());

    // Every shape reports its own id.
    spy.clear();
    const QList<int> ids = ShapeAction::shapeIds();
    for (int id : ids)
        action->shapeButton(id)->click();
    QCOMPARE(spy.count(), ids.size());
    for (int i = 0; i < ids.size(); ++i)
        QCOMPARE(spy.at(i).at(0).toInt(), ids[i]);
}

void TestToolBarWidgets::shapePickerCheckedShapeAndHiddenTicks()
{
    QMenu menu;
    ShapeAction action(&menu);
    const QList<int> ids = ShapeAction::shapeIds();
    QCOMPARE(ids.size(), 22);
    QVERIFY(!ids.contains(13) && !ids.contains(20));
    QVERIFY(action.shapeButton(1)->isChecked());

    // The two ticks exist but are hidden: the visible grid is 4 by 5.
    int visible = 0;
    for (int id : ids) {
        const bool tick = id == 29 || id == 30;
        QCOMPARE(action.shapeButton(id)->isHidden(), tick);
        visible += tick ? 0 : 1;
    }
    QCOMPARE(visible, 20);
    const int s = spacingUnit();
    const int b = titleBarButtonSize();
    QCOMPARE(action.defaultWidget()->size(), QSize(4 * b + 5 * s, 5 * b + 6 * s));

    action.setCheckedShape(7);
    QVERIFY(action.shapeButton(7)->isChecked());
    QVERIFY(!action.shapeButton(1)->isChecked());

    action.setCheckedShape(15);
    QVERIFY(action.shapeButton(7)->isChecked());
    QVERIFY(!action.shapeButton(15));

    action.setCheckedShape(29);
    QVERIFY(action.shapeButton(29)->isChecked());
    for (int id : ids) {
        if (!action.shapeButton(id)->isHidden())
            QVERIFY2(!action.shapeButton(id)->isChecked(), qPrintable(QString::number(id)));
    }
}

void TestToolBarWidgets::pactionSizeFollowsTextAndPixmap()
{
    QMenu menu;
    QPixmap pixmap(60, 30);
    pixmap.fill(Qt::red);

    PAction withText(&menu);
    withText.setPixmapAndText(pixmap, "5像素");
    QCOMPARE(withText.button()->size(), QSize(120, 30));
    QCOMPARE(withText.button()->minimumSize(), withText.button()->maximumSize());

    PAction pictureOnly(&menu);
    pictureOnly.setPixmapAndText(pixmap, QString());
    QCOMPARE(pictureOnly.button()->size(), QSize(60, 30));
}

void TestToolBarWidgets::pactionClickTriggersOnceAndClosesMenu()
{
    QMenu menu;
    auto *entry = new PAction(&menu);
    QPixmap pixmap(40, 20);
    pixmap.fill(Qt::blue);
    entry->setPixmapAndText(pixmap, "3像素");
    menu.addAction(entry);
    menu.show();
    QVERIFY(entry->button()->isCheckable());

    QSignalSpy spy(entry, &QAction::triggered);
    entry->button()->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    QVERIFY(!menu.isVisible());
}

void TestToolBarWidgets::destroyedSlidersLeaveApplicationStyleAlive()
{
    QPointer<QStyle> appStyle = QApplication::style();
    const QString styleName = appStyle->objectName();
    {
        auto *first = new Slider(Qt::Horizontal);
        auto *second = new Slider(Qt::Horizontal);
        // Each slider has a style of its own, not the application's.
        QVERIFY(first->style() != appStyle);
        QVERIFY(first->style() != second->style());
        first->setStyleSheet("QSlider::handle:horizontal{background-color:#dde2e6;}");
        first->show();
        QCoreApplication::processEvents();
        delete first;
        delete second;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QVERIFY(!appStyle.isNull());
    QCOMPARE(QApplication::style(), appStyle.data());
    QCOMPARE(QApplication::style()->objectName(), styleName);

    // Widgets made afterwards still get a working style.
    QSlider plain(Qt::Horizontal);
    plain.show();
    QVERIFY(plain.sizeHint().isValid());
}

void TestToolBarWidgets::sliderJumpsToLeftClick()
{
    SliderStyle style(nullptr);
    QCOMPARE(style.styleHint(QStyle::SH_Slider_AbsoluteSetButtons), int(Qt::LeftButton));

    Slider slider(Qt::Horizontal);
    slider.setRange(1, 20);
    slider.setValue(2);
    slider.setFixedWidth(300);
    slider.setStyleSheet("QSlider::handle:horizontal{background-color:#dde2e6;}");
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    QSignalSpy spy(&slider, &QSlider::valueChanged);
    QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier,
                      QPoint(slider.width() - 3, slider.height() / 2));
    QCOMPARE(slider.value(), 20);
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(TestToolBarWidgets)
#include "tst_toolbarwidgets.moc"
