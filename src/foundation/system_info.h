#pragma once
// Dates and times in the user's date format, the version of program files,
// and a one-line summary of the computer for support requests.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace veldrim {

// The date in the date format setting: 1 dd.mm.yyyy, 2 mm/dd/yyyy,
// 3 yyyy-mm-dd, 4 dd/mm/yyyy, else yyyy/mm/dd.
std::string DateText(int year, int month, int day);
std::string TodayText();
std::string TodayIsoDate();
void GetDate(int& year, int& month, int& day, int& dayOfWeek);
void GetTime(int& hour, int& minute, int& second, int& hundredths);
std::string TimeText();
std::string TimeHourMinuteText();
// A file's modification stamp as yyyy-mm-dd (local time).
std::string FileDateText(std::time_t fileDate);
constexpr int PrinterPortMax() { return 3; }

// "major.minor[.release[.build]]" of a program file; the program's own file
// (empty name or its own path) gives the version the build set, any other
// file "0" since Linux executables carry no version resource.
std::string FileVersionText(const std::string& fileName);
// Version text of the build, as major, minor, release, build numbers.
std::string VersionTextOf(int major, int minor, int release, int build);
// The operating system's kernel version and name ("6.1 Linux").
std::string WindowsVersionText();
// The processor clock in MHz as the kernel reports it; 0 when unknown.
std::int64_t MeasureCpuMhz();
// computer/major.minor/CPU GHz/RAM MB/disk GB/path of the machine.
std::string SystemSummaryText(const std::string& path);
// IPv4 addresses of this host (at most 11).
std::vector<std::string> LocalIpAddresses();
// Size in bytes of the file system that holds path; 0 when unknown.
std::uint64_t DiskSizeOf(const std::string& path);

// Tests fix the clock: every date and time routine then reads this moment.
void SetFixedNow(std::optional<std::tm> moment);

}  // namespace veldrim
