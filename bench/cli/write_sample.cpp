// Writes DIRECTORY/birthday.dat with COUNT records as the program writes them (bench/core/sample_file).
#include "bench/core/sample_file.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DIRECTORY COUNT\n", argv[0]);
        return 2;
    }
    try {
        candlewatcher::bench::WriteSampleFile(argv[1], std::strtoul(argv[2], nullptr, 10));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
