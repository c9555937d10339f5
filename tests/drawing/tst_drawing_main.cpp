// Runs the drawing library's test classes one after another in one program.
// A first argument naming a class runs that class alone; the remaining
// arguments go to QtTest as usual (e.g. `tst_drawing DrawingsFileTest roundTrip`).
#include "DrawingsFileTest.h"
#include "MeasuresTest.h"
#include "ViewTransformTest.h"
#include "tst_drawing.h"

#include <QGuiApplication>
#include <QtTest>

#include <memory>
#include <vector>

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<tst_Drawing>());
    tests.push_back(std::make_unique<MeasuresTest>());
    tests.push_back(std::make_unique<ViewTransformTest>());
    tests.push_back(std::make_unique<DrawingsFileTest>());

    QStringList args = QCoreApplication::arguments();
    QString only;
    if (args.size() > 1) {
        for (const auto& test : tests)
            if (args[1] == QLatin1String(test->metaObject()->className()))
                only = args.takeAt(1);
    }
    int failures = 0;
    for (const auto& test : tests)
        if (only.isEmpty() || only == QLatin1String(test->metaObject()->className()))
            failures += QTest::qExec(test.get(), args);
    return failures == 0 ? 0 : 1;
}
