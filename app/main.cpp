#include "app/startup.h"

int main(int argc, char** argv) {
    return quenlark::RunQuenlark(argc, argv);
}
