#pragma once

#include <QString>
#include <QStringList>

namespace kestrel {

// What `kestrel [options] [FILE...]` asks for. Parsed before any window
// exists, so --help and --version work without a display.
class CommandLine {
public:
    enum class Action { Run, ShowHelp, ShowVersion, Error };

    // arguments as the program got them, the program's name first. Relative
    // file names are taken from workingFolder; file: URLs become paths.
    static CommandLine parse(const QStringList& arguments, const QString& workingFolder);

    Action action() const { return m_action; }
    // Absolute paths of the files to open, in the order given.
    QStringList files() const { return m_files; }
    // The help text (ShowHelp), "Kestrel 2.2.4" (ShowVersion) or what was
    // wrong (Error).
    QString output() const { return m_output; }

private:
    Action m_action = Action::Run;
    QStringList m_files;
    QString m_output;
};

} // namespace kestrel
