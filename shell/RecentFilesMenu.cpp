#include "RecentFilesMenu.h"

#include "app/Prompter.h"
#include "shell/RecentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace kestrel {

RecentFilesMenu::RecentFilesMenu(RecentFiles& files, Prompter& prompter, QWidget* messageOwner, QObject* parent)
    : QObject(parent)
    , m_files(files)
    , m_prompter(prompter)
    , m_messageOwner(messageOwner)
    , m_menu(new QMenu(QStringLiteral("Recent Files"), messageOwner))
{
    m_menu->setObjectName(QStringLiteral("mnuRecentFiles"));
    connect(m_menu, &QMenu::aboutToShow, this, &RecentFilesMenu::rebuild);
    rebuild();
}

QString RecentFilesMenu::missingFileMessage(const QString& path)
{
    return QStringLiteral("The file %1 cannot be found. It has been removed from the list of recent files.")
        .arg(QDir::toNativeSeparators(path));
}

void RecentFilesMenu::rebuild()
{
    m_menu->clear();
    const QStringList files = m_files.files();
    int number = 0;
    for (const QString& path : files) {
        ++number;
        // Names are what people recognise; the folder shows in the tooltip.
        QString name = QFileInfo(path).fileName();
        name.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* item = m_menu->addAction(QStringLiteral("&%1 %2").arg(number).arg(name));
        item->setToolTip(QDir::toNativeSeparators(path));
        item->setData(path);
        connect(item, &QAction::triggered, this, [this, path] { choose(path); });
    }
    if (files.isEmpty())
        m_menu->addAction(QStringLiteral("(none)"))->setEnabled(false);
    m_menu->setToolTipsVisible(true);
    m_menu->addSeparator();
    QAction* clear = m_menu->addAction(QStringLiteral("Clear Recent Files"));
    clear->setObjectName(QStringLiteral("mnuClearRecentFiles"));
    clear->setEnabled(!files.isEmpty());
    // The menu fills itself again when it next opens; rebuilding here would
    // delete the action that is still being triggered.
    connect(clear, &QAction::triggered, this, [this] { m_files.clear(); });
}

void RecentFilesMenu::choose(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        m_files.remove(path);
        m_prompter.message(m_messageOwner, missingFileMessage(path), QStringLiteral("Recent Files"),
            MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    emit openRequested(path);
}

} // namespace kestrel
