#include "TestRunner.h"

#include <QCoreApplication>
#include <QTest>

namespace kestrel::test {

int runTestClasses(const std::vector<std::unique_ptr<QObject>>& tests)
{
    QStringList args = QCoreApplication::arguments();
    QString only;
    if (args.size() > 1) {
        for (const auto& test : tests) {
            if (args[1] == QLatin1String(test->metaObject()->className())) {
                only = args.takeAt(1);
                break;
            }
        }
    }
    int failures = 0;
    for (const auto& test : tests)
        if (only.isEmpty() || only == QLatin1String(test->metaObject()->className()))
            failures += QTest::qExec(test.get(), args);
    return failures == 0 ? 0 : 1;
}

} // namespace kestrel::test
