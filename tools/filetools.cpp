#include "tools/filetools.h"

#include "platform/uiseam.h"

namespace quenlark {

bool ShellLaunch(const QString& operation, const QString& fileName) {
    return Ui().launch(operation, fileName);
}

} // namespace quenlark
