#include "analysis/SwingEventText.h"

namespace kestrel {

QStringList swingEventLines(const SwingAnalysis& analysis)
{
    const auto notFound = [](const QString& name) { return name + QStringLiteral(" not found"); };
    QStringList lines;
    const ImpactEstimate& impact = analysis.impact;
    lines << (impact.found() ? QStringLiteral("impact %1 (%2, confidence %3)")
                                   .arg(impact.frameIndex)
                                   .arg(impactSourceName(impact.source), QString::number(impact.confidence, 'f', 2))
                             : notFound(QStringLiteral("impact")));
    for (SwingEvent event : {SwingEvent::Address, SwingEvent::Top, SwingEvent::Finish}) {
        const QString name = swingEventName(event);
        lines << (analysis.marks.has(event) ? name + QLatin1Char(' ') + QString::number(analysis.marks.frame(event))
                                            : notFound(name));
    }
    lines << (analysis.tempo.isValid() ? QStringLiteral("tempo ") + analysis.tempo.text()
                                       : notFound(QStringLiteral("tempo")));
    return lines;
}

} // namespace kestrel
