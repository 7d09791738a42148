#pragma once

#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>

#include "platform/framesource.h"

class PortalScreenCast;
class ScreenCastStream;

// Where pictures of the screen come from. On an X11 session: the root window (xcb-shm). In a
// Wayland session the program runs under rootless XWayland, whose root window has no contents:
// there the desktop's screen-cast portal and PipeWire give the screen.
namespace ScreenCapture {

// WAYLAND_DISPLAY set or XDG_SESSION_TYPE=wayland.
bool isWaylandSession();

// The file that keeps the desktop's restore token for the screen choice.
void setTokenFile(const QString &path);

// In a Wayland session: asks the portal for the screen now (the desktop may ask the user), so
// that a refusal is known before anything starts. False with the message for the user in
// *error. Elsewhere: true at once.
bool prepare(QString *error);

// Closes the session prepare() left, when no frame source took it: a start that does not go on
// must not leave the desktop showing the screen as shared.
void discardPrepared();

// The area (screen pixels of screenSize) of the prepared session's newest frame; null when
// there is no session or no frame came in time.
QPixmap grabPrepared(const QRect &area, const QSize &screenSize);

// The source for one recording; it takes the session prepare() left, else starts its own.
// screenSize: the primary screen in its own pixels, origin: its corner in root coordinates.
std::unique_ptr<FrameSource> createFrameSource(const QSize &screenSize, const QPoint &origin);

// One picture of the whole primary screen at screenSize; null when none can be had.
QPixmap grabScreen(const QSize &screenSize, QString *error = nullptr);

} // namespace ScreenCapture

// Frames of a portal screen cast, cropped to the recording area.
class PortalFrameSource : public FrameSource
{
public:
    // cast: a started session, or null to start one in open().
    PortalFrameSource(std::unique_ptr<PortalScreenCast> cast, const QSize &screenSize);
    ~PortalFrameSource() override;
    PortalFrameSource(const PortalFrameSource &) = delete;
    PortalFrameSource &operator=(const PortalFrameSource &) = delete;

    // Waits for the first frame with a time limit, keeping the window painting.
    bool open(const QRect &area) override;
    QImage grab() override;

    int firstFrameTimeout = 5000;

private:
    friend std::unique_ptr<FrameSource> ScreenCapture::createFrameSource(const QSize &,
                                                                         const QPoint &);
    std::unique_ptr<PortalScreenCast> cast;
    std::unique_ptr<ScreenCastStream> stream;
    QSize screen;
    QRect area;
    QImage picture;
};
