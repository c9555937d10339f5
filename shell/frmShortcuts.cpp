#include "frmShortcuts.h"

#include "shell/ShortcutTable.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrel {

frmShortcuts::frmShortcuts(QWidget* owner)
    : QDialog(owner)
    , m_list(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("frmShortcuts"));
    setWindowTitle(QStringLiteral("Keyboard shortcuts"));
    setModal(false);

    m_list->setObjectName(QStringLiteral("lstShortcuts"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("Command"), QStringLiteral("Keys")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus);

    QTreeWidgetItem* group = nullptr;
    for (const Shortcut& shortcut : ShortcutTable::all()) {
        if (!group || group->text(0) != shortcut.group) {
            group = new QTreeWidgetItem(m_list, {shortcut.group});
            QFont bold = group->font(0);
            bold.setBold(true);
            group->setFont(0, bold);
            group->setFirstColumnSpanned(true);
            group->setExpanded(true);
        }
        new QTreeWidgetItem(group, {shortcut.description, ShortcutTable::keyText(shortcut.command)});
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->expandAll();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);

    // As large as the list needs, so that nothing has to be scrolled to.
    int rows = 0;
    int columnWidths[2] = {0, 0};
    const QFontMetrics metrics = m_list->fontMetrics();
    for (QTreeWidgetItemIterator it(m_list); *it; ++it) {
        ++rows;
        for (int column = 0; column < 2; ++column)
            columnWidths[column] = std::max(columnWidths[column], metrics.horizontalAdvance((*it)->text(column)));
    }
    const int frame = 2 * m_list->frameWidth();
    const int padding = 4 * metrics.averageCharWidth();
    const int listWidth = frame + m_list->indentation() + columnWidths[0] + columnWidths[1] + 2 * padding;
    const int listHeight = frame + m_list->header()->sizeHint().height() + rows * m_list->sizeHintForRow(0);
    m_list->setMinimumWidth(listWidth);
    const QMargins margins = layout->contentsMargins();
    resize(listWidth + margins.left() + margins.right(),
        listHeight + layout->spacing() + buttons->sizeHint().height() + margins.top() + margins.bottom());
}

} // namespace kestrel
