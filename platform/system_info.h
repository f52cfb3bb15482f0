// System information read only as entropy, and the operating system's random
// generator.
//
// Each query fills a caller's buffer of a fixed size and returns false when the
// system could not answer; the buffer then keeps what it held. LinuxSystemInfo
// answers with the nearest Linux information (statvfs of mount points for the
// volumes, sysinfo, uname, /proc/self, getpwuid, gethostname, the environment,
// the command line, getrandom); FixedSystemInfo is the tests' fake, answering
// with fixed bytes and a fixed "random" stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class InfoKind {
    power_status,      // 12 bytes
    startup_info,      // 68 bytes
    computer_name,     // 16 bytes
    user_name,         // 257 bytes
    memory_status,     // 32 bytes
    system_info,       // 36 bytes
    cursor_position,   // 8 bytes
    system_time,       // 16 bytes
};

/// A volume's identity: the fields of one drive-letter query.
struct VolumeInfo {
    uint8_t name[512] = {};
    uint32_t serial = 0;
    uint32_t max_component = 0;
    uint32_t flags = 0;
    uint8_t fs_name[512] = {};
    uint64_t free_space[3] = {0, 0, 0};  // free to caller, total, total free
};

/// A security identifier: revision, 6-byte authority, sub-authorities.
struct UserSid {
    uint8_t revision = 1;
    uint8_t authority[6] = {0, 0, 0, 0, 0, 0};
    std::vector<uint32_t> sub_authorities;
};

class SystemInfo {
   public:
    virtual ~SystemInfo() = default;
    virtual bool query(InfoKind what, uint8_t* buf, size_t n) = 0;
    /// Volume `index` (0 = the first of 24 drive letters C..Z); false when absent.
    /// On false only the two name buffers may have been written.
    virtual bool volume(int index, VolumeInfo& out) = 0;
    virtual std::string command_line() = 0;
    virtual std::string first_environment_string() = 0;
    /// The user's identifier; false with an error text when it cannot be read.
    virtual bool user_sid(UserSid& out, std::string& error) = 0;
    /// Five words: tick count, last message time, last message position, process
    /// id, thread id.
    virtual void ids(uint32_t out[5]) = 0;
    /// n bytes from the operating system's generator; false on failure.
    virtual bool os_random(uint8_t* out, size_t n) = 0;
};

class LinuxSystemInfo final : public SystemInfo {
   public:
    bool query(InfoKind what, uint8_t* buf, size_t n) override;
    bool volume(int index, VolumeInfo& out) override;
    std::string command_line() override;
    std::string first_environment_string() override;
    bool user_sid(UserSid& out, std::string& error) override;
    void ids(uint32_t out[5]) override;
    bool os_random(uint8_t* out, size_t n) override;
};

/// The process's system information source.
SystemInfo& system_info();

class FixedSystemInfo final : public SystemInfo {
   public:
    bool query(InfoKind what, uint8_t* buf, size_t n) override;
    bool volume(int index, VolumeInfo& out) override;
    std::string command_line() override { return "korvath"; }
    std::string first_environment_string() override { return "HOME=/"; }
    bool user_sid(UserSid& out, std::string& error) override;
    void ids(uint32_t out[5]) override;
    bool os_random(uint8_t* out, size_t n) override;
    /// Number of os_random bytes handed out so far.
    size_t random_bytes_given() const { return m_counter; }

   private:
    size_t m_counter = 0;
};
