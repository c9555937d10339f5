#include "analysis/ImpactEstimate.h"

namespace kestrel {

QString impactSourceName(ImpactSource source)
{
    switch (source) {
    case ImpactSource::Audio:
        return QStringLiteral("audio");
    case ImpactSource::Motion:
        return QStringLiteral("motion");
    case ImpactSource::None:
        break;
    }
    return QStringLiteral("none");
}

} // namespace kestrel
