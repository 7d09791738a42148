#pragma once

#include <QPushButton>

class Canvas;
class PdfCanvas;
class QWidget;

// One open document in the title bar's tab row.
class TabItem : public QPushButton
{
    Q_OBJECT
public:
    explicit TabItem(QWidget *parent = nullptr);

    int kind = 0; // 1 slide show, 2 PDF, 3 picture, 4 new board
    int number = 0;
    QWidget *scrollArea = nullptr;
    Canvas *canvas = nullptr;
    PdfCanvas *pdfCanvas = nullptr;
    QString path;
    QString title;
    QString folder;
    QString info;

    void updateTitle() { setText(title); }

signals:
    void tabItemClicked(TabItem *tab);
    void toCloseTabItem(TabItem *tab);
};
