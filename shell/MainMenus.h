#pragma once

#include <QList>
#include <QObject>

class QAction;
class QMainWindow;
class QMdiArea;
class QMenu;

namespace kestrel {

// The frame's menu bar. Each menu's items form an indexed array (separators
// count), as the commands address them; the commands themselves are the
// frame's, reached through the signals.
class MainMenus : public QObject {
    Q_OBJECT
public:
    MainMenus(QMainWindow& frame, QMdiArea& documents);

    QMenu* mnuFileTOP() const { return m_fileTop; }
    QMenu* mnuViewTOP() const { return m_viewTop; }
    QMenu* mnuDrawingTOP() const { return m_drawingTop; }
    QMenu* mnuWindowTOP() const { return m_windowTop; }
    QMenu* mnuHelpTOP() const { return m_helpTop; }
    QMenu* mnuSwingTOP() const { return m_swingTop; }
    QMenu* mnuSwingSetMark() const { return m_swingSetMark; }
    QMenu* mnuWindowList() const { return m_windowList; }

    QAction* mnuFile(int index) const { return m_file.value(index); }
    QAction* mnuView(int index) const { return m_view.value(index); }
    QAction* mnuViewToolbars(int index) const { return m_viewToolbars.value(index); }
    QAction* mnuDrawing(int index) const { return m_drawing.value(index); }
    QAction* mnuWin(int index) const { return m_win.value(index); }
    QAction* mnuHelp(int index) const { return m_help.value(index); }
    QAction* mnuSwing(int index) const { return m_swing.value(index); }
    // Set mark here ▸ address, top, impact, finish.
    QAction* mnuSwingMark(int index) const { return m_swingMark.value(index); }

signals:
    void fileClicked(int index);
    void viewClicked(int index);
    void toolbarsClicked(int index);
    void drawingClicked(int index);
    void windowsClicked(int index);
    void helpClicked(int index);
    void swingClicked(int index);
    // Set mark here ▸ the event's index (address 0 ... finish 3).
    void swingMarkClicked(int index);

private:
    // Items report their index in the menu's array: firstIndex for the first.
    QList<QAction*> addItems(
        QMenu* menu, const QStringList& captions, void (MainMenus::*clicked)(int), int firstIndex = 0);
    void fillWindowList();

    QMdiArea& m_documents;
    QMenu* m_fileTop = nullptr;
    QMenu* m_viewTop = nullptr;
    QMenu* m_windowTop = nullptr;
    QMenu* m_helpTop = nullptr;
    QMenu* m_drawingTop = nullptr;
    QMenu* m_toolbarsMenu = nullptr;
    QMenu* m_windowList = nullptr;
    QMenu* m_swingTop = nullptr;
    QMenu* m_swingSetMark = nullptr;
    QList<QAction*> m_file, m_view, m_viewToolbars, m_drawing, m_win, m_help, m_swing, m_swingMark;
};

} // namespace kestrel
