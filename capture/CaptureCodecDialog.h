#pragma once

#include <QDialog>

class QRadioButton;
class QSpinBox;

namespace kestrel {

class CaptureEngine;

// Settings of the chosen compressor: constant quality where the encoder has
// a quality scale, otherwise a target bit rate, and the key-frame interval.
// OK hands them to the engine for the next recording.
class CaptureCodecDialog : public QDialog {
    Q_OBJECT
public:
    CaptureCodecDialog(CaptureEngine& engine, int codecIndex, QWidget* parent = nullptr);

    void accept() override;

    QSpinBox* qualityBox() const { return m_quality; }
    QSpinBox* bitRateBox() const { return m_bitRate; }
    QSpinBox* keyFrameBox() const { return m_keyFrames; }
    QRadioButton* qualityChoice() const { return m_useQuality; }
    QRadioButton* bitRateChoice() const { return m_useBitRate; }

private:
    CaptureEngine& m_engine;
    QRadioButton* m_useQuality = nullptr;
    QRadioButton* m_useBitRate = nullptr;
    QSpinBox* m_quality = nullptr;
    QSpinBox* m_bitRate = nullptr;
    QSpinBox* m_keyFrames = nullptr;
};

} // namespace kestrel
