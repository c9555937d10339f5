#pragma once

#include <QString>

#include <stdexcept>

namespace kestrel {

// Raised by helpers whose input breaks their contract; callers that show
// errors to the user catch it and show what() (e.g. the open-video error box).
class KesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "hh:mm:ss" or "hh:mm:ss.cc"; hours are not wrapped at 24.
QString FormatTime(qint32 milliseconds, bool withHundredths);

// fromStart false: everything up to and including the last delimiter.
// fromStart true: everything before the first delimiter.
// Throws KesError when the delimiter does not occur in the text.
QString TrimAtDelimiter(const QString& text, QChar delimiter, bool fromStart);

} // namespace kestrel
