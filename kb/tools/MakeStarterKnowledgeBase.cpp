// Builds the starter knowledge base shipped in kb/data/knowledgebase: the
// diagrams (drawn here), the notes (written through the program's own RTF
// writer) and the index. Run by hand when the starter content changes:
//   cmake --build <build> --target kes_kb_make_starter && <build>/bin/kes_kb_make_starter kb/data/knowledgebase
#include "kb/KbIndex.h"
#include "kb/RtfWriter.h"
#include "kb/clsItemsXML.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>
#include <QtMath>

namespace {

const QColor kInk(40, 40, 40);
const QColor kAccent(71, 154, 83);
const QColor kRed(200, 40, 40);
const QColor kBlue(40, 90, 200);
constexpr int kWidth = 480;
constexpr int kHeight = 360;

struct Pose {
    QPointF head;
    double headRadius;
    QPointF neck, hip;
    QPointF leftHand, rightHand; // both hands meet on the grip
    QPointF leftElbow, rightElbow;
    QPointF leftKnee, rightKnee, leftFoot, rightFoot;
    QPointF clubHead;
};

void drawGolfer(QPainter& p, const Pose& pose, const QColor& color = kInk)
{
    p.setPen(QPen(color, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(pose.neck, pose.hip);
    p.drawPolyline(QPolygonF{pose.hip, pose.leftKnee, pose.leftFoot});
    p.drawPolyline(QPolygonF{pose.hip, pose.rightKnee, pose.rightFoot});
    p.drawPolyline(QPolygonF{pose.neck, pose.leftElbow, pose.leftHand});
    p.drawPolyline(QPolygonF{pose.neck, pose.rightElbow, pose.rightHand});
    p.setBrush(QColor(250, 235, 215));
    p.drawEllipse(pose.head, pose.headRadius, pose.headRadius);
    p.setPen(QPen(QColor(90, 90, 90), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(pose.leftHand, pose.clubHead);
    p.setPen(QPen(QColor(90, 90, 90), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawPoint(pose.clubHead);
}

void drawGround(QPainter& p, double y)
{
    p.setPen(QPen(kAccent.darker(120), 2));
    p.drawLine(QPointF(10, y), QPointF(kWidth - 10, y));
}

void drawBall(QPainter& p, QPointF at)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(at, 5, 5);
}

void label(QPainter& p, QPointF at, const QString& text, const QColor& color = kInk, int size = 13)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(size);
    p.setFont(font);
    p.setPen(color);
    p.drawText(at, text);
}

void title(QPainter& p, const QString& text)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(18);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kAccent.darker(130));
    p.drawText(QRectF(0, 8, kWidth, 26), Qt::AlignHCenter, text);
}

QImage canvas()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(QColor(246, 250, 244));
    return image;
}

// Four positions of one swing, seen face-on, small and in a row.
QImage swingSequence()
{
    QImage image = canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    title(p, QStringLiteral("One swing, four positions"));
    const double ground = 300;
    drawGround(p, ground);
    const double s = 0.55;
    auto pose = [&](double cx, QPointF lh, QPointF le, QPointF re, QPointF club, double lean) {
        Pose q;
        q.hip = {cx + lean, ground - 120 * s * 1.6};
        q.neck = {cx + lean * 0.3, q.hip.y() - 110 * s * 1.6};
        q.head = {q.neck.x(), q.neck.y() - 22};
        q.headRadius = 13;
        q.leftHand = q.rightHand = lh;
        q.leftElbow = le;
        q.rightElbow = re;
        q.leftKnee = {cx - 14, ground - 55};
        q.rightKnee = {cx + 14, ground - 55};
        q.leftFoot = {cx - 22, ground};
        q.rightFoot = {cx + 22, ground};
        q.clubHead = club;
        return q;
    };
    const double xs[] = {70, 185, 300, 415};
    drawGolfer(p, pose(xs[0], {70, 205}, {60, 175}, {80, 175}, {78, ground - 4}, 0));
    drawGolfer(p, pose(xs[1], {215, 95}, {205, 125}, {225, 125}, {150, 70}, -4));
    drawGolfer(p, pose(xs[2], {305, 208}, {292, 178}, {310, 178}, {300, ground - 4}, 6));
    drawGolfer(p, pose(xs[3], {385, 100}, {395, 125}, {405, 130}, {455, 75}, 14));
    drawBall(p, {78, ground - 5});
    drawBall(p, {190, ground - 5});
    const char* names[] = {"Address", "Top", "Impact", "Finish"};
    for (int i = 0; i < 4; ++i)
        label(p, {xs[i] - 28, ground + 24}, QString::fromLatin1(names[i]));
    p.setPen(QPen(kBlue, 2, Qt::DashLine));
    p.drawLine(QPointF(20, 330), QPointF(460, 330));
    label(p, {170, 350}, QStringLiteral("tempo: smooth, not fast"), kBlue, 12);
    return image;
}

// Face-on address: stance width, ball positions, shoulder tilt.
QImage frontAddress()
{
    QImage image = canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    title(p, QStringLiteral("Face-on view at address"));
    const double ground = 310;
    drawGround(p, ground);
    Pose q;
    q.hip = {240, 180};
    q.neck = {236, 90};
    q.head = {236, 62};
    q.headRadius = 20;
    q.leftHand = q.rightHand = {226, 200};
    q.leftElbow = {214, 150};
    q.rightElbow = {250, 152};
    q.leftKnee = {205, 245};
    q.rightKnee = {275, 245};
    q.leftFoot = {195, ground};
    q.rightFoot = {285, ground};
    q.clubHead = {222, ground - 6};
    drawGolfer(p, q);
    // Shoulder line tilts: the trail shoulder sits a little lower.
    p.setPen(QPen(kRed, 2, Qt::DashLine));
    p.drawLine(QPointF(170, 84), QPointF(310, 98));
    label(p, {318, 102}, QStringLiteral("shoulders tilt"), kRed);
    // Stance width marks.
    p.setPen(QPen(kBlue, 2));
    p.drawLine(QPointF(195, ground + 14), QPointF(285, ground + 14));
    p.drawLine(QPointF(195, ground + 8), QPointF(195, ground + 20));
    p.drawLine(QPointF(285, ground + 8), QPointF(285, ground + 20));
    label(p, {300, ground + 19}, QStringLiteral("about shoulder width"), kBlue);
    drawBall(p, {205, ground - 5});
    drawBall(p, {240, ground - 5});
    label(p, {40, 250}, QStringLiteral("driver: ball"), kInk, 12);
    label(p, {40, 266}, QStringLiteral("opposite lead heel"), kInk, 12);
    label(p, {40, 292}, QStringLiteral("short iron: centre"), kInk, 12);
    p.setPen(QPen(kInk, 1, Qt::DotLine));
    p.drawLine(QPointF(150, 262), QPointF(203, ground - 8));
    p.drawLine(QPointF(160, 290), QPointF(236, ground - 6));
    label(p, {20, 30}, QStringLiteral("target \u2190"), kAccent.darker(130), 12);
    return image;
}

// Down-the-line address: spine angle and the shaft plane.
QImage sidePosture()
{
    QImage image = canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    title(p, QStringLiteral("Down-the-line view: posture and plane"));
    const double ground = 310;
    drawGround(p, ground);
    Pose q;
    q.hip = {190, 175};
    q.neck = {250, 100};
    q.head = {268, 80};
    q.headRadius = 18;
    q.leftHand = q.rightHand = {262, 200};
    q.leftElbow = {258, 150};
    q.rightElbow = {266, 152};
    q.leftKnee = {210, 240};
    q.rightKnee = {214, 242};
    q.leftFoot = {196, ground};
    q.rightFoot = {200, ground};
    q.clubHead = {345, ground - 6};
    drawGolfer(p, q);
    drawBall(p, {355, ground - 5});
    // Spine angle from the vertical.
    p.setPen(QPen(kRed, 2, Qt::DashLine));
    p.drawLine(QPointF(190, 175), QPointF(190, 60));
    p.drawLine(QPointF(190, 175), QPointF(262, 85));
    p.setPen(QPen(kRed, 2));
    const double spine = qRadiansToDegrees(std::atan2(250 - 190.0, 175 - 100.0));
    p.drawArc(QRectF(150, 135, 80, 80), 90 * 16, int(-spine * 16));
    label(p, {60, 120}, QStringLiteral("spine tilt ~%1\u00b0").arg(qRound(spine)), kRed);
    // Shaft plane: from the ball up through the hands and beyond.
    p.setPen(QPen(kBlue, 2, Qt::DashLine));
    const QPointF ball(355, ground - 5);
    const QPointF hands(262, 200);
    const QPointF far = ball + (hands - ball) * 2.3;
    p.drawLine(ball, far);
    label(p, {330, 190}, QStringLiteral("shaft plane"), kBlue);
    // Arms hang under the shoulders.
    p.setPen(QPen(kAccent.darker(120), 1, Qt::DotLine));
    p.drawLine(QPointF(252, 100), QPointF(252, 230));
    label(p, {300, 240}, QStringLiteral("arms hang freely"), kAccent.darker(130), 12);
    return image;
}

// Seen from above: how far shoulders and hips turn at the top of the backswing.
QImage backTurn()
{
    QImage image = canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    title(p, QStringLiteral("Backswing turn, seen from above"));
    const QPointF centre(240, 200);
    // Address reference line (parallel to the target line).
    p.setPen(QPen(QColor(150, 150, 150), 2, Qt::DashLine));
    p.drawLine(centre - QPointF(150, 0), centre + QPointF(150, 0));
    label(p, {380, 195}, QStringLiteral("address"), QColor(120, 120, 120), 12);
    auto turned = [&](double degrees, double half) {
        const double r = qDegreesToRadians(degrees);
        return std::pair{centre - QPointF(std::cos(r) * half, std::sin(r) * half),
            centre + QPointF(std::cos(r) * half, std::sin(r) * half)};
    };
    const auto [h1, h2] = turned(45, 70);
    p.setPen(QPen(kBlue, 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(h1, h2);
    const auto [s1, s2] = turned(90, 120);
    p.setPen(QPen(kRed, 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(s1, s2);
    p.setBrush(QColor(250, 235, 215));
    p.setPen(QPen(kInk, 2));
    p.drawEllipse(centre, 22, 22);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kBlue, 2));
    p.drawArc(QRectF(centre.x() - 95, centre.y() - 95, 190, 190), 180 * 16, -45 * 16);
    p.setPen(QPen(kRed, 2));
    p.drawArc(QRectF(centre.x() - 140, centre.y() - 140, 280, 280), 180 * 16, -90 * 16);
    label(p, {40, 120}, QStringLiteral("hips ~45\u00b0"), kBlue, 15);
    label(p, {262, 90}, QStringLiteral("shoulders ~90\u00b0"), kRed, 15);
    label(p, {110, 335}, QStringLiteral("the difference stores the power"), kInk, 13);
    return image;
}

QImage noPicture()
{
    QImage image(240, 160, QImage::Format_RGB32);
    image.fill(QColor(235, 235, 235));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(170, 170, 170), 3));
    p.drawRect(QRectF(70, 30, 100, 70));
    p.drawLine(QPointF(70, 100), QPointF(105, 60));
    p.drawLine(QPointF(105, 60), QPointF(130, 85));
    p.drawLine(QPointF(130, 85), QPointF(145, 72));
    p.drawLine(QPointF(145, 72), QPointF(170, 100));
    p.drawEllipse(QPointF(150, 48), 7, 7);
    label(p, {80, 135}, QStringLiteral("No picture"), QColor(120, 120, 120), 16);
    return image;
}

struct Note {
    const char* category;
    const char* name;
    const char* picture;
    QString html;
};

QString heading(const QString& text)
{
    return QStringLiteral("<p align=center><span style=\"font-family:'Arial'; font-size:16pt; font-weight:bold; "
                          "color:#479a53\">%1</span></p>")
        .arg(text);
}

QString para(const QString& text)
{
    return QStringLiteral("<p><span style=\"font-family:'Arial'; font-size:11pt\">%1</span></p>").arg(text);
}

QString tip(const QString& text)
{
    return QStringLiteral("<p><span style=\"font-family:'Arial'; font-size:11pt; color:#0000ff\"><b>Tip: </b>"
                          "<i>%1</i></span></p>")
        .arg(text);
}

QList<Note> notes()
{
    return {
        {"General", "Swing fundamentals", "swing_sequence.png",
            heading("Swing fundamentals")
                + para("A golf swing is one motion, but it is easier to study as four positions: <b>address</b>, "
                       "the <b>top</b> of the backswing, <b>impact</b> and the <b>finish</b>. Step through your video "
                       "frame by frame and stop at each of them.")
                + para("At every position ask three questions: Is my balance centred over my feet? Has my posture "
                       "kept its angles? Is the club where I meant it to be?")
                + para("Rhythm matters more than speed. A backswing that is roughly three times as long in time as "
                       "the downswing feels slow, yet produces a smooth, repeatable strike.")
                + tip("film the same drill from the front and from the side; each view shows faults the other "
                      "hides.")},
        {"Front", "Stance and ball position", "front_address.png",
            heading("Stance and ball position")
                + para("Seen face-on, the feet are about as wide as the shoulders for a mid iron, a little wider for "
                       "the driver and narrower for short wedges.")
                + para("Place the ball <b>opposite the lead heel</b> with the driver and move it back towards the "
                       "<b>centre</b> of the stance as the clubs get shorter.")
                + para("Because the trail hand sits lower on the grip, the trail shoulder is slightly lower than the "
                       "lead shoulder. Draw a line across the shoulders in the video window to check the tilt.")
                + tip("use the angle tool on the shoulder line; a few degrees of tilt is normal, a large tilt "
                      "usually means the ball is too far forward.")},
        {"Side", "Posture and swing plane", "side_posture.png",
            heading("Posture and swing plane")
                + para("From down the line, bend forward from the hips, not the waist, keeping the back fairly "
                       "straight. Let the knees flex a little and the arms hang naturally below the shoulders.")
                + para("The shaft at address defines a plane: a line from the ball up through the hands. During a "
                       "good swing the club travels close to this plane on the way back and on the way down.")
                + para("Measure the spine angle at address and again at impact. If it rises by many degrees, the "
                       "body has stood up through the ball.")
                + tip("draw the shaft line on the address frame, then step to the top and to impact and compare the "
                      "club with it.")},
        {"Back", "Backswing turn", "back_turn.png",
            heading("Backswing turn")
                + para("At the top of the backswing the shoulders have turned about <b>90\u00b0</b> while the hips "
                       "have turned only about <b>45\u00b0</b>. The difference between the two is what loads the "
                       "body for the downswing.")
                + para("Turn around a steady centre: the head may move a little but should not sway away from the "
                       "target. The lead arm stays comfortably straight and the wrists set the club.")
                + para("Start the downswing from the ground up: the lower body begins to unwind while the shoulders "
                       "are still finishing their turn.")
                + tip("film from behind the golfer and compare the line across the shoulders with the line across "
                      "the belt at the top.")},
    };
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: kes_kb_make_starter <knowledgebase folder>");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    const bool pictures = swingSequence().save(out.filePath("swing_sequence.png"))
        && frontAddress().save(out.filePath("front_address.png"))
        && sidePosture().save(out.filePath("side_posture.png")) && backTurn().save(out.filePath("back_turn.png"))
        && noPicture().save(out.filePath("kestrel_no_picture.bmp"), "BMP");
    if (!pictures)
        return 1;

    kestrel::clsItemsXML items;
    for (const Note& note : notes()) {
        QTextDocument doc;
        doc.setHtml(note.html);
        QFile file(out.filePath(QString::fromLatin1(note.name) + ".rtf"));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(kestrel::RtfWriter::write(doc));
        kestrel::clsItemXML& item = items.Add();
        item.setCategory(QString::fromLatin1(note.category));
        item.setName(QString::fromLatin1(note.name));
        item.setRTF(QString::fromLatin1(note.name) + ".rtf");
        item.setPicture(QString::fromLatin1(note.picture));
        item.setID(items.Count());
    }
    return kestrel::KbIndex(out.path()).rewrite(items) ? 0 : 1;
}
