// One program for the shell library, one test class per area.
#include "support/TestRunner.h"
#include "tst_about.h"
#include "tst_desktop.h"
#include "tst_dialogs.h"
#include "tst_drawingcommands.h"
#include "tst_explorer.h"
#include "tst_files.h"
#include "tst_frame.h"
#include "tst_keyboard.h"
#include "tst_swing.h"
#include "tst_toolbars.h"
#include "tst_windows.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<tst_Frame>());
    tests.push_back(std::make_unique<tst_Toolbars>());
    tests.push_back(std::make_unique<tst_DrawingCommands>());
    tests.push_back(std::make_unique<tst_Dialogs>());
    tests.push_back(std::make_unique<tst_Explorer>());
    tests.push_back(std::make_unique<tst_Windows>());
    tests.push_back(std::make_unique<tst_About>());
    tests.push_back(std::make_unique<tst_Keyboard>());
    tests.push_back(std::make_unique<tst_Files>());
    tests.push_back(std::make_unique<tst_Desktop>());
    tests.push_back(std::make_unique<tst_Swing>());
    return kestrel::test::runTestClasses(tests);
}
