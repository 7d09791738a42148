#pragma once

#include <QPixmap>
#include <QString>
#include <QStringList>

#include "drawing/canvashost.h"

// A CanvasHost for tests: it records every call as a line of text ("undo 1", "message TEXT",
// "navigate 2", ...) and answers questions with a preset answer. Base is CanvasHost or an
// interface derived from it.
template <class Base = CanvasHost>
class RecordingHost : public Base
{
public:
    void setUndoEnabled(bool on) override { record("undo", on); }
    void setRedoEnabled(bool on) override { record("redo", on); }
    void setCutEnabled(bool on) override { record("cut", on); }
    void setCopyEnabled(bool on) override { record("copy", on); }
    void setCancelEnabled(bool on) override { record("cancel", on); }
    void setDeleteEnabled(bool on) override { record("delete", on); }
    void setRotateEnabled(bool on) override { record("rotate", on); }
    void setClearScreenEnabled(bool on) override { record("clearScreen", on); }
    void setClearColorEnabled(bool on) override { record("clearColor", on); }
    void clickPaintTool(int tool) override { calls << QStringLiteral("tool %1").arg(tool); }
    void clickFontBold() override { calls << QStringLiteral("bold"); }
    void clickFontItalic() override { calls << QStringLiteral("italic"); }
    void clickFontUnderline() override { calls << QStringLiteral("underline"); }
    void showMessage(const QString &text) override { calls << QStringLiteral("message ") + text; }
    bool askQuestion(const QString &text) override
    {
        calls << QStringLiteral("question ") + text;
        return answer;
    }
    bool isFileOpen(const QString &path) const override { return openFiles.contains(path); }
    void handleShortcutKey(int key, Qt::KeyboardModifiers modifiers) override
    {
        calls << QStringLiteral("key %1 %2").arg(key).arg(int(modifiers));
    }
    void navigateSlideShow(int step) override { calls << QStringLiteral("navigate %1").arg(step); }
    QPixmap grabSlidePicture() override
    {
        calls << QStringLiteral("grabSlide");
        return slidePicture;
    }
    QImage slidePageImage(int index) override
    {
        calls << QStringLiteral("slidePage %1").arg(index);
        return slidePages.value(index);
    }
    void requestClose() override { calls << QStringLiteral("close"); }

    // Calls whose text starts with prefix.
    QStringList callsStartingWith(const QString &prefix) const
    {
        QStringList found;
        for (const QString &call : calls) {
            if (call.startsWith(prefix))
                found << call;
        }
        return found;
    }

    QStringList calls;
    bool answer = true;
    // Files the program is taken to have open.
    QStringList openFiles;
    QPixmap slidePicture;
    QList<QImage> slidePages;

private:
    void record(const char *name, bool on)
    {
        calls << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(on ? 1 : 0);
    }
};

using RecordingCanvasHost = RecordingHost<CanvasHost>;
