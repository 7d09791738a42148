#pragma once

class MainToolBar;
class MainWindow;

// Connects the tool bar's document commands to the window: each plain command becomes one
// board command for the current document; opening, custom brush, clear screen and photo
// clean-up go to the window's handlers.
void connectBoardCommands(MainToolBar *bar, MainWindow *window);
