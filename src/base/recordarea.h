#pragma once

#include <QtGlobal>

// A recording area lies on the available screen, is at least 240 pixels each way, and has
// sides that are multiples of 4 (the encoder needs even sizes).
bool isRecordAreaValid(int x, int y, int w, int h);
bool isRecordAreaValid(int x, int y, int w, int h, int screenWidth, int screenHeight);

// Keeps a recording area on the available screen, at least 240 pixels each way, with sides
// that are multiples of 4.
void adjustRecordArea(int &x, int &y, int &w, int &h);
void adjustRecordArea(int &x, int &y, int &w, int &h, int screenWidth, int screenHeight);
// Keeps a screenshot area on the available screen, at least 10 pixels each way.
void adjustScreenshotArea(int &x, int &y, int &w, int &h);
void adjustScreenshotArea(int &x, int &y, int &w, int &h, int screenWidth, int screenHeight);

class QDate;
class QRect;
class QString;
// An area given in logical pixels as the screen's own pixels at that pixel ratio, with sides
// rounded down to multiples of 4.
QRect screenPixelArea(const QRect &logical, qreal ratio);
// "2024_3_7_1709800000.mp4": the day's date and the seconds since the epoch.
QString recordingFileName(const QDate &date, qint64 secondsSinceEpoch);
// The file inside folder, with or without its trailing "/".
QString recordingFilePath(const QString &folder, const QString &fileName);
