#include "foundation/system_info.h"

#include <arpa/inet.h>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"

#ifndef VELDRIM_VERSION
#define VELDRIM_VERSION "1.0.0"
#endif

namespace veldrim {

namespace {

std::optional<std::tm> fixedNow;

struct Now {
    std::tm tm{};
    int hundredths = 0;
};

Now CurrentMoment() {
    Now n;
    if (fixedNow) {
        n.tm = *fixedNow;
        return n;
    }
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    localtime_r(&t, &n.tm);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    n.hundredths = static_cast<int>((ms.count() % 1000) / 10);
    return n;
}

std::string Digits(long v, int width) {
    char buf[24];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v < 0 ? -v : v);
    std::string s(buf, p);
    if (static_cast<int>(s.size()) < width)
        s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    return v < 0 ? "-" + s : s;
}

std::string Num(std::int64_t v) {
    char buf[24];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, p);
}

std::string SelfPath() {
    std::error_code ec;
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

void SetFixedNow(std::optional<std::tm> moment) { fixedNow = moment; }

std::string DateText(int year, int month, int day) {
    const std::string d = Digits(day, 2), m = Digits(month, 2), y = Num(year);
    switch (dateFormat) {
        case 1: return d + "." + m + "." + y;
        case 2: return m + "/" + d + "/" + y;
        case 3: return y + "-" + m + "-" + d;
        case 4: return d + "/" + m + "/" + y;
        default: return y + "/" + m + "/" + d;
    }
}

std::string TodayText() {
    int y, m, d, w;
    GetDate(y, m, d, w);
    return DateText(y, m, d);
}

std::string TodayIsoDate() {
    int y, m, d, w;
    GetDate(y, m, d, w);
    return Num(y) + "-" + Digits(m, 2) + "-" + Digits(d, 2);
}

void GetDate(int& year, int& month, int& day, int& dayOfWeek) {
    const Now n = CurrentMoment();
    year = n.tm.tm_year + 1900;
    month = n.tm.tm_mon + 1;
    day = n.tm.tm_mday;
    dayOfWeek = 0;
}

void GetTime(int& hour, int& minute, int& second, int& hundredths) {
    const Now n = CurrentMoment();
    hour = n.tm.tm_hour;
    minute = n.tm.tm_min;
    second = n.tm.tm_sec;
    hundredths = n.hundredths;
}

std::string TimeText() {
    int h, m, s, c;
    GetTime(h, m, s, c);
    return Digits(h, 2) + ":" + Digits(m, 2) + ":" + Digits(s, 2);
}

std::string TimeHourMinuteText() {
    int h, m, s, c;
    GetTime(h, m, s, c);
    return Num(h) + ":" + Digits(m, 2);
}

std::string FileDateText(std::time_t fileDate) {
    std::tm tm{};
    localtime_r(&fileDate, &tm);
    return Num(tm.tm_year + 1900) + "-" + Digits(tm.tm_mon + 1, 2) + "-" + Digits(tm.tm_mday, 2);
}

std::string VersionTextOf(int major, int minor, int release, int build) {
    std::string s = Num(major) + "." + Num(minor);
    if (release > 0) s += "." + Num(release);
    if (release >= 1 && build >= 1) s += "." + Num(build);
    return s;
}

std::string FileVersionText(const std::string& fileName) {
    const std::string name = TrimBoth(fileName);
    if (!name.empty()) {
        std::error_code ec;
        const std::string self = SelfPath();
        if (self.empty() || !std::filesystem::equivalent(name, self, ec)) return "0";
    }
    int parts[4] = {0, 0, 0, 0};
    std::string_view v = VELDRIM_VERSION;
    for (int i = 0; i < 4 && !v.empty(); ++i) {
        const auto dot = v.find('.');
        const std::string_view piece = v.substr(0, dot);
        std::from_chars(piece.data(), piece.data() + piece.size(), parts[i]);
        if (dot == std::string_view::npos) break;
        v.remove_prefix(dot + 1);
    }
    return VersionTextOf(parts[0], parts[1], parts[2], parts[3]);
}

std::string WindowsVersionText() {
    struct utsname u {};
    if (::uname(&u) != 0) return "0.0";
    std::string_view rel = u.release;
    int major = 0, minor = 0;
    auto r1 = std::from_chars(rel.data(), rel.data() + rel.size(), major);
    if (r1.ptr < rel.data() + rel.size() && *r1.ptr == '.')
        std::from_chars(r1.ptr + 1, rel.data() + rel.size(), minor);
    return Num(major) + "." + Num(minor) + " " + u.sysname;
}

std::int64_t MeasureCpuMhz() {
    // The kernel's own figure; the time-stamp counter would need realtime
    // priority, which a desktop program should not take.
    std::ifstream f("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    std::string line;
    if (f && std::getline(f, line)) {
        std::int64_t khz = 0;
        std::from_chars(line.data(), line.data() + line.size(), khz);
        if (khz > 0) return khz / 1000;
    }
    std::ifstream info("/proc/cpuinfo");
    while (info && std::getline(info, line)) {
        if (line.rfind("cpu MHz", 0) != 0) continue;
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string v = TrimBoth(line.substr(colon + 1));
        double mhz = 0;
        std::from_chars(v.data(), v.data() + v.size(), mhz);
        return static_cast<std::int64_t>(mhz);
    }
    return 0;
}

std::string SystemSummaryText(const std::string& path) {
    std::string drive = path;
    if (drive.empty()) drive = DirPartOf(SelfPath());
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
    struct utsname u {};
    int major = 0, minor = 0;
    if (::uname(&u) == 0) {
        std::string_view rel = u.release;
        auto r1 = std::from_chars(rel.data(), rel.data() + rel.size(), major);
        if (r1.ptr < rel.data() + rel.size() && *r1.ptr == '.')
            std::from_chars(r1.ptr + 1, rel.data() + rel.size(), minor);
    }
    struct sysinfo si {};
    std::uint64_t ram = 0;
    if (::sysinfo(&si) == 0) ram = static_cast<std::uint64_t>(si.totalram) * si.mem_unit;
    const std::uint64_t disk = DiskSizeOf(drive);
    return std::string(host) + "/" + Num(major) + "." + Num(minor) + "/" +
           FormatDecimals(1, static_cast<Real>(MeasureCpuMhz()) / 1000) + "GHz/" +
           Num(static_cast<std::int64_t>(ram / 1000000)) + "MB/" +
           FormatDecimals(0, static_cast<Real>(disk) / 1E9L) + "GB/" + drive;
}

std::vector<std::string> LocalIpAddresses() {
    std::vector<std::string> out;
    struct ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return out;
    for (auto* a = list; a && out.size() < 11; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
        char buf[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (::inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf)) out.emplace_back(buf);
    }
    ::freeifaddrs(list);
    return out;
}

std::uint64_t DiskSizeOf(const std::string& path) {
    struct statvfs s {};
    if (::statvfs(path.empty() ? "." : path.c_str(), &s) != 0) return 0;
    return static_cast<std::uint64_t>(s.f_blocks) * s.f_frsize;
}

}  // namespace veldrim
