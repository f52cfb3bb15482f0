#include "platform/system_info.h"

#include <pwd.h>
#include <sys/random.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

void put_bytes(uint8_t* buf, size_t n, const void* src, size_t len) {
    std::memcpy(buf, src, std::min(n, len));
}

std::string read_file(const char* path, size_t max) {
    std::ifstream f(path, std::ios::binary);
    std::string s(max, '\0');
    f.read(s.data(), static_cast<std::streamsize>(max));
    s.resize(static_cast<size_t>(f.gcount()));
    return s;
}

std::vector<std::string> mount_points() {
    std::vector<std::string> points;
    std::istringstream in(read_file("/proc/self/mounts", 1 << 16));
    std::string line;
    while (std::getline(in, line) && points.size() < 24) {
        std::istringstream fields(line);
        std::string dev, dir;
        fields >> dev >> dir;
        if (!dir.empty()) points.push_back(dir);
    }
    return points;
}

}  // namespace

bool LinuxSystemInfo::query(InfoKind what, uint8_t* buf, size_t n) {
    switch (what) {
        case InfoKind::power_status: {
            // Battery capacity and status, when there is a battery.
            const std::string s = read_file("/sys/class/power_supply/BAT0/uevent", n);
            if (s.empty()) return false;
            put_bytes(buf, n, s.data(), s.size());
            return true;
        }
        case InfoKind::startup_info: {
            const std::string s = read_file("/proc/self/stat", n);
            if (s.empty()) return false;
            put_bytes(buf, n, s.data(), s.size());
            return true;
        }
        case InfoKind::computer_name: {
            char name[256] = {};
            if (gethostname(name, sizeof name - 1) != 0) return false;
            put_bytes(buf, n, name, std::strlen(name) + 1);
            return true;
        }
        case InfoKind::user_name: {
            const passwd* pw = getpwuid(getuid());
            if (pw == nullptr || pw->pw_name == nullptr) return false;
            put_bytes(buf, n, pw->pw_name, std::strlen(pw->pw_name) + 1);
            return true;
        }
        case InfoKind::memory_status:
        case InfoKind::system_info: {
            struct sysinfo si {};
            if (::sysinfo(&si) != 0) return false;
            if (what == InfoKind::memory_status) {
                put_bytes(buf, n, &si, sizeof si);
            } else {
                utsname u{};
                if (uname(&u) != 0) return false;
                uint8_t tmp[36] = {};
                const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
                const long page = sysconf(_SC_PAGESIZE);
                std::memcpy(tmp, &cpus, sizeof cpus);
                std::memcpy(tmp + 8, &page, sizeof page);
                std::memcpy(tmp + 16, u.machine, std::min<size_t>(20, sizeof u.machine));
                put_bytes(buf, n, tmp, sizeof tmp);
            }
            return true;
        }
        case InfoKind::cursor_position: {
            // No pointer on a headless system: the process's user and system times.
            const std::string s = read_file("/proc/self/schedstat", n);
            if (s.empty()) return false;
            put_bytes(buf, n, s.data(), s.size());
            return true;
        }
        case InfoKind::system_time: {
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
            uint8_t tmp[16] = {};
            std::memcpy(tmp, &ns, sizeof ns);
            put_bytes(buf, n, tmp, sizeof tmp);
            return true;
        }
    }
    return false;
}

bool LinuxSystemInfo::volume(int index, VolumeInfo& out) {
    static const std::vector<std::string> points = mount_points();
    if (index < 0 || index >= static_cast<int>(points.size())) return false;
    const std::string& dir = points[static_cast<size_t>(index)];
    std::memcpy(out.name, dir.c_str(), std::min(sizeof out.name - 1, dir.size()));
    struct statvfs st {};
    if (statvfs(dir.c_str(), &st) != 0) return false;
    out.serial = static_cast<uint32_t>(st.f_fsid);
    out.max_component = static_cast<uint32_t>(st.f_namemax);
    out.flags = static_cast<uint32_t>(st.f_flag);
    const char* fs = "statvfs";
    std::memcpy(out.fs_name, fs, std::strlen(fs));
    out.free_space[0] = static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
    out.free_space[1] = static_cast<uint64_t>(st.f_blocks) * st.f_frsize;
    out.free_space[2] = static_cast<uint64_t>(st.f_bfree) * st.f_frsize;
    return true;
}

std::string LinuxSystemInfo::command_line() {
    std::string s = read_file("/proc/self/cmdline", 4096);
    std::replace(s.begin(), s.end(), '\0', ' ');
    return s;
}

std::string LinuxSystemInfo::first_environment_string() {
    return (environ != nullptr && environ[0] != nullptr) ? std::string(environ[0]) : std::string();
}

bool LinuxSystemInfo::user_sid(UserSid& out, std::string& error) {
    // The identifier form Unix users get when mapped into such identifiers:
    // authority 22, sub-authorities 1 (users) and the uid.
    (void)error;
    out.revision = 1;
    std::memset(out.authority, 0, sizeof out.authority);
    out.authority[5] = 22;
    out.sub_authorities = {1u, static_cast<uint32_t>(getuid())};
    return true;
}

void LinuxSystemInfo::ids(uint32_t out[5]) {
    out[0] = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now().time_since_epoch())
                                       .count());
    out[1] = static_cast<uint32_t>(getppid());
    out[2] = static_cast<uint32_t>(getpgrp());
    out[3] = static_cast<uint32_t>(getpid());
    out[4] = static_cast<uint32_t>(syscall(SYS_gettid));
}

bool LinuxSystemInfo::os_random(uint8_t* out, size_t n) {
    size_t got = 0;
    while (got < n) {
        const ssize_t r = getrandom(out + got, n - got, 0);
        if (r <= 0) return false;
        got += static_cast<size_t>(r);
    }
    return true;
}

SystemInfo& system_info() {
    static LinuxSystemInfo info;
    return info;
}

// ---- fake ----------------------------------------------------------------------------

bool FixedSystemInfo::query(InfoKind what, uint8_t* buf, size_t n) {
    for (size_t i = 0; i < n; ++i) buf[i] = static_cast<uint8_t>(static_cast<size_t>(what) * 31 + i);
    return true;
}

bool FixedSystemInfo::volume(int index, VolumeInfo& out) {
    if (index != 0) return false;
    std::memcpy(out.name, "ROOT", 4);
    out.serial = 0x1234;
    out.free_space[0] = out.free_space[1] = out.free_space[2] = 1u << 30;
    return true;
}

bool FixedSystemInfo::user_sid(UserSid& out, std::string&) {
    out.revision = 1;
    std::memset(out.authority, 0, sizeof out.authority);
    out.authority[5] = 5;
    out.sub_authorities = {21u, 1000u};
    return true;
}

void FixedSystemInfo::ids(uint32_t out[5]) {
    for (uint32_t i = 0; i < 5; ++i) out[i] = 100 + i;
}

bool FixedSystemInfo::os_random(uint8_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(m_counter++ * 167 + 13);
    return true;
}
