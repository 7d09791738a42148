#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <memory>

#include "camera/camerabackend.h"
#include "drawing/floatingwindow.h"

class QCameraViewfinder;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

// A frameless floating camera window with its own camera and resolution choice, dragged
// anywhere; the choice is remembered for the next opening.
class FloatCameraDialog : public FloatingWindow
{
    Q_OBJECT
public:
    explicit FloatCameraDialog(QWidget *parent = nullptr);
    ~FloatCameraDialog() override;

    void setBackend(std::shared_ptr<CameraBackend> cameraBackend);
    void openCamera();
    void closeCamera();
    void setPosition(int x, int y);
    void setPosition(const QPoint &topLeft) { setPosition(topLeft.x(), topLeft.y()); }
    QPoint position() const { return QPoint(positionX, positionY); }
    bool hasCamera() const { return camera != nullptr; }
    // What the window shows instead of a picture; empty with the logo.
    QString messageText() const;

signals:
    void toClose();

protected:
    void resizeEvent(QResizeEvent *event) override;
    // A drag also moves the remembered position, where the next picture opens; a nudge by an
    // arrow key does not.
    void moveWindowTo(const QPoint &topLeft) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void createCamera();
    void switchCamera(int index);
    void setResolution(int index);
    void fillResolutions(QCamera::State state);
    void showViewfinder(const QSize &size);
    void showMessage(const QString &text);
    void setTitleStripVisible(bool visible);
    void fitViewWidth(QComboBox *combo);

    QLabel *titleStrip = nullptr;
    QHBoxLayout *titleLayout = nullptr;
    QComboBox *cameraCombo = nullptr;
    QComboBox *resolutionCombo = nullptr;
    QPushButton *closeButton = nullptr;
    QVBoxLayout *mainLayout = nullptr;
    QLabel *pictureLabel = nullptr;
    QHBoxLayout *pictureLayout = nullptr;
    QPointer<QCameraViewfinder> viewfinder;
    CameraHandle *camera = nullptr;
    int positionX = 0;
    int positionY = 0;
    int controlHeight = 0;
    int margin = 0;
    QColor backgroundColor = QColor(48, 50, 62);
    QPixmap logo;
    QList<CameraDevice> cameraList;
    QList<QSize> resolutionList;
    CameraDevice currentCamera;
    QSize currentResolution = QSize(0, 0);
    std::shared_ptr<CameraBackend> backend;
};
