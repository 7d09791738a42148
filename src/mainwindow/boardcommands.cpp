#include "mainwindow/boardcommands.h"

#include "mainwindow/mainwindow.h"

#include "toolbar/maintoolbar.h"

namespace {

struct PlainCommand
{
    void (MainToolBar::*signal)();
    BoardCommand command;
};

const PlainCommand plainCommands[] = {
    {&MainToolBar::exportImageTriggered, BoardCommand::ExportImage},
    {&MainToolBar::undoClicked, BoardCommand::Undo},
    {&MainToolBar::redoClicked, BoardCommand::Redo},
    {&MainToolBar::cutClicked, BoardCommand::Cut},
    {&MainToolBar::copyClicked, BoardCommand::Copy},
    {&MainToolBar::pasteClicked, BoardCommand::Paste},
    {&MainToolBar::selectAllClicked, BoardCommand::SelectAll},
    {&MainToolBar::cancelClicked, BoardCommand::Cancel},
    {&MainToolBar::deleteClicked, BoardCommand::DeleteSelection},
    {&MainToolBar::foreColorClicked, BoardCommand::ApplyForeColor},
    {&MainToolBar::backColorClicked, BoardCommand::ApplyBackColor},
    {&MainToolBar::shapeTypeChanged, BoardCommand::ApplyShapeType},
    {&MainToolBar::lineBoldSizeChanged, BoardCommand::ApplyLineBoldSize},
    {&MainToolBar::lineStyleChanged, BoardCommand::ApplyLineStyle},
    {&MainToolBar::arrowStyleChanged, BoardCommand::ApplyArrowStyle},
    {&MainToolBar::highlightSizeChanged, BoardCommand::ApplyHighlightSize},
    {&MainToolBar::eraserSizeChanged, BoardCommand::ApplyEraserSize},
    {&MainToolBar::eraserShapeChanged, BoardCommand::ApplyEraserShape},
    {&MainToolBar::hasPenLaserClicked, BoardCommand::ApplyPenLaser},
    {&MainToolBar::hasLineDegreeClicked, BoardCommand::ApplyLineDegree},
    {&MainToolBar::isFillBackColorClicked, BoardCommand::ApplyFillBackColor},
    {&MainToolBar::hasIncludedAngleClicked, BoardCommand::ApplyIncludedAngle},
    {&MainToolBar::polygonSideCountChanged, BoardCommand::ApplyPolygonSideCount},
    {&MainToolBar::startAngleChanged, BoardCommand::ApplyStartAngle},
    {&MainToolBar::angleSizeChanged, BoardCommand::ApplyAngleSize},
    {&MainToolBar::fontFamilyActivated, BoardCommand::SetTextFontFamily},
    {&MainToolBar::fontSizeActivated, BoardCommand::SetTextFontSize},
    {&MainToolBar::fontBoldClicked, BoardCommand::SetTextBold},
    {&MainToolBar::fontItalicClicked, BoardCommand::SetTextItalic},
    {&MainToolBar::fontUnderlineClicked, BoardCommand::SetTextUnderline},
    {&MainToolBar::fontDeletelineClicked, BoardCommand::SetTextStrikeOut},
    {&MainToolBar::fontColorClicked, BoardCommand::SetTextColor},
    {&MainToolBar::textBackColorClicked, BoardCommand::SetTextBackColor},
    {&MainToolBar::textFrameColorClicked, BoardCommand::SetTextFrameColor},
    {&MainToolBar::textAlignChanged, BoardCommand::SetTextAlign},
    {&MainToolBar::textLineHeightActivated, BoardCommand::SetTextLineHeight},
    {&MainToolBar::textOrderActivated, BoardCommand::SetTextOrder},
};

} // namespace

void connectBoardCommands(MainToolBar *bar, MainWindow *w)
{
    for (const PlainCommand &entry : plainCommands) {
        const BoardCommand command = entry.command;
        QObject::connect(bar, entry.signal, w, [w, command] { w->dispatchCommand(command); });
    }
    QObject::connect(bar, &MainToolBar::zoomClicked, w,
                     [w](int type) { w->dispatchCommand(BoardCommand::ZoomStep, type); });
    QObject::connect(bar, &MainToolBar::rotateTypeChanged, w,
                     [w](int type) { w->dispatchCommand(BoardCommand::SetRotateType, type); });
    QObject::connect(bar, &MainToolBar::customBrushClicked, w, [w] { w->onCustomBrushClicked(); });
    QObject::connect(bar, &MainToolBar::canvasCleanClicked, w, [w] { w->onCanvasCleanClicked(); });
    QObject::connect(bar, &MainToolBar::impureImageClicked, w, [w] { w->onImpureImageClicked(); });
    QObject::connect(bar, &MainToolBar::openFileClicked, w, [w] { w->showOpenFileDialog(); });
    QObject::connect(bar, &MainToolBar::openClipboardFileClicked, w,
                     [w] { w->openFromClipboard(); });
    QObject::connect(bar, &MainToolBar::newBoardClicked, w,
                     [w](const QString &colour) { w->newWhiteboardTab(colour); });
}
