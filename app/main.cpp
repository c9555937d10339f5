#include "app/CommandLine.h"
#include "app/Prompter.h"
#include "app/Settings.h"
#include "shell/ShellConfig.h"
#include "shell/VideoPreview.h"
#include "shell/frmMDI.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

#include <cstdio>

namespace {
// Prints what --help or --version asked for; true when that is all to do.
bool answered(const kestrel::CommandLine& commandLine, int& exitCode)
{
    using Action = kestrel::CommandLine::Action;
    if (commandLine.action() != Action::ShowHelp && commandLine.action() != Action::ShowVersion)
        return false;
    std::fputs(qPrintable(commandLine.output() + QLatin1Char('\n')), stdout);
    exitCode = 0;
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Kestrel"));
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrel"));
    QCoreApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(KESTREL_VERSION_MAJOR).arg(KESTREL_VERSION_MINOR).arg(KESTREL_VERSION_PATCH));

    // --help and --version answer before any window (or display) is needed.
    // Options only Qt knows (-platform ...) are left for a second look once
    // the application has taken them out.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    kestrel::CommandLine commandLine = kestrel::CommandLine::parse(arguments, QDir::currentPath());
    if (int exitCode = 0; answered(commandLine, exitCode))
        return exitCode;

    QApplication application(argc, argv);
    commandLine = kestrel::CommandLine::parse(QCoreApplication::arguments(), QDir::currentPath());
    if (int exitCode = 0; answered(commandLine, exitCode))
        return exitCode;
    if (commandLine.action() == kestrel::CommandLine::Action::Error) {
        std::fputs(qPrintable(commandLine.output() + QStringLiteral("\nTry 'kestrel --help'.\n")), stderr);
        return 2;
    }
    QGuiApplication::setDesktopFileName(QStringLiteral("kestrel"));

    kestrel::Settings settings;
    kestrel::QtPrompter prompter;
    // The open-video dialog plays the selected file beside the list.
    prompter.setVideoPreviewFactory([](QFileDialog& dialog) { kestrel::VideoPreview::install(dialog); });
    const kestrel::AppContext app{&settings, &prompter, QCoreApplication::applicationDirPath()};

    // The frame builds its menus, toolbars and panes and opens one empty
    // video window while it loads.
    kestrel::frmMDI frame(app);
    frame.show();
    frame.OpenFiles(commandLine.files());
    return application.exec();
}
