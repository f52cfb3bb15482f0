// Runs a program of the build as a child process for the front-end tests.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct ProcessRun {
    int code = -1;  // exit status; -1 when it could not run or did not exit
    std::string out, err;
};

/// Runs `program` with `args` (each quoted for the shell), feeding `input` on
/// standard input; standard output and standard error are kept apart, or both
/// in `out` when `merge_err` is set.
ProcessRun run_program(const std::string& program, const std::vector<std::string>& args,
                       const std::string& input = "", bool merge_err = false);

/// A path for a scratch file of this test process.
std::string temp_path(const std::string& name);

}  // namespace testsupport
