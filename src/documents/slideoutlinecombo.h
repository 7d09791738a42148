#pragma once

#include <QComboBox>
#include <QPixmap>

// The slide outline of the bottom bar: its list holds the slides' thumbnails (the current one
// tinted), while the box itself shows the whole current slide, as it is, fitted to its height.
class SlideOutlineCombo : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    // The slide the box shows; a null picture shows none.
    void setShownPicture(const QPixmap &picture);
    QPixmap shownPicture() const { return m_picture; }
    // Where the box draws it, in its own coordinates; empty with none.
    QRect shownPictureRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_picture;
};
