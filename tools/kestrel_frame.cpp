// kestrel-frame: what the video engine sees in a file.
//   kestrel-frame FILE --info               frame count, duration, size and rate
//   kestrel-frame FILE --frame N -o out.png frame N as the player shows it
//   kestrel-frame FILE --events             impact, address, top, finish and tempo of the swing
//   kestrel-frame FILE --track X,Y[,FRAME]  the point at X,Y of FRAME (0) followed through the clip:
//                                           "frame x y" per frame, "frame - -" where it is not found
#include "analysis/ClipPointTracker.h"
#include "analysis/SwingAnalyzer.h"
#include "analysis/SwingEventText.h"
#include "engine/VideoEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrel-frame"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints a video's frame facts or writes one frame as a picture."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The video file."));
    const QCommandLineOption info(
        QStringLiteral("info"), QStringLiteral("Print frame count, duration, size and rate."));
    const QCommandLineOption frame(
        QStringLiteral("frame"), QStringLiteral("Index of the frame to write."), QStringLiteral("N"));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Picture file to write (format from its extension)."), QStringLiteral("out.png"));
    parser.addOptions({info, frame, output});
    const QCommandLineOption events(QStringLiteral("events"),
        QStringLiteral("Find the swing's impact (from its sound or motion), address, top, finish and tempo."));
    parser.addOption(events);
    const QCommandLineOption track(QStringLiteral("track"),
        QStringLiteral("Follow the point at X,Y (video pixels) of FRAME (default 0) through the clip and print where it"
                       " is on each frame."),
        QStringLiteral("X,Y[,FRAME]"));
    parser.addOption(track);
    parser.process(application);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    if (files.size() == 1 && parser.isSet(events)) {
        const kestrel::SwingAnalysis analysis = kestrel::SwingAnalyzer().analyze(files.first());
        if (!analysis.succeeded()) {
            err << analysis.error << '\n';
            return 1;
        }
        out << kestrel::swingEventLines(analysis).join(QLatin1Char('\n')) << '\n';
        out.flush();
        if (!parser.isSet(info) && !parser.isSet(frame))
            return 0;
    }
    if (files.size() == 1 && parser.isSet(track)) {
        const QStringList parts = parser.value(track).split(QLatin1Char(','));
        bool numbers = parts.size() == 2 || parts.size() == 3;
        double coordinates[2] = {0, 0};
        for (int i = 0; i < 2 && numbers; ++i)
            coordinates[i] = parts.value(i).toDouble(&numbers);
        qint64 startFrame = 0;
        if (numbers && parts.size() == 3)
            startFrame = parts[2].toLongLong(&numbers);
        if (!numbers) {
            err << "--track takes X,Y or X,Y,FRAME (numbers), not " << parser.value(track) << '\n';
            return 2;
        }
        const kestrel::PointTrack result
            = kestrel::ClipPointTracker().track(files.first(), startFrame, QPointF(coordinates[0], coordinates[1]));
        if (!result.succeeded()) {
            err << result.error << '\n';
            return 1;
        }
        out << kestrel::pointTrackLines(result).join(QLatin1Char('\n')) << '\n';
        out.flush();
        if (!parser.isSet(info) && !parser.isSet(frame))
            return 0;
    }
    if (files.size() != 1 || (!parser.isSet(info) && !parser.isSet(frame))) {
        err << parser.helpText();
        return 2;
    }
    kestrel::VideoEngine engine;
    if (!engine.OpenFile(files.first())) {
        err << engine.lastError() << '\n';
        return 1;
    }
    if (parser.isSet(info)) {
        const kestrel::VideoEngine::StreamFacts facts = engine.streamFacts();
        out << "frames: " << engine.FrameCount() << '\n'
            << "duration_ms: " << engine.Duration() << '\n'
            << "width: " << engine.FrameWidth() << '\n'
            << "height: " << engine.FrameHeight() << '\n'
            << "fps: " << QString::number(engine.frameRate(), 'f', 3) << '\n'
            << "variable_fps: " << (facts.variableFrameRate ? "yes" : "no") << '\n'
            << "codec: " << facts.codec << '\n'
            << "pixel_format: " << facts.pixelFormat << '\n'
            << "rotation: " << facts.rotationDegrees << '\n';
    }
    if (parser.isSet(frame)) {
        bool number = false;
        const qint64 index = parser.value(frame).toLongLong(&number);
        if (!number || index < 0 || index >= engine.FrameCount()) {
            err << "Frame " << parser.value(frame) << " is not in 0.." << engine.FrameCount() - 1 << '\n';
            return 1;
        }
        if (!parser.isSet(output)) {
            err << "Give the picture file with -o.\n";
            return 2;
        }
        engine.SeekFrame(index);
        engine.waitUntilShown();
        if (engine.CurrentFrame() != index) {
            err << "Frame " << index << " cannot be decoded (the file is damaged there); the nearest frame that can is "
                << engine.CurrentFrame() << '\n';
            return 1;
        }
        if (!engine.GrabFrame().save(parser.value(output))) {
            err << "Cannot write " << parser.value(output) << ": the folder cannot be written or the picture format"
                << " is unknown\n";
            return 1;
        }
        out << "frame " << index << " at " << engine.Position() << " ms written to " << parser.value(output) << '\n';
    }
    return 0;
}
