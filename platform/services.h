// The process's one engine and settings store, reachable from every form and tool.
#pragma once

#include "engine/addressbookengine.h"
#include "platform/settingsstore.h"

#include <QString>

namespace quenlark {

AddressBookEngine& Engine();
SettingsStore& Settings();
// Installs the objects the program (or a test) created; they are not owned.
void SetServices(AddressBookEngine* engine, SettingsStore* settings);

// Shows the engine's own messages through the UI seam, with no owner window.
class SeamMessageSink : public MessageSink {
public:
    void showMessage(const std::string& title, const std::string& text, MessageKind kind) override;
};

// The folder of the running executable, without a trailing separator.
std::string ExecutableDir();
// Where one of the program's text files (info.txt, license.txt, "whats new.txt") is: the
// executable's folder when it is there (the build tree), else the installed copy in
// ../share/quenlark-addressbook beside it. When neither exists, the path in the
// executable's folder, so the desktop reports the missing file as before.
QString ProgramDataFile(const QString& name);
// The same for a given executable folder.
QString ProgramDataFile(const QString& name, const QString& exeDir);
// Makes the Tahoma faces the layouts use available when the system has them.
void RegisterApplicationFonts();

} // namespace quenlark
