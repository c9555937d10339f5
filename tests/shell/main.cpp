#include "tst_about.h"
#include "tst_dialogs.h"
#include "tst_drawingcommands.h"
#include "tst_explorer.h"
#include "tst_frame.h"
#include "tst_toolbars.h"

#include <QApplication>
#include <QtTest>

// One program for the shell library, one test class per area.
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    int failures = 0;
    {
        tst_Frame test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        tst_Toolbars test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        tst_DrawingCommands test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        tst_Dialogs test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        tst_Explorer test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        tst_About test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
