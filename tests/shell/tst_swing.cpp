#include "tst_swing.h"

#include "ClipShell.h"
#include "analysis/SwingMarksStore.h"
#include "engine/VideoEngine.h"
#include "shell/MainMenus.h"
#include "shell/MainToolbars.h"
#include "shell/ShortcutTable.h"
#include "shell/TrackBarMarks.h"
#include "shell/frmMDI.h"
#include "support/SwingClips.h"
#include "video/ClipSwingEvents.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
constexpr int kAnalysisTimeoutMs = 60000;

QString swingClip(ClipShell& f, const QString& name, int fps, double addressS)
{
    SwingClipRecipe recipe;
    recipe.videoCodec = QStringLiteral("libx264");
    recipe.fps = fps;
    recipe.addressS = addressS;
    const QString path = f.dir.filePath(name);
    QString error;
    if (!makeSwingClip(path, recipe, &error)) {
        qWarning("cannot make %s: %s", qPrintable(name), qPrintable(error));
        return {};
    }
    return path;
}

bool ready(frmVideo& window)
{
    return window.swingEvents().status() == ClipSwingEvents::Status::Ready;
}
} // namespace

#define OPEN_SWING(fixture, name, fps, addressS)                                                                       \
    QVERIFY((fixture).startActive());                                                                                  \
    const QString clipPath = swingClip((fixture), name, fps, addressS);                                                \
    if (clipPath.isEmpty())                                                                                            \
        QSKIP("this machine cannot encode the clip");                                                                  \
    (fixture).frame->OpenFiles({clipPath});                                                                            \
    frmVideo* window = (fixture).active();                                                                             \
    QVERIFY(window && window->HasVideo());                                                                             \
    QTRY_VERIFY_WITH_TIMEOUT(ready(*window), kAnalysisTimeoutMs)

void tst_Swing::menu_itemsAndTheirKeys()
{
    ShellFixture f;
    f.start();
    MainMenus& menus = f.frame->menus();
    QCOMPARE(menus.mnuSwingTOP()->title(), QStringLiteral("Swing"));
    const QStringList captions{"Go to impact", "Next mark", "Previous mark", "", "Set mark here",
        "Find swing events again", "", "Sync at impact"};
    for (int i = 0; i < captions.size(); ++i) {
        QVERIFY(menus.mnuSwing(i));
        QCOMPARE(menus.mnuSwing(i)->isSeparator(), captions[i].isEmpty());
        QCOMPARE(menus.mnuSwing(i)->text(), captions[i]);
    }
    QCOMPARE(menus.mnuSwing(4)->menu(), menus.mnuSwingSetMark());
    for (int i = 0; i < 4; ++i)
        QCOMPARE(menus.mnuSwingMark(i)->text(), QStringList({"Address", "Top", "Impact", "Finish"})[i]);
    QCOMPARE(menus.mnuSwing(0)->shortcut(), QKeySequence(Qt::Key_I));
    QCOMPARE(menus.mnuSwing(1)->shortcut(), QKeySequence(Qt::Key_Period));
    QCOMPARE(menus.mnuSwing(2)->shortcut(), QKeySequence(Qt::Key_Comma));
    QCOMPARE(ShortcutTable::of(KeyCommand::GoToImpact).group, QStringLiteral("Swing"));
    // One action per key, or Qt would trigger none of them.
    int carriers = 0;
    for (QAction* action : f.frame->findChildren<QAction*>()) {
        if (action->shortcuts().contains(QKeySequence(Qt::Key_I)))
            ++carriers;
    }
    QCOMPARE(carriers, 1);
}

void tst_Swing::keys_landOnMarkFrames_marksOnSlider()
{
    ClipShell f;
    OPEN_SWING(f, QStringLiteral("swing.mkv"), 60, 0.6);
    const SwingMarks marks = window->swingMarks();
    VideoEngine& engine = window->vcxVideo();
    QSlider* slider = f.frame->toolbars().hscrlVideo();
    const auto landsOn = [&](SwingEvent event) {
        return engine.CurrentFrame() == marks.frame(event) && slider->value() == int(marks.frame(event));
    };

    pressKey(Qt::Key_I);
    QVERIFY(landsOn(SwingEvent::Impact));
    QTRY_COMPARE_WITH_TIMEOUT(engine.currentVideoFrame().index, marks.frame(SwingEvent::Impact), 10000);
    pressKey(Qt::Key_Period);
    QVERIFY(landsOn(SwingEvent::Finish));
    pressKey(Qt::Key_Comma);
    pressKey(Qt::Key_Comma);
    QVERIFY(landsOn(SwingEvent::Top));

    // The slider shows the window's marks, with their tooltips where they stand.
    TrackBarMarks* shown = f.frame->toolbars().videoMarks();
    QCOMPARE(shown->marks(), window->swingEvents().trackBarMarks());
    QCOMPARE(shown->marks().size(), 4);
    const TrackBarMark& impact = shown->marks()[2];
    QCOMPARE(shown->toolTipAt(shown->xOf(impact.value)), impact.toolTip);
    QVERIFY(shown->xOf(marks.frame(SwingEvent::Address)) < shown->xOf(impact.value));
    QVERIFY(shown->toolTipAt(-100).isEmpty());

    // A new empty window takes the marks off the slider.
    f.frame->LoadNewDoc({});
    QTRY_VERIFY(shown->marks().isEmpty());
}

void tst_Swing::setMarkMenu_movesTheMarkAndKeepsIt()
{
    ClipShell f;
    OPEN_SWING(f, QStringLiteral("swing.mkv"), 60, 0.6);
    const qint64 impact = window->swingMarks().frame(SwingEvent::Impact);
    pressKey(Qt::Key_I);
    pressKey(Qt::Key_Right);
    f.frame->menus().mnuSwingMark(2)->trigger();
    QCOMPARE(window->swingMarks().frame(SwingEvent::Impact), impact + 1);
    QVERIFY(window->swingMarks().isUserSet(SwingEvent::Impact));
    QCOMPARE(f.frame->statusBar()->currentMessage(), QStringLiteral("Impact marked at frame %1").arg(impact + 2));
    QCOMPARE(f.frame->toolbars().videoMarks()->marks()[2].value, int(impact + 1));
    const QString stored = f.settings.read(SwingMarksStore::keyFor(clipPath), QString());
    QVERIFY2(stored.contains(QStringLiteral("impact=%1*").arg(impact + 1)), qPrintable(stored));
    pressKey(Qt::Key_Home);
    pressKey(Qt::Key_I);
    QCOMPARE(window->vcxVideo().CurrentFrame(), impact + 1);
}

void tst_Swing::syncAtImpact_partnerFollowsAndDoesNotPlayAlone()
{
    ClipShell f;
    OPEN_SWING(f, QStringLiteral("swing60.mkv"), 60, 0.6);
    frmVideo* first = window;
    first->setWindowTitle(QStringLiteral("Sixty"));
    const QString slow = swingClip(f, QStringLiteral("swing240.mkv"), 240, 0.35);
    f.frame->OpenFiles({slow});
    frmVideo* second = f.active();
    QVERIFY(second && second != first);
    QTRY_VERIFY_WITH_TIMEOUT(ready(*second), kAnalysisTimeoutMs);
    second->setWindowTitle(QStringLiteral("Slow"));

    f.frame->UpdateVideoList({});
    QComboBox* list = f.frame->toolbars().combVideoList();
    list->setCurrentIndex(list->findText(QStringLiteral("Sixty")));
    f.frame->menus().mnuSwing(7)->trigger();
    QCOMPARE(second->syncedPartner(), first);
    QCOMPARE(f.frame->statusBar()->currentMessage(), QStringLiteral("Slow synced at impact with Sixty"));
    pressKey(Qt::Key_I);
    QCOMPARE(first->vcxVideo().CurrentFrame(), first->swingMarks().frame(SwingEvent::Impact));
    // Four steps of the 240 fps clip are one of the 60 fps clip.
    for (int i = 0; i < 4; ++i)
        pressKey(Qt::Key_Right);
    QCOMPARE(first->vcxVideo().CurrentFrame(), first->swingMarks().frame(SwingEvent::Impact) + 1);

    // Play plays the active window; the synced partner follows its frames.
    f.frame->toolbars().button(Toolbar::Video, QStringLiteral("play"))->trigger();
    QVERIFY(second->IsPlaying());
    QVERIFY(!first->IsPlaying());
    f.frame->toolbars().button(Toolbar::Video, QStringLiteral("stop"))->trigger();
    QVERIFY(!second->IsPlaying());
}

void tst_Swing::syncAtImpact_withoutPartnerOrModelExplains()
{
    ClipShell f;
    OPEN_SWING(f, QStringLiteral("swing.mkv"), 60, 0.6);
    f.frame->menus().mnuSwing(7)->trigger();
    QCOMPARE(f.prompter.last().text,
        QStringLiteral("Choose a video in the \"Play with...\" list or open a model, then sync at impact."));
    QCOMPARE(f.prompter.last().title, QStringLiteral("Sync at impact"));
    QCOMPARE(window->syncedPartner(), nullptr);
}

void tst_Swing::keyTolerance_keptInSettings()
{
    ShellFixture f;
    f.start();
    QSpinBox* tolerance = f.frame->toolbars().spnKeyTolerance();
    QCOMPARE(tolerance->value(), 0);
    QCOMPARE(f.frame->modelKeyTolerance(), 0);
    QCOMPARE(tolerance->maximum(), 64);
    tolerance->setValue(9);
    QCOMPARE(f.frame->modelKeyTolerance(), 9);
    QCOMPARE(f.settings.read(QStringLiteral("modelKeyTolerance"), QString()), QStringLiteral("9"));
    f.frame.reset();
    f.start();
    QCOMPARE(f.frame->modelKeyTolerance(), 9);
}
