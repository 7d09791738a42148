#pragma once

class CameraWidget;
class QAction;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTextEdit;
class QVBoxLayout;
class QWidget;
class RemarkShower;
class SlideOutlineCombo;

// The widgets of the window's frame, from top to bottom: title bar with logo, tabs and
// buttons, the tool strip, the central row (document area and personal side panel) and the
// bottom bar with the page row. The window builds them and owns them as its children; this
// only names them.
struct WindowWidgets
{
    QVBoxLayout *mainLayout = nullptr;
    QWidget *titleBar = nullptr;
    QHBoxLayout *titleBarLayout = nullptr;
    QWidget *logoPanel = nullptr;
    QWidget *tabBar = nullptr;
    QHBoxLayout *tabBarLayout = nullptr;
    QWidget *titleButtonPanel = nullptr;
    QHBoxLayout *titleButtonLayout = nullptr;
    QPushButton *foldPanelButton = nullptr;
    QPushButton *upgradeButton = nullptr;
    QPushButton *minimizeButton = nullptr;
    QPushButton *maximizeButton = nullptr;
    QPushButton *closeButton = nullptr;
    QWidget *toolStrip = nullptr;
    QHBoxLayout *toolStripLayout = nullptr;
    QPushButton *scrollLeftButton = nullptr;
    QScrollArea *toolBarScrollArea = nullptr;
    QWidget *mainToolBar = nullptr;
    QPushButton *scrollRightButton = nullptr;
    RemarkShower *remarkShower = nullptr;
    QWidget *centralRow = nullptr;
    QHBoxLayout *centralRowLayout = nullptr;
    QWidget *documentWidget = nullptr;
    QVBoxLayout *documentLayout = nullptr;
    QWidget *sidePanel = nullptr;
    QVBoxLayout *personalLayout = nullptr;
    QWidget *bottomBar = nullptr;
    QHBoxLayout *bottomBarLayout = nullptr;
    QWidget *pageNavigationPanel = nullptr;
    QHBoxLayout *pageNavigationLayout = nullptr;
    QWidget *bottomSidePanel = nullptr;
    QHBoxLayout *editTextLayout = nullptr;
    QPushButton *editPersonalTextButton = nullptr;
    QMenuBar *menuBar = nullptr;
    QMenu *appMenu = nullptr;
    QMenu *recentFilesMenu = nullptr;
    QAction *ratio16x9Action = nullptr;
    QAction *ratio4x3Action = nullptr;
    QAction *screenshotAction = nullptr;
    QAction *aboutAction = nullptr;
    QAction *tutorialAction = nullptr;
    QAction *exitAction = nullptr;
    SlideOutlineCombo *slideOutlineCombo = nullptr;
    QComboBox *pageCombo = nullptr;
    QSpinBox *pageSpinBox = nullptr;
    QLabel *pageLabel = nullptr;
    QLabel *auxLabelA = nullptr;
    QPushButton *prevPageButton = nullptr;
    QPushButton *prevStepButton = nullptr;
    QPushButton *nextStepButton = nullptr;
    QPushButton *nextPageButton = nullptr;
    QLabel *auxLabelB = nullptr;
    QLabel *percentLabel = nullptr;
    QPushButton *serverLinkButton = nullptr;
    CameraWidget *cameraWidget = nullptr;
    QHBoxLayout *cameraButtonLayout = nullptr;
    QPushButton *openCameraButton = nullptr;
    QPushButton *closeCameraButton = nullptr;
    QHBoxLayout *logoLayout = nullptr;
    QLabel *personalLogoLabel = nullptr;
    QHBoxLayout *personalTextLayout = nullptr;
    QTextEdit *personalTextEdit = nullptr;
};
