#pragma once

#include <QList>
#include <QPixmap>
#include <QString>
#include <QToolBar>
#include <functional>

#include "base/appsettings.h"

struct BarButtonLook;
class PaintProperty;
class PAction;
class QAbstractButton;
class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSpinBox;
class QToolButton;
class ShapeAction;
class Slider;
class StampDialog;
class TextBoxToolBar;

// The program's command surface. Every click either writes the shared PaintProperty and then
// emits a signal without arguments, or only emits a command signal; the main window acts on the
// current document. Keys reach the buttons only through the click* operations.
class MainToolBar : public QToolBar
{
    Q_OBJECT
public:
    // Asks the user for a colour: (title, initial colour, extra-button text) gives "#RRGGBB",
    // "NONE" for the extra button, or an empty string when the question was closed.
    using ColorPicker = std::function<QString(const QString &title, const QString &initial,
                                              const QString &extraButtonText)>;

    MainToolBar(PaintProperty *paintProperty, QWidget *parent = nullptr);

    // The text-box bar asks through the same picker. Without one every colour question is
    // answered "closed".
    void setColorPicker(ColorPicker picker);
    // The stamp picker's questions and messages go through the window's own boxes.
    void setStampBoxes(std::function<bool(const QString &)> question,
                       std::function<void(const QString &)> message);

    void buildLayouts();
    void connectSignals();
    void setNoFocusPolicy();
    void completeSetup();

    // Programmatic clicks: a disabled button ignores them.
    void clickOpenFile();
    void clickOpenClipboardFile();
    void clickNewBoard();
    void triggerExportImage();
    void clickUndo();
    void clickRedo();
    void clickCut();
    void clickCopy();
    void clickPaste();
    void clickSelectAll();
    void clickCancel();
    void clickDelete();
    void clickPresetBrush(int k);
    void clickZoom(int k);
    void clickCanvasClean();
    void clickPaintTool(int k);
    void clickFontBold();
    void clickFontItalic();
    void clickFontUnderline();
    void clickRecordStart();
    void clickRecordStop();

    QRect floatCameraButtonRect() const;

    // Enabling setters: the button and its icon, greyed while disabled.
    void setOpenClipboardFileEnabled(bool enabled);
    void setExportEnabled(bool enabled);
    void setUndoEnabled(bool enabled);
    void setRedoEnabled(bool enabled);
    void setCutEnabled(bool enabled);
    void setCopyEnabled(bool enabled);
    void setPasteEnabled(bool enabled);
    void setSelectAllEnabled(bool enabled);
    void setCancelEnabled(bool enabled);
    void setDeleteEnabled(bool enabled);
    void setZoomEnabled(bool enabled);
    void setRotateEnabled(bool enabled);
    void setCanvasCleanEnabled(bool enabled);
    void setImpureImageEnabled(bool enabled);
    void setBoardGridEnabled(bool enabled);
    void setFloatCameraEnabled(bool enabled);
    void setCountdownTimerEnabled(bool enabled);
    void setPdfResetEnabled(bool enabled);
    void setRecordStartEnabled(bool enabled);
    void setRecordStopEnabled(bool enabled);

    // Recording: a RecordStep (idle, recording, paused, recording again).
    void setRecordState(int k);
    void resetRecordState();
    int currentRecordState() const { return recordState; }
    void setRecordTime(int seconds);
    static QString recordTimeText(int seconds);

    void setForeColor(const QString &colour);
    void setBackColor(const QString &colour);
    void setPresetBrush(int k, int width, const QString &fore, const QString &back);
    PresetBrush presetBrush(int k) const;
    static QPixmap presetBrushPixmap(int side, int width, const QString &fore, const QString &back);

    // Tool options.
    void hideToolOptions();
    void selectMouseTool();
    void selectSelectionTool();
    void selectPencilTool();
    void selectPenTool();
    void selectHighlighterTool();
    void selectEraserTool();
    void selectLineTool();
    void selectGeometryTool();
    void selectConnectedLineTool();
    void selectFreeCurveTool();
    void selectTextBoxTool();
    void selectStampTool();
    void setLineBoldSize(int v);
    void setLineStyle(int v);
    void setArrowStyle(int v);

    static void enableButtonWithIcon(QAbstractButton *button, const QPixmap &pixmap, bool enabled);
    QPixmap lineWidthPixmap(int width) const;
    QPixmap lineStylePixmap(int style) const;
    static QPixmap highlighterPixmap(int side, int size);
    static QPixmap eraserSizePixmap(int side, int size);

    int buttonSize() const { return buttonSide; }

signals:
    void openFileClicked();
    void openClipboardFileClicked();
    void newBoardClicked(QString colour);
    void exportImageTriggered();
    void exportPDFTriggered();
    void undoClicked();
    void redoClicked();
    void cutClicked();
    void copyClicked();
    void pasteClicked();
    void selectAllClicked();
    void cancelClicked();
    void deleteClicked();
    void paintToolClicked();
    void foreColorClicked();
    void backColorClicked();
    void customBrushClicked();
    void appSettingsClicked();
    void pdfResetClicked();
    void floatCameraClicked();
    void countdownTimerClicked();
    void recordStartClicked(int state);
    void recordStopClicked();
    void canvasCleanClicked();
    void impureImageClicked();
    void zoomClicked(int type);
    void rotateTypeChanged(int type);
    void boardGridTypeChanged(int type);
    void shapeTypeChanged();
    void lineBoldSizeChanged();
    void lineStyleChanged();
    void arrowStyleChanged();
    void highlightSizeChanged();
    void eraserSizeChanged();
    void eraserShapeChanged();
    void isFillBackColorClicked();
    void hasPenLaserClicked();
    void hasLineDegreeClicked();
    void hasIncludedAngleClicked();
    void polygonSideCountChanged();
    void startAngleChanged();
    void angleSizeChanged();
    void fontFamilyActivated();
    void fontSizeActivated();
    void fontBoldClicked();
    void fontItalicClicked();
    void fontUnderlineClicked();
    void fontDeletelineClicked();
    void fontColorClicked();
    void textBackColorClicked();
    void textFrameColorClicked();
    void textAlignChanged();
    void textLineHeightActivated();
    void textOrderActivated();
    void stampChecked(QString name);
    void stampTeacherPointerSeted(QString name);

private:
    void createCommandWidgets();
    void createToolOptionWidgets();
    void buildCommandLayout();
    void buildToolOptionLayout();
    void buildTextBoxLayout();
    void connectCommandButtons();
    void connectToolOptions();
    void connectTextBoxOptions();
    void connectStampDialog();
    void setupCommandButtons();
    void setupToolOptionMenus();
    void setupTextBoxBar();
    void clearCommandFocus();
    void clearOptionFocus();
    void clearTextBarFocus();

    QWidget *addGroup(QLayout *layout, bool separator);
    void styleToolButton(QToolButton *button, const QString &icon, const QString &toolTip);
    void stylePopupButton(QToolButton *button, const QString &icon, const QString &toolTip);
    void styleCheckableButton(QPushButton *button, const QString &icon, const QString &toolTip);
    // The bar's button look at side.
    BarButtonLook buttonLook(int side) const;
    void styleSpinBox(QSpinBox *spinBox, int min, int max, int value, const QString &toolTip,
                      int width);
    void buildButtonGroupRow(QWidget *container, const QList<QPushButton *> &buttons,
                             const QList<QPixmap> &pixmaps, const QStringList &toolTips);
    void styleMenu(QMenu *menu);
    void stylePlainMenu(QMenu *menu);
    void stylePaddedMenu(QMenu *menu);
    void setColorButtonIcon(QToolButton *button, const QString &colour);
    QString askColor(const QString &title, const QString &initial, const QString &extra) const;
    // Asks for a fore or back colour; a valid answer is set and told with the chosen signal.
    void askPaintColor(const QString &title, const QString &initial,
                       void (MainToolBar::*set)(const QString &), void (MainToolBar::*chosen)());

    void onNewBoardClicked();
    void onForeColorClicked();
    void onBackColorClicked();
    void onPresetBrushClicked(int k);
    void onRecordStartClicked();
    void onRecordStopClicked();
    void selectTool(int k);
    void onShapeClicked(int id);
    void onEraserSliderChanged(int v);
    void onEraserSpinBoxChanged(int v);

    PresetBrush presets[4] = {{"#000000", "#ffffff", 2},
                              {"#ff0000", "#ffffff", 3},
                              {"#3f48cc", "#ffffff", 2},
                              {"#22b14c", "#ffffff", 3}};
    int spacing = 0;
    int radius = 2;
    int groupMargin = 0;
    int groupSpacing = 0;
    int buttonSide = 0;
    QString menuBackground = "#f8f8f8";
    QString border;
    QString hover;
    QString checked;
    PaintProperty *property = nullptr;
    int recordState = 0;
    ColorPicker colorPicker;

    // Command buttons.
    QToolButton *openFileButton = nullptr;
    QToolButton *exportButton = nullptr;
    QToolButton *openClipboardButton = nullptr;
    QToolButton *newBoardButton = nullptr;
    QToolButton *undoButton = nullptr;
    QToolButton *redoButton = nullptr;
    QToolButton *cutButton = nullptr;
    QToolButton *copyButton = nullptr;
    QToolButton *pasteButton = nullptr;
    QToolButton *selectAllButton = nullptr;
    QToolButton *cancelButton = nullptr;
    QToolButton *deleteButton = nullptr;
    QToolButton *foreColorButton = nullptr;
    QToolButton *backColorButton = nullptr;
    QToolButton *presetButtons[4] = {};
    QToolButton *appSettingsButton = nullptr;
    QToolButton *floatCameraButton = nullptr;
    QToolButton *countdownTimerButton = nullptr;
    QToolButton *pdfResetButton = nullptr;
    QToolButton *recordStartButton = nullptr;
    QToolButton *recordStopButton = nullptr;
    QToolButton *zoomInButton = nullptr;
    QToolButton *zoomOutButton = nullptr;
    QToolButton *rotateButton = nullptr;
    QToolButton *gridButton = nullptr;
    QToolButton *clearColorButton = nullptr;
    QToolButton *clearScreenButton = nullptr;
    QMenu *exportMenu = nullptr;
    QAction *exportImageAction = nullptr;
    QAction *exportPdfAction = nullptr;
    QPushButton *toolButtons[12] = {};
    QButtonGroup *toolGroup = nullptr;
    QLabel *recordTimeLabel = nullptr;
    QMenu *rotateMenu = nullptr;
    QAction *rotateActions[4] = {};
    QMenu *gridMenu = nullptr;
    QAction *gridActions[6] = {};

    // Option strip.
    QToolButton *shapeButton = nullptr;
    QMenu *shapeMenu = nullptr;
    ShapeAction *shapeAction = nullptr;
    QToolButton *lineWidthButton = nullptr;
    QMenu *lineWidthMenu = nullptr;
    QList<PAction *> lineWidthEntries;
    QButtonGroup *lineWidthGroup = nullptr;
    QToolButton *lineStyleButton = nullptr;
    QMenu *lineStyleMenu = nullptr;
    QList<PAction *> lineStyleEntries;
    QButtonGroup *lineStyleGroup = nullptr;
    QToolButton *arrowButton = nullptr;
    QMenu *arrowMenu = nullptr;
    QList<PAction *> arrowEntries;
    QButtonGroup *arrowGroup = nullptr;
    QWidget *highlighterRow = nullptr;
    QList<QPushButton *> highlighterButtons;
    QButtonGroup *highlighterGroup = nullptr;
    Slider *eraserSlider = nullptr;
    QSpinBox *eraserSpinBox = nullptr;
    QComboBox *eraserShapeCombo = nullptr;
    QPushButton *laserButton = nullptr;
    QPushButton *degreeButton = nullptr;
    QPushButton *fillButton = nullptr;
    QPushButton *angleValueButton = nullptr;
    QSpinBox *sidesSpinBox = nullptr;
    QWidget *angleGroup = nullptr;
    QSpinBox *startAngleSpinBox = nullptr;
    QLabel *angleDashLabel = nullptr;
    QSpinBox *angleSizeSpinBox = nullptr;
    QWidget *toolOptionStrip = nullptr;
    QAction *toolOptionAction = nullptr;

    // The text-box bar and the stamp picker, each shown with its own tool.
    TextBoxToolBar *textBoxBar = nullptr;
    QAction *textBoxAction = nullptr;
    StampDialog *stampDialog = nullptr;
    QAction *stampAction = nullptr;
};
