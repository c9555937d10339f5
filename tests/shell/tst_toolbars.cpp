#include "tst_toolbars.h"

#include "ShellFixture.h"
#include "shell/MainToolbars.h"
#include "shell/ToolbarCommands.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSlider>
#include <QSpinBox>
#include <QToolBar>
#include <QWidgetAction>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

Q_DECLARE_METATYPE(kestrel::Toolbar)

namespace {

enum class Kind { Push, Separator, Toggle, Group, Embedded };

Kind kindOf(QAction* action)
{
    if (action->isSeparator())
        return Kind::Separator;
    if (qobject_cast<QWidgetAction*>(action))
        return Kind::Embedded;
    if (action->actionGroup())
        return Kind::Group;
    return action->isCheckable() ? Kind::Toggle : Kind::Push;
}

struct Row {
    const char* key;
    const char* tooltip;
    const char* caption;
    Kind kind;
};

void addRows(Toolbar bar, const char* name, std::initializer_list<Row> rows)
{
    int index = 0;
    for (const Row& row : rows) {
        QTest::addRow("%s %d %s", name, index, row.key)
            << bar << index << row.key << row.tooltip << row.caption << int(row.kind);
        ++index;
    }
}

void openCaptioned(frmMDI& frame, const QStringList& captions)
{
    for (const QString& caption : captions) {
        frame.LoadNewDoc({});
        frame.activeVideoWindow()->setWindowTitle(caption);
    }
}

} // namespace

void tst_Toolbars::structure_keysTooltipsCaptionsKinds_data()
{
    QTest::addColumn<Toolbar>("bar");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("kind");
    const Kind P = Kind::Push, S = Kind::Separator, T = Kind::Toggle, G = Kind::Group, E = Kind::Embedded;
    addRows(Toolbar::Standard, "standard",
        {{"new", "New", "New", P}, {"open", "Open", "Open", P}, {"", "", "", S},
            {"explorer", "Explorer", "Explorer", T}, {"capture", "Capture", "Capture", T},
            {"screencapture", "Screen Capture", "Screen Capture", T},
            {"knowledgebase", "Knowledge base", "Knowledge base", T}, {"", "", "", S}, {"help", "Help", "How Do I?", P},
            {"", "", "", S}});
    addRows(Toolbar::Video, "video",
        {{"play", "Play", "", P}, {"stop", "Stop", "", P}, {"first", "First", "", P}, {"prev", "Prev", "", P},
            {"next", "Next", "", P}, {"last", "Last", "", P}, {"videolist", "", "", E}, {"", "", "", S},
            {"zoomin", "ZoomIn", "", P}, {"zoomout", "ZoomOut", "", P}, {"", "", "", S}, {"framerate", "", "", E},
            {"videoscroll", "", "", E}});
    addRows(Toolbar::Draw, "draw",
        {{"line", "Line", "", G}, {"rect", "Rectangle", "", G}, {"oval", "Oval", "", G}, {"arc", "Arc", "", G},
            {"angle", "Angle", "", G}, {"parallel", "Parallel", "", G}, {"ruler", "Ruler", "", T},
            {"grid", "Grid", "", T}, {"", "", "", S}, {"adjust", "Adjust shape", "", T}, {"undo", "Undo", "", P},
            {"delete", "Delete All", "", P}, {"", "", "", S}, {"copy", "Copy image", "", P}, {"", "", "", S},
            {"colorpicker", "", "", E}, {"", "", "", S}, {"select", "Select shape", "", G},
            {"vangle", "Angle to vertical", "", G}, {"hangle", "Angle to horizontal", "", G},
            {"length", "Length (kept)", "", G}, {"track", "Track a point", "", G}});
    addRows(Toolbar::Model, "model",
        {{"open", "Open", "", P}, {"close", "Close", "", P}, {"", "", "", S}, {"play", "Play", "", P},
            {"pause", "Pause", "", P}, {"", "", "", S}, {"adjust", "Adjust", "", T}, {"zoomin", "ZoomIn", "", P},
            {"zoomout", "ZoomOut", "", P}, {"", "", "", S}, {"updown", "", "", E}, {"modelscroll", "", "", E},
            {"keytolerance", "", "", E}});
}

void tst_Toolbars::structure_keysTooltipsCaptionsKinds()
{
    QFETCH(Toolbar, bar);
    QFETCH(int, index);
    QFETCH(QString, key);
    QFETCH(QString, tooltip);
    QFETCH(QString, caption);
    QFETCH(int, kind);
    ShellFixture f;
    f.start();
    MainToolbars& toolbars = f.frame->toolbars();
    QAction* button = toolbars.button(bar, index);
    QVERIFY(button);
    QCOMPARE(int(kindOf(button)), kind);
    if (Kind(kind) == Kind::Separator)
        return;
    QCOMPARE(toolbars.key(bar, index), key);
    QCOMPARE(toolbars.button(bar, key), button);
    if (Kind(kind) == Kind::Embedded)
        return;
    QCOMPARE(button->toolTip(), tooltip);
    if (!caption.isEmpty()) {
        QCOMPARE(button->text(), caption);
        QCOMPARE(toolbars.toolbar(bar)->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    } else {
        QCOMPARE(toolbars.toolbar(bar)->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }
    // The button shows in its toolbar at its index.
    QCOMPARE(toolbars.toolbar(bar)->actions().indexOf(button), index);
}

void tst_Toolbars::structure_bandsInOrder()
{
    ShellFixture f;
    f.start();
    MainToolbars& toolbars = f.frame->toolbars();
    const QStringList names{"tbrStandard", "tbrVideo", "tbrDraw", "tbrModel"};
    const QStringList keys{"ToolbarStandard", "ToolbarVideo", "ToolbarDraw", "ToolbarModel"};
    const QList<int> counts{10, 13, 22, 13};
    QPoint previous(-1, -1);
    for (int i = 0; i < 4; ++i) {
        QToolBar* bar = toolbars.toolbar(Toolbar(i));
        QCOMPARE(bar->objectName(), names[i]);
        QCOMPARE(MainToolbars::bandKey(Toolbar(i)), keys[i]);
        QCOMPARE(bar->property("bandKey").toString(), keys[i]);
        QCOMPARE(toolbars.buttonCount(Toolbar(i)), counts[i]);
        QCOMPARE(f.frame->toolbarButtonCount(Toolbar(i)), counts[i]);
        QVERIFY(bar->isMovable());
        QVERIFY(bar->isVisible());
        QVERIFY(bar->height() >= 24);
        QCOMPARE(f.frame->toolBarArea(bar), Qt::TopToolBarArea);
        // Reading order: each band after the previous one (same row further right, or a lower row).
        const QPoint at = bar->pos();
        QVERIFY(at.y() > previous.y() || (at.y() == previous.y() && at.x() > previous.x()));
        previous = at;
    }
}

void tst_Toolbars::structure_everyButtonHasItsOwnIcon()
{
    ShellFixture f;
    f.start();
    for (int b = 0; b < 4; ++b) {
        QList<QImage> seen;
        for (QAction* button : f.frame->toolbars().toolbar(Toolbar(b))->actions()) {
            if (button->isSeparator() || qobject_cast<QWidgetAction*>(button))
                continue;
            const QImage icon = button->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(!icon.isNull(), qPrintable(button->objectName()));
            // Something is drawn, and it differs from every other icon of the bar.
            QImage blank(icon.size(), QImage::Format_ARGB32);
            blank.fill(Qt::transparent);
            QVERIFY2(icon != blank, qPrintable(button->objectName()));
            QVERIFY2(!seen.contains(icon), qPrintable(button->objectName()));
            seen << icon;
        }
    }
}

void tst_Toolbars::initialSelections()
{
    ShellFixture f;
    f.start();
    MainToolbars& t = f.frame->toolbars();
    QCOMPARE(t.combFrameRate()->currentText(), QStringLiteral("x 1"));
    QStringList rates;
    for (int i = 0; i < t.combFrameRate()->count(); ++i)
        rates << t.combFrameRate()->itemText(i);
    QCOMPARE(rates, QStringList({"x 0.5", "x 1", "x 2", "x 3"}));
    QCOMPARE(t.combVideoList()->currentText(), QStringLiteral("Play with..."));
    QCOMPARE(t.cboColorPicker()->currentText(), QStringLiteral("Black"));
    QCOMPARE(t.combLineWidth()->currentText(), QStringLiteral("x1"));
    QCOMPARE(t.ccrpUpDown1()->value(), 125);
    QCOMPARE(t.ccrpUpDown1()->minimum(), 0);
    QCOMPARE(t.ccrpUpDown1()->maximum(), 255);
    QCOMPARE(f.frame->modelOpacity(), 125);
    QCOMPARE(t.chkFlip()->text(), QStringLiteral("Flip"));
    QCOMPARE(t.chkWithVideo()->text(), QStringLiteral("Video"));
    QVERIFY(t.button(Toolbar::Standard, "explorer")->isChecked());
    for (const char* key : {"line", "rect", "oval", "arc", "angle", "parallel", "ruler", "grid", "adjust"})
        QVERIFY2(!t.button(Toolbar::Draw, key)->isChecked(), key);
}

void tst_Toolbars::colourList_setsDrawingColour_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("bgr");
    QTest::newRow("Gray") << "Gray" << 0x808080u;
    QTest::newRow("Red") << "Red" << 0x0000FFu;
    QTest::newRow("Green") << "Green" << 0x00FF00u;
    QTest::newRow("Yellow") << "Yellow" << 0x00FFFFu;
    QTest::newRow("Blue") << "Blue" << 0xFF0000u;
    QTest::newRow("Magenta") << "Magenta" << 0xFF00FFu;
    QTest::newRow("Cyan") << "Cyan" << 0xFFFF00u;
    QTest::newRow("White") << "White" << 0xFFFFFFu;
}

void tst_Toolbars::colourList_setsDrawingColour()
{
    QFETCH(QString, text);
    QFETCH(uint, bgr);
    ShellFixture f;
    f.start();
    QComboBox* colours = f.frame->toolbars().cboColorPicker();
    QCOMPARE(colours->count(), 9);
    colours->setCurrentIndex(colours->findText(text));
    QCOMPARE(f.frame->DrawingColor(), quint32(bgr));
    colours->setCurrentIndex(colours->findText("Black"));
    QCOMPARE(f.frame->DrawingColor(), 0u);
}

void tst_Toolbars::widthList_setsDrawingWidth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("widthPx");
    for (int w = 1; w <= 5; ++w)
        QTest::addRow("x%d", w) << QStringLiteral("x%1").arg(w) << w;
}

void tst_Toolbars::widthList_setsDrawingWidth()
{
    QFETCH(QString, text);
    QFETCH(int, widthPx);
    ShellFixture f;
    f.start();
    QComboBox* widths = f.frame->toolbars().combLineWidth();
    widths->setCurrentIndex(4);
    widths->setCurrentIndex(widths->findText(text));
    QCOMPARE(f.frame->DrawingWidth(), widthPx);
    QVERIFY(!widths->itemIcon(widths->currentIndex()).isNull());
}

void tst_Toolbars::drawTools_setToolAndReleaseRuler_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("tool");
    QTest::addColumn<bool>("rulerStays");
    QTest::newRow("line") << "line"
                          << "LineTool" << true;
    QTest::newRow("rect") << "rect"
                          << "RectangleTool" << false;
    QTest::newRow("oval") << "oval"
                          << "EllipseTool" << false;
    QTest::newRow("arc") << "arc"
                         << "CurveTool" << false;
    QTest::newRow("angle") << "angle"
                           << "AngleTool" << false;
    QTest::newRow("parallel") << "parallel"
                              << "ParallelTool" << false;
    QTest::newRow("select") << "select"
                            << "SelectTool" << true;
    QTest::newRow("vangle") << "vangle"
                            << "VerticalAngleTool" << false;
    QTest::newRow("hangle") << "hangle"
                            << "HorizontalAngleTool" << false;
    QTest::newRow("length") << "length"
                            << "LengthTool" << true;
    QTest::newRow("track") << "track"
                           << "TrackTool" << true;
}

void tst_Toolbars::drawTools_setToolAndReleaseRuler()
{
    QFETCH(QString, key);
    QFETCH(QString, tool);
    QFETCH(bool, rulerStays);
    ShellFixture f;
    f.start();
    f.frame->tbrDrawEnable(true);
    MainToolbars& t = f.frame->toolbars();
    t.button(Toolbar::Draw, "ruler")->setChecked(true);
    t.button(Toolbar::Draw, key)->trigger();
    QCOMPARE(f.frame->DrawingTool(), tool);
    QVERIFY(t.button(Toolbar::Draw, key)->isChecked());
    QCOMPARE(t.button(Toolbar::Draw, "ruler")->isChecked(), rulerStays);
    // One tool at a time.
    int pressed = 0;
    for (const char* other :
        {"line", "rect", "oval", "arc", "angle", "parallel", "select", "vangle", "hangle", "length", "track"})
        pressed += t.button(Toolbar::Draw, other)->isChecked();
    QCOMPARE(pressed, 1);
}

void tst_Toolbars::drawTools_workWithoutVideoWindow()
{
    ShellFixture f;
    f.start();
    f.frame->mdiArea()->closeAllSubWindows();
    f.frame->tbrDrawEnable(true);
    MainToolbars& t = f.frame->toolbars();
    t.button(Toolbar::Draw, "angle")->trigger();
    QCOMPARE(f.frame->DrawingTool(), QStringLiteral("AngleTool"));
    t.cboColorPicker()->setCurrentIndex(t.cboColorPicker()->findText("Magenta"));
    t.combLineWidth()->setCurrentIndex(t.combLineWidth()->findText("x3"));
    QCOMPARE(f.frame->DrawingColor(), 0xFF00FFu);
    QCOMPARE(f.frame->DrawingWidth(), 3);
    // Commands that need a window do nothing, without complaint.
    for (const char* key : {"ruler", "grid", "adjust", "undo", "delete", "copy"})
        t.button(Toolbar::Draw, key)->trigger();
    QVERIFY(f.prompter.shown().isEmpty());
}

void tst_Toolbars::tbrDrawEnable_setsEveryDrawingButton()
{
    ShellFixture f;
    f.start();
    MainToolbars& t = f.frame->toolbars();
    // Mixed states first: the call overrides them all.
    t.button(Toolbar::Draw, "line")->setEnabled(true);
    t.button(Toolbar::Draw, "copy")->setEnabled(false);
    f.frame->tbrDrawEnable(false);
    for (int i = 0; i < t.buttonCount(Toolbar::Draw); ++i)
        QVERIFY(!t.button(Toolbar::Draw, i)->isEnabled());
    QVERIFY(!t.cboColorPicker()->isEnabled());
    f.frame->tbrDrawEnable(true);
    for (int i = 0; i < t.buttonCount(Toolbar::Draw); ++i)
        QVERIFY(t.button(Toolbar::Draw, i)->isEnabled());
    QVERIFY(t.cboColorPicker()->isEnabled());
    QVERIFY(t.combLineWidth()->isEnabled());
    // Other toolbars are not touched.
    QCOMPARE(t.button(Toolbar::Standard, "new")->isEnabled(), true);
}

void tst_Toolbars::adjust_withNothingToAdjustPopsBackUp()
{
    ShellFixture f;
    f.start();
    f.frame->tbrDrawEnable(true);
    MainToolbars& t = f.frame->toolbars();
    QAction* adjust = t.button(Toolbar::Draw, "adjust");
    adjust->trigger();
    QVERIFY(!adjust->isChecked());
    for (int i = 0; i < t.buttonCount(Toolbar::Draw); ++i)
        QVERIFY(t.button(Toolbar::Draw, i)->isEnabled());
}

void tst_Toolbars::playWith_partnerIsTheChosenOtherWindow()
{
    ShellFixture f;
    f.start();
    f.frame->mdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    openCaptioned(*f.frame, {"A", "B", "C"});
    f.frame->UpdateVideoList({});
    const QList<frmVideo*> windows = f.frame->videoWindows();
    f.frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(windows[0]->parentWidget()));
    frmVideo* a = f.frame->activeVideoWindow();
    QCOMPARE(a, windows[0]);

    ToolbarCommands* commands = &f.frame->commands();
    QComboBox* list = f.frame->toolbars().combVideoList();
    QCOMPARE(commands->playWithPartner(*a), nullptr); // "Play with..."
    list->setCurrentIndex(list->findText("B"));
    QCOMPARE(commands->playWithPartner(*a), windows[1]);
    list->setCurrentIndex(list->findText("C"));
    QCOMPARE(commands->playWithPartner(*a), windows[2]);
    // The active window's own caption plays only the active window.
    list->setCurrentIndex(list->findText("A"));
    QCOMPARE(commands->playWithPartner(*a), nullptr);
    // A caption whose window has gone finds nobody.
    list->addItem("Z");
    list->setCurrentIndex(list->findText("Z"));
    QCOMPARE(commands->playWithPartner(*a), nullptr);
}

void tst_Toolbars::standardToolbar_newOpensWindowHelpOpensPage()
{
    ShellFixture f;
    f.start();
    MainToolbars& t = f.frame->toolbars();
    t.button(Toolbar::Standard, "new")->trigger();
    QCOMPARE(f.frame->videoWindows().size(), 2);
    t.button(Toolbar::Standard, "help")->trigger();
    QCOMPARE(f.launcher.urls, QList<QUrl>{frmMDI::helpPageUrl()});
}

void tst_Toolbars::videoCommands_withoutVideoWindowDoNothing()
{
    ShellFixture f;
    f.start();
    f.frame->mdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    MainToolbars& t = f.frame->toolbars();
    for (Toolbar bar : {Toolbar::Video, Toolbar::Model}) {
        for (int i = 0; i < t.buttonCount(bar); ++i) {
            t.button(bar, i)->setEnabled(true);
            t.button(bar, i)->trigger();
        }
    }
    t.combFrameRate()->setCurrentIndex(3);
    t.hscrlVideo()->setRange(0, 10);
    t.hscrlVideo()->setValue(5);
    t.hscrModel()->setRange(0, 10);
    t.hscrModel()->setValue(5);
    t.ccrpUpDown1()->setValue(10);
    QVERIFY(f.prompter.shown().isEmpty());
    QCOMPARE(f.frame->videoWindows().size(), 0);
}

void tst_Toolbars::pressedState_throughFrameServices()
{
    ShellFixture f;
    f.start();
    FrameServices& services = *f.frame;
    services.setToolbarButtonPressed(Toolbar::Draw, "line", true);
    QVERIFY(services.toolbarButtonPressed(Toolbar::Draw, "line"));
    services.setToolbarButtonPressed(Toolbar::Draw, "rect", true);
    QVERIFY(!services.toolbarButtonPressed(Toolbar::Draw, "line"));
    services.setToolbarButtonPressed(Toolbar::Model, "adjust", true);
    QVERIFY(services.toolbarButtonPressed(Toolbar::Model, "adjust"));
    // Push buttons and unknown keys have no pressed state.
    services.setToolbarButtonPressed(Toolbar::Video, "play", true);
    QVERIFY(!services.toolbarButtonPressed(Toolbar::Video, "play"));
    QVERIFY(!services.toolbarButtonPressed(Toolbar::Video, "nosuchkey"));
    services.setToolbarButtonEnabled(Toolbar::Video, 1, false);
    QVERIFY(!f.frame->toolbars().button(Toolbar::Video, "stop")->isEnabled());
}
