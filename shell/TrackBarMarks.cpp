#include "TrackBarMarks.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

#include <cstdlib>

namespace kestrel {

namespace {
constexpr int kTickHeightPx = 4;
constexpr int kLetterPixelSize = 8;
constexpr int kHitDistancePx = 4;
// Room under the groove for the ticks and letters.
constexpr int kMinimumSliderHeightPx = 30;
} // namespace

TrackBarMarks::TrackBarMarks(QSlider& slider)
    : QWidget(&slider)
    , m_slider(slider)
{
    setObjectName(QStringLiteral("sliderMarks"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    slider.setMinimumHeight(kMinimumSliderHeightPx);
    slider.installEventFilter(this);
    setGeometry(slider.rect());
}

void TrackBarMarks::setMarks(const QList<TrackBarMark>& marks)
{
    if (marks == m_marks)
        return;
    m_marks = marks;
    update();
}

int TrackBarMarks::xOf(int value) const
{
    QStyleOptionSlider option;
    option.initFrom(&m_slider);
    option.orientation = Qt::Horizontal;
    option.minimum = m_slider.minimum();
    option.maximum = m_slider.maximum();
    option.sliderPosition = m_slider.sliderPosition();
    option.sliderValue = m_slider.value();
    option.upsideDown = m_slider.invertedAppearance();
    QStyle* style = m_slider.style();
    const QRect groove = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, &m_slider);
    const QRect handle = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &m_slider);
    const int span = groove.width() - handle.width();
    return groove.x() + handle.width() / 2
        + QStyle::sliderPositionFromValue(option.minimum, option.maximum, value, span, option.upsideDown);
}

QString TrackBarMarks::toolTipAt(int x) const
{
    const TrackBarMark* nearest = nullptr;
    int nearestDistance = kHitDistancePx + 1;
    for (const TrackBarMark& mark : m_marks) {
        const int distance = std::abs(xOf(mark.value) - x);
        if (distance < nearestDistance) {
            nearest = &mark;
            nearestDistance = distance;
        }
    }
    return nearest ? nearest->toolTip : QString();
}

void TrackBarMarks::paintEvent(QPaintEvent*)
{
    if (m_marks.isEmpty() || m_slider.maximum() <= m_slider.minimum())
        return;
    QPainter painter(this);
    QFont font = painter.font();
    font.setPixelSize(kLetterPixelSize);
    font.setBold(true);
    painter.setFont(font);
    const int letterTop = height() - kLetterPixelSize - 1;
    const int tickTop = letterTop - kTickHeightPx;
    for (const TrackBarMark& mark : m_marks) {
        const int x = xOf(mark.value);
        painter.setPen(QPen(mark.colour, 2));
        painter.drawLine(x, tickTop, x, letterTop - 1);
        painter.drawText(QRect(x - 6, letterTop, 12, kLetterPixelSize + 1), Qt::AlignCenter, mark.letter);
    }
}

bool TrackBarMarks::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_slider) {
        if (event->type() == QEvent::Resize) {
            setGeometry(m_slider.rect());
        } else if (event->type() == QEvent::ToolTip) {
            const auto* help = static_cast<QHelpEvent*>(event);
            const QString tip = toolTipAt(help->pos().x());
            if (!tip.isEmpty()) {
                QToolTip::showText(help->globalPos(), tip, &m_slider);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kestrel
