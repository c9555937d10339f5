#include "ShapeEditingTest.h"

#include "video/DrawingOverlay.h"
#include "video/MeasureLabel.h"
#include "video/ShapeSelection.h"
#include "video/VideoMouseTools.h"
#include "video/VideoPicture.h"

#include <QtTest>

#include <algorithm>
#include <functional>

using namespace kestrel;
using namespace kestrel::test;

namespace {
const QColor Red(255, 0, 0);
const QColor White(255, 255, 255);
} // namespace

void ShapeEditingTest::initTestCase()
{
    makeTestClip();
}

void ShapeEditingTest::init()
{
    openWindow();
}

void ShapeEditingTest::cleanup()
{
    closeWindow();
}

void ShapeEditingTest::select_clickPicksTopmostShapeAndShowsHandles()
{
    drag(QStringLiteral("LineTool"), {40, 120}, {280, 120});
    drag(QStringLiteral("RectangleTool"), {100, 60}, {200, 180});
    const QColor pen = bgr(m_frame->colour);
    const ShapeSelection& selection = m_window->mouseTools().selection();
    m_frame->drawingTool = QStringLiteral("SelectTool");

    click({160, 121}); // the line, inside the rectangle
    QCOMPARE(selection.positions(), QList<int>{1});
    QCOMPARE(composed().pixelColor(40, 120), Red); // handle centre
    QCOMPARE(composed().pixelColor(40, 116), White); // its ring
    QCOMPARE(composed().pixelColor(280, 120), Red);
    QCOMPARE(composed().pixelColor(160, 120), pen);
    QCOMPARE(composed().pixelColor(100, 60), pen); // the rectangle has none

    click({100, 120}); // where both run, the newer shape is on top
    QCOMPARE(selection.positions(), QList<int>{2});
    QCOMPARE(composed().pixelColor(100, 60), Red);
    QCOMPARE(composed().pixelColor(200, 180), Red);
    QCOMPARE(composed().pixelColor(40, 120), pen);

    click({20, 220}); // nothing there
    QVERIFY(selection.isEmpty());
    QCOMPARE(composed().pixelColor(100, 60), pen);
    QCOMPARE(draw().countShapes(), qint16(2));
}

void ShapeEditingTest::select_ctrlClickAddsAndRemoves()
{
    drag(QStringLiteral("LineTool"), {40, 120}, {280, 120});
    drag(QStringLiteral("EllipseTool"), {100, 140}, {200, 220});
    const ShapeSelection& selection = m_window->mouseTools().selection();
    m_frame->drawingTool = QStringLiteral("SelectTool");
    click({150, 120});
    click({150, 140}, Qt::ControlModifier);
    QCOMPARE(selection.positions(), (QList<int>{1, 2}));
    click({150, 120}, Qt::ControlModifier);
    QCOMPARE(selection.positions(), QList<int>{2});
    click({10, 10}, Qt::ControlModifier); // a miss with Ctrl keeps the selection
    QCOMPARE(selection.positions(), QList<int>{2});
}

void ShapeEditingTest::select_dragHandleMovesThatPoint_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<bool>("flip");
    QTest::newRow("zoom 1") << 0 << false;
    QTest::newRow("zoom 2.4 flipped") << 7 << true;
    QTest::newRow("zoom 0.4") << -3 << false;
}

void ShapeEditingTest::select_dragHandleMovesThatPoint()
{
    QFETCH(int, steps);
    QFETCH(bool, flip);
    drag(QStringLiteral("LineTool"), {40, 120}, {280, 120});
    for (int i = 0; i < steps; ++i)
        m_window->vcxZoomIn();
    for (int i = 0; i > steps; --i)
        m_window->vcxZoomOut();
    m_window->setVideoFlip(flip);
    m_window->PaintVideoFrame();
    m_frame->drawingTool = QStringLiteral("SelectTool");
    click(onPicture({160, 120}));
    QCOMPARE(m_window->mouseTools().selection().positions(), QList<int>{1});

    const QPoint target = onPicture({260, 60});
    move(onPicture({280, 120}));
    QCOMPARE(picture()->cursor().shape(), Qt::SizeAllCursor);
    press(onPicture({280, 120}));
    move((onPicture({280, 120}) + target) / 2);
    move(target);
    // While dragged, the line shows where it goes; the list keeps it as it was.
    const QPoint middle = onPicture({150, 90});
    QCOMPARE(composed().pixelColor(middle), bgr(m_frame->colour));
    QCOMPARE(draw().GetShape(1).Points(1), (KesPoint{280, 120}));
    release(target);
    const KesPoint expected = m_window->mouseTools().view().toNative(QPointF(target));
    QCOMPARE(draw().GetShape(1).Points(1), expected);
    QVERIFY(std::abs(expected.x - 260) <= 2 && std::abs(expected.y - 60) <= 2);
    QCOMPARE(draw().GetShape(1).Points(0), (KesPoint{40, 120}));
    QCOMPARE(m_window->mouseTools().selection().positions(), QList<int>{1});
}

void ShapeEditingTest::select_dragShapeMovesItWhole()
{
    m_frame->drawingTool = QStringLiteral("AngleTool");
    press({60, 200});
    move({160, 200});
    release({160, 200});
    move({160, 100});
    press({160, 100});
    release({160, 100});
    QCOMPARE(draw().countShapes(), qint16(1));
    const double angle = draw().GetShape(1).Angle();

    m_frame->drawingTool = QStringLiteral("SelectTool");
    move({110, 200});
    QCOMPARE(picture()->cursor().shape(), Qt::PointingHandCursor);
    press({110, 201});
    move({120, 190});
    move({130, 181});
    release({130, 181});
    const clsKesShape& moved = draw().GetShape(1);
    QCOMPARE(moved.Points(0), (KesPoint{80, 180}));
    QCOMPARE(moved.Points(1), (KesPoint{180, 180}));
    QCOMPARE(moved.Points(2), (KesPoint{180, 80}));
    QCOMPARE(moved.Angle(), angle);
    QCOMPARE(composed().pixelColor(130, 180), bgr(m_frame->colour));
    QCOMPARE(composed().pixelColor(110, 200), m_window->backgroundPicture().pixelColor(110, 200));
}

void ShapeEditingTest::selection_keepsInStepWithTheList_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QList<int>>("after");
    QTest::newRow("a selected one goes") << QList<int>{2, 4} << 2 << QList<int>{3};
    QTest::newRow("later ones move down") << QList<int>{3, 1, 5} << 2 << QList<int>{2, 1, 4};
    QTest::newRow("earlier ones stay") << QList<int>{1, 2} << 3 << QList<int>{1, 2};
    QTest::newRow("the newest goes") << QList<int>{5} << 5 << QList<int>{};
}

void ShapeEditingTest::selection_keepsInStepWithTheList()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, removed);
    QFETCH(QList<int>, after);
    ShapeSelection selection;
    for (const int position : selected)
        selection.toggle(position);
    QCOMPARE(selection.positions(), selected);
    selection.shapeRemoved(removed);
    QCOMPARE(selection.positions(), after);
    // Selected order is kept; removing goes from the highest position down.
    QList<int> sorted = after;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    QCOMPARE(selection.highestFirst(), sorted);
    selection.limitTo(2);
    for (const int position : selection.positions())
        QVERIFY(position >= 1 && position <= 2);
}

void ShapeEditingTest::undo_keepsTheOtherSelectedShapes()
{
    for (const int y : {40, 100, 160, 220})
        drag(QStringLiteral("LineTool"), {40, y}, {280, y});
    m_frame->drawingTool = QStringLiteral("SelectTool");
    click({150, 100});
    click({150, 220}, Qt::ControlModifier);
    m_window->DrawingsUndo();
    QCOMPARE(draw().countShapes(), qint16(3));
    QCOMPARE(m_window->mouseTools().selection().positions(), QList<int>{2});
    QCOMPARE(composed().pixelColor(40, 100), QColor(255, 0, 0)); // still handled
    QCOMPARE(composed().pixelColor(40, 160), bgr(m_frame->colour));
    m_window->DrawingsDeleteAll();
    QVERIFY(m_window->mouseTools().selection().isEmpty());
}

void ShapeEditingTest::deleteKey_removesSelectedShapesOrTheNewest()
{
    for (const int y : {40, 100, 160, 220})
        drag(QStringLiteral("LineTool"), {40, y}, {280, y});
    m_frame->drawingTool = QStringLiteral("SelectTool");
    click({150, 100});
    click({150, 220}, Qt::ControlModifier);
    key(Qt::Key_Delete);
    QCOMPARE(draw().countShapes(), qint16(2));
    QCOMPARE(draw().GetShape(1).Points(0).y, 40);
    QCOMPARE(draw().GetShape(2).Points(0).y, 160);
    QVERIFY(m_window->mouseTools().selection().isEmpty());
    QCOMPARE(composed().pixelColor(150, 100), m_window->backgroundPicture().pixelColor(150, 100));

    // With nothing selected, the newest goes.
    key(Qt::Key_Delete);
    QCOMPARE(draw().countShapes(), qint16(1));
    QCOMPARE(draw().GetShape(1).Points(0).y, 40);
    QVERIFY(m_window->DeleteSelectedShape());
    QCOMPARE(draw().countShapes(), qint16(0));
    QVERIFY(!m_window->DeleteSelectedShape());
    key(Qt::Key_Delete);
    QVERIFY(m_prompter->shown().isEmpty());
}

void ShapeEditingTest::escapeKey_cancelsWhatIsUnderWay_data()
{
    QTest::addColumn<QString>("what");
    for (const char* what : {"angle, second arm", "angle, first arm", "curve, one click", "curve, two clicks",
             "line, dragging", "rectangle, dragging", "calibration, first point", "select drag", "adjust drag"})
        QTest::newRow(what) << QString::fromLatin1(what);
}

void ShapeEditingTest::escapeKey_cancelsWhatIsUnderWay()
{
    QFETCH(QString, what);
    const bool withShape = what == QLatin1String("select drag") || what == QLatin1String("adjust drag");
    if (withShape)
        drag(QStringLiteral("LineTool"), {40, 120}, {280, 120});
    if (what == QLatin1String("adjust drag"))
        QVERIFY(!m_window->AdjustShapeSetUp(true));
    if (what == QLatin1String("select drag")) {
        m_frame->drawingTool = QStringLiteral("SelectTool");
        click({160, 120});
    }
    const QImage clean = composed();
    const int shapes = draw().countShapes();

    if (what.startsWith(QLatin1String("angle"))) {
        m_frame->drawingTool = QStringLiteral("AngleTool");
        press({40, 40});
        move({120, 40});
        if (what.endsWith(QLatin1String("second arm"))) {
            release({120, 40});
            move({120, 100});
        }
    } else if (what.startsWith(QLatin1String("curve"))) {
        m_frame->drawingTool = QStringLiteral("CurveTool");
        click({40, 200});
        if (what.endsWith(QLatin1String("two clicks")))
            click({160, 100});
        move({280, 200});
    } else if (what == QLatin1String("line, dragging")) {
        m_frame->drawingTool = QStringLiteral("LineTool");
        press({40, 40});
        move({200, 100});
    } else if (what == QLatin1String("rectangle, dragging")) {
        m_frame->drawingTool = QStringLiteral("RectangleTool");
        press({40, 40});
        move({200, 100});
    } else if (what == QLatin1String("calibration, first point")) {
        m_frame->setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), true);
        m_window->setRulerOn(true);
        m_prompter->answerInput(QStringLiteral("10"));
        m_frame->drawingTool = QStringLiteral("RulerTool");
        click({100, 100});
        QCOMPARE(draw().Ruler().CurrentPoint(), qint16(1));
    } else if (what == QLatin1String("select drag")) {
        press({160, 120});
        move({160, 200});
    } else if (what == QLatin1String("adjust drag")) {
        press({280, 120});
        move({200, 200});
    }
    QVERIFY(composed() != clean);

    key(Qt::Key_Escape);
    QCOMPARE(composed(), clean);
    QCOMPARE(int(draw().countShapes()), shapes);
    QCOMPARE(draw().ShapeObj().CurrentPoint(), qint16(0));
    QVERIFY(!draw().MouseDown());
    QVERIFY(!draw().AdjustShape());
    if (what.startsWith(QLatin1String("calibration"))) {
        QVERIFY(!draw().Ruler().Calibrating());
        QCOMPARE(draw().Ruler().CurrentPoint(), qint16(0));
        QVERIFY(!m_frame->isPressed(QStringLiteral("ruler")));
        QVERIFY(!m_window->RulerOn());
    }
    // The button still held comes up on nothing.
    if (m_buttons)
        release({220, 220});
    QCOMPARE(int(draw().countShapes()), shapes);
    if (withShape) {
        QCOMPARE(draw().GetShape(1).Points(0), (KesPoint{40, 120}));
        QCOMPARE(draw().GetShape(1).Points(1), (KesPoint{280, 120}));
    }
    QCOMPARE(composed(), clean);
}

void ShapeEditingTest::escapeKey_thenClearsTheSelection()
{
    drag(QStringLiteral("LineTool"), {40, 120}, {280, 120});
    const QImage unselected = composed();
    m_frame->drawingTool = QStringLiteral("SelectTool");
    click({160, 120});
    QVERIFY(composed() != unselected);
    key(Qt::Key_Escape);
    QVERIFY(m_window->mouseTools().selection().isEmpty());
    QCOMPARE(composed(), unselected);
    QVERIFY(!m_window->CancelShapeInProgress());
}

void ShapeEditingTest::anotherTool_dropsAnUnfinishedShape()
{
    const QImage clean = composed();
    m_frame->drawingTool = QStringLiteral("AngleTool");
    press({40, 40});
    move({120, 40});
    release({120, 40});
    m_window->DrawingToolChosen(QStringLiteral("AngleTool"));
    QCOMPARE(draw().ShapeObj().CurrentPoint(), qint16(2));
    m_window->DrawingToolChosen(QStringLiteral("LineTool"));
    QCOMPARE(draw().ShapeObj().CurrentPoint(), qint16(0));
    QCOMPARE(composed(), clean);

    // Switched without a word to the window, the next press drops it too ...
    press({40, 40});
    move({120, 40});
    release({120, 40});
    drag(QStringLiteral("RectangleTool"), {150, 150}, {250, 220});
    QCOMPARE(draw().countShapes(), qint16(1));
    QCOMPARE(draw().GetShape(1).ShapeType(), QStringLiteral("Rectangle"));
    // ... so a new angle starts afresh instead of finishing the old one.
    m_frame->drawingTool = QStringLiteral("AngleTool");
    press({200, 40});
    QCOMPARE(draw().ShapeObj().CurrentPoint(), qint16(1));
    QCOMPARE(draw().ShapeObj().Points(0), (KesPoint{200, 40}));
    QCOMPARE(draw().countShapes(), qint16(1));
}

void ShapeEditingTest::penOfSelectedShapes_changes()
{
    drag(QStringLiteral("LineTool"), {40, 120}, {280, 120});
    drag(QStringLiteral("LineTool"), {40, 200}, {280, 200});
    QVERIFY(!m_window->SetSelectedShapesColor(0xFF0000));
    QVERIFY(!m_window->SetSelectedShapesWidth(5));
    m_frame->drawingTool = QStringLiteral("SelectTool");
    click({160, 120});
    QVERIFY(m_window->SetSelectedShapesColor(0xFF0000));
    QVERIFY(m_window->SetSelectedShapesWidth(5));
    QCOMPARE(draw().GetShape(1).Color(), 0xFF0000);
    QCOMPARE(draw().GetShape(1).Width(), 5.0f);
    QCOMPARE(draw().GetShape(2).Color(), qint32(m_frame->colour));
    QCOMPARE(composed().pixelColor(160, 122), QColor(0, 0, 255));
    QCOMPARE(composed().pixelColor(160, 202), m_window->backgroundPicture().pixelColor(160, 202));
}

void ShapeEditingTest::angleBetweenLines_atTheirCrossing()
{
    drag(QStringLiteral("LineTool"), {40, 180}, {280, 180});
    drag(QStringLiteral("LineTool"), {60, 20}, {180, 180});
    m_frame->drawingTool = QStringLiteral("SelectTool");
    click({100, 180});
    click({120, 100}, Qt::ControlModifier);
    QCOMPARE(m_window->mouseTools().selection().positions(), (QList<int>{1, 2}));
    QVERIFY(m_window->AngleBetweenSelectedLines());
    QCOMPARE(draw().countShapes(), qint16(3));
    const clsKesShape& angle = draw().GetShape(3);
    QCOMPARE(angle.ShapeType(), QStringLiteral("Angle"));
    // Vertex at the crossing, arms to each line's far end.
    QCOMPARE(angle.Points(0), (KesPoint{40, 180}));
    QCOMPARE(angle.Points(1), (KesPoint{180, 180}));
    QCOMPARE(angle.Points(2), (KesPoint{60, 20}));
    clsKesShape byHand;
    byHand.SetPoints(0, {40, 180});
    byHand.SetPoints(1, {180, 180});
    byHand.SetPoints(2, {60, 20});
    QCOMPARE(angle.Angle(), byHand.CalculateAngle());
    QVERIFY(std::abs(angle.Angle() - 53.13) < 0.01);
    QCOMPARE(DrawingOverlay::labelOf(angle, draw().Ruler(), 0)->text, QStringLiteral("53"));
    QCOMPARE(m_window->mouseTools().selection().positions(), QList<int>{3});
    QVERIFY(m_prompter->shown().isEmpty());
}

void ShapeEditingTest::angleBetweenLines_needsTwoCrossingLines()
{
    drag(QStringLiteral("LineTool"), {40, 100}, {280, 100});
    drag(QStringLiteral("LineTool"), {40, 160}, {280, 160});
    drag(QStringLiteral("RectangleTool"), {20, 190}, {300, 230});
    m_frame->drawingTool = QStringLiteral("SelectTool");
    click({150, 100});
    QVERIFY(!m_window->AngleBetweenSelectedLines());
    QCOMPARE(m_prompter->last().text, VideoMouseTools::selectTwoLinesMessage());
    QCOMPARE(m_prompter->last().title, QStringLiteral("Angle between lines"));
    QCOMPARE(m_prompter->last().icon, MsgIcon::Information);
    click({150, 190}, Qt::ControlModifier); // a rectangle is not a line
    QVERIFY(!m_window->AngleBetweenSelectedLines());
    QCOMPARE(m_prompter->last().text, VideoMouseTools::selectTwoLinesMessage());
    click({150, 190}, Qt::ControlModifier);
    click({150, 160}, Qt::ControlModifier);
    QVERIFY(!m_window->AngleBetweenSelectedLines());
    QCOMPARE(m_prompter->last().text, VideoMouseTools::parallelLinesMessage());
    QCOMPARE(m_prompter->shown().size(), 3);
    QCOMPARE(draw().countShapes(), qint16(3));
}

void ShapeEditingTest::axisAngleTools_measureAgainstPlumbAndLevel_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<KesPoint>("armEnd");
    QTest::addColumn<double>("reading");
    QTest::addColumn<QString>("whileDrawn");
    QTest::addColumn<QString>("shown");
    // From (100, 200) to (130, 160): a 30-40-50 triangle (readings worked by hand in the drawing tests).
    QTest::newRow("vertical") << "VerticalAngleTool"
                              << "VerticalAngle" << KesPoint{100, 150} << 36.86939569205046 << "36.9"
                              << "37";
    QTest::newRow("horizontal") << "HorizontalAngleTool"
                                << "HorizontalAngle" << KesPoint{150, 200} << 53.129378941059116 << "53.1"
                                << "53";
}

void ShapeEditingTest::axisAngleTools_measureAgainstPlumbAndLevel()
{
    QFETCH(QString, tool);
    QFETCH(QString, kind);
    QFETCH(KesPoint, armEnd);
    QFETCH(double, reading);
    QFETCH(QString, whileDrawn);
    QFETCH(QString, shown);
    const QImage clean = composed();
    m_frame->drawingTool = tool;
    move({100, 200});
    press({100, 200});
    move({130, 160});
    QImage band = clean;
    clsKesDraw::DrawLine({100, 200}, armEnd, band, InvertMode, 0, 1);
    clsKesDraw::DrawLine({100, 200}, {130, 160}, band, InvertMode, 0, m_frame->width);
    MeasureLabel::print(band, whileDrawn, {100, 200});
    QCOMPARE(composed(), band);
    release({130, 160});

    QCOMPARE(draw().countShapes(), qint16(1));
    const clsKesShape& measure = draw().GetShape(1);
    QCOMPARE(measure.ShapeType(), kind);
    QCOMPARE(measure.Angle(), reading);
    QCOMPARE(DrawingOverlay::labelOf(measure, draw().Ruler(), 0)->text, shown);
    QImage kept = clean;
    clsKesDraw::DrawLine({100, 200}, armEnd, kept, PaintMode, qint32(m_frame->colour), 1);
    clsKesDraw::DrawLine({100, 200}, {130, 160}, kept, PaintMode, qint32(m_frame->colour), m_frame->width);
    MeasureLabel::print(kept, shown, {100, 200});
    QCOMPARE(composed(), kept);
    QCOMPARE(m_frame->drawingTool, tool);
}

void ShapeEditingTest::lengthTool_calibratesFirstThenKeepsLengths()
{
    // Uncalibrated, the length tool's first press asks for the real length;
    // cancelled, nothing is kept.
    m_prompter->answerInput(std::nullopt);
    drag(QStringLiteral("LengthTool"), {40, 200}, {80, 200});
    QCOMPARE(draw().countShapes(), qint16(0));
    QVERIFY(!draw().Ruler().Calibrating());
    QCOMPARE(m_prompter->shown().size(), 1);

    m_prompter->answerInput(QStringLiteral("50"));
    m_frame->drawingTool = QStringLiteral("LengthTool");
    click({100, 100}); // asks, and is the first calibration point
    click({200, 100});
    QVERIFY(draw().Ruler().Calibrated());
    QCOMPARE(draw().Ruler().Factor(), 0.5f);
    QCOMPARE(m_frame->drawingTool, QStringLiteral("LengthTool"));
    QVERIFY(m_frame->isPressed(QStringLiteral("length")));

    const QImage clean = composed();
    move({40, 200});
    press({40, 200});
    move({80, 200});
    QImage band = clean;
    clsKesDraw::DrawLine({40, 200}, {80, 200}, band, InvertMode, 0, m_frame->width);
    MeasureLabel::print(band, QStringLiteral("20.00"), {40, 200});
    QCOMPARE(composed(), band);
    release({80, 200});
    QCOMPARE(draw().countShapes(), qint16(1));
    QCOMPARE(draw().GetShape(1).ShapeType(), QStringLiteral("Length"));
    // Two lengths side by side can be compared.
    drag(QStringLiteral("LengthTool"), {40, 220}, {120, 220});
    QCOMPARE(DrawingOverlay::labelOf(draw().GetShape(1), draw().Ruler(), 0)->text, QStringLiteral("20.00"));
    QCOMPARE(DrawingOverlay::labelOf(draw().GetShape(2), draw().Ruler(), 0)->text, QStringLiteral("40.00"));
    QImage kept = clean;
    clsKesDraw::DrawLine({40, 200}, {80, 200}, kept, PaintMode, qint32(m_frame->colour), m_frame->width);
    MeasureLabel::print(kept, QStringLiteral("20.00"), {40, 200});
    clsKesDraw::DrawLine({40, 220}, {120, 220}, kept, PaintMode, qint32(m_frame->colour), m_frame->width);
    MeasureLabel::print(kept, QStringLiteral("40.00"), {40, 220});
    QCOMPARE(composed(), kept);
}

void ShapeEditingTest::curve_showsArcFromTheSecondClick()
{
    const QImage clean = composed();
    const auto marked = [](QImage picture, std::initializer_list<KesPoint> points) {
        for (const KesPoint p : points)
            clsKesDraw::DrawLine(p, p, picture, PaintMode, RedColour, 6);
        return picture;
    };
    m_frame->drawingTool = QStringLiteral("CurveTool");
    click({60, 160});
    move({200, 100});
    QCOMPARE(composed(), marked(clean, {{60, 160}})); // one point: no arc yet
    click({160, 60});
    move({260, 160});
    QImage expected = clean;
    KesPoint centre;
    double radius = 0;
    bool clockWise = false;
    clsKesDraw::DrawArc(
        {60, 160}, {160, 60}, {260, 160}, centre, radius, clockWise, expected, InvertMode, 0, m_frame->width);
    QCOMPARE(composed(), marked(expected, {{60, 160}, {160, 60}}));
    move({240, 200});
    expected = clean;
    clsKesDraw::DrawArc(
        {60, 160}, {160, 60}, {240, 200}, centre, radius, clockWise, expected, InvertMode, 0, m_frame->width);
    QCOMPARE(composed(), marked(expected, {{60, 160}, {160, 60}}));
    click({240, 200});
    QCOMPARE(draw().countShapes(), qint16(1));
}

void ShapeEditingTest::recalibrate_replacesOrKeepsTheCalibration()
{
    calibrate(QStringLiteral("50"), {100, 100}, {200, 100});
    QCOMPARE(draw().Ruler().Factor(), 0.5f);
    const int shown = int(m_prompter->shown().size());

    // Cancelled at the question: the old calibration stays.
    m_prompter->answerInput(std::nullopt);
    m_window->RecalibrateRuler();
    QCOMPARE(int(m_prompter->shown().size()), shown + 1);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Ruler calibration"));
    QVERIFY(draw().Ruler().Calibrated());
    QCOMPARE(draw().Ruler().Factor(), 0.5f);

    // Abandoned with Esc between the clicks: the old one comes back.
    m_prompter->answerInput(QStringLiteral("10"));
    m_window->RecalibrateRuler();
    QVERIFY(!draw().Ruler().Calibrated());
    QVERIFY(draw().Ruler().Calibrating());
    click({100, 100});
    key(Qt::Key_Escape);
    QVERIFY(draw().Ruler().Calibrated());
    QCOMPARE(draw().Ruler().Factor(), 0.5f);
    QCOMPARE(draw().Ruler().Points(1), (KesPoint{200, 100}));

    // Carried through: the new factor replaces the old.
    m_prompter->answerInput(QStringLiteral("10"));
    m_window->RecalibrateRuler();
    m_frame->drawingTool = QStringLiteral("RulerTool");
    click({100, 100});
    click({100, 140});
    QVERIFY(draw().Ruler().Calibrated());
    QCOMPARE(draw().Ruler().Factor(), 0.25f);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Calibration"));
}
