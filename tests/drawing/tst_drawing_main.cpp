// The drawing library's test classes, in one program.
#include "DrawingsFileTest.h"
#include "MeasuresTest.h"
#include "ViewTransformTest.h"
#include "support/TestRunner.h"
#include "tst_drawing.h"

#include <QGuiApplication>

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<tst_Drawing>());
    tests.push_back(std::make_unique<MeasuresTest>());
    tests.push_back(std::make_unique<ViewTransformTest>());
    tests.push_back(std::make_unique<DrawingsFileTest>());
    return kestrel::test::runTestClasses(tests);
}
