#include "tst_windows.h"

#include "ShellFixture.h"
#include "engine/VideoEngine.h"
#include "shell/MainToolbars.h"
#include "support/TestClips.h"
#include "video/frmVideo.h"

#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSlider>
#include <QtTest>

using namespace kestrel;
using kestrel::test::ShellFixture;

namespace {

// Three windows on copies of a clip (a.avi, b.avi, c.avi), in creation order.
QList<QMdiSubWindow*> openThree(ShellFixture& f, const QStringList& clips)
{
    for (QMdiSubWindow* window : f.frame->mdiArea()->subWindowList())
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const QString& clip : clips) {
        f.frame->LoadNewDoc({});
        f.frame->OpenVideoFile(clip);
    }
    return f.frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
}

frmVideo* video(QMdiSubWindow* window)
{
    return frmMDI::videoWindowOf(window);
}

void activate(ShellFixture& f, QMdiSubWindow* window)
{
    f.frame->mdiArea()->setActiveSubWindow(window);
    QCoreApplication::processEvents();
}

bool landed(frmVideo* window)
{
    return QTest::qWaitFor([&] { return !window->vcxVideo().isSeeking(); }, 10000);
}

} // namespace

void tst_Windows::initTestCase()
{
    QVERIFY(m_dir.isValid());
    kestrel::test::ClipRecipe recipe;
    recipe.codec = QStringLiteral("mjpeg");
    recipe.frames = 240;
    recipe.fpsNum = 60;
    recipe.gopSize = 1;
    QString error;
    QVERIFY2(kestrel::test::makeClip(m_dir.filePath(QStringLiteral("a.avi")), recipe, &error), qPrintable(error));
    for (const char* name : {"a.avi", "b.avi", "c.avi"}) {
        if (*name != 'a')
            QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("a.avi")), m_dir.filePath(QLatin1String(name))));
        m_clips << m_dir.filePath(QLatin1String(name));
    }
}

void tst_Windows::backgroundAndPartnerWindows_neverMoveTheActiveOne()
{
    ShellFixture f;
    f.start();
    const QList<QMdiSubWindow*> windows = openThree(f, m_clips);
    QCOMPARE(windows.size(), 3);
    frmVideo* stopped = video(windows.at(0));
    frmVideo* background = video(windows.at(1));
    frmVideo* partner = video(windows.at(2));
    QSlider* slider = f.frame->toolbars().hscrlVideo();

    // The middle window plays on behind the others.
    activate(f, windows.at(1));
    f.frame->toolbars().button(Toolbar::Video, "play")->trigger();
    QVERIFY(background->IsPlaying());

    // The first window stands on frame 10 and plays with the third.
    activate(f, windows.at(0));
    for (int i = 0; i < 10; ++i)
        f.frame->toolbars().button(Toolbar::Video, "next")->trigger();
    QVERIFY(landed(stopped));
    QCOMPARE(stopped->vcxVideo().CurrentFrame(), qint64(10));
    QCOMPARE(slider->value(), 10);

    // While the background window plays, the active one and its slider stay.
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(15);
        QCOMPARE(stopped->vcxVideo().CurrentFrame(), qint64(10));
        QCOMPARE(slider->value(), 10);
    }
    QVERIFY(background->vcxVideo().CurrentFrame() > 0);

    // Play with the partner, then stop: the partner's frames never reposition the active window.
    QComboBox* list = f.frame->toolbars().combVideoList();
    list->setCurrentIndex(list->findText(partner->windowTitle()));
    QVERIFY(list->currentIndex() > 0);
    f.frame->toolbars().button(Toolbar::Video, "play")->trigger();
    QVERIFY(stopped->IsPlaying());
    QVERIFY(partner->IsPlaying());
    QTest::qWait(200);
    f.frame->toolbars().button(Toolbar::Video, "stop")->trigger();
    QVERIFY(landed(stopped));
    QTest::qWait(50);
    const qint64 stoppedAt = stopped->vcxVideo().CurrentFrame();
    QCOMPARE(slider->value(), int(stoppedAt));
    QCOMPARE(stopped->currentFrame(), int(stoppedAt));
    QCOMPARE(kestrel::test::readFrameIndex(stopped->vcxVideo().GrabFrame()), int(stoppedAt));
    // Still, with the background window playing on.
    QTest::qWait(150);
    QCOMPARE(stopped->vcxVideo().CurrentFrame(), stoppedAt);
    QCOMPARE(slider->value(), int(stoppedAt));
    QVERIFY(background->IsPlaying());
    f.frame->toolbars().button(Toolbar::Video, "stop")->trigger();
    activate(f, windows.at(1));
    f.frame->toolbars().button(Toolbar::Video, "stop")->trigger();
}

void tst_Windows::switchingWindows_showsEachOnesFrameWithoutSeeking()
{
    ShellFixture f;
    f.start();
    const QList<QMdiSubWindow*> windows = openThree(f, m_clips);
    QSlider* slider = f.frame->toolbars().hscrlVideo();
    const QList<int> frames = {200, 5, 120};
    for (int i = 0; i < 3; ++i) {
        activate(f, windows.at(i));
        video(windows.at(i))->vcxVideo().SeekFrame(frames.at(i));
        QVERIFY(landed(video(windows.at(i))));
    }
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 3; ++i) {
            activate(f, windows.at(i));
            QVERIFY(landed(video(windows.at(i))));
            QCOMPARE(slider->value(), frames.at(i));
            for (int j = 0; j < 3; ++j)
                QCOMPARE(video(windows.at(j))->vcxVideo().CurrentFrame(), qint64(frames.at(j)));
        }
    }
}
