// The capture library's test classes, one after another in one program.
#include "DelayTests.h"
#include "support/TestRunner.h"

#include <QApplication>

QObject* makeCaptureTest();

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.emplace_back(makeCaptureTest());
    tests.push_back(std::make_unique<DelayTests>());
    return kestrel::test::runTestClasses(tests);
}
