// The video window's test classes, one after another in one program.
#include "ImageEffectsTest.h"
#include "ModelVideoTest.h"
#include "SwingEventsTest.h"
#include "VideoWindowTest.h"
#include "support/TestRunner.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<ImageEffectsTest>());
    tests.push_back(std::make_unique<VideoWindowTest>());
    tests.push_back(std::make_unique<ModelVideoTest>());
    tests.push_back(std::make_unique<SwingEventsTest>());
    return kestrel::test::runTestClasses(tests);
}
