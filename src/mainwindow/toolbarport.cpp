#include "documents/toolbarport.h"

#include <memory>

#include "mainwindow/boardcommands.h"
#include "mainwindow/mainwindow.h"
#include "toolbar/colordialog.h"

#include "toolbar/maintoolbar.h"

namespace {

// The window's MainToolBar behind the port.
class MainToolBarPort : public ToolBarPort
{
public:
    MainToolBarPort(PaintProperty *properties, QWidget *parent)
        : bar(new MainToolBar(properties, parent))
    {}

    QWidget *widget() override { return bar; }
    void buildLayouts() override { bar->buildLayouts(); }
    void completeSetup() override { bar->completeSetup(); }
    void setNoFocusPolicy() override { bar->setNoFocusPolicy(); }

    void connectSignals(MainWindow *w) override
    {
        bar->connectSignals();
        connectBoardCommands(bar, w);
        bar->setColorPicker(
            [w](const QString &title, const QString &initial, const QString &extra) {
                return ColorDialog::pickColor(w, &w->settings.recentcolors, title, initial, extra);
            });
        bar->setStampBoxes([w](const QString &text) { return w->askQuestion(text); },
                           [w](const QString &text) { w->showMessage(text); });
        QObject::connect(bar, &MainToolBar::paintToolClicked, w, [w] { w->selectPaintTool(); });
        QObject::connect(bar, &MainToolBar::exportPDFTriggered, w,
                         [w] { w->showPdfWriterDialog(); });
        QObject::connect(bar, &MainToolBar::appSettingsClicked, w,
                         [w] { w->onAppSettingsClicked(); });
        QObject::connect(bar, &MainToolBar::pdfResetClicked, w, [w] { w->onPdfResetClicked(); });
        QObject::connect(bar, &MainToolBar::floatCameraClicked, w,
                         [w] { w->onFloatCameraClicked(); });
        QObject::connect(bar, &MainToolBar::countdownTimerClicked, w,
                         [w] { w->onCountdownTimerClicked(); });
        QObject::connect(bar, &MainToolBar::recordStartClicked, w,
                         [w](int command) { w->onRecordStartClicked(command); });
        QObject::connect(bar, &MainToolBar::recordStopClicked, w,
                         [w] { w->onRecordStopClicked(); });
        QObject::connect(bar, &MainToolBar::boardGridTypeChanged, w,
                         [w](int type) { w->onBoardGridTypeChanged(type); });
        QObject::connect(bar, &MainToolBar::stampChecked, w,
                         [w](const QString &name) { w->onStampChecked(name); });
        QObject::connect(bar, &MainToolBar::stampTeacherPointerSeted, w,
                         [w](const QString &value) { w->onStampTeacherPointerSeted(value); });
    }

    void clickOpenFile() override { bar->clickOpenFile(); }
    void clickOpenClipboardFile() override { bar->clickOpenClipboardFile(); }
    void clickNewBoard() override { bar->clickNewBoard(); }
    void triggerExportImage() override { bar->triggerExportImage(); }
    void clickUndo() override { bar->clickUndo(); }
    void clickRedo() override { bar->clickRedo(); }
    void clickCut() override { bar->clickCut(); }
    void clickCopy() override { bar->clickCopy(); }
    void clickPaste() override { bar->clickPaste(); }
    void clickSelectAll() override { bar->clickSelectAll(); }
    void clickCancel() override { bar->clickCancel(); }
    void clickDelete() override { bar->clickDelete(); }
    void clickPresetBrush(int n) override { bar->clickPresetBrush(n); }
    void clickZoom(int n) override { bar->clickZoom(n); }
    void clickCanvasClean() override { bar->clickCanvasClean(); }
    void clickPaintTool(int tool) override { bar->clickPaintTool(tool); }
    void clickFontBold() override { bar->clickFontBold(); }
    void clickFontItalic() override { bar->clickFontItalic(); }
    void clickFontUnderline() override { bar->clickFontUnderline(); }
    void clickRecordStart() override { bar->clickRecordStart(); }
    void clickRecordStop() override { bar->clickRecordStop(); }

    void setOpenClipboardFileEnabled(bool on) override { bar->setOpenClipboardFileEnabled(on); }
    void setExportEnabled(bool on) override { bar->setExportEnabled(on); }
    void setUndoEnabled(bool on) override { bar->setUndoEnabled(on); }
    void setRedoEnabled(bool on) override { bar->setRedoEnabled(on); }
    void setCutEnabled(bool on) override { bar->setCutEnabled(on); }
    void setCopyEnabled(bool on) override { bar->setCopyEnabled(on); }
    void setPasteEnabled(bool on) override { bar->setPasteEnabled(on); }
    void setSelectAllEnabled(bool on) override { bar->setSelectAllEnabled(on); }
    void setCancelEnabled(bool on) override { bar->setCancelEnabled(on); }
    void setDeleteEnabled(bool on) override { bar->setDeleteEnabled(on); }
    void setZoomEnabled(bool on) override { bar->setZoomEnabled(on); }
    void setRotateEnabled(bool on) override { bar->setRotateEnabled(on); }
    void setCanvasCleanEnabled(bool on) override { bar->setCanvasCleanEnabled(on); }
    void setImpureImageEnabled(bool on) override { bar->setImpureImageEnabled(on); }
    void setBoardGridEnabled(bool on) override { bar->setBoardGridEnabled(on); }
    void setFloatCameraEnabled(bool on) override { bar->setFloatCameraEnabled(on); }
    void setCountdownTimerEnabled(bool on) override { bar->setCountdownTimerEnabled(on); }
    void setPdfResetEnabled(bool on) override { bar->setPdfResetEnabled(on); }
    void setRecordStartEnabled(bool on) override { bar->setRecordStartEnabled(on); }
    void setRecordStopEnabled(bool on) override { bar->setRecordStopEnabled(on); }

    void setRecordTime(int seconds) override { bar->setRecordTime(seconds); }
    void resetRecordState() override { bar->resetRecordState(); }
    void setPresetBrush(int n, int size, const QString &fore, const QString &back) override
    {
        bar->setPresetBrush(n, size, fore, back);
    }
    bool presetBrush(int n, int &size, QString &fore, QString &back) const override
    {
        if (n < 1 || n > 4)
            return false;
        const PresetBrush brush = bar->presetBrush(n);
        size = brush.size;
        fore = brush.forecolor;
        back = brush.backcolor;
        return true;
    }

private:
    MainToolBar *bar = nullptr;
};

} // namespace

std::unique_ptr<ToolBarPort> createToolBarPort(PaintProperty *properties, QWidget *parent)
{
    return std::make_unique<MainToolBarPort>(properties, parent);
}
