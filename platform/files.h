// Byte-stream files: whole-file write and bounded read, bytes as they are (no
// translation of line ends). Errors are errno values, 0 for success;
// error_text() gives the system's reason.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// Creates or truncates `path` and writes `bytes`; 0 or an errno value.
int file_write(const std::string& path, std::string_view bytes);
/// Opens `path` read-only and reads at most `max` bytes into `out`; 0 or an errno
/// value (a directory gives EISDIR).
int file_read_prefix(const std::string& path, size_t max, std::string& out);
/// The system's text for an errno value.
std::string error_text(int err);
