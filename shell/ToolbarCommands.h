#pragma once

#include <QObject>
#include <QString>

namespace kestrel {

class MainToolbars;
class frmMDI;
class frmVideo;

// What the toolbar buttons and embedded controls do. Commands that need a
// video window find the active one at the moment of the click and do
// nothing without one; a failing call on the window is skipped and the
// command goes on with its next step.
class ToolbarCommands : public QObject {
    Q_OBJECT
public:
    ToolbarCommands(frmMDI& frame, MainToolbars& toolbars);

    // The window chosen in the play-with list to play along with `active`, or
    // null (nothing chosen, the active window's own caption, or gone).
    frmVideo* playWithPartner(const frmVideo& active) const;

    void standardClicked(int index);
    void videoClicked(int index);
    void drawClicked(const QString& key);
    void modelClicked(int index);
    void frameRateChanged();
    void colourChanged(int index);
    void widthChanged(int index);
    void flipClicked();
    void opacityChanged();
    void keyToleranceChanged(int tolerance);
    void videoSliderChanged();
    void modelSliderChanged();
    // The Drawing menu, by item index.
    void drawingMenuClicked(int index);

private:
    void toolChosen(const QString& tool);

    frmMDI& m_frame;
    MainToolbars& m_toolbars;
};

} // namespace kestrel
