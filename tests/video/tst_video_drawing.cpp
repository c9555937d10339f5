// Mouse drawing in a real video window: tools, rubber bands, adjusting, undo,
// grid and ruler calibration, driven by synthetic mouse events on picVideo
// over a clip made by the test.
#include "tst_video_drawing.h"

#include "engine/VideoEngine.h"
#include "video/MeasureLabel.h"
#include "video/VideoMouseTools.h"
#include "video/VideoPicture.h"
#include "video/frmVideo.h"

#include <QLocale>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

const QString CalibrationPrompt = QStringLiteral(
    "Ruler calibration!\r\n"
    "To calibrate the ruler:\r\n\r\n"
    "1) Enter the REAL WORLD measure in the text box, and click OK.\r\n\r\n"
    "2) On your video screen, mouse click at the starting point(1) of measurement.\r\n\r\n"
    "3) Then mouse click at the ending point(2) of measurement.\r\n\r\n"
    "[NOTE: the distance between point 1 and point 2 must present the value you entered in step 1.\r\n\r\n"
    "4) After you calibrate the ruler, whenever you draw a line (using the line tool) the length will be "
    "displayed.\r\n\r\n"
    "NOTE the calibration process is performed only once per video file.\r\n\r\n"
    "Please enter the real world measurement in the following text box and click OK.\r\n");

const QString CalibratedMessage = QStringLiteral(
    "You sucessfuly calibrated your ruler.\r\n"
    "You can now make measurements.\r\n"
    "To measure distance between two points just draw a line with the line tool while the ruler button is "
    "checked.\r\n");

} // namespace

void tst_VideoDrawing::initTestCase()
{
    makeTestClip();
}

void tst_VideoDrawing::init()
{
    openWindow();
    QCOMPARE(composed().size(), QSize(320, 240));
}

void tst_VideoDrawing::cleanup()
{
    closeWindow();
}

void tst_VideoDrawing::rectangle_draggedBackwardsIsStoredNormalised()
{
    drag(QStringLiteral("RectangleTool"), {100, 80}, {20, 30});
    QCOMPARE(draw().countShapes(), qint16(1));
    const clsKesShape& shape = draw().GetShape(1);
    QCOMPARE(shape.ShapeType(), QStringLiteral("Rectangle"));
    QCOMPARE(shape.Points(0), (KesPoint{20, 30}));
    QCOMPARE(shape.Points(1), (KesPoint{100, 80}));
    QCOMPARE(draw().Mode(), QStringLiteral("None"));
    QVERIFY(!draw().MouseDown());
    // Outline only, in the frame's colour.
    const QImage picture = composed();
    QCOMPARE(picture.pixelColor(60, 30), bgr(m_frame->colour));
    QCOMPARE(picture.pixelColor(100, 55), bgr(m_frame->colour));
    QCOMPARE(picture.pixelColor(60, 55), m_window->backgroundPicture().pixelColor(60, 55));
}

void tst_VideoDrawing::rectangleAndEllipse_withoutHeightOrWidthAreStoredEmpty_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("rectangle, zero height") << "RectangleTool"
                                            << "Rectangle" << QPoint(150, 50);
    QTest::newRow("ellipse, zero width") << "EllipseTool"
                                         << "Ellipse" << QPoint(50, 200);
}

void tst_VideoDrawing::rectangleAndEllipse_withoutHeightOrWidthAreStoredEmpty()
{
    QFETCH(QString, tool);
    QFETCH(QString, kind);
    QFETCH(QPoint, to);
    drag(tool, {50, 50}, to);
    QCOMPARE(draw().countShapes(), qint16(1));
    QCOMPARE(draw().GetShape(1).ShapeType(), kind);
    QCOMPARE(draw().GetShape(1).Points(0), KesPoint{});
    QCOMPARE(draw().GetShape(1).Points(1), KesPoint{});
}

void tst_VideoDrawing::newShape_takesPenOfTheMomentItIsMade()
{
    m_frame->colour = 0x0000FF;
    m_frame->width = 1;
    drag(QStringLiteral("LineTool"), {20, 200}, {300, 200});
    m_frame->colour = 0xFF0000;
    m_frame->width = 5;
    drag(QStringLiteral("EllipseTool"), {40, 40}, {200, 160});
    QCOMPARE(draw().GetShape(1).Color(), 0x0000FF);
    QCOMPARE(draw().GetShape(1).Width(), 1.0f);
    QCOMPARE(draw().GetShape(2).Color(), 0xFF0000);
    QCOMPARE(draw().GetShape(2).Width(), 5.0f);
    const QImage picture = composed();
    QCOMPARE(picture.pixelColor(160, 200), QColor(255, 0, 0));
    QCOMPARE(picture.pixelColor(160, 199), m_window->backgroundPicture().pixelColor(160, 199));
    QCOMPARE(picture.pixelColor(120, 40), QColor(0, 0, 255));
    QCOMPARE(picture.pixelColor(120, 42), QColor(0, 0, 255));
}

void tst_VideoDrawing::rubberBand_followsPointerWithoutTrail()
{
    m_frame->drawingTool = QStringLiteral("RectangleTool");
    const QImage clean = composed();
    move({50, 50});
    press({50, 50});
    move({200, 150});
    QImage expected = clean;
    clsKesDraw::DrawRectAngle({50, 50}, {200, 150}, expected, InvertMode, 0, m_frame->width);
    QCOMPARE(composed(), expected);
    move({120, 100});
    expected = clean;
    clsKesDraw::DrawRectAngle({50, 50}, {120, 100}, expected, InvertMode, 0, m_frame->width);
    QCOMPARE(composed(), expected); // nothing left of the band at (200, 150)
    release({120, 100});
    QCOMPARE(draw().countShapes(), qint16(1));
}

void tst_VideoDrawing::rubberBand_lineShownWhateverItsDirection_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("vertical down") << QPoint(80, 30) << QPoint(80, 160);
    QTest::newRow("vertical up") << QPoint(80, 160) << QPoint(80, 30);
    QTest::newRow("horizontal") << QPoint(30, 90) << QPoint(200, 90);
    QTest::newRow("slanted") << QPoint(30, 30) << QPoint(200, 160);
}

void tst_VideoDrawing::rubberBand_lineShownWhateverItsDirection()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    m_frame->drawingTool = QStringLiteral("LineTool");
    const QImage clean = composed();
    move(from);
    press(from);
    move(to);
    QImage expected = clean;
    clsKesDraw::DrawLine({from.x(), from.y()}, {to.x(), to.y()}, expected, InvertMode, 0, m_frame->width);
    QVERIFY(expected != clean);
    QCOMPARE(composed(), expected);
    release(to);
    QCOMPARE(draw().countShapes(), qint16(1));
}

void tst_VideoDrawing::shapes_drawnOnAPlayingClip()
{
    m_window->vcxPlay();
    QTRY_VERIFY(m_window->IsPlaying());
    drag(QStringLiteral("LineTool"), {10, 200}, {310, 200});
    drag(QStringLiteral("ParallelTool"), {10, 20}, {310, 20});
    QCOMPARE(draw().countShapes(), qint16(2));
    // Later frames keep showing the shapes.
    const qint64 frameNow = m_window->vcxVideo().CurrentFrame();
    QTRY_VERIFY(m_window->vcxVideo().CurrentFrame() > frameNow);
    const QImage picture = composed();
    QCOMPARE(picture.pixelColor(200, 200), bgr(m_frame->colour));
    QCOMPARE(picture.pixelColor(200, 20), bgr(m_frame->colour));
    QCOMPARE(picture.pixelColor(200, 120), bgr(m_frame->colour));
    m_window->vcxStop();
}

void tst_VideoDrawing::angle_storesReadingAndShowsWholeNumber()
{
    m_frame->drawingTool = QStringLiteral("AngleTool");
    const QImage clean = composed();
    press({0, 0});
    move({60, 0});
    move({100, 0});
    QCOMPARE(draw().ShapeObj().Points(1), (KesPoint{100, 0}));
    release({100, 0});
    QCOMPARE(draw().ShapeObj().CurrentPoint(), qint16(2));
    QVERIFY(draw().MouseDown());
    QCOMPARE(draw().countShapes(), qint16(0));

    // The first arm is painted, the second follows the pointer inverted, and
    // the angle under way shows with one decimal at the vertex.
    move({100, 50});
    QCOMPARE(draw().ShapeObj().Points(2), (KesPoint{100, 50}));
    QImage band = clean;
    clsKesDraw::DrawLine({0, 0}, {100, 0}, band, PaintMode, qint32(m_frame->colour), m_frame->width);
    clsKesDraw::DrawLine({100, 0}, {100, 50}, band, InvertMode, 0, m_frame->width);
    MeasureLabel::print(band, QLocale().toString(1.5707963705062866 * 57.295, 'f', 1), {100, 0});
    QCOMPARE(composed(), band);

    move({100, 100});
    press({100, 100});
    release({100, 100});
    QCOMPARE(draw().countShapes(), qint16(1));
    const clsKesShape& angle = draw().GetShape(1);
    QCOMPARE(angle.ShapeType(), QStringLiteral("Angle"));
    QCOMPARE(angle.Angle(), 1.5707963705062866 * 57.295);
    QCOMPARE(angle.Points(0), (KesPoint{0, 0}));
    QCOMPARE(angle.Points(1), (KesPoint{100, 0}));
    QCOMPARE(angle.Points(2), (KesPoint{100, 100}));
    QVERIFY(!draw().MouseDown());
    QCOMPARE(draw().ShapeObj().CurrentPoint(), qint16(0));

    // The value at the vertex reads "90".
    QImage blank(320, 240, QImage::Format_RGB32);
    blank.fill(Qt::darkGray);
    QImage shown = blank;
    m_window->mouseTools().DrawShapes(shown);
    const auto drawnWith = [&](const QString& label) {
        QImage expected = blank;
        clsKesDraw::DrawShapeFigure(angle, expected, PaintMode, angle.Color());
        MeasureLabel::print(expected, label, {100, 0});
        return expected;
    };
    QCOMPARE(shown, drawnWith(QStringLiteral("90")));
    QVERIFY(shown != drawnWith(QStringLiteral("89")));
    // And so does the window's own picture.
    QImage expected = m_window->backgroundPicture().copy();
    clsKesDraw::DrawShapeFigure(angle, expected, PaintMode, angle.Color());
    MeasureLabel::print(expected, QStringLiteral("90"), {100, 0});
    QCOMPARE(composed().copy(100, 0, 40, 20), expected.copy(100, 0, 40, 20));
}

void tst_VideoDrawing::curve_fromThreeClicksWithMarkers()
{
    m_frame->drawingTool = QStringLiteral("CurveTool");
    click({60, 160});
    QCOMPARE(draw().ShapeObj().CurrentPoint(), qint16(1));
    QCOMPARE(draw().Mode(), QStringLiteral("CurveTool"));
    QVERIFY(draw().MouseDown());
    QCOMPARE(composed().pixelColor(60, 160), QColor(255, 0, 0));
    click({160, 60});
    QCOMPARE(composed().pixelColor(60, 160), QColor(255, 0, 0));
    QCOMPARE(composed().pixelColor(160, 60), QColor(255, 0, 0));
    QCOMPARE(draw().countShapes(), qint16(0));
    click({260, 160});
    QCOMPARE(draw().countShapes(), qint16(1));
    const clsKesShape& curve = draw().GetShape(1);
    QCOMPARE(curve.ShapeType(), QStringLiteral("Curve"));
    QCOMPARE(curve.Points(0), (KesPoint{60, 160}));
    QCOMPARE(curve.Points(1), (KesPoint{160, 60}));
    QCOMPARE(curve.Points(2), (KesPoint{260, 160}));
    QCOMPARE(draw().Mode(), QStringLiteral("None"));
    QVERIFY(!draw().MouseDown());
    // The arc runs through all three points; the markers are gone.
    const QImage picture = composed();
    for (const QPoint p : {QPoint(60, 160), QPoint(160, 60), QPoint(260, 160)})
        QCOMPARE(picture.pixelColor(p), bgr(m_frame->colour));
    QCOMPARE(picture.pixelColor(160, 160), m_window->backgroundPicture().pixelColor(160, 160));
}

void tst_VideoDrawing::parallel_pairAtDistance100()
{
    drag(QStringLiteral("ParallelTool"), {50, 40}, {250, 40});
    QCOMPARE(draw().countShapes(), qint16(1));
    const clsKesShape& pair = draw().GetShape(1);
    QCOMPARE(pair.ShapeType(), QStringLiteral("Parallel"));
    QCOMPARE(pair.Distance(), 100.0);
    QCOMPARE(pair.Points(0), (KesPoint{50, 40}));
    QCOMPARE(pair.Points(1), (KesPoint{250, 40}));
    const QImage picture = composed();
    QCOMPARE(picture.pixelColor(150, 40), bgr(m_frame->colour));
    QCOMPARE(picture.pixelColor(150, 140), bgr(m_frame->colour));
    QCOMPARE(picture.pixelColor(150, 90), m_window->backgroundPicture().pixelColor(150, 90));
}

void tst_VideoDrawing::undo_threeTimesAfterTwoShapes()
{
    drag(QStringLiteral("LineTool"), {20, 100}, {300, 100});
    drag(QStringLiteral("RectangleTool"), {30, 30}, {90, 90});
    QCOMPARE(draw().countShapes(), qint16(2));
    m_window->DrawingsUndo();
    QCOMPARE(draw().countShapes(), qint16(1));
    QCOMPARE(draw().GetShape(1).ShapeType(), QStringLiteral("Line"));
    QCOMPARE(composed().pixelColor(60, 30), m_window->backgroundPicture().pixelColor(60, 30));
    m_window->DrawingsUndo();
    m_window->DrawingsUndo();
    QCOMPARE(draw().countShapes(), qint16(0));
    QCOMPARE(composed().pixelColor(160, 100), m_window->backgroundPicture().pixelColor(160, 100));
    QVERIFY(m_prompter->shown().isEmpty());
}

void tst_VideoDrawing::deleteAll_removesEverything()
{
    drag(QStringLiteral("LineTool"), {20, 100}, {300, 100});
    drag(QStringLiteral("EllipseTool"), {30, 30}, {90, 90});
    m_window->DrawingsDeleteAll();
    QCOMPARE(draw().countShapes(), qint16(0));
    QCOMPARE(composed().pixelColor(160, 100), m_window->backgroundPicture().pixelColor(160, 100));
}

void tst_VideoDrawing::grid_invertsInnerLinesAndHides()
{
    m_window->ShowGrid(true);
    QVERIFY(draw().grid().Visible());
    const QImage background = m_window->backgroundPicture();
    QImage picture = composed();
    // 320 x 240 in 10 x 10 cells: lines at x = 32, 64 ... and y = 24, 48 ...
    const auto inverted
        = [&](int x, int y) { return (picture.pixel(x, y) & 0xFFFFFF) == (~background.pixel(x, y) & 0xFFFFFF); };
    for (int i = 1; i < 10; ++i) {
        QVERIFY(inverted(32 * i, 100 + 12));
        QVERIFY(inverted(100 + 16, 24 * i));
    }
    QVERIFY(!inverted(16 + 1, 112));
    QCOMPARE(picture.pixel(16, 112), background.pixel(16, 112));
    m_window->ShowGrid(false);
    picture = composed();
    QCOMPARE(picture.pixel(64, 112), background.pixel(64, 112));
}

void tst_VideoDrawing::adjust_nothingToAdjust()
{
    QVERIFY(m_window->AdjustShapeSetUp(true));
    QCOMPARE(draw().Mode(), QStringLiteral("None"));
    drag(QStringLiteral("LineTool"), {20, 100}, {300, 100});
    QVERIFY(!m_window->AdjustShapeSetUp(true));
    QCOMPARE(draw().Mode(), QStringLiteral("Adjusting"));
    // Red dots on the newest shape's points.
    QCOMPARE(composed().pixelColor(20, 97), QColor(255, 0, 0));
    QVERIFY(!m_window->AdjustShapeSetUp(false));
    QCOMPARE(draw().Mode(), QStringLiteral("None"));
    QCOMPARE(composed().pixelColor(20, 97), m_window->backgroundPicture().pixelColor(20, 97));
}

void tst_VideoDrawing::adjust_grabsPointTwoOfALineNearOrigin()
{
    drag(QStringLiteral("LineTool"), {100, 100}, {200, 150});
    QVERIFY(!m_window->AdjustShapeSetUp(true));
    move({150, 150});
    QCOMPARE(picture()->cursor().shape(), Qt::ArrowCursor);
    move({2, 3});
    QCOMPARE(picture()->cursor().shape(), Qt::SizeAllCursor);
    press({2, 3});
    QVERIFY(draw().AdjustShape());
    QCOMPARE(draw().GetShape(1).CurrentPoint(), qint16(2));
    move({30, 40});
    move({50, 60});
    release({50, 60});
    QVERIFY(!draw().AdjustShape());
    QVERIFY(!draw().MouseDown());
    const clsKesShape& line = draw().GetShape(1);
    QCOMPARE(line.Points(2), (KesPoint{50, 60}));
    QCOMPARE(line.Points(0), (KesPoint{100, 100}));
    QCOMPARE(line.Points(1), (KesPoint{200, 150}));
    QCOMPARE(draw().Mode(), QStringLiteral("Adjusting"));
}

void tst_VideoDrawing::adjust_onlyNewestShapeReacts()
{
    drag(QStringLiteral("LineTool"), {100, 100}, {200, 150});
    drag(QStringLiteral("LineTool"), {30, 200}, {280, 200});
    QVERIFY(!m_window->AdjustShapeSetUp(true));
    press({100, 100}); // an end of the older line
    QVERIFY(!draw().AdjustShape());
    QVERIFY(!draw().MouseDown());
    release({100, 100});
    QCOMPARE(draw().GetShape(1).Points(0), (KesPoint{100, 100}));

    // Dragging the newest shape's end: while dragged, the feedback is drawn inverted.
    press({281, 201});
    QVERIFY(draw().AdjustShape());
    QCOMPARE(draw().OldMouse(), (KesPoint{30, 200}));
    move({250, 100});
    const QImage background = m_window->backgroundPicture();
    const QImage dragged = composed();
    // The dragged line is drawn inverted where it now runs; where it was, the frame shows.
    QCOMPARE(dragged.pixel(140, 150) & 0xFFFFFF, ~background.pixel(140, 150) & 0xFFFFFF);
    QCOMPARE(dragged.pixel(270, 200), background.pixel(270, 200));
    release({250, 100});
    QCOMPARE(draw().GetShape(2).Points(1), (KesPoint{250, 100}));
    QCOMPARE(composed().pixelColor(140, 150), bgr(m_frame->colour));
}

void tst_VideoDrawing::adjust_rightButtonReleaseDoesNotMovePoint()
{
    drag(QStringLiteral("RectangleTool"), {40, 40}, {140, 120});
    QVERIFY(!m_window->AdjustShapeSetUp(true));
    press({41, 39});
    QVERIFY(draw().AdjustShape());
    move({80, 80});
    release({80, 80}, Qt::RightButton);
    QVERIFY(!draw().AdjustShape());
    QCOMPARE(draw().GetShape(1).Points(0), (KesPoint{40, 40}));
    QCOMPARE(draw().GetShape(1).Points(1), (KesPoint{140, 120}));
}

void tst_VideoDrawing::adjust_rightDragChangesParallelDistance()
{
    drag(QStringLiteral("ParallelTool"), {50, 40}, {250, 40});
    QVERIFY(!m_window->AdjustShapeSetUp(true));
    move({250, 40});
    press({250, 40}, Qt::RightButton);
    QVERIFY(draw().AdjustShape());
    move({260, 40});
    move({280, 40});
    release({280, 40}, Qt::RightButton);
    QCOMPARE(draw().GetShape(1).Distance(), 130.0);
    QCOMPARE(draw().GetShape(1).Points(1), (KesPoint{250, 40}));
    QCOMPARE(composed().pixelColor(150, 170), bgr(m_frame->colour));
}

void tst_VideoDrawing::adjust_angleIsRecomputed()
{
    m_frame->drawingTool = QStringLiteral("AngleTool");
    press({0, 100});
    move({100, 100});
    release({100, 100});
    move({100, 0});
    press({100, 0});
    release({100, 0});
    QVERIFY(!m_window->AdjustShapeSetUp(true));
    press({1, 101});
    QCOMPARE(draw().GetShape(1).CurrentPoint(), qint16(0));
    move({0, 0});
    release({0, 0});
    clsKesShape expected;
    expected.SetPoints(0, {0, 0});
    expected.SetPoints(1, {100, 100});
    expected.SetPoints(2, {100, 0});
    QCOMPARE(draw().GetShape(1).Angle(), expected.CalculateAngle());
    QVERIFY(std::abs(draw().GetShape(1).Angle() - 45) < 0.01);
}

void tst_VideoDrawing::calibration_fiftyGivesHalfAndMeasuresLine()
{
    m_frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), false);
    calibrate(QStringLiteral("50"), {100, 100}, {200, 100});
    QCOMPARE(m_prompter->shown().size(), 2);
    const ScriptedPrompter::Shown& input = m_prompter->shown().at(0);
    QCOMPARE(input.kind, ScriptedPrompter::Shown::Kind::Input);
    QCOMPARE(input.title, QStringLiteral("Ruler calibration"));
    QCOMPARE(input.text, CalibrationPrompt);
    QCOMPARE(input.defaultText, QStringLiteral("1"));
    const ScriptedPrompter::Shown& message = m_prompter->shown().at(1);
    QCOMPARE(message.kind, ScriptedPrompter::Shown::Kind::Message);
    QCOMPARE(message.title, QStringLiteral("Calibration"));
    QCOMPARE(message.text, CalibratedMessage);
    QCOMPARE(message.icon, MsgIcon::Information);
    QCOMPARE(message.buttons, MsgButtons::Ok);

    const clsKesRuler& ruler = draw().Ruler();
    QCOMPARE(ruler.RWMeasure(), 50.0f);
    QCOMPARE(ruler.Factor(), 0.5f);
    QCOMPARE(ruler.Points(0), (KesPoint{100, 100}));
    QCOMPARE(ruler.Points(1), (KesPoint{200, 100}));
    QCOMPARE(ruler.CurrentPoint(), qint16(2));
    QVERIFY(ruler.Calibrated());
    QVERIFY(m_window->RulerCalibrated());
    QVERIFY(m_window->RulerOn());
    QVERIFY(m_frame->isPressed(QStringLiteral("ruler")));
    QVERIFY(m_frame->isPressed(QStringLiteral("line")));
    QCOMPARE(m_frame->drawingTool, QStringLiteral("LineTool"));
    QCOMPARE(draw().countShapes(), qint16(0));

    // A 40-pixel line reads 20.00 next to its start while dragged ...
    const QImage clean = composed();
    move({50, 200});
    press({50, 200});
    move({90, 200});
    QImage expected = clean;
    clsKesDraw::DrawLine({50, 200}, {90, 200}, expected, InvertMode, 0, m_frame->width);
    MeasureLabel::print(expected, QLocale().toString(20.0, 'f', 2), {50, 200});
    QCOMPARE(QLocale().toString(20.0, 'f', 2), QStringLiteral("20.00"));
    QCOMPARE(composed(), expected);
    QImage wrong = clean;
    clsKesDraw::DrawLine({50, 200}, {90, 200}, wrong, InvertMode, 0, m_frame->width);
    MeasureLabel::print(wrong, QStringLiteral("40.00"), {50, 200});
    QVERIFY(composed() != wrong);
    // ... and is not kept.
    release({90, 200});
    QCOMPARE(draw().countShapes(), qint16(0));
    QCOMPARE(composed(), clean);
}

void tst_VideoDrawing::calibration_cancelOrEmptyAnswer_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("cancel") << true;
    QTest::newRow("empty") << false;
}

void tst_VideoDrawing::calibration_cancelOrEmptyAnswer()
{
    QFETCH(bool, cancel);
    m_frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("adjust"), true);
    m_frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), true);
    m_prompter->answerInput(cancel ? std::nullopt : std::optional<QString>(QString()));
    m_window->StartRuler();
    QCOMPARE(m_prompter->shown().size(), 1);
    QVERIFY(!m_frame->isPressed(QStringLiteral("adjust")));
    QVERIFY(m_frame->isPressed(QStringLiteral("ruler")));
    QVERIFY(!draw().Ruler().Calibrating());
    QVERIFY(!draw().Ruler().Calibrated());
    QCOMPARE(m_frame->drawingTool, QStringLiteral("RulerTool"));

    // The next press in the picture with the ruler tool asks again.
    m_prompter->answerInput(QStringLiteral("2"));
    click({10, 10});
    QCOMPARE(m_prompter->shown().size(), 2);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Ruler calibration"));
    QVERIFY(draw().Ruler().Calibrating());
    // That click's release is already the first calibration point.
    QCOMPARE(draw().Ruler().CurrentPoint(), qint16(1));
}

void tst_VideoDrawing::calibration_notANumber()
{
    m_frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), true);
    m_frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("adjust"), true);
    draw().Ruler().setRWMeasure(7);
    m_prompter->answerInput(QStringLiteral("fifty"));
    m_window->StartRuler();
    QCOMPARE(m_prompter->shown().size(), 2);
    const ScriptedPrompter::Shown& message = m_prompter->last();
    QCOMPARE(message.kind, ScriptedPrompter::Shown::Kind::Message);
    QCOMPARE(message.text, QStringLiteral("You must enter a number."));
    QCOMPARE(message.title, QStringLiteral("Calibration Error"));
    QCOMPARE(message.icon, MsgIcon::Information);
    QCOMPARE(draw().Ruler().RWMeasure(), 0.0f);
    QVERIFY(!m_frame->isPressed(QStringLiteral("ruler")));
    QVERIFY(m_frame->isPressed(QStringLiteral("adjust")));
    QVERIFY(!draw().Ruler().Calibrating());
    // Clicks in the picture do not calibrate anything.
    m_frame->drawingTool = QStringLiteral("LineTool");
    click({10, 10});
    QVERIFY(!draw().Ruler().Calibrated());
}

void tst_VideoDrawing::calibration_samePixelTwiceIsRefused()
{
    m_prompter->answerInput(QStringLiteral("10"));
    m_frame->drawingTool = QStringLiteral("RulerTool");
    click({100, 100});
    QCOMPARE(draw().Ruler().CurrentPoint(), qint16(1));
    QCOMPARE(composed().pixelColor(100, 100), QColor(255, 0, 0)); // the first point's marker
    click({100, 100});
    QVERIFY(!draw().Ruler().Calibrated());
    QCOMPARE(draw().Ruler().CurrentPoint(), qint16(1));
    QCOMPARE(draw().Ruler().Factor(), 0.0f);
    QCOMPARE(m_prompter->shown().size(), 1);
    click({100, 140});
    QVERIFY(draw().Ruler().Calibrated());
    QCOMPARE(draw().Ruler().Factor(), 0.25f);
}

void tst_VideoDrawing::startRuler_doesNothingOnceCalibrated()
{
    calibrate(QStringLiteral("50"), {100, 100}, {200, 100});
    QVERIFY(draw().Ruler().Calibrated());
    const int shown = int(m_prompter->shown().size());
    m_frame->drawingTool = QStringLiteral("EllipseTool");
    m_window->StartRuler();
    QCOMPARE(int(m_prompter->shown().size()), shown);
    QCOMPARE(m_frame->drawingTool, QStringLiteral("EllipseTool"));
    QCOMPARE(draw().Ruler().Factor(), 0.5f);
    // A press with the ruler tool does not start it either.
    m_frame->drawingTool = QStringLiteral("RulerTool");
    click({20, 20});
    QCOMPARE(int(m_prompter->shown().size()), shown);
    QCOMPARE(draw().Mode(), QStringLiteral("None"));
}

void tst_VideoDrawing::lineWithRulerOnButUncalibrated_isNotKept()
{
    m_window->setRulerOn(true);
    drag(QStringLiteral("LineTool"), {20, 20}, {200, 20});
    QCOMPARE(draw().countShapes(), qint16(0));
    m_window->setRulerOn(false);
    drag(QStringLiteral("LineTool"), {20, 20}, {200, 20});
    QCOMPARE(draw().countShapes(), qint16(1));
}
