#include "MainToolbars.h"

#include "shell/ToolbarIcons.h"
#include "shell/TrackBarMarks.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QSlider>
#include <QSpinBox>
#include <QToolBar>
#include <QWidgetAction>

namespace kestrel {

namespace {

// Bands are at least this tall, whatever the style's metrics.
constexpr int kMinimumBandHeight = 24;

struct ColourItem {
    const char* text;
    quint32 bgr; // 0x00BBGGRR
};
constexpr ColourItem kColours[] = {
    {"Black", 0x000000},
    {"Gray", 0x808080},
    {"Red", 0x0000FF},
    {"Green", 0x00FF00},
    {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},
    {"Magenta", 0xFF00FF},
    {"Cyan", 0xFFFF00},
    {"White", 0xFFFFFF},
};

QWidget* container(const QString& objectName, std::initializer_list<QWidget*> children)
{
    auto* box = new QWidget;
    box->setObjectName(objectName);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(6);
    for (QWidget* child : children)
        layout->addWidget(child);
    return box;
}

QSlider* positionSlider(const QString& objectName, int widthPx)
{
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(objectName);
    slider->setMinimumWidth(widthPx);
    slider->setRange(0, 0);
    return slider;
}

} // namespace

MainToolbars::MainToolbars(QMainWindow& frame)
    : QObject(&frame)
{
    createBar(frame, Toolbar::Standard, QStringLiteral("tbrStandard"), QStringLiteral("Standard"));
    createBar(frame, Toolbar::Video, QStringLiteral("tbrVideo"), QStringLiteral("Video"));
    frame.addToolBarBreak(Qt::TopToolBarArea);
    createBar(frame, Toolbar::Draw, QStringLiteral("tbrDraw"), QStringLiteral("Drawing"));
    createBar(frame, Toolbar::Model, QStringLiteral("tbrModel"), QStringLiteral("Model"));
    buildStandard();
    buildVideo();
    buildDraw();
    buildModel();
}

QString MainToolbars::bandKey(Toolbar which)
{
    switch (which) {
    case Toolbar::Standard:
        return QStringLiteral("ToolbarStandard");
    case Toolbar::Video:
        return QStringLiteral("ToolbarVideo");
    case Toolbar::Draw:
        return QStringLiteral("ToolbarDraw");
    case Toolbar::Model:
        return QStringLiteral("ToolbarModel");
    }
    return {};
}

QAction* MainToolbars::button(Toolbar which, int buttonIndex) const
{
    return m_bars[index(which)].buttons.value(buttonIndex);
}

QAction* MainToolbars::button(Toolbar which, const QString& key) const
{
    return m_bars[index(which)].byKey.value(key);
}

QString MainToolbars::key(Toolbar which, int buttonIndex) const
{
    QAction* action = button(which, buttonIndex);
    return action ? action->objectName() : QString();
}

QToolBar* MainToolbars::createBar(QMainWindow& frame, Toolbar which, const QString& objectName, const QString& title)
{
    auto* bar = new QToolBar(title, &frame);
    bar->setObjectName(objectName);
    bar->setProperty("bandKey", bandKey(which));
    bar->setMovable(true);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setMinimumHeight(kMinimumBandHeight);
    // Toolbars are shown and hidden through the View menu only, so menu
    // check marks and band visibility cannot drift apart.
    bar->toggleViewAction()->setEnabled(false);
    frame.addToolBar(Qt::TopToolBarArea, bar);
    m_bars[index(which)].bar = bar;
    return bar;
}

QAction* MainToolbars::addButton(
    Toolbar which, const QString& key, const QString& tooltip, const QString& caption, Kind kind, const QIcon& icon)
{
    Bar& bar = m_bars[index(which)];
    auto* action = new QAction(icon, caption.isEmpty() ? tooltip : caption, bar.bar);
    action->setObjectName(key);
    action->setToolTip(tooltip);
    action->setCheckable(kind != Kind::Push);
    if (kind == Kind::Group)
        m_drawGroup->addAction(action);
    bar.bar->addAction(action);
    bar.buttons.append(action);
    bar.byKey.insert(key, action);

    const int buttonIndex = int(bar.buttons.size()) - 1;
    connect(action, &QAction::triggered, this, [this, which, buttonIndex, key] {
        switch (which) {
        case Toolbar::Standard:
            emit standardClicked(buttonIndex);
            break;
        case Toolbar::Video:
            emit videoClicked(buttonIndex);
            break;
        case Toolbar::Draw:
            emit drawClicked(key);
            break;
        case Toolbar::Model:
            emit modelClicked(buttonIndex);
            break;
        }
    });
    return action;
}

void MainToolbars::addSeparator(Toolbar which)
{
    Bar& bar = m_bars[index(which)];
    bar.buttons.append(bar.bar->addSeparator());
}

void MainToolbars::addEmbedded(Toolbar which, const QString& key, QWidget* control)
{
    Bar& bar = m_bars[index(which)];
    // A QWidgetAction passes its enabled state on to the control it shows.
    QAction* action = bar.bar->addWidget(control);
    action->setObjectName(key);
    bar.buttons.append(action);
    bar.byKey.insert(key, action);
}

void MainToolbars::buildStandard()
{
    const Toolbar s = Toolbar::Standard;
    toolbar(s)->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    addButton(s, "new", "New", "New", Kind::Push, ToolbarIcons::standard(0));
    addButton(s, "open", "Open", "Open", Kind::Push, ToolbarIcons::standard(1));
    addSeparator(s);
    addButton(s, "explorer", "Explorer", "Explorer", Kind::Toggle, ToolbarIcons::standard(2))->setChecked(true);
    addButton(s, "capture", "Capture", "Capture", Kind::Toggle, ToolbarIcons::standard(3));
    addButton(s, "screencapture", "Screen Capture", "Screen Capture", Kind::Toggle, ToolbarIcons::standard(4));
    addButton(s, "knowledgebase", "Knowledge base", "Knowledge base", Kind::Toggle, ToolbarIcons::standard(5));
    addSeparator(s);
    addButton(s, "help", "Help", "How Do I?", Kind::Push, ToolbarIcons::standard(6));
    addSeparator(s);
}

void MainToolbars::buildVideo()
{
    const Toolbar v = Toolbar::Video;
    addButton(v, "play", "Play", {}, Kind::Push, ToolbarIcons::video(0));
    addButton(v, "stop", "Stop", {}, Kind::Push, ToolbarIcons::video(1));
    addButton(v, "first", "First", {}, Kind::Push, ToolbarIcons::video(2));
    addButton(v, "prev", "Prev", {}, Kind::Push, ToolbarIcons::video(3));
    addButton(v, "next", "Next", {}, Kind::Push, ToolbarIcons::video(4));
    addButton(v, "last", "Last", {}, Kind::Push, ToolbarIcons::video(5));

    m_combVideoList = new QComboBox;
    m_combVideoList->setObjectName("combVideoList");
    m_combVideoList->setToolTip(tr("Play another video window together with this one"));
    m_combVideoList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_combVideoList->setMinimumContentsLength(10);
    m_combVideoList->addItem(QString::fromLatin1(PlayWith));
    addEmbedded(v, "videolist", container("picVideoList", {m_combVideoList}));
    addSeparator(v);

    addButton(v, "zoomin", "ZoomIn", {}, Kind::Push, ToolbarIcons::video(6));
    addButton(v, "zoomout", "ZoomOut", {}, Kind::Push, ToolbarIcons::video(7));
    addSeparator(v);

    m_combFrameRate = new QComboBox;
    m_combFrameRate->setObjectName("combFrameRate");
    m_combFrameRate->setToolTip(tr("Playback rate"));
    for (const auto& [text, rate] : {std::pair{"x 0.5", 0.5}, {"x 1", 1.0}, {"x 2", 2.0}, {"x 3", 3.0}})
        m_combFrameRate->addItem(QString::fromLatin1(text), rate);
    m_combFrameRate->setCurrentIndex(1);
    addEmbedded(v, "framerate", m_combFrameRate);

    m_hscrlVideo = positionSlider("hscrlVideo", 160);
    m_hscrlVideo->setToolTip(tr("Video position"));
    m_videoMarks = new TrackBarMarks(*m_hscrlVideo);
    m_chkFlip = new QCheckBox(QStringLiteral("Flip"));
    m_chkFlip->setObjectName("chkFlip");
    addEmbedded(v, "videoscroll", container("picVideoBar", {m_hscrlVideo, m_chkFlip}));
}

void MainToolbars::buildDraw()
{
    const Toolbar d = Toolbar::Draw;
    m_drawGroup = new QActionGroup(this);
    m_drawGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    addButton(d, "line", "Line", {}, Kind::Group, ToolbarIcons::draw(0));
    addButton(d, "rect", "Rectangle", {}, Kind::Group, ToolbarIcons::draw(1));
    addButton(d, "oval", "Oval", {}, Kind::Group, ToolbarIcons::draw(2));
    addButton(d, "arc", "Arc", {}, Kind::Group, ToolbarIcons::draw(3));
    addButton(d, "angle", "Angle", {}, Kind::Group, ToolbarIcons::draw(4));
    addButton(d, "parallel", "Parallel", {}, Kind::Group, ToolbarIcons::draw(11));
    addButton(d, "ruler", "Ruler", {}, Kind::Toggle, ToolbarIcons::draw(5));
    addButton(d, "grid", "Grid", {}, Kind::Toggle, ToolbarIcons::draw(6));
    addSeparator(d);
    addButton(d, "adjust", "Adjust shape", {}, Kind::Toggle, ToolbarIcons::draw(7));
    addButton(d, "undo", "Undo", {}, Kind::Push, ToolbarIcons::draw(8));
    addButton(d, "delete", "Delete All", {}, Kind::Push, ToolbarIcons::draw(9));
    addSeparator(d);
    addButton(d, "copy", "Copy image", {}, Kind::Push, ToolbarIcons::draw(10));
    addSeparator(d);

    m_cboColorPicker = new QComboBox;
    m_cboColorPicker->setObjectName("cboColorPicker");
    m_cboColorPicker->setToolTip(tr("Drawing colour"));
    for (const ColourItem& colour : kColours)
        m_cboColorPicker->addItem(QString::fromLatin1(colour.text), colour.bgr);
    m_cboColorPicker->setCurrentIndex(0);

    m_combLineWidth = new QComboBox;
    m_combLineWidth->setObjectName("combLineWidth");
    m_combLineWidth->setToolTip(tr("Line width"));
    m_combLineWidth->setIconSize(QSize(32, 16));
    for (int i = 0; i < 5; ++i)
        m_combLineWidth->addItem(ToolbarIcons::lineWidth(i), QStringLiteral("x%1").arg(i + 1));
    m_combLineWidth->setCurrentIndex(0);
    addEmbedded(d, "colorpicker", container("picDraw", {m_cboColorPicker, m_combLineWidth}));

    // Tools beyond the classic set go last, so the classic buttons keep their indexes.
    addSeparator(d);
    addButton(d, "select", "Select shape", {}, Kind::Group, ToolbarIcons::draw(12));
    addButton(d, "vangle", "Angle to vertical", {}, Kind::Group, ToolbarIcons::draw(13));
    addButton(d, "hangle", "Angle to horizontal", {}, Kind::Group, ToolbarIcons::draw(14));
    addButton(d, "length", "Length (kept)", {}, Kind::Group, ToolbarIcons::draw(15));
    addButton(d, "track", "Track a point", {}, Kind::Group, ToolbarIcons::draw(16));
}

void MainToolbars::buildModel()
{
    const Toolbar m = Toolbar::Model;
    addButton(m, "open", "Open", {}, Kind::Push, ToolbarIcons::model(0));
    addButton(m, "close", "Close", {}, Kind::Push, ToolbarIcons::model(1));
    addSeparator(m);
    addButton(m, "play", "Play", {}, Kind::Push, ToolbarIcons::model(2));
    addButton(m, "pause", "Pause", {}, Kind::Push, ToolbarIcons::model(3));
    addSeparator(m);
    addButton(m, "adjust", "Adjust", {}, Kind::Toggle, ToolbarIcons::model(4));
    addButton(m, "zoomin", "ZoomIn", {}, Kind::Push, ToolbarIcons::model(5));
    addButton(m, "zoomout", "ZoomOut", {}, Kind::Push, ToolbarIcons::model(6));
    addSeparator(m);

    m_ccrpUpDown1 = new QSpinBox;
    m_ccrpUpDown1->setObjectName("ccrpUpDown1");
    m_ccrpUpDown1->setToolTip(tr("Model opacity (0-255)"));
    m_ccrpUpDown1->setRange(0, 255);
    m_ccrpUpDown1->setValue(125);
    m_ccrpUpDown1->findChild<QLineEdit*>()->setObjectName("Text1");
    addEmbedded(m, "updown", container("picUpDown", {m_ccrpUpDown1}));

    m_hscrModel = positionSlider("hscrModel", 200);
    m_hscrModel->setToolTip(tr("Model position"));
    m_chkWithVideo = new QCheckBox(QStringLiteral("Video"));
    m_chkWithVideo->setObjectName("chkWithVideo");
    m_chkWithVideo->setToolTip(tr("Play and pause the model together with the video"));
    addEmbedded(m, "modelscroll", container("picModelBar", {m_hscrModel, m_chkWithVideo}));

    m_spnKeyTolerance = new QSpinBox;
    m_spnKeyTolerance->setObjectName("spnKeyTolerance");
    m_spnKeyTolerance->setToolTip(tr("Model key tolerance: colours this close to magenta are transparent (0: exact)"));
    m_spnKeyTolerance->setRange(0, 64);
    m_spnKeyTolerance->setPrefix(QStringLiteral("Key \u00B1"));
    addEmbedded(m, "keytolerance", container("picKeyTolerance", {m_spnKeyTolerance}));
}

} // namespace kestrel
