#pragma once

#include <QObject>
#include <QString>

class QMenu;
class QWidget;

namespace kestrel {

class Prompter;
class RecentFiles;

// File ▸ "Recent Files": the recent videos, numbered for their access keys,
// and "Clear Recent Files". A file that has gone since is dropped from the
// list with a message instead of being opened.
class RecentFilesMenu : public QObject {
    Q_OBJECT
public:
    RecentFilesMenu(RecentFiles& files, Prompter& prompter, QWidget* messageOwner, QObject* parent = nullptr);

    QMenu* menu() const { return m_menu; }
    // Fills the menu from the list as it is now (also done each time it opens).
    void rebuild();
    // What choosing an entry does.
    void choose(const QString& path);

    static QString missingFileMessage(const QString& path);

signals:
    void openRequested(const QString& path);

private:
    RecentFiles& m_files;
    Prompter& m_prompter;
    QWidget* m_messageOwner;
    QMenu* m_menu;
};

} // namespace kestrel
