#include <QApplication>

int runKbModelTests(int argc, char** argv);
int runRtfTests(int argc, char** argv);
int runRtfWordProcessorTests(int argc, char** argv);
int runRealRtfTests(int argc, char** argv);
int runKbWindowTests(int argc, char** argv);
int runKbNoteSafetyTests(int argc, char** argv);

// One program for the knowledge-base library; each group of tests is its own
// QtTest class so that failures are reported by group.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    failures += runKbModelTests(argc, argv);
    failures += runRtfTests(argc, argv);
    failures += runRtfWordProcessorTests(argc, argv);
    failures += runRealRtfTests(argc, argv);
    failures += runKbWindowTests(argc, argv);
    failures += runKbNoteSafetyTests(argc, argv);
    return failures;
}
