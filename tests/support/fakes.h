#pragma once

#include <QMap>
#include <QStringList>

#include "documents/toolbarport.h"
#include "platform/hotkeygrabber.h"
#include "platform/windowtree.h"

// Records every toolbar call as "name" or "name:arg".
class FakeToolBar : public ToolBarPort
{
public:
    QStringList calls;

    void clickOpenFile() override { calls << "open"; }
    void clickOpenClipboardFile() override { calls << "openClipboard"; }
    void clickNewBoard() override { calls << "newBoard"; }
    void triggerExportImage() override { calls << "exportImage"; }
    void clickUndo() override { calls << "undo"; }
    void clickRedo() override { calls << "redo"; }
    void clickCut() override { calls << "cut"; }
    void clickCopy() override { calls << "copy"; }
    void clickPaste() override { calls << "paste"; }
    void clickSelectAll() override { calls << "selectAll"; }
    void clickCancel() override { calls << "cancel"; }
    void clickDelete() override { calls << "delete"; }
    void clickPresetBrush(int n) override { calls << QStringLiteral("brush:%1").arg(n); }
    void clickZoom(int n) override { calls << QStringLiteral("zoom:%1").arg(n); }
    void clickCanvasClean() override { calls << "clean"; }
    void clickPaintTool(int n) override { calls << QStringLiteral("tool:%1").arg(n); }
    void clickFontBold() override { calls << "bold"; }
    void clickFontItalic() override { calls << "italic"; }
    void clickFontUnderline() override { calls << "underline"; }
    void clickRecordStart() override { calls << "recordStart"; }
    void clickRecordStop() override { calls << "recordStop"; }
    void resetRecordState() override { calls << "resetRecord"; }
    void setUndoEnabled(bool on) override { calls << QStringLiteral("undoEnabled:%1").arg(on); }
    void setPresetBrush(int n, int size, const QString &fore, const QString &back) override
    {
        calls << QStringLiteral("preset:%1:%2:%3:%4").arg(n).arg(size).arg(fore, back);
    }
    void setFloatCameraEnabled(bool on) override
    {
        calls << QStringLiteral("floatCameraEnabled:%1").arg(on);
    }
};

// Grants every key except those listed as taken or unavailable.
class FakeGrabber : public HotKeyGrabber
{
public:
    QMap<int, Result> answers; // keyed by hot-key identifier
    QStringList log;

    Result grab(int modifiers, int virtualKey) override
    {
        log << QStringLiteral("grab %1 %2").arg(modifiers).arg(virtualKey);
        return answers.value(modifiers ^ virtualKey, Grabbed);
    }
    void ungrab(int modifiers, int virtualKey) override
    {
        log << QStringLiteral("ungrab %1 %2").arg(modifiers).arg(virtualKey);
    }
};

// A desktop given as titles and child lists.
class FakeTree : public WindowTree
{
public:
    QList<WindowHandle> tops;
    QMap<WindowHandle, QList<WindowHandle>> children;
    QMap<WindowHandle, QString> titles;
    WindowHandle activated = 0;

    QList<WindowHandle> topLevelWindows() const override { return tops; }
    QList<WindowHandle> childWindows(WindowHandle w) const override { return children.value(w); }
    QString windowTitle(WindowHandle w) const override { return titles.value(w); }
    bool activateWindow(WindowHandle w) override
    {
        activated = w;
        return true;
    }
};
