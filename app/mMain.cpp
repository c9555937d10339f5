#include "mMain.h"

namespace kestrel {

namespace {
QString twoDigits(qint64 value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}
} // namespace

QString FormatTime(qint32 milliseconds, bool withHundredths)
{
    // Integer division truncates towards zero, as C++ does for negatives too.
    const qint64 m = milliseconds;
    const qint64 hours = m / 3600000;
    const qint64 rest = m % 3600000;
    const qint64 minutes = rest / 60000;
    const qint64 s = rest % 60000;
    const qint64 seconds = s / 1000;
    const qint64 hundredths = (s % 1000) / 10;
    QString text = twoDigits(hours) + QLatin1Char(':') + twoDigits(minutes) + QLatin1Char(':') + twoDigits(seconds);
    if (withHundredths)
        text += QLatin1Char('.') + twoDigits(hundredths);
    return text;
}

QString TrimAtDelimiter(const QString& text, QChar delimiter, bool fromStart)
{
    if (fromStart) {
        const qsizetype p = text.indexOf(delimiter);
        // The scan counter is a 16-bit integer: a delimiter beyond it is never reached.
        if (p < 0 || p >= 32767)
            throw KesError("Invalid procedure call or argument");
        return text.left(p);
    }
    const qsizetype p = text.lastIndexOf(delimiter);
    if (p < 0)
        throw KesError("Invalid procedure call or argument");
    return text.left(p + 1);
}

} // namespace kestrel
