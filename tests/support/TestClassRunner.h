#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QStringList>
#include <QtTest>

#include <memory>
#include <vector>

namespace kestrel::test {

// Runs several QtTest classes one after another in one program. A first
// argument naming a class runs that class alone; the remaining arguments go
// to QtTest as usual (e.g. `tst_drawing DrawingsFileTest roundTrip`).
// Returns the program's exit code.
inline int runTestClasses(const std::vector<std::unique_ptr<QObject>>& tests)
{
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

} // namespace kestrel::test
