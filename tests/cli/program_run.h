#pragma once

#include "tests/unit/data_files.h"

#include <string>
#include <vector>

namespace candlewatcher::testing_support {

struct Outcome {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// The text quoted for /bin/sh.
std::string Quoted(const std::string& text);

// The real executable as a separate process, with no display to be had and its own settings and cache
// folders (scratch/config, scratch/cache), in English; environment holds more VARIABLE=value words for it.
Outcome RunProgram(const TemporaryDirectory& scratch, const std::vector<std::string>& arguments,
                   const std::string& environment = "", const std::string& program = CANDLEWATCHER_EXE);

// One record of birthday.dat, as the program writes it.
std::string Record(const std::string& day, const std::string& month, const std::string& year,
                   const std::string& name);

} // namespace candlewatcher::testing_support
