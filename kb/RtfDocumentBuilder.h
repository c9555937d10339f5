#pragma once

#include "kb/RtfContent.h"

class QTextDocument;

namespace kestrel {

// Turns read RTF content into a QTextDocument in one edit block: Qt lays out
// and records the change once, not once per run, so building takes time in
// proportion to the content.
class RtfDocumentBuilder {
public:
    // Replaces doc's content. Its undo history is cleared: a freshly loaded
    // note has nothing to undo.
    static void build(const RtfContent& content, QTextDocument* doc);
};

} // namespace kestrel
