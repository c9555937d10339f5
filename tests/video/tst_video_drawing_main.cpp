// Runs the drawing test classes of the video window one after another in one
// program. A first argument naming a class runs that class alone; the
// remaining arguments go to QtTest as usual
// (e.g. `tst_video_drawing ShapeEditingTest delete_key`).
#include "AnchoredDrawingTest.h"
#include "DrawingsFileFlowTest.h"
#include "ShapeEditingTest.h"
#include "tst_video_drawing.h"

#include <QApplication>
#include <QtTest>

#include <memory>
#include <vector>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<tst_VideoDrawing>());
    tests.push_back(std::make_unique<AnchoredDrawingTest>());
    tests.push_back(std::make_unique<ShapeEditingTest>());
    tests.push_back(std::make_unique<DrawingsFileFlowTest>());

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
