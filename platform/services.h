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
// Makes the Tahoma faces the layouts use available when the system has them.
void RegisterApplicationFonts();

} // namespace quenlark
