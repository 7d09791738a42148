#pragma once

#include "pdf/pdfboardhost.h"

#include "recordingcanvashost.h"

// The recording host of the PDF board: also keeps what the page chooser was given, with a
// fixed document area.
class RecordingPdfHost : public RecordingHost<PdfBoardHost>
{
public:
    QRect documentAreaGeometry() const override { return area; }
    void fillPageComboBox(const QStringList &labels, const QList<int> &pages) override
    {
        comboLabels = labels;
        comboPages = pages;
    }
    void selectPageInComboBox(int page) override { comboPage = page; }
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
