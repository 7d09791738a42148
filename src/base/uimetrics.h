#pragma once

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QStringList>

// Sizes derived from the primary screen (read at each call), a fixed palette, and markers.
double pixelsPerMillimetre();
double pointsToMillimetres(double points);
QRect screenGeometry();
int availableScreenWidth();
int availableScreenHeight();
int minimumWindowWidth();
int minimumWindowHeight();
int narrowPanelWidth();
int titleBarHeight();
int sidePanelWidth();
int barHeight();
int spacingUnit();
int toolStripHeight();
int titleBarButtonSize();
int borderRadius();
double fiveMillimetresInPixels();
int cursorSize();
// The desktop's cursor size setting (XCURSOR_SIZE or the Xcursor resource), 0 when unknown.
int systemCursorBaseSize();

// The same figures as pure functions of the screen values, for callers that know them.
namespace metrics {
double pixelsPerMillimetre(int widthPixels, double physicalWidthMm);
int minimumWindowWidth(int availableWidth);
int minimumWindowHeight(int availableHeight);
int narrowPanelWidth(int availableWidth);
int titleBarHeight(int availableWidth, int availableHeight);
int sidePanelWidth(int availableWidth);
int spacingUnit(int availableWidth, int availableHeight);
int toolStripHeight(int availableWidth, int availableHeight);
int titleBarButtonSize(int availableWidth, int availableHeight);
// base is the desktop cursor size, 0 when unknown; 24 is the normal size on X11.
int cursorSize(int titleBarButtonSize, int base);
} // namespace metrics

QColor menuBackgroundColor();
QColor whiteColor();
QColor tabItemColorA();
QColor tabItemColorB();
QColor tabItemColorC();
QColor tabItemColorD();
QColor panelBackgroundColor();
QColor stripBackgroundColor();
QColor hoverBackgroundColor();
QColor checkedBackgroundColor();
QColor borderColor();
QColor documentBackgroundColor();
QColor lightPanelColor();

extern const QPoint invalidPoint;
extern const QPointF invalidPointF;
QStringList supportedFileSuffixes();
