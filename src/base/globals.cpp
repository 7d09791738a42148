#include "base/globals.h"

QString appDataDir;
MainWindow *mainWindow = nullptr;
const QString appTitle = QStringLiteral("墨岚白板(Quillboard)");
bool penInProximity = false;
