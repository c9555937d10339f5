#pragma once

#include "video/FrameServices.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QMainWindow;
class QSlider;
class QSpinBox;
class QToolBar;

namespace kestrel {

class TrackBarMarks;

// The frame's four toolbars with their buttons and embedded controls. Buttons
// are addressed as the windows address them: by zero-based index (separators
// and embedded controls count) or by key. This class only builds and exposes
// them; the commands behind them live in ToolbarCommands.
class MainToolbars : public QObject {
    Q_OBJECT
public:
    // Builds the toolbars and adds them to `frame` as movable bands, in the
    // order standard, video, drawing, model.
    explicit MainToolbars(QMainWindow& frame);

    QToolBar* toolbar(Toolbar which) const { return m_bars[index(which)].bar; }
    // The band keys: "ToolbarStandard", "ToolbarVideo", "ToolbarDraw", "ToolbarModel".
    static QString bandKey(Toolbar which);

    int buttonCount(Toolbar which) const { return int(m_bars[index(which)].buttons.size()); }
    QAction* button(Toolbar which, int buttonIndex) const;
    QAction* button(Toolbar which, const QString& key) const;
    QString key(Toolbar which, int buttonIndex) const;

    // Embedded controls.
    QComboBox* combVideoList() const { return m_combVideoList; }
    QComboBox* combFrameRate() const { return m_combFrameRate; }
    QSlider* hscrlVideo() const { return m_hscrlVideo; }
    QCheckBox* chkFlip() const { return m_chkFlip; }
    QComboBox* cboColorPicker() const { return m_cboColorPicker; }
    QComboBox* combLineWidth() const { return m_combLineWidth; }
    QSpinBox* ccrpUpDown1() const { return m_ccrpUpDown1; }
    QSlider* hscrModel() const { return m_hscrModel; }
    QCheckBox* chkWithVideo() const { return m_chkWithVideo; }
    // The swing marks drawn along the video position slider.
    TrackBarMarks* videoMarks() const { return m_videoMarks; }
    // How near magenta a model pixel must be to count as transparent (0-64).
    QSpinBox* spnKeyTolerance() const { return m_spnKeyTolerance; }

    static constexpr const char* PlayWith = "Play with...";

signals:
    // A push, toggle or group button was clicked (toggle state already updated).
    void standardClicked(int buttonIndex);
    void videoClicked(int buttonIndex);
    void drawClicked(const QString& key);
    void modelClicked(int buttonIndex);

private:
    struct Bar {
        QToolBar* bar = nullptr;
        QList<QAction*> buttons;
        QHash<QString, QAction*> byKey;
    };
    enum class Kind { Push, Toggle, Group };

    static int index(Toolbar which) { return int(which); }
    QToolBar* createBar(QMainWindow& frame, Toolbar which, const QString& objectName, const QString& title);
    QAction* addButton(Toolbar which, const QString& key, const QString& tooltip, const QString& caption, Kind kind,
        const QIcon& icon);
    void addSeparator(Toolbar which);
    void addEmbedded(Toolbar which, const QString& key, QWidget* control);

    void buildStandard();
    void buildVideo();
    void buildDraw();
    void buildModel();

    Bar m_bars[4];
    QActionGroup* m_drawGroup = nullptr;
    QComboBox* m_combVideoList = nullptr;
    QComboBox* m_combFrameRate = nullptr;
    QSlider* m_hscrlVideo = nullptr;
    QCheckBox* m_chkFlip = nullptr;
    QComboBox* m_cboColorPicker = nullptr;
    QComboBox* m_combLineWidth = nullptr;
    QSpinBox* m_ccrpUpDown1 = nullptr;
    QSlider* m_hscrModel = nullptr;
    QCheckBox* m_chkWithVideo = nullptr;
    TrackBarMarks* m_videoMarks = nullptr;
    QSpinBox* m_spnKeyTolerance = nullptr;
};

} // namespace kestrel
