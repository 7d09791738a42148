#include "recording/desktopareaselecter.h"

#include <QTimer>

#include "app/unavailable.h"
#include "app/windowsearch.h"

DesktopAreaSelecter::DesktopAreaSelecter(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{}

void DesktopAreaSelecter::setDesktopPixmap(const QPixmap &snapshot)
{
    m_snapshot = snapshot.isNull() ? grabPrimaryScreen() : snapshot;
}

void DesktopAreaSelecter::startSelection(const QRect &)
{
    if (m_snapshot.isNull())
        return;
    // Ends from the event loop, as a real selection would.
    QTimer::singleShot(0, this, [this] { finish(); });
}

void DesktopAreaSelecter::finish()
{
    showUnavailable(parentWidget(), QStringLiteral("区域截图"));
    m_adjuster = nullptr;
    m_snapshot = QPixmap();
    hide();
    emit selectedOver(QRect(), false);
}
