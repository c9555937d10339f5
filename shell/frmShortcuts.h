#pragma once

#include <QDialog>

class QTreeWidget;

namespace kestrel {

// Help ▸ "Keyboard shortcuts": every key of the shortcut table, by group.
// A plain window to keep open beside the work, not a question.
class frmShortcuts : public QDialog {
    Q_OBJECT
public:
    explicit frmShortcuts(QWidget* owner = nullptr);

    QTreeWidget* list() const { return m_list; }

private:
    QTreeWidget* m_list;
};

} // namespace kestrel
