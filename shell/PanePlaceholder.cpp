#include "PanePlaceholder.h"

#include <QFormLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace kestrel {

PanePlaceholder::PanePlaceholder(const QString& caption, const QString& explanation, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(caption.trimmed());
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(caption.trimmed(), this);
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    auto* text = new QLabel(explanation, this);
    text->setWordWrap(true);
    text->setEnabled(false); // greyed: nothing to act on here
    layout->addWidget(title);
    layout->addWidget(text);
    layout->addStretch();
}

CapturePlaceholder::CapturePlaceholder(QWidget* parent)
    : PanePlaceholder(QStringLiteral(" Capture"), tr("Camera capture is not available in this build."), parent)
{
    auto* form = new QFormLayout;
    m_cropStart = new QSlider(Qt::Horizontal, this);
    m_cropStart->setObjectName("vcCropStart");
    m_cropEnd = new QSlider(Qt::Horizontal, this);
    m_cropEnd->setObjectName("vcCropEnd");
    for (QSlider* slider : {m_cropStart, m_cropEnd}) {
        slider->setRange(0, 0);
        slider->setEnabled(false);
    }
    form->addRow(QStringLiteral("Start Crop"), m_cropStart);
    form->addRow(QStringLiteral("End Crop"), m_cropEnd);
    static_cast<QVBoxLayout*>(layout())->insertLayout(2, form);
}

} // namespace kestrel
