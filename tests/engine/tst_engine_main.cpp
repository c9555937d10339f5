// The engine's test classes, one after another in one program.
#include "DamageTests.h"
#include "MemoryTests.h"
#include "PictureTests.h"
#include "SeekRequestTests.h"
#include "support/TestRunner.h"

#include <QGuiApplication>

QObject* makeEngineTest();

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.emplace_back(makeEngineTest());
    tests.push_back(std::make_unique<SeekRequestTests>());
    tests.push_back(std::make_unique<PictureTests>());
    tests.push_back(std::make_unique<MemoryTests>());
    tests.push_back(std::make_unique<DamageTests>());
    return kestrel::test::runTestClasses(tests);
}
