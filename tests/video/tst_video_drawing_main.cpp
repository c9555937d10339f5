// The video window's drawing test classes, in one program.
#include "AnchoredDrawingTest.h"
#include "DrawingsFileFlowTest.h"
#include "ShapeEditingTest.h"
#include "TrackToolTest.h"
#include "support/TestRunner.h"
#include "tst_video_drawing.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<tst_VideoDrawing>());
    tests.push_back(std::make_unique<AnchoredDrawingTest>());
    tests.push_back(std::make_unique<ShapeEditingTest>());
    tests.push_back(std::make_unique<DrawingsFileFlowTest>());
    tests.push_back(std::make_unique<TrackToolTest>());
    return kestrel::test::runTestClasses(tests);
}
