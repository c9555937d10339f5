#include "tst_about.h"
#include "tst_desktop.h"
#include "tst_dialogs.h"
#include "tst_explorer.h"
#include "tst_files.h"
#include "tst_frame.h"
#include "tst_keyboard.h"
#include "tst_toolbars.h"

#include <QApplication>
#include <QtTest>

#include <memory>

namespace {
// KESTREL_TEST_CLASSES="tst_Files tst_Desktop" runs only those classes.
bool chosen(const QObject& test)
{
    const QByteArray only = qgetenv("KESTREL_TEST_CLASSES");
    return only.isEmpty() || only.split(' ').contains(test.metaObject()->className());
}
} // namespace

// One program for the shell library, one test class per area.
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    std::unique_ptr<QObject> tests[] = {std::make_unique<tst_Frame>(), std::make_unique<tst_Toolbars>(),
        std::make_unique<tst_Dialogs>(), std::make_unique<tst_Explorer>(), std::make_unique<tst_About>(),
        std::make_unique<tst_Keyboard>(), std::make_unique<tst_Files>(), std::make_unique<tst_Desktop>()};
    int failures = 0;
    for (const auto& test : tests) {
        if (chosen(*test))
            failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
