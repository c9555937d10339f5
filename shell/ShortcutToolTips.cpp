#include "ShortcutToolTips.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace kestrel {

void ShortcutToolTips::attach(QWidget* widget, KeyCommand command)
{
    if (!widget)
        return;
    m_commands.insert(widget, command);
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, [this, widget] { m_commands.remove(widget); });
}

QString ShortcutToolTips::decorated(const QString& toolTip, KeyCommand command)
{
    return QStringLiteral("%1 (%2)").arg(toolTip, ShortcutTable::primaryKeyText(command));
}

bool ShortcutToolTips::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip && m_commands.contains(watched)) {
        auto* widget = static_cast<QWidget*>(watched);
        if (!widget->toolTip().isEmpty()) {
            const auto* help = static_cast<QHelpEvent*>(event);
            QToolTip::showText(help->globalPos(), decorated(widget->toolTip(), m_commands.value(watched)), widget);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrel
