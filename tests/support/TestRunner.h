#pragma once

#include <QObject>

#include <memory>
#include <vector>

namespace kestrel::test {

// Runs several QtTest classes in one program, one after another. A first
// argument naming a class runs that class alone; the remaining arguments go
// to QtTest as usual (e.g. `tst_engine DamageTests seekFrame`). Returns the
// program's exit code.
int runTestClasses(const std::vector<std::unique_ptr<QObject>>& tests);

} // namespace kestrel::test
