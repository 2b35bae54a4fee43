// Runs one sync of a book with a folder collection, for the test that kills it at a random
// moment. Prints "go" before it starts and "done" with the exit status after it.
//
//     sync_worker <book> <state> <folder> <pause per request, microseconds>
#include "foldercollection.h"
#include "sync/runsync.h"

#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 5)
        return 2;
    quenlark::sync::test::FolderCollection collection(
        argv[3], std::chrono::microseconds(std::strtol(argv[4], nullptr, 10)));
    std::cout << "go" << std::endl;
    std::ostringstream out, err;
    const int status =
        quenlark::sync::RunSync(collection, {argv[1], argv[2], "folder", true}, out, err);
    std::cout << "done " << status << std::endl << err.str();
    return 0;
}
