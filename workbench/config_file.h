// The configuration file: 19 entries of a key line and a value line, each line
// ending in CR LF, in a fixed order (curve type, number base, the five small
// boxes, then the twelve fields as the window shows them).
//
// The loader looks each key up anywhere in the first 32,767 bytes of the file
// (case-sensitive), skips the key and the two bytes after it, then white space,
// and takes the next run of non-blank characters (at most 4,095) as the value.
// Missing keys leave their control as it was. The number base is applied before
// any number is loaded, so that a file is read in the base it was written in.
//
// A file that cannot be created, written or read puts one line naming the file
// and the system's reason into the large pane; success is silent.
#pragma once

#include <string>

class Workbench;

constexpr size_t kConfigReadLimit = 32767;
constexpr size_t kConfigTokenLimit = 4095;
constexpr size_t kConfigValueLimit = 2047;

/// 0 done, 1 file not opened/written.
int save_configuration(Workbench& wb, const std::string& path);
/// 0 done, 1 file not opened/read.
int load_configuration(Workbench& wb, const std::string& path);
/// The file's bytes for the window's current state (what SAVE CFG writes).
std::string configuration_text(Workbench& wb);
