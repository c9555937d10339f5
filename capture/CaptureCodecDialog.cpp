#include "capture/CaptureCodecDialog.h"

#include "engine/CaptureEngine.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kestrel {

CaptureCodecDialog::CaptureCodecDialog(CaptureEngine& engine, int codecIndex, QWidget* parent)
    : QDialog(parent)
    , m_engine(engine)
{
    const AviEncoders& encoders = engine.encoders();
    setWindowTitle(QStringLiteral("%1 - Settings").arg(encoders.readableName(codecIndex)));
    const EncoderSettings current = engine.encoderSettings();
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    if (encoders.isLossless(codecIndex)) {
        form->addRow(new QLabel(QStringLiteral("This compressor is lossless: every picture is kept exactly."), this));
    } else {
        m_useBitRate = new QRadioButton(QStringLiteral("Target bit rate (kbit/s)"), this);
        m_bitRate = new QSpinBox(this);
        m_bitRate->setRange(100, 100000);
        m_bitRate->setSingleStep(500);
        m_bitRate->setValue(current.bitRateKbps > 0 ? current.bitRateKbps : 5000);
        if (encoders.hasQualityScale(codecIndex)) {
            m_useQuality = new QRadioButton(QStringLiteral("Constant quality (1 best - 31 smallest)"), this);
            m_quality = new QSpinBox(this);
            m_quality->setRange(1, 31);
            m_quality->setValue(current.quality > 0 ? current.quality : 3);
            form->addRow(m_useQuality, m_quality);
            connect(m_useQuality, &QRadioButton::toggled, m_quality, &QWidget::setEnabled);
        }
        form->addRow(m_useBitRate, m_bitRate);
        connect(m_useBitRate, &QRadioButton::toggled, m_bitRate, &QWidget::setEnabled);
        const bool quality = m_useQuality && current.bitRateKbps <= 0;
        (quality ? m_useQuality : m_useBitRate)->setChecked(true);
        if (m_quality)
            m_quality->setEnabled(quality);
        m_bitRate->setEnabled(!quality);
    }
    m_keyFrames = new QSpinBox(this);
    m_keyFrames->setRange(1, 600);
    m_keyFrames->setValue(current.keyFrameInterval > 0 ? current.keyFrameInterval : 12);
    form->addRow(QStringLiteral("Key frame every (frames)"), m_keyFrames);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CaptureCodecDialog::accept()
{
    EncoderSettings settings;
    settings.keyFrameInterval = m_keyFrames->value();
    if (m_useQuality && m_useQuality->isChecked())
        settings.quality = m_quality->value();
    else if (m_useBitRate && m_useBitRate->isChecked())
        settings.bitRateKbps = m_bitRate->value();
    m_engine.setEncoderSettings(settings);
    QDialog::accept();
}

} // namespace kestrel
