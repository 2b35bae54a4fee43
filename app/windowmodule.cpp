// The window module's entry: the whole program with its window, as the executable asks.
#include "app/windowmodule.h"
#include "app/startup.h"

extern "C" __attribute__((visibility("default"))) int quenlark_run_window(int argc, char** argv) {
    return quenlark::RunQuenlark(argc, argv);
}
