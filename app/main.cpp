#include "app/Prompter.h"
#include "app/Settings.h"
#include "shell/VideoPreview.h"
#include "shell/frmMDI.h"

#include <QApplication>
#include <QFileDialog>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    QApplication::setOrganizationName(QStringLiteral("Kestrel"));

    kestrel::Settings settings;
    kestrel::QtPrompter prompter;
    // The open-video dialog plays the selected file beside the list.
    prompter.setVideoPreviewFactory([](QFileDialog& dialog) { kestrel::VideoPreview::install(dialog); });
    const kestrel::AppContext app{&settings, &prompter, QCoreApplication::applicationDirPath()};

    // The frame builds its menus, toolbars and panes and opens one empty
    // video window while it loads.
    kestrel::frmMDI frame(app);
    frame.show();
    return application.exec();
}
