#include <QtTest>

#include "base/uimetrics.h"

class TestUiMetrics : public QObject
{
    Q_OBJECT
private slots:
    void workedExamples_data();
    void workedExamples();
    void cursorSizeBounds();
    void pixelsPerMillimetreFallsBackWithoutPhysicalSize();
    void markers();
};

void TestUiMetrics::workedExamples_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<QList<int>>("expected");
    // narrow, title, side, spacing, strip, button, min width, min height
    QTest::newRow("1920x1050") << 1920 << 1050 << QList<int>{77, 53, 346, 5, 101, 43, 800, 525};
    QTest::newRow("1366x728") << 1366 << 728 << QList<int>{55, 37, 246, 4, 70, 29, 683, 364};
}

void TestUiMetrics::workedExamples()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(QList<int>, expected);
    const QList<int> actual{metrics::narrowPanelWidth(w),   metrics::titleBarHeight(w, h),
                            metrics::sidePanelWidth(w),     metrics::spacingUnit(w, h),
                            metrics::toolStripHeight(w, h), metrics::titleBarButtonSize(w, h),
                            metrics::minimumWindowWidth(w), metrics::minimumWindowHeight(h)};
    QCOMPARE(actual, expected);
}

void TestUiMetrics::cursorSizeBounds()
{
    // Unknown and normal desktop sizes keep the size derived from the bar.
    QCOMPARE(metrics::cursorSize(43, 0), 33);
    QCOMPARE(metrics::cursorSize(43, 24), 33);
    QCOMPARE(metrics::cursorSize(29, 0), 22);
    // A larger desktop cursor scales up, but never past 64.
    QCOMPARE(metrics::cursorSize(43, 36), 50);
    QCOMPARE(metrics::cursorSize(43, 48), 64);
    QCOMPARE(metrics::cursorSize(43, 1000), 64);
    QCOMPARE(metrics::cursorSize(43, -5), 33);
}

void TestUiMetrics::pixelsPerMillimetreFallsBackWithoutPhysicalSize()
{
    QCOMPARE(metrics::pixelsPerMillimetre(1920, 508.0), 1920.0 / 508);
    // The physical width is truncated to whole millimetres.
    QCOMPARE(metrics::pixelsPerMillimetre(1920, 508.9), 1920.0 / 508);
    QCOMPARE(metrics::pixelsPerMillimetre(1920, 0.0), 96.0 / 25.4);
    QCOMPARE(metrics::pixelsPerMillimetre(1920, 0.6), 96.0 / 25.4);
    QVERIFY(std::isfinite(pixelsPerMillimetre()) && pixelsPerMillimetre() > 0);
}

void TestUiMetrics::markers()
{
    QCOMPARE(invalidPointF, QPointF(-9999, -9999));
    QVERIFY(QPointF(0, 0) != invalidPointF);
    QCOMPARE(supportedFileSuffixes().size(), 13);
    QCOMPARE(supportedFileSuffixes().first(), QStringLiteral("ppt"));
    QCOMPARE(supportedFileSuffixes().last(), QStringLiteral("webp"));
}

QTEST_MAIN(TestUiMetrics)
#include "tst_uimetrics.moc"
