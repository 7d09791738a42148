#pragma once

#include <QPoint>
#include <QWidget>

// The floating camera window. Cameras are not available in this build yet: opening tells
// the user and closes again, so the toolbar button comes back.
class FloatCameraDialog : public QWidget
{
    Q_OBJECT
public:
    explicit FloatCameraDialog(QWidget *parent = nullptr);

    void openCamera();
    void closeCamera() { hide(); }
    void setPosition(const QPoint &topLeft) { m_position = topLeft; }
    QPoint position() const { return m_position; }

signals:
    void toClose();

private:
    QPoint m_position;
};
