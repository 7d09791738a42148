#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QPixmap>
#include <QString>

class PaintData;

// One page of a board: its size, background picture and the ordered history of its actions.
// The page owns the actions in its history and deletes them when cleared or destroyed; an action
// whose parent is the canvas must therefore be created after the page (the canvas deletes its
// children in creation order), or be given the page as parent.
class PageData : public QObject
{
    Q_OBJECT
public:
    explicit PageData(QObject *parent = nullptr);
    ~PageData() override;

    // Zeroes the sizes and extensions (the index stays), drops the background, deletes every
    // action of the history, empties the pasted images and the note.
    void clear();

    int index = 0;
    int width = 0;
    int height = 0;
    // How far the shown page reaches beyond each edge (left, top, right, bottom).
    QMargins showExtension;
    // The same extension as applied to the layer pixmaps: page point (x, y) lies at layer point
    // (x + left, y + top).
    QMargins layerExtension;
    QPixmap background;
    QList<PaintData *> history;
    QList<QPixmap> pastedImages;
    QString note;
};
