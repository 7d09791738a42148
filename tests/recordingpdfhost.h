#pragma once

#include "pdf/pdfboardhost.h"

#include "recordingcanvashost.h"

// The recording host of the PDF board: also records the page chooser calls ("combo N",
// "range C/N", "fill N labels") and gives a fixed document area.
class RecordingPdfHost : public RecordingHost<PdfBoardHost>
{
public:
    QRect documentAreaGeometry() const override { return area; }
    void fillPageComboBox(const QStringList &labels, const QList<int> &pages) override
    {
        comboLabels = labels;
        comboPages = pages;
        calls << QStringLiteral("fill %1 labels").arg(labels.size());
    }
    void selectPageInComboBox(int page) override
    {
        comboPage = page;
        calls << QStringLiteral("combo %1").arg(page);
    }
    void setPdfPageRange(int current, int count) override
    {
        rangeCurrent = current;
        rangeCount = count;
    }

    QRect area{0, 0, 800, 600};
    QStringList comboLabels;
    QList<int> comboPages;
    int comboPage = -1;
    int rangeCurrent = 0;
    int rangeCount = 0;
};
