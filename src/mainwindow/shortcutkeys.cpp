#include "mainwindow/shortcutkeys.h"

#include <QKeySequence>
#include <QList>

#include "documents/toolbarport.h"

namespace {

struct Shortcut
{
    int combination;
    std::function<void(ToolBarPort &)> command;
};

const QList<Shortcut> &shortcutTable()
{
    static const QList<Shortcut> table = [] {
        QList<Shortcut> t;
        const int ctrl = Qt::CTRL;
        const int alt = Qt::ALT;
        t.append({ctrl | Qt::Key_O, [](ToolBarPort &b) { b.clickOpenFile(); }});
        t.append({ctrl | Qt::Key_N, [](ToolBarPort &b) { b.clickNewBoard(); }});
        t.append({ctrl | alt | Qt::Key_O, [](ToolBarPort &b) { b.clickOpenClipboardFile(); }});
        t.append({ctrl | Qt::Key_S, [](ToolBarPort &b) { b.triggerExportImage(); }});
        t.append({ctrl | Qt::Key_Z, [](ToolBarPort &b) { b.clickUndo(); }});
        t.append({ctrl | Qt::Key_Y, [](ToolBarPort &b) { b.clickRedo(); }});
        t.append({ctrl | Qt::Key_X, [](ToolBarPort &b) { b.clickCut(); }});
        t.append({ctrl | Qt::Key_C, [](ToolBarPort &b) { b.clickCopy(); }});
        t.append({ctrl | Qt::Key_V, [](ToolBarPort &b) { b.clickPaste(); }});
        t.append({ctrl | Qt::Key_A, [](ToolBarPort &b) { b.clickSelectAll(); }});
        t.append({Qt::Key_Escape, [](ToolBarPort &b) { b.clickCancel(); }});
        t.append({Qt::Key_Delete, [](ToolBarPort &b) { b.clickDelete(); }});
        t.append({Qt::Key_Backspace, [](ToolBarPort &b) { b.clickDelete(); }});
        for (int n = 1; n <= 4; ++n)
            t.append({ctrl | (Qt::Key_0 + n), [n](ToolBarPort &b) { b.clickPresetBrush(n); }});
        t.append({ctrl | Qt::Key_Plus, [](ToolBarPort &b) { b.clickZoom(1); }});
        t.append({ctrl | Qt::Key_Minus, [](ToolBarPort &b) { b.clickZoom(2); }});
        t.append({Qt::Key_F4, [](ToolBarPort &b) { b.clickCanvasClean(); }});
        t.append({alt | Qt::Key_M, [](ToolBarPort &b) { b.clickPaintTool(0); }});
        t.append({alt | Qt::Key_S, [](ToolBarPort &b) { b.clickPaintTool(1); }});
        for (int n = 1; n <= 9; ++n)
            t.append({alt | (Qt::Key_0 + n), [n](ToolBarPort &b) { b.clickPaintTool(n + 1); }});
        t.append({alt | Qt::Key_0, [](ToolBarPort &b) { b.clickPaintTool(11); }});
        t.append({ctrl | Qt::Key_B, [](ToolBarPort &b) { b.clickFontBold(); }});
        t.append({ctrl | Qt::Key_I, [](ToolBarPort &b) { b.clickFontItalic(); }});
        t.append({ctrl | Qt::Key_U, [](ToolBarPort &b) { b.clickFontUnderline(); }});
        t.append({ctrl | Qt::Key_F1, [](ToolBarPort &b) { b.clickRecordStart(); }});
        t.append({ctrl | Qt::Key_F2, [](ToolBarPort &b) { b.clickRecordStop(); }});
        return t;
    }();
    return table;
}

} // namespace

bool runShortcutKey(ToolBarPort &toolBar, int key, Qt::KeyboardModifiers modifiers,
                    const std::function<void()> &screenshot)
{
    const QKeySequence pressed(static_cast<int>(modifiers) | key);
    for (const Shortcut &shortcut : shortcutTable()) {
        if (pressed == QKeySequence(shortcut.combination)) {
            shortcut.command(toolBar);
            return true;
        }
    }
    if (pressed == QKeySequence(Qt::ALT | Qt::Key_A)) {
        if (screenshot)
            screenshot();
        return true;
    }
    return false;
}
