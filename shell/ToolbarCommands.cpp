#include "ToolbarCommands.h"

#include "app/Settings.h"
#include "shell/DesktopLauncher.h"
#include "shell/MainMenus.h"
#include "shell/MainToolbars.h"
#include "shell/frmMDI.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QSlider>
#include <QSpinBox>

#include <exception>

namespace kestrel {

namespace {

// A command step whose failure must not stop the command.
template <typename Step> void skipOnError(Step&& step)
{
    try {
        step();
    } catch (const std::exception& error) {
        qWarning("Kestrel: toolbar command step failed: %s", error.what());
    }
}

double rateOf(const QString& text)
{
    if (text == QLatin1String("x 0.5"))
        return 0.5;
    if (text == QLatin1String("x 2"))
        return 2.0;
    if (text == QLatin1String("x 3"))
        return 3.0;
    return 1.0;
}

} // namespace

ToolbarCommands::ToolbarCommands(frmMDI& frame, MainToolbars& toolbars)
    : m_frame(frame)
    , m_toolbars(toolbars)
{
    connect(&toolbars, &MainToolbars::standardClicked, this, &ToolbarCommands::standardClicked);
    connect(&toolbars, &MainToolbars::videoClicked, this, &ToolbarCommands::videoClicked);
    connect(&toolbars, &MainToolbars::drawClicked, this, &ToolbarCommands::drawClicked);
    connect(&toolbars, &MainToolbars::modelClicked, this, &ToolbarCommands::modelClicked);
    connect(toolbars.combFrameRate(), &QComboBox::currentIndexChanged, this, &ToolbarCommands::frameRateChanged);
    connect(toolbars.cboColorPicker(), &QComboBox::currentIndexChanged, this, &ToolbarCommands::colourChanged);
    connect(toolbars.combLineWidth(), &QComboBox::currentIndexChanged, this, &ToolbarCommands::widthChanged);
    connect(toolbars.chkFlip(), &QCheckBox::clicked, this, &ToolbarCommands::flipClicked);
    connect(toolbars.ccrpUpDown1(), &QSpinBox::valueChanged, this, &ToolbarCommands::opacityChanged);
    if (Settings* settings = frame.appContext().settings)
        toolbars.spnKeyTolerance()->setValue(int(settings->readNumber(QStringLiteral("modelKeyTolerance"), 0)));
    connect(toolbars.spnKeyTolerance(), &QSpinBox::valueChanged, this, &ToolbarCommands::keyToleranceChanged);
    connect(toolbars.hscrlVideo(), &QSlider::valueChanged, this, &ToolbarCommands::videoSliderChanged);
    connect(toolbars.hscrModel(), &QSlider::valueChanged, this, &ToolbarCommands::modelSliderChanged);
    connect(&frame.menus(), &MainMenus::drawingClicked, this, &ToolbarCommands::drawingMenuClicked);
}

frmVideo* ToolbarCommands::playWithPartner(const frmVideo& active) const
{
    const QComboBox* list = m_toolbars.combVideoList();
    const QString chosen = list->currentText();
    if (list->currentIndex() < 1 || chosen == active.windowTitle())
        return nullptr;
    for (frmVideo* window : m_frame.videoWindows()) {
        if (window->windowTitle() == chosen)
            return window;
    }
    return nullptr;
}

void ToolbarCommands::standardClicked(int index)
{
    const auto pressed = [this, index] { return m_toolbars.button(Toolbar::Standard, index)->isChecked(); };
    switch (index) {
    case 0:
        m_frame.LoadNewDoc({});
        break;
    case 1:
        m_frame.OpenVideoFile({});
        break;
    case 3:
        m_frame.ShowExplorer(pressed(), false);
        break;
    case 4:
        m_frame.ShowCapture(pressed(), false);
        break;
    case 5:
        m_frame.ShowScreenCapture(pressed(), false);
        break;
    case 6:
        m_frame.ShowKnowledgeBase(pressed(), false);
        break;
    case 8:
        m_frame.openWebPage(frmMDI::helpPageUrl());
        break;
    default:
        break;
    }
}

void ToolbarCommands::videoClicked(int index)
{
    frmVideo* video = m_frame.activeVideoWindow();
    if (!video)
        return;
    frmVideo* partner = playWithPartner(*video);
    // A partner synced at impact follows this window's frames instead of playing.
    if (partner && video->syncedPartner() == partner)
        partner = nullptr;
    switch (index) {
    case 0:
        skipOnError([&] { video->vcxPlay(); });
        if (partner)
            skipOnError([&] { partner->vcxPlay(); });
        break;
    case 1:
        skipOnError([&] { video->vcxStop(); });
        if (partner)
            skipOnError([&] { partner->vcxStop(); });
        break;
    case 2:
        skipOnError([&] { video->vcxFirst(); });
        break;
    case 3:
        skipOnError([&] { video->vcxPrev(); });
        break;
    case 4:
        skipOnError([&] { video->vcxNext(); });
        break;
    case 5:
        skipOnError([&] { video->vcxEnd(); });
        break;
    case 8:
        skipOnError([&] { video->vcxZoomIn(); });
        break;
    case 9:
        skipOnError([&] { video->vcxZoomOut(); });
        break;
    default:
        break;
    }
}

void ToolbarCommands::frameRateChanged()
{
    if (m_frame.videoWindows().isEmpty())
        return;
    frmVideo* video = m_frame.activeVideoWindow();
    if (!video)
        return;
    const double rate = rateOf(m_toolbars.combFrameRate()->currentText());
    skipOnError([&] { video->vcxRate(rate); });
}

void ToolbarCommands::drawClicked(const QString& key)
{
    const auto pressed = [this](const char* button) { return m_toolbars.button(Toolbar::Draw, button)->isChecked(); };
    const auto press
        = [this](const char* button, bool down) { m_toolbars.button(Toolbar::Draw, button)->setChecked(down); };

    static const QHash<QString, QString> shapeTools{
        {"rect", "RectangleTool"},
        {"oval", "EllipseTool"},
        {"arc", "CurveTool"},
        {"angle", "AngleTool"},
        {"parallel", "ParallelTool"},
        {"vangle", "VerticalAngleTool"},
        {"hangle", "HorizontalAngleTool"},
    };
    if (key == QLatin1String("line")) {
        toolChosen(QStringLiteral("LineTool"));
        return;
    }
    if (shapeTools.contains(key)) {
        toolChosen(shapeTools.value(key));
        press("ruler", false);
        return;
    }
    if (key == QLatin1String("select")) {
        toolChosen(QStringLiteral("SelectTool"));
        return;
    }
    if (key == QLatin1String("track")) {
        toolChosen(QStringLiteral("TrackTool"));
        return;
    }
    if (key == QLatin1String("length")) {
        toolChosen(QStringLiteral("LengthTool"));
        // A kept length needs a calibrated ruler; the calibration starts at once.
        frmVideo* video = m_frame.activeVideoWindow();
        if (video && video->HasVideo() && !video->RulerCalibrated())
            skipOnError([&] { video->StartRuler(); });
        return;
    }

    frmVideo* video = m_frame.activeVideoWindow();
    if (!video)
        return;
    if (key == QLatin1String("ruler")) {
        const bool on = pressed("ruler");
        skipOnError([&] { video->setRulerOn(on); });
        if (video->HasVideo() && on) {
            skipOnError([&] { video->StartRuler(); });
            if (video->RulerCalibrated()) {
                press("line", true);
                m_frame.setDrawingTool(QStringLiteral("LineTool"));
            }
        }
    } else if (key == QLatin1String("grid")) {
        if (video->HasVideo())
            skipOnError([&] { video->ShowGrid(pressed("grid")); });
    } else if (key == QLatin1String("adjust")) {
        if (pressed("adjust")) {
            bool nothingToAdjust = true;
            skipOnError([&] { nothingToAdjust = video->AdjustShapeSetUp(true); });
            if (nothingToAdjust) {
                press("adjust", false);
            } else {
                // Only "adjust" stays usable, so adjust mode can be left.
                m_frame.tbrDrawEnable(false);
                m_toolbars.button(Toolbar::Draw, "adjust")->setEnabled(true);
            }
        } else {
            skipOnError([&] { video->AdjustShapeSetUp(false); });
            m_frame.tbrDrawEnable(true);
        }
    } else if (key == QLatin1String("undo")) {
        if (video->HasVideo())
            skipOnError([&] { video->DrawingsUndo(); });
    } else if (key == QLatin1String("delete")) {
        if (video->HasVideo())
            skipOnError([&] { video->DrawingsDeleteAll(); });
    } else if (key == QLatin1String("copy")) {
        if (video->HasVideo()) {
            QClipboard* clipboard = QApplication::clipboard();
            clipboard->clear();
            clipboard->setImage(video->composedPicture());
        }
    }
}

void ToolbarCommands::toolChosen(const QString& tool)
{
    m_frame.setDrawingTool(tool);
    // A shape another tool left half drawn does not linger in any window.
    for (frmVideo* window : m_frame.videoWindows())
        skipOnError([&] { window->DrawingToolChosen(tool); });
}

void ToolbarCommands::drawingMenuClicked(int index)
{
    frmVideo* video = m_frame.activeVideoWindow();
    if (!video || !video->HasVideo())
        return;
    switch (index) {
    case 0:
        skipOnError([&] { video->SaveDrawings(); });
        break;
    case 1:
        skipOnError([&] { video->SavePicture(); });
        break;
    case 3:
        skipOnError([&] { video->AngleBetweenSelectedLines(); });
        break;
    case 4:
        skipOnError([&] { video->RecalibrateRuler(); });
        break;
    case 6:
        skipOnError([&] { video->DeleteSelectedShape(); });
        break;
    case 8:
        skipOnError([&] { video->ExportTrackCsv(); });
        break;
    default:
        break;
    }
}

void ToolbarCommands::modelClicked(int index)
{
    frmVideo* video = m_frame.activeVideoWindow();
    if (!video)
        return;
    const bool withVideo = m_toolbars.chkWithVideo()->isChecked();
    switch (index) {
    case 0:
        skipOnError([&] { video->NewModelFile({}); });
        break;
    case 1:
        skipOnError([&] { video->modelClose(); });
        break;
    case 3:
        skipOnError([&] { video->modelPlay(withVideo); });
        break;
    case 4:
        skipOnError([&] { video->modelStop(withVideo); });
        break;
    case 6:
        skipOnError([&] { video->modelAdjust(); });
        break;
    case 7:
        skipOnError([&] { video->modelZoomIn(); });
        break;
    case 8:
        skipOnError([&] { video->modelZoomOut(); });
        break;
    default:
        break;
    }
}

void ToolbarCommands::colourChanged(int index)
{
    const quint32 colour = m_toolbars.cboColorPicker()->itemData(index).toUInt();
    m_frame.setDrawingColor(colour);
    // Selected shapes take the new pen too; with none selected no window changes.
    if (frmVideo* video = m_frame.activeVideoWindow())
        skipOnError([&] { video->SetSelectedShapesColor(colour); });
}

void ToolbarCommands::widthChanged(int index)
{
    m_frame.setDrawingWidth(index + 1);
    if (frmVideo* video = m_frame.activeVideoWindow())
        skipOnError([&] { video->SetSelectedShapesWidth(index + 1); });
}

void ToolbarCommands::flipClicked()
{
    frmVideo* video = m_frame.activeVideoWindow();
    if (!video)
        return;
    skipOnError([&] {
        video->setVideoFlip(m_toolbars.chkFlip()->isChecked());
        video->PaintVideoFrame();
    });
}

void ToolbarCommands::opacityChanged()
{
    if (frmVideo* video = m_frame.activeVideoWindow())
        skipOnError([&] { video->PaintVideoFrame(); });
}

void ToolbarCommands::keyToleranceChanged(int tolerance)
{
    if (Settings* settings = m_frame.appContext().settings)
        settings->save(QStringLiteral("modelKeyTolerance"), QString::number(tolerance));
    for (frmVideo* window : m_frame.videoWindows()) {
        if (window->HasModel())
            skipOnError([&] { window->PaintVideoFrame(); });
    }
}

void ToolbarCommands::videoSliderChanged()
{
    frmVideo* video = m_frame.activeVideoWindow();
    // The window's own player commands move the slider too; only the user's
    // moves seek.
    if (!video || !video->HasVideo() || video->PlayerButtonClick())
        return;
    QString command = QStringLiteral("scrollchange");
    skipOnError([&] { video->vcxSetPos(command); });
}

void ToolbarCommands::modelSliderChanged()
{
    frmVideo* video = m_frame.activeVideoWindow();
    if (!video || !video->HasModel())
        return;
    const int position = m_toolbars.hscrModel()->value();
    skipOnError([&] { video->modelSetPos(position); });
}

} // namespace kestrel
