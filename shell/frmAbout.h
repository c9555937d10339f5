#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

namespace kestrel {

class DesktopLauncher;
class Prompter;

// The About box: title, version, description and legal notices, and a way
// to this system's own information viewer.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(Prompter& prompter, DesktopLauncher& launcher, QWidget* owner = nullptr);

    // "Version " and the major, minor and revision numbers as plain integers.
    static QString versionText(int major, int minor, int revision);
    // System-information viewers looked for, in order of preference.
    static QStringList sysInfoCandidates();

    void StartSysInfo();

    QLabel* lblTitle() const { return m_title; }
    QLabel* lblVersion() const { return m_version; }
    QLabel* lblDescription() const { return m_description; }
    QLabel* lblDisclaimer() const { return m_disclaimer; }
    QPushButton* cmdSysInfo() const { return m_sysInfo; }
    QPushButton* cmdOK() const { return m_ok; }

private:
    Prompter& m_prompter;
    DesktopLauncher& m_launcher;
    QLabel* m_title = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_description = nullptr;
    QLabel* m_disclaimer = nullptr;
    QPushButton* m_sysInfo = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace kestrel
