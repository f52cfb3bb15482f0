#include "tests/support/process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace testsupport {

namespace {

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string temp_path(const std::string& name) {
    return ::testing::TempDir() + "korvath_" + std::to_string(::getpid()) + "_" + name;
}

ProcessRun run_program(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                       bool merge_err) {
    const std::string in_path = temp_path("stdin.txt"), err_path = temp_path("stderr.txt");
    std::ofstream(in_path, std::ios::binary) << input;
    std::string cmd = quote(program);
    for (const std::string& a : args) cmd += " " + quote(a);
    cmd += " <" + quote(in_path) + (merge_err ? " 2>&1" : " 2>" + quote(err_path));
    ProcessRun r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p != nullptr) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        const int status = ::pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (!merge_err) r.err = slurp(err_path);
    }
    std::remove(in_path.c_str());
    std::remove(err_path.c_str());
    return r;
}

}  // namespace testsupport
