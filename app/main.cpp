#include "app/Prompter.h"
#include "app/Settings.h"
#include "shell/frmMDI.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    QApplication::setOrganizationName(QStringLiteral("Kestrel"));

    kestrel::Settings settings;
    kestrel::QtPrompter prompter;
    const kestrel::AppContext app{&settings, &prompter, QCoreApplication::applicationDirPath()};

    kestrel::frmMDI frame(app);
    frame.show();
    return application.exec();
}
