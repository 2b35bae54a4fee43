// What the program needs from its surroundings beside the seam: the engine's message sink,
// the executable's folder, the program's text files and its fonts.
#pragma once

#include "engine/enginehost.h"
#include "platform/programfiles.h"

#include <QString>
#include <string>

namespace quenlark {

// Shows the engine's own messages through the UI seam, with no owner window.
class SeamMessageSink : public MessageSink {
public:
    void showMessage(const std::string& title, const std::string& text, MessageKind kind) override;
};

// Where one of the program's text files (info.txt, license.txt, "whats new.txt") is: the
// executable's folder when it is there (the build tree), else the installed copy in
// ../share/quenlark-addressbook beside it. When neither exists, the path in the
// executable's folder, so the desktop reports the missing file as before; "" when the
// executable's folder is unknown (the current folder is never looked at).
QString ProgramDataFile(const QString& name);
// The same for a given executable folder.
QString ProgramDataFile(const QString& name, const QString& exeDir);
// Makes the Tahoma face the layouts use available when the system has it (package
// fonts-wine); bold Tahoma is the regular face emboldened.
void RegisterApplicationFonts();

} // namespace quenlark
