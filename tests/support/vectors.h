// Loader for test-vector files: "[Section]" headers, "Key = value" lines, a
// blank line ends a case, "#" starts a comment. Each case remembers where it
// came from so that failures name file:line.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct VectorCase {
    std::string section;
    std::map<std::string, std::string> values;
    std::string where;  // "file:line" of the case's first key

    const std::string& get(const std::string& key) const;
    bool has(const std::string& key) const { return values.count(key) != 0; }
};

/// All cases of tests/vectors/<relative>. Fails the current test (and returns
/// nothing) when the file is missing or malformed.
std::vector<VectorCase> load_vectors(const std::string& relative);
/// Absolute path of a file under tests/vectors.
std::string vector_path(const std::string& relative);
/// Absolute path of a file under tests/data.
std::string data_path(const std::string& relative);

}  // namespace testsupport
