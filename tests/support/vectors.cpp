#include "tests/support/vectors.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

namespace testsupport {

namespace {

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

}  // namespace

const std::string& VectorCase::get(const std::string& key) const {
    auto it = values.find(key);
    if (it == values.end()) throw std::runtime_error(where + ": missing key " + key);
    return it->second;
}

std::string vector_path(const std::string& relative) { return std::string(KORVATH_VECTOR_DIR) + "/" + relative; }
std::string data_path(const std::string& relative) { return std::string(KORVATH_DATA_DIR) + "/" + relative; }

std::vector<VectorCase> load_vectors(const std::string& relative) {
    std::vector<VectorCase> out;
    const std::string path = vector_path(relative);
    std::ifstream in(path);
    if (!in) {
        ADD_FAILURE() << "cannot open " << path;
        return out;
    }
    std::string section;
    VectorCase current;
    std::string line;
    int lineno = 0;
    auto flush = [&] {
        if (!current.values.empty()) out.push_back(current);
        current = VectorCase{};
        current.section = section;
    };
    while (std::getline(in, line)) {
        ++lineno;
        const auto hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        line = trim(line);
        if (line.empty()) {
            flush();
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            flush();
            section = line.substr(1, line.size() - 2);
            current.section = section;
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            ADD_FAILURE() << path << ":" << lineno << ": expected 'Key = value'";
            return {};
        }
        if (current.values.empty()) current.where = relative + ":" + std::to_string(lineno);
        current.values[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
    }
    flush();
    return out;
}

}  // namespace testsupport
