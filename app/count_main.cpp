// korvath-count: counts the points of curves read from a file or standard input.
//
//   korvath-count [-v] [FILE]
//
// One curve per line, numbers in hexadecimal, m a b c in decimal:
//   gfp P A B             y^2 = x^3 + A x + B over GF(P)
//   gf2m m a b c A B      y^2 + x y = x^3 + A x^2 + B over GF(2^m), basis
//                         x^m + x^a + x^b + x^c + 1 (b = c = 0: x^m + x^a + 1)
// Blank lines and lines starting with '#' are skipped. Each curve is counted in
// mode 0 on an engine instance of its own; the answer is printed as
//   NP <hex> <seconds>
// preceded by the whole progress narrative with -v. A line that cannot be read
// or a curve the count refuses gets a message on standard error and the exit
// status 1; the other curves are still counted. Exit status 2 on bad usage.
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/big.h"
#include "engine/instance.h"
#include "numtheory/point_count.h"
#include "numtheory/progress_log.h"

namespace {

bool is_hex(const std::string& s) {
    if (s.empty() || s.size() > 560) return false;
    for (char ch : s)
        if (!std::isxdigit(static_cast<unsigned char>(ch))) return false;
    return true;
}

bool read_int(const std::string& s, int& v) {
    if (s.empty() || s.size() > 6) return false;
    for (char ch : s)
        if (!std::isdigit(static_cast<unsigned char>(ch))) return false;
    v = std::stoi(s);
    return true;
}

// The progress text with its "\r\n" line ends as plain "\n".
std::string plain_lines(const std::string& log) {
    std::string out;
    out.reserve(log.size());
    for (size_t i = 0; i < log.size(); ++i)
        if (!(log[i] == '\r' && i + 1 < log.size() && log[i + 1] == '\n')) out += log[i];
    return out;
}

// Counts one curve; returns false (and says why on stderr) when it cannot.
bool count_line(const std::string& where, const std::vector<std::string>& f, bool verbose) {
    const bool gfp = f[0] == "gfp", gf2m = f[0] == "gf2m";
    if (!(gfp && f.size() == 4) && !(gf2m && f.size() == 7)) {
        std::cerr << where << ": expected 'gfp P A B' or 'gf2m m a b c A B'\n";
        return false;
    }
    int m = 0, a = 0, b = 0, c = 0;
    const size_t first_hex = gfp ? 1 : 5;
    if (gf2m && !(read_int(f[1], m) && read_int(f[2], a) && read_int(f[3], b) && read_int(f[4], c))) {
        std::cerr << where << ": m a b c must be decimal numbers\n";
        return false;
    }
    for (size_t i = first_hex; i < f.size(); ++i)
        if (!is_hex(f[i])) {
            std::cerr << where << ": '" << f[i] << "' is not a hexadecimal number\n";
            return false;
        }

    engine_instance* e = engine_open(2176, 2);
    if (e == nullptr) {
        std::cerr << where << ": the engine could not be opened\n";
        return false;
    }
    e->error_control = true;
    e->io_base = 16;
    set_io_buffer_size(560);
    big result = big_alloc(0), zero = big_alloc(0);
    std::vector<big> nums;
    for (size_t i = first_hex; i < f.size(); ++i) {
        nums.push_back(big_alloc(0));
        cinstr(nums.back(), f[i].c_str());
    }
    log_clear();
    set_run_state(RunState::running);
    const auto start = std::chrono::steady_clock::now();
    if (engine_error() == 0) {
        if (gfp)
            count_points_gfp(result, nums[1], nums[2], nums[0], KangarooMode::count_points, zero, zero, zero,
                             zero, zero, zero);
        else
            count_points_gf2m(result, m, a, b, c, nums[0], nums[1], KangarooMode::count_points, zero, zero,
                              zero, zero, zero, zero);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    set_run_state(RunState::finished);
    const std::string log = progress_log().text();
    bool ok = true;
    if (verbose) std::cout << plain_lines(log);
    if (engine_error() != 0) {
        std::cerr << where << ": engine error " << engine_error() << ": " << error_message(engine_error());
        ok = false;
    } else if (big_is_zero(result)) {
        // Refused (not prime, singular, illegal basis): the narrative says why.
        std::string why = plain_lines(log);
        while (!why.empty() && why.back() == '\n') why.pop_back();
        const size_t last = why.rfind('\n');
        std::cerr << where << ": not counted: " << (last == std::string::npos ? why : why.substr(last + 1)) << "\n";
        ok = false;
    } else {
        std::vector<char> text(2304);
        cotstr(result, text.data());
        char secs[32];
        std::snprintf(secs, sizeof secs, "%.3f", seconds);
        std::cout << "NP " << text.data() << " " << secs << std::endl;
    }
    for (big x : nums) big_free(x);
    big_free(result);
    big_free(zero);
    engine_teardown();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    bool verbose = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::cerr << "usage: korvath-count [-v] [FILE]\n";
            return 2;
        } else if (path == nullptr) {
            path = argv[i];
        } else {
            std::cerr << "usage: korvath-count [-v] [FILE]\n";
            return 2;
        }
    }
    std::ifstream file;
    if (path != nullptr && std::strcmp(path, "-") != 0) {
        file.open(path);
        if (!file) {
            std::cerr << "korvath-count: cannot read " << path << ": " << std::strerror(errno) << "\n";
            return 2;
        }
    }
    std::istream& in = file.is_open() ? static_cast<std::istream&>(file) : std::cin;
    const std::string name = path != nullptr ? path : "stdin";
    int status = 0;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::vector<std::string> f;
        for (std::string w; words >> w;) f.push_back(w);
        if (f.empty() || f[0][0] == '#') continue;
        if (!count_line(name + ":" + std::to_string(number), f, verbose)) status = 1;
    }
    return status;
}
