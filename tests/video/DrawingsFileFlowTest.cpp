#include "DrawingsFileFlowTest.h"

#include "drawing/KesDrawingsFile.h"
#include "engine/VideoEngine.h"
#include "video/DrawingsFileCommands.h"
#include "video/VideoMouseTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

void DrawingsFileFlowTest::initTestCase()
{
    makeTestClip();
    QVERIFY(QFile::copy(m_clip, otherClip()));
}

void DrawingsFileFlowTest::init()
{
    for (const QString& clip : {m_clip, otherClip()})
        QFile::remove(KesDrawingsFile::pathFor(clip));
    openWindow();
}

void DrawingsFileFlowTest::cleanup()
{
    closeWindow();
}

QString DrawingsFileFlowTest::otherClip() const
{
    return m_clips.filePath(QStringLiteral("other.avi"));
}

void DrawingsFileFlowTest::drawAndCalibrate()
{
    drag(QStringLiteral("LineTool"), {40, 120}, {280, 120});
    drag(QStringLiteral("ParallelTool"), {40, 30}, {200, 60});
    calibrate(QStringLiteral("50"), {100, 100}, {200, 100});
    drag(QStringLiteral("LengthTool"), {40, 200}, {120, 200});
    QCOMPARE(draw().countShapes(), qint16(3));
    m_prompter->clear();
}

void DrawingsFileFlowTest::saveDrawings_writesBesideTheClipOnlyWhenAsked()
{
    drawAndCalibrate();
    const QString beside = KesDrawingsFile::pathFor(m_clip);
    QVERIFY(!QFileInfo::exists(beside)); // drawing writes nothing

    m_prompter->answerFile(std::nullopt);
    QVERIFY(!m_window->SaveDrawings());
    QVERIFY(!QFileInfo::exists(beside));
    const ScriptedPrompter::Shown& asked = m_prompter->last();
    QCOMPARE(asked.kind, ScriptedPrompter::Shown::Kind::Save);
    QCOMPARE(asked.request.title, QStringLiteral("Save drawings"));
    QCOMPARE(asked.request.fileName, QStringLiteral("swing.avi.drawings.json"));
    QCOMPARE(QDir(asked.request.startFolder), QFileInfo(m_clip).absoluteDir());
    QCOMPARE(asked.request.nameFilters, QStringList{"Kestrel drawings (*.drawings.json)"});
    QCOMPARE(asked.request.owner, m_window.get());

    m_prompter->answerFile(beside);
    QVERIFY(m_window->SaveDrawings());
    QString error;
    const std::optional<KesDrawings> saved = KesDrawingsFile::read(beside, &error);
    QVERIFY2(saved, qPrintable(error));
    QCOMPARE(saved->videoFile, QStringLiteral("swing.avi"));
    QCOMPARE(saved->videoSizePx, QSize(320, 240));
    QCOMPARE(saved->shapes.size(), size_t(3));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(saved->shapes[size_t(i)].ShapeType(), draw().GetShape(i + 1).ShapeType());
        QCOMPARE(saved->shapes[size_t(i)].Points(1), draw().GetShape(i + 1).Points(1));
    }
    QCOMPARE(saved->shapes[1].Distance(), 100.0);
    QVERIFY(saved->ruler.Calibrated());
    QCOMPARE(saved->ruler.Factor(), 0.5f);
    QCOMPARE(m_prompter->messages().size(), 0);
}

void DrawingsFileFlowTest::saveDrawings_failureSaysWhy()
{
    drawAndCalibrate();
    const QString nowhere = m_clips.filePath(QStringLiteral("missing/folder/x.drawings.json"));
    m_prompter->answerFile(nowhere);
    QVERIFY(!m_window->SaveDrawings());
    const ScriptedPrompter::Shown& said = m_prompter->last();
    QCOMPARE(said.kind, ScriptedPrompter::Shown::Kind::Message);
    QCOMPARE(said.title, QStringLiteral("Save drawings"));
    QCOMPARE(said.icon, MsgIcon::Exclamation);
    QVERIFY(said.text.startsWith(QStringLiteral("Could not write\r\n") + QDir::toNativeSeparators(nowhere)));
    QCOMPARE(draw().countShapes(), qint16(3));
}

void DrawingsFileFlowTest::openingAClip_offersItsSavedDrawings_data()
{
    QTest::addColumn<bool>("load");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void DrawingsFileFlowTest::openingAClip_offersItsSavedDrawings()
{
    QFETCH(bool, load);
    drawAndCalibrate();
    const KesDrawings drawings = m_window->mouseTools().drawings();
    QVERIFY(KesDrawingsFile::write(KesDrawingsFile::pathFor(otherClip()), drawings, nullptr));

    // A fresh window has nothing to keep: only the offer is made.
    closeWindow();
    openWindow();
    QVERIFY(m_prompter->shown().isEmpty()); // swing.avi has no saved drawings
    m_prompter->answerMessage(load ? MsgAnswer::Yes : MsgAnswer::No);
    m_window->NewPlayerFile(otherClip());
    QCOMPARE(m_prompter->shown().size(), 1);
    const ScriptedPrompter::Shown& offer = m_prompter->last();
    QCOMPARE(offer.text, DrawingsFileCommands::loadQuestion(KesDrawingsFile::pathFor(otherClip())));
    QCOMPARE(offer.text, QStringLiteral("This video has saved drawings:\r\nother.avi.drawings.json\r\n\r\nLoad them?"));
    QCOMPARE(offer.title, QStringLiteral("Saved drawings"));
    QCOMPARE(offer.icon, MsgIcon::Question);
    QCOMPARE(offer.buttons, MsgButtons::YesNo);
    if (!load) {
        QCOMPARE(draw().countShapes(), qint16(0));
        QVERIFY(!draw().Ruler().Calibrated());
        return;
    }
    QCOMPARE(draw().countShapes(), qint16(3));
    QCOMPARE(draw().GetShape(3).ShapeType(), QStringLiteral("Length"));
    QCOMPARE(draw().GetShape(1).Points(1), (KesPoint{280, 120}));
    QVERIFY(draw().Ruler().Calibrated());
    QCOMPARE(draw().Ruler().Factor(), 0.5f);
    // And they show.
    QCOMPARE(composed().pixelColor(200, 120), bgr(m_frame->colour));
}

void DrawingsFileFlowTest::openingAnotherClip_asksToKeepDrawingsAndCalibration_data()
{
    QTest::addColumn<bool>("keep");
    QTest::newRow("keep") << true;
    QTest::newRow("drop") << false;
}

void DrawingsFileFlowTest::openingAnotherClip_asksToKeepDrawingsAndCalibration()
{
    QFETCH(bool, keep);
    drawAndCalibrate();
    m_frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), true);
    m_prompter->answerMessage(keep ? MsgAnswer::Yes : MsgAnswer::No);
    m_window->NewPlayerFile(otherClip());
    QCOMPARE(m_window->FileName(), otherClip());
    QCOMPARE(m_prompter->shown().size(), 1);
    const ScriptedPrompter::Shown& question = m_prompter->last();
    QCOMPARE(question.text, QStringLiteral("Keep the drawings and the ruler calibration for the new video?"));
    QCOMPARE(question.title, QStringLiteral("Open video"));
    QCOMPARE(question.icon, MsgIcon::Question);
    QCOMPARE(question.buttons, MsgButtons::YesNo);
    QCOMPARE(int(draw().countShapes()), keep ? 3 : 0);
    QCOMPARE(draw().Ruler().Calibrated(), keep);
    QCOMPARE(draw().Ruler().Factor(), keep ? 0.5f : 0.0f);
    QCOMPARE(m_frame->isPressed(QStringLiteral("ruler")), keep);
    QCOMPARE(composed().pixelColor(200, 120) == bgr(m_frame->colour), keep);
    if (!keep) {
        // A new calibration is possible for the new clip.
        calibrate(QStringLiteral("10"), {100, 100}, {100, 140});
        QCOMPARE(draw().Ruler().Factor(), 0.25f);
    }
    // An empty window opening a clip asks nothing.
    m_window->DrawingsDeleteAll();
    if (keep) {
        m_prompter->answerMessage(MsgAnswer::No);
        m_window->NewPlayerFile(m_clip); // still calibrated: asked, and dropped
    }
    m_prompter->clear();
    m_window->NewPlayerFile(otherClip());
    QVERIFY(m_prompter->shown().isEmpty() || !keep);
}

void DrawingsFileFlowTest::unreadableSavedDrawings_sayWhyAndLoseNothing()
{
    drawAndCalibrate();
    QFile broken(KesDrawingsFile::pathFor(otherClip()));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write(R"({"format": "Kestrel drawings", "version": 7})");
    broken.close();
    m_prompter->answerMessage(MsgAnswer::Yes); // keep
    m_prompter->answerMessage(MsgAnswer::Yes); // load the saved ones
    m_window->NewPlayerFile(otherClip());
    QCOMPARE(m_prompter->shown().size(), 3);
    const ScriptedPrompter::Shown& said = m_prompter->last();
    QCOMPARE(said.title, QStringLiteral("Saved drawings"));
    QCOMPARE(said.icon, MsgIcon::Exclamation);
    QCOMPARE(said.text,
        QStringLiteral("The saved drawings could not be read:\r\nother.avi.drawings.json\r\n\r\n"
                       "It was written by a newer Kestrel (format version 7)."));
    QCOMPARE(draw().countShapes(), qint16(3));
    QVERIFY(draw().Ruler().Calibrated());
}

void DrawingsFileFlowTest::savedDrawingsOfUnknownKinds_areLeftOutWithANote()
{
    const QJsonObject line{{"kind", "Line"}, {"points", QJsonArray{QJsonArray{10, 10}, QJsonArray{300, 10}}},
        {"color", "#00ff00"}, {"widthPx", 2}};
    const QJsonObject spline{{"kind", "Spline"}, {"knots", QJsonArray{}}};
    QFile file(KesDrawingsFile::pathFor(otherClip()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(
        QJsonObject{{"format", "Kestrel drawings"}, {"version", 1}, {"shapes", QJsonArray{spline, line, spline}}})
                   .toJson());
    file.close();
    m_prompter->answerMessage(MsgAnswer::Yes);
    m_window->NewPlayerFile(otherClip());
    QCOMPARE(draw().countShapes(), qint16(1));
    QCOMPARE(m_prompter->last().text,
        QStringLiteral("2 saved shapes of kinds this version of Kestrel does not know were left out."));
    QCOMPARE(m_prompter->last().icon, MsgIcon::Information);
}

void DrawingsFileFlowTest::savePicture_writesTheFrameWithItsDrawings()
{
    drawAndCalibrate();
    m_window->vcxNext();
    m_window->vcxNext();
    m_frame->drawingTool = QStringLiteral("SelectTool");
    click({160, 120});
    const QImage withHandles = composed();
    key(Qt::Key_Escape);
    const QImage plain = composed();
    QVERIFY(plain != withHandles);
    click({160, 120});

    const QString path = m_clips.filePath(QStringLiteral("picture.png"));
    m_prompter->answerFile(path);
    QVERIFY(m_window->SavePicture());
    const ScriptedPrompter::Shown& asked = m_prompter->last();
    QCOMPARE(asked.request.title, QStringLiteral("Save picture"));
    QCOMPARE(asked.request.fileName, QStringLiteral("swing_frame%1.png").arg(m_window->vcxVideo().CurrentFrame()));
    QCOMPARE(asked.request.nameFilters, QStringList{"PNG pictures (*.png)"});
    QImage saved(path);
    QVERIFY(!saved.isNull());
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), plain);
    // The window still shows the selection.
    QCOMPARE(composed(), withHandles);

    m_prompter->answerFile(m_clips.filePath(QStringLiteral("no/such/folder/picture.png")));
    QVERIFY(!m_window->SavePicture());
    QCOMPARE(m_prompter->last().title, QStringLiteral("Save picture"));
    QCOMPARE(m_prompter->last().icon, MsgIcon::Exclamation);
}
