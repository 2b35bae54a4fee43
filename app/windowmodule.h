// What the executable and the window module agree on.
#pragma once

namespace quenlark {

inline constexpr char kWindowModuleName[] = "quenlark-window.so";
inline constexpr char kWindowEntryPoint[] = "quenlark_run_window";
using RunWindowFunction = int (*)(int argc, char** argv);

} // namespace quenlark
