// The commands of the command line, each returning an exit status.
#pragma once

#include "cli/commandline.h"

#include <string>

namespace quenlark {

enum class ExportFormat { VCard, Csv };

int RunQuery(const std::string& text, const CommandLineContext& context);
int RunExport(const std::string& target, ExportFormat format, const CommandLineContext& context);
int RunImport(const std::string& file, bool acceptCuts, const CommandLineContext& context);

} // namespace quenlark
