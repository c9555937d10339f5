#include "capture/CaptureFormatDialog.h"

#include "engine/CaptureEngine.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace kestrel {

CaptureFormatDialog::CaptureFormatDialog(CaptureEngine& engine, QWidget* parent)
    : QDialog(parent)
    , m_engine(engine)
    , m_list(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("Video format"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Frame size and pixel format of %1:").arg(engine.DeviceName(engine.deviceIndex())), this));
    for (const CaptureFormat& row : engine.FormatTable()) {
        auto* item = new QListWidgetItem(
            QStringLiteral("%1 x %2, %3 bits, %4").arg(row.width).arg(row.height).arg(row.bitsPerPixel).arg(row.format),
            m_list);
        item->setData(Qt::UserRole, QVariantList{row.width, row.height, row.format});
        if (row.width == engine.FrameWidth() && row.height == engine.FrameHeight()
            && row.format.compare(engine.format(), Qt::CaseInsensitive) == 0)
            m_list->setCurrentItem(item);
    }
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void CaptureFormatDialog::accept()
{
    if (QListWidgetItem* item = m_list->currentItem()) {
        const QVariantList row = item->data(Qt::UserRole).toList();
        m_engine.setFormat(row[2].toString());
        m_engine.SetFrameSize(row[0].toInt(), row[1].toInt());
    }
    QDialog::accept();
}

} // namespace kestrel
