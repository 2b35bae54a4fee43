#include "engine/result.h"

#include <cstring>

namespace quenlark {

Result Result::FromErrno(std::string_view what, int error) {
    std::string message(what);
    message += ": ";
    message += std::strerror(error);
    return Fail(Failure::Io, std::move(message));
}

} // namespace quenlark
