#include "tst_drawingcommands.h"

#include "ShellFixture.h"
#include "drawing/clsKesDraw.h"
#include "shell/MainMenus.h"
#include "shell/MainToolbars.h"
#include "support/TestClips.h"
#include "video/ShapeSelection.h"
#include "video/VideoMouseTools.h"
#include "video/VideoPicture.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QComboBox>
#include <QMdiArea>
#include <QMouseEvent>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

QTemporaryDir& clipFolder()
{
    static QTemporaryDir folder;
    return folder;
}

void mouse(frmVideo& video, QEvent::Type type, QPoint p, Qt::MouseButtons held)
{
    QWidget* picture = video.picVideo();
    QMouseEvent event(type, QPointF(p), QPointF(picture->mapToGlobal(p)),
        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(picture, &event);
}

void click(frmVideo& video, QPoint p)
{
    mouse(video, QEvent::MouseMove, p, Qt::NoButton);
    mouse(video, QEvent::MouseButtonPress, p, Qt::LeftButton);
    mouse(video, QEvent::MouseButtonRelease, p, Qt::NoButton);
}

void drag(frmVideo& video, QPoint from, QPoint to)
{
    mouse(video, QEvent::MouseMove, from, Qt::NoButton);
    mouse(video, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(video, QEvent::MouseMove, to, Qt::LeftButton);
    mouse(video, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

struct OpenClip {
    ShellFixture f;
    frmVideo* video = nullptr;

    explicit OpenClip(const QString& clip)
    {
        f.start();
        video = f.frame->activeVideoWindow();
        f.frame->OpenVideoFile(clip);
        f.frame->tbrDrawEnable(true);
    }
    MainToolbars& toolbars() { return f.frame->toolbars(); }
    clsKesDraw& draw() { return video->mouseTools().drawing(); }
    void triggerTool(const char* key) { toolbars().button(Toolbar::Draw, key)->trigger(); }
};

} // namespace

void tst_DrawingCommands::initTestCase()
{
    m_clip = clipFolder().filePath("swing.avi");
    QString error;
    QVERIFY2(makeClip(m_clip, ClipRecipe{}, &error), qPrintable(error));
}

void tst_DrawingCommands::choosingAnotherTool_dropsAHalfDrawnAngle()
{
    OpenClip c(m_clip);
    QVERIFY(c.video->HasVideo());
    c.triggerTool("angle");
    drag(*c.video, {20, 20}, {120, 120});
    QCOMPARE(c.draw().ShapeObj().CurrentPoint(), qint16(2));
    // Choosing the same tool again keeps the angle going ...
    c.triggerTool("angle");
    QCOMPARE(c.draw().ShapeObj().CurrentPoint(), qint16(2));
    // ... another one drops it, and the picture shows the frame alone again.
    c.triggerTool("rect");
    QCOMPARE(c.draw().ShapeObj().CurrentPoint(), qint16(0));
    QCOMPARE(c.video->composedPicture().pixel(70, 70), c.video->backgroundPicture().pixel(70, 70));
    c.triggerTool("angle");
    click(*c.video, {200, 40});
    QCOMPARE(c.draw().countShapes(), qint16(0)); // the old angle was not finished by this press
}

void tst_DrawingCommands::penLists_recolourSelectedShapesOnly()
{
    OpenClip c(m_clip);
    c.triggerTool("line");
    drag(*c.video, {20, 60}, {300, 60});
    drag(*c.video, {20, 160}, {300, 160});
    QComboBox* colours = c.toolbars().cboColorPicker();
    QComboBox* widths = c.toolbars().combLineWidth();
    // Nothing selected: the lists set the pen for new shapes only.
    colours->setCurrentIndex(colours->findText("Red"));
    QCOMPARE(c.draw().GetShape(1).Color(), 0);
    QCOMPARE(c.draw().GetShape(2).Color(), 0);

    c.triggerTool("select");
    click(*c.video, {150, 161});
    QCOMPARE(c.video->mouseTools().selection().positions(), QList<int>{2});
    colours->setCurrentIndex(colours->findText("Yellow"));
    widths->setCurrentIndex(widths->findText("x4"));
    QCOMPARE(c.draw().GetShape(2).Color(), 0x00FFFF);
    QCOMPARE(c.draw().GetShape(2).Width(), 4.0f);
    QCOMPARE(c.draw().GetShape(1).Color(), 0);
    QCOMPARE(c.draw().GetShape(1).Width(), 1.0f);
    QCOMPARE(c.video->composedPicture().pixelColor(100, 161), QColor(255, 255, 0));
}

void tst_DrawingCommands::lengthTool_startsCalibrationOnceOnly()
{
    OpenClip c(m_clip);
    c.f.prompter.answerInput(std::nullopt);
    c.triggerTool("length");
    QCOMPARE(c.f.prompter.shown().size(), 1);
    QCOMPARE(c.f.prompter.last().title, QStringLiteral("Ruler calibration"));

    c.f.prompter.answerInput(QStringLiteral("50"));
    c.triggerTool("length");
    click(*c.video, {100, 100});
    click(*c.video, {200, 100});
    QVERIFY(c.video->RulerCalibrated());
    // The calibration hands back to the length tool.
    QCOMPARE(c.f.frame->DrawingTool(), QStringLiteral("LengthTool"));
    QVERIFY(c.toolbars().button(Toolbar::Draw, "length")->isChecked());
    const int shown = int(c.f.prompter.shown().size());
    c.triggerTool("length");
    QCOMPARE(int(c.f.prompter.shown().size()), shown);
    drag(*c.video, {40, 200}, {80, 200});
    QCOMPARE(c.draw().countShapes(), qint16(1));
    QCOMPARE(c.draw().GetShape(1).ShapeType(), QStringLiteral("Length"));
}

void tst_DrawingCommands::drawingMenu_reachesTheActiveWindow()
{
    OpenClip c(m_clip);
    MainMenus& menus = c.f.frame->menus();
    c.triggerTool("line");
    drag(*c.video, {20, 60}, {300, 60});
    drag(*c.video, {20, 160}, {300, 160});

    menus.mnuDrawing(6)->trigger(); // Delete shape: the newest, none being selected
    QCOMPARE(c.draw().countShapes(), qint16(1));
    QCOMPARE(c.draw().GetShape(1).Points(0), (KesPoint{20, 60}));

    menus.mnuDrawing(3)->trigger(); // Angle between lines, with nothing selected
    QCOMPARE(c.f.prompter.last().title, QStringLiteral("Angle between lines"));
    QCOMPARE(c.f.prompter.last().text, VideoMouseTools::selectTwoLinesMessage());

    c.f.prompter.answerFile(std::nullopt);
    menus.mnuDrawing(0)->trigger();
    QCOMPARE(c.f.prompter.last().kind, ScriptedPrompter::Shown::Kind::Save);
    QCOMPARE(c.f.prompter.last().request.title, QStringLiteral("Save drawings"));

    c.f.prompter.answerFile(std::nullopt);
    menus.mnuDrawing(1)->trigger();
    QCOMPARE(c.f.prompter.last().request.title, QStringLiteral("Save picture"));

    c.f.prompter.answerInput(std::nullopt);
    menus.mnuDrawing(4)->trigger();
    QCOMPARE(c.f.prompter.last().title, QStringLiteral("Ruler calibration"));
    QVERIFY(c.f.prompter.allAnswersUsed());

    menus.mnuDrawing(8)->trigger(); // Export track CSV, with no track yet
    QCOMPARE(c.f.prompter.last().title, QStringLiteral("Export track CSV"));
    QCOMPARE(c.f.prompter.last().kind, ScriptedPrompter::Shown::Kind::Message);
}

void tst_DrawingCommands::drawingMenu_withoutVideoDoesNothing()
{
    ShellFixture f;
    f.start();
    MainMenus& menus = f.frame->menus();
    for (int i = 0; i < 7; ++i)
        if (QAction* item = menus.mnuDrawing(i); item && !item->isSeparator())
            item->trigger();
    f.frame->mdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (int i = 0; i < 7; ++i)
        if (QAction* item = menus.mnuDrawing(i); item && !item->isSeparator())
            item->trigger();
    QVERIFY(f.prompter.shown().isEmpty());
}
