#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <Qt>

// What a board widget asks of the window that holds it. The board never reaches into the tool
// bar or the window's widgets: it reports button states, asks for messages and questions, and
// hands on what it does not handle itself. MainWindow implements this; tests use a recording
// fake.
//
// The enable setters may be called often (the clear-screen and photo clean-up states are
// reported on repaints): an implementation should do nothing when a state is unchanged.
// Why a file the program has open is not written.
inline QString fileOpenRefusal(const QString &path)
{
    return path + QStringLiteral("正在本程序中打开，不能覆盖，请另选文件名或文件夹");
}

class CanvasHost
{
public:
    virtual ~CanvasHost() = default;

    // Tool-bar button states.
    virtual void setUndoEnabled(bool enabled) = 0;
    virtual void setRedoEnabled(bool enabled) = 0;
    virtual void setCutEnabled(bool enabled) = 0;
    virtual void setCopyEnabled(bool enabled) = 0;
    virtual void setCancelEnabled(bool enabled) = 0;
    virtual void setDeleteEnabled(bool enabled) = 0;
    virtual void setRotateEnabled(bool enabled) = 0;
    virtual void setClearScreenEnabled(bool enabled) = 0;
    virtual void setClearColorEnabled(bool enabled) = 0;

    // Programmatic clicks on tool-bar buttons, so that the button's own signal fires as for a
    // user's click (select all and paste switch to the selection tool this way; the text box asks
    // for the font style buttons).
    virtual void clickPaintTool(int tool) = 0;
    virtual void clickFontBold() = 0;
    virtual void clickFontItalic() = 0;
    virtual void clickFontUnderline() = 0;

    // The program's message box and yes/no question (true only for the yes button).
    virtual void showMessage(const QString &text) = 0;
    virtual bool askQuestion(const QString &text) = 0;

    // Whether path names a file the program has open (a document a tab reads its pages from):
    // such a file is never written over.
    virtual bool isFileOpen(const QString &path) const = 0;

    // A key press the board did not use (slide-show overlay only).
    virtual void handleShortcutKey(int key, Qt::KeyboardModifiers modifiers) = 0;

    // Slide show: one step back or forward (a SlideCommand); the picture of the running slide (null
    // when there is none); the slide of page index (0-based) at its own size, for the page export
    // (null when it cannot be rendered).
    virtual void navigateSlideShow(int step) = 0;
    virtual QPixmap grabSlidePicture() = 0;
    virtual QImage slidePageImage(int index) = 0;

    // The overlay's close request: closes the main window through its usual question.
    virtual void requestClose() = 0;
};
