#include "capture/CaptureSourceDialog.h"

#include "engine/CaptureEngine.h"
#include "engine/V4l2Device.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <functional>
#include <vector>

namespace kestrel {

CaptureSourceDialog::CaptureSourceDialog(CaptureEngine& engine, QWidget* parent)
    : QDialog(parent)
{
    const int index = engine.deviceIndex();
    setWindowTitle(QStringLiteral("%1 - Settings").arg(engine.DeviceName(index)));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    std::vector<std::function<void()>> resets;

    const QString path = engine.devicePath(index);
    if (!path.isEmpty())
        m_device = std::make_unique<V4l2Device>(path);
    const QList<V4l2Control> controls = m_device ? m_device->controls() : QList<V4l2Control>();
    for (const V4l2Control& control : controls) {
        int value = control.defaultValue;
        m_device->control(control.id, &value);
        V4l2Device* device = m_device.get();
        const quint32 id = control.id;
        switch (control.kind) {
        case V4l2Control::Kind::Integer: {
            auto* slider = new QSlider(Qt::Horizontal, this);
            auto* spin = new QSpinBox(this);
            for (auto* range : std::initializer_list<QAbstractSlider*>{slider})
                range->setRange(control.minimum, control.maximum);
            spin->setRange(control.minimum, control.maximum);
            slider->setSingleStep(control.step);
            spin->setSingleStep(control.step);
            slider->setValue(value);
            spin->setValue(value);
            connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
            connect(spin, &QSpinBox::valueChanged, slider, &QSlider::setValue);
            connect(spin, &QSpinBox::valueChanged, this, [device, id](int v) { device->setControl(id, v); });
            auto* line = new QHBoxLayout;
            line->addWidget(slider, 1);
            line->addWidget(spin);
            slider->setEnabled(!control.readOnly);
            spin->setEnabled(!control.readOnly);
            form->addRow(control.name, line);
            resets.push_back([spin, d = control.defaultValue] { spin->setValue(d); });
            break;
        }
        case V4l2Control::Kind::Boolean: {
            auto* box = new QCheckBox(this);
            box->setChecked(value != 0);
            box->setEnabled(!control.readOnly);
            connect(box, &QCheckBox::toggled, this, [device, id](bool on) { device->setControl(id, on ? 1 : 0); });
            form->addRow(control.name, box);
            resets.push_back([box, d = control.defaultValue] { box->setChecked(d != 0); });
            break;
        }
        case V4l2Control::Kind::Menu: {
            auto* combo = new QComboBox(this);
            for (int item = 0; item < control.menuItems.size(); ++item)
                if (!control.menuItems[item].isEmpty())
                    combo->addItem(control.menuItems[item], control.minimum + item);
            combo->setCurrentIndex(combo->findData(value));
            combo->setEnabled(!control.readOnly);
            connect(combo, &QComboBox::activated, this,
                [device, id, combo](int i) { device->setControl(id, combo->itemData(i).toInt()); });
            form->addRow(control.name, combo);
            resets.push_back([combo, device, id, d = control.defaultValue] {
                combo->setCurrentIndex(combo->findData(d));
                device->setControl(id, d);
            });
            break;
        }
        case V4l2Control::Kind::Button: {
            auto* button = new QPushButton(control.name, this);
            connect(button, &QPushButton::clicked, this, [device, id] { device->setControl(id, 1); });
            form->addRow(QString(), button);
            break;
        }
        }
        ++m_controlCount;
    }
    if (m_controlCount == 0)
        form->addRow(new QLabel(engine.isVirtualDevice(index)
                ? QStringLiteral("The test-pattern camera has no picture settings.")
                : QStringLiteral("This device offers no picture settings."),
            this));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    if (m_controlCount > 0) {
        QPushButton* defaults = buttons->addButton(QStringLiteral("Defaults"), QDialogButtonBox::ResetRole);
        connect(defaults, &QPushButton::clicked, this, [resets] {
            for (const auto& reset : resets)
                reset();
        });
    }
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

CaptureSourceDialog::~CaptureSourceDialog() = default;

} // namespace kestrel
