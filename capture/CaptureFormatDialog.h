#pragma once

#include <QDialog>

class QListWidget;

namespace kestrel {

class CaptureEngine;

// The frame formats the connected device offers (size, bits per pixel and
// pixel format); OK switches the device to the chosen one.
class CaptureFormatDialog : public QDialog {
    Q_OBJECT
public:
    CaptureFormatDialog(CaptureEngine& engine, QWidget* parent = nullptr);

    QListWidget* formatList() const { return m_list; }
    void accept() override;

private:
    CaptureEngine& m_engine;
    QListWidget* m_list;
};

} // namespace kestrel
