#pragma once

#include <QString>

namespace kestrel {

class Settings;
class Prompter;

// What every window needs from the running program: the settings store, the
// seam for modal interaction and the application folder (where the program's
// own data lives: knowledgebase/, Profiles/). Handed down from start-up;
// tests build one over temporary folders.
struct AppContext {
    Settings* settings = nullptr;
    Prompter* prompter = nullptr;
    QString appFolder; // no trailing separator
};

} // namespace kestrel
