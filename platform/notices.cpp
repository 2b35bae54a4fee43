#include "platform/notices.h"

#include <bitset>

namespace quenlark {

namespace {
std::bitset<2> g_given;
} // namespace

bool FirstTimeInRun(RunNotice notice) {
    const auto bit = static_cast<std::size_t>(notice);
    if (g_given.test(bit))
        return false;
    g_given.set(bit);
    return true;
}

void ForgetRunNotices() {
    g_given.reset();
}

} // namespace quenlark
