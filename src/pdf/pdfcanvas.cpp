#include "pdf/pdfcanvas.h"

#include "app/unavailable.h"
#include "mainwindow/mainwindow.h"

PdfCanvas::PdfCanvas(const QString &path, const QString &, PaintProperty *, MainWindow *parent)
    : QWidget(parent)
    , m_path(path)
{}

bool PdfCanvas::openDocument()
{
    showUnavailable(parentWidget(), QStringLiteral("打开PDF文档"));
    return false;
}

void PdfCanvas::runCommand(BoardCommand command, int argument)
{
    // This build's board only keeps the modifier state and passes direction keys on.
    switch (command) {
        case BoardCommand::SetCtrlPressed:
            setCtrlPressed(argument != 0);
            break;
        case BoardCommand::SetShiftPressed:
            setShiftPressed(argument != 0);
            break;
        case BoardCommand::HandleDirectionKey:
            handleDirectionKey(argument);
            break;
        case BoardCommand::ApplyPaintTool:
            applyPaintTool();
            break;
        default:
            break;
    }
}
