#pragma once

#include <QChar>

namespace kestrel::rtf {

// Windows code page 1252: Latin-1 except for 0x80..0x9F, which hold the
// typographic quotes, dashes, the euro sign and a few letters. Unassigned
// bytes map to themselves, as Windows does.
QChar fromCp1252(unsigned char byte);
// The code page byte for a character, or -1 when it has none.
int toCp1252(QChar ch);

} // namespace kestrel::rtf
