#pragma once

#include "shell/ShortcutTable.h"

#include <QHash>
#include <QObject>

class QWidget;

namespace kestrel {

// Shows a command's key beside a button's tooltip when the tip appears:
// "Play (Space)". The button's own tooltip text stays as it is, so the key
// is added where it is read, not stored in every button.
class ShortcutToolTips : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void attach(QWidget* widget, KeyCommand command);
    static QString decorated(const QString& toolTip, KeyCommand command);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QObject*, KeyCommand> m_commands;
};

} // namespace kestrel
