#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace kestrel {

namespace {
QString absolutePath(const QString& argument, const QString& workingFolder)
{
    // Desktops hand over file: URLs when a launcher asks for them.
    const QString path = argument.startsWith(QLatin1String("file:")) ? QUrl(argument).toLocalFile() : argument;
    return QDir::cleanPath(QDir(workingFolder).absoluteFilePath(path));
}
} // namespace

CommandLine CommandLine::parse(const QStringList& arguments, const QString& workingFolder)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Kestrel analyses golf swings on video. Each FILE opens in its own video window."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"), QStringLiteral("A video to open."), QStringLiteral("[FILE...]"));

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.m_action = Action::Error;
        result.m_output = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.m_action = Action::ShowHelp;
        // The parser names the program by the running application, which
        // does not exist yet when --help is answered.
        QString text = parser.helpText();
        const qsizetype firstLineEnd = text.indexOf(QLatin1Char('\n'));
        text.replace(0, firstLineEnd,
            QStringLiteral("Usage: %1 [options] [FILE...]").arg(QFileInfo(arguments.value(0)).fileName()));
        result.m_output = text;
        return result;
    }
    if (parser.isSet(version)) {
        result.m_action = Action::ShowVersion;
        result.m_output
            = QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion();
        return result;
    }
    for (const QString& argument : parser.positionalArguments())
        result.m_files << absolutePath(argument, workingFolder);
    return result;
}

} // namespace kestrel
