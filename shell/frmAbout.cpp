#include "frmAbout.h"

#include "app/Prompter.h"
#include "shell/DesktopLauncher.h"
#include "shell/ShellConfig.h"
#include "shell/ToolbarIcons.h"

#include <QDate>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrel {

frmAbout::frmAbout(Prompter& prompter, DesktopLauncher& launcher, QWidget* owner)
    : QDialog(owner)
    , m_prompter(prompter)
    , m_launcher(launcher)
{
    setObjectName("frmAbout");
    setWindowTitle(QStringLiteral("About " KESTREL_TITLE));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName("picIcon");
    icon->setPixmap(ToolbarIcons::appIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    m_title = new QLabel(QStringLiteral(KESTREL_TITLE), this);
    m_title->setObjectName("lblTitle");
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_version = new QLabel(versionText(KESTREL_VERSION_MAJOR, KESTREL_VERSION_MINOR, KESTREL_VERSION_PATCH), this);
    m_version->setObjectName("lblVersion");

    m_description = new QLabel(QStringLiteral(KESTREL_DESCRIPTION), this);
    m_description->setObjectName("lblDescription");
    m_description->setWordWrap(true);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    m_disclaimer = new QLabel(this);
    m_disclaimer->setObjectName("lblDisclaimer");
    m_disclaimer->setWordWrap(true);
    m_disclaimer->setText(
        tr("Copyright \u00a9 2004-%1 Korvane Software. All rights reserved.\n\n"
           "This program is provided as is, without warranty of any kind. Measurements taken from video are "
           "estimates that depend on the camera's position and the calibration; use them as a guide to "
           "practice, not as exact figures.")
            .arg(QDate::currentDate().year()));

    m_sysInfo = new QPushButton(QStringLiteral("System Info..."), this);
    m_sysInfo->setObjectName("cmdSysInfo");
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName("cmdOK");
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_sysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_title);
    texts->addWidget(m_version);
    texts->addSpacing(8);
    texts->addWidget(m_description);
    texts->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(m_sysInfo);
    buttons->addStretch();

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_disclaimer, 1);
    bottom->addSpacing(12);
    bottom->addLayout(buttons);

    // Wrapped lines get a width in characters of their own font, and the box
    // takes the size its layout asks for at that width: larger fonts make a
    // larger box instead of cut lines.
    const int lineWidthPx = fontMetrics().averageCharWidth() * 60;
    m_description->setMinimumWidth(lineWidthPx);
    m_disclaimer->setMinimumWidth(lineWidthPx);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(rule);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString frmAbout::versionText(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

QStringList frmAbout::sysInfoCandidates()
{
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
        QStringLiteral("gnome-system-monitor")};
}

void frmAbout::StartSysInfo()
{
    const QString viewer = m_launcher.findProgram(sysInfoCandidates());
    if (viewer.isEmpty() || !m_launcher.startProgram(viewer))
        m_prompter.message(this, QStringLiteral("System Information Is Unavailable At This Time"), QString(),
            MsgIcon::None, MsgButtons::Ok);
}

} // namespace kestrel
