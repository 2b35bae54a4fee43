// The commands of the command line, each returning an exit status.
#pragma once

#include "cli/commandline.h"
#include "engine/enginehost.h"

#include <iosfwd>

#include <string>

namespace quenlark {

enum class ExportFormat { VCard, Csv };

int RunQuery(const std::string& text, const CommandLineContext& context);
int RunExport(const std::string& target, ExportFormat format, const CommandLineContext& context);
int RunImport(const std::string& file, bool acceptCuts, const CommandLineContext& context);

// What the engine has to tell while it opens a book (a file under the journal's name that it
// did not use), on the error output.
class ErrorOutputMessages : public MessageSink {
public:
    explicit ErrorOutputMessages(std::ostream& err);
    void showMessage(const std::string& title, const std::string& text, MessageKind kind) override;

private:
    std::ostream& err_;
};

class AddressBookEngine;
// Why the book at `path` could not be opened for a change, in the person's words.
std::string WhyNotOpened(const AddressBookEngine& engine, const std::string& path);

} // namespace quenlark
