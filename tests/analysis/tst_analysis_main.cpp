#include <QGuiApplication>

int runReaderTests(int argc, char** argv);
int runDetectionTests(int argc, char** argv);
int runMarksTests(int argc, char** argv);
int runSwingClipTests(int argc, char** argv);
int runTrackingTests(int argc, char** argv);

// One program for the analysis library (and the engine readers it brings);
// each group of tests is its own QtTest class so failures are reported by group.
int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    int failures = 0;
    failures += runReaderTests(argc, argv);
    failures += runDetectionTests(argc, argv);
    failures += runMarksTests(argc, argv);
    failures += runSwingClipTests(argc, argv);
    failures += runTrackingTests(argc, argv);
    return failures;
}
