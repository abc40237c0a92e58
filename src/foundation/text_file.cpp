#include "foundation/text_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/system_info.h"
#include "foundation/text_conv.h"

namespace veldrim {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr std::size_t kReadChunk = 64 * 1024;

// write() until everything is out or an error occurs.
int WriteAll(int fd, const char* data, std::size_t size) {
    return WriteWhole(fd, data, size) ? kIoOk : IoResultFromErrno(errno);
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A read line is taken as the value, the first failure of the file sets the
// cancel flag; the line is empty at a failure.
bool ReadValueLine(std::string& line) {
    if (sharedTextFile.ReadLine(line) != kIoOk) {
        cancelFlag = true;
        return false;
    }
    return true;
}

void WriteValueLine(std::string_view s) {
    TextFile& f = sharedTextFile;
    int r = f.WriteLine(s);
    if (r != kIoOk) ReportFileFailure(f, WriteErrorText(r));
}

// The headers name the program file "W" + short name + ".exe"; here that is
// the running program itself.
std::string DefaultVersionSource(const std::string&) { return FileVersionText(""); }

struct TextFileDefaults {
    ProgramVersionSource programVersionSource = DefaultVersionSource;
};
constexpr TextFileDefaults kDefaults{};

}  // namespace

TextFile sharedTextFile;
ProgramVersionSource programVersionSource = kDefaults.programVersionSource;

void ResetSharedTextFile() {
    sharedTextFile.Discard();
    sharedTextFile.Assign("");
    sharedTextFile.failureReported = false;
}

void ResetTextFileHooks() { programVersionSource = kDefaults.programVersionSource; }

int IoResultFromErrno(int err) {
    switch (err) {
        case 0: return kIoOk;
        case ENOENT: return kIoFileNotFound;
        case ENOTDIR: return kIoPathNotFound;
        case EMFILE:
        case ENFILE: return kIoTooManyFiles;
        case EACCES:
        case EPERM:
        case ETXTBSY: return kIoAccessDenied;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return kIoDiskFull;
        case EROFS: return kIoWriteProtected;
        case ENXIO:
        case ENODEV: return kIoDriveNotReady;
        default: return kIoDeviceError;
    }
}

// ---- TextFile --------------------------------------------------------------

TextFile::~TextFile() { Discard(); }

void TextFile::Assign(std::string name) {
    Discard();
    name_ = std::move(name);
    openedName_.clear();
    lineLimit_ = 0;
    resolved_ = false;
}

void TextFile::AssignResolved(std::string name, std::string target) {
    Assign(std::move(name));
    target_ = std::move(target);
    resolved_ = true;
}

void TextFile::CloseDescriptor() {
    if (fd_ >= 0) FileCalls.close(fd_);
    fd_ = -1;
}

void TextFile::Discard() {
    CloseDescriptor();
    if (!tempName_.empty()) FileCalls.unlink(tempName_.c_str());
    tempName_.clear();
    writing_ = false;
    eofSeen_ = false;
    readFailed_ = false;
    buffer_.clear();
    pos_ = 0;
    scanPos_ = 0;
    linesRead_ = 0;
    lineTooLong_ = false;
}

int TextFile::Reset() {
    Discard();
    failureReported = false;
    writeFailure_ = 0;
    failureErrno_ = 0;
    openedName_ = FindFileNoCase(name_);
    if (openedName_.empty()) return lastResult_ = NoteErrno(ENOENT);
    // Only a plain file is read: a device or a pipe would block or never end
    // (a folder gives EISDIR, anything else ENODEV).
    const int fd = OpenPlainFile(openedName_, O_RDONLY);
    if (fd < 0) return lastResult_ = NoteErrno(errno);
    fd_ = fd;
    writing_ = false;
    return lastResult_ = kIoOk;
}

int TextFile::Rewrite() {
    Discard();
    failureReported = false;
    writeFailure_ = 0;
    failureErrno_ = 0;
    openedName_ = name_;
    if (name_.empty() || name_.back() == '/') return FailWith(ENOENT);
    // A symbolic link stays: the file it points to is replaced.
    std::string temp;
    const int fd = resolved_ ? BeginSaveResolved(target_, temp) : BeginSave(name_, target_, temp);
    if (fd < 0) return FailWith(errno);
    fd_ = fd;
    tempName_ = temp;
    writing_ = true;
    return lastResult_ = kIoOk;
}

int TextFile::Write(std::string_view s) {
    if (!IsWriting()) return lastResult_ = kIoNotOpenForOutput;
    if (writeFailure_ != kIoOk) return lastResult_ = writeFailure_;
    buffer_.append(s);
    if (buffer_.size() >= kBufferSize) return Flush();
    return lastResult_ = kIoOk;
}

int TextFile::WriteLine(std::string_view s) {
    int r = Write(s);
    if (r != kIoOk) return r;
    return Write("\r\n");
}

int TextFile::Flush() {
    if (!IsWriting()) return lastResult_ = kIoNotOpenForOutput;
    if (writeFailure_ != kIoOk) return lastResult_ = writeFailure_;
    int r = WriteAll(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
    if (r != kIoOk) {
        NoteErrno(errno);
        writeFailure_ = r;
    }
    return lastResult_ = r;
}

int TextFile::Close() {
    if (fd_ < 0) {
        Discard();
        return lastResult_ = (writeFailure_ != kIoOk ? writeFailure_ : kIoOk);
    }
    if (!writing_) {
        Discard();
        return lastResult_ = kIoOk;
    }
    int r = Flush();
    if (r == kIoOk && !tempName_.empty()) {
        const int err = CommitSaveTemp(fd_, tempName_, target_);
        fd_ = -1;
        tempName_.clear();  // removed by a failed commit
        if (err != 0) r = NoteErrno(err);
    } else if (FileCalls.close(fd_) != 0 && r == kIoOk) {
        r = NoteErrno(errno);
    }
    fd_ = -1;
    if (r != kIoOk && writeFailure_ == kIoOk) writeFailure_ = r;
    Discard();  // removes the temporary file of a failed write
    return lastResult_ = writeFailure_;
}

int TextFile::FailWith(int err) { return lastResult_ = writeFailure_ = NoteErrno(err); }

int TextFile::NoteErrno(int err) {
    if (failureErrno_ == 0) failureErrno_ = err;
    return IoResultFromErrno(err);
}

std::string TextFile::FailureReason() const {
    if (failureErrno_ != 0) return SystemReason(failureErrno_);
    return writeFailure_ == kIoDiskFull ? SystemReason(ENOSPC) : std::string();
}

int TextFile::FillBuffer() {
    if (fd_ < 0 || writing_) return kIoNotOpenForInput;
    // After a failed read the file position is not known: no later read is
    // taken for the bytes that follow.
    if (readFailed_) return kIoReadError;
    if (eofSeen_) return kIoOk;
    if (pos_ > 0) {
        buffer_.erase(0, pos_);
        scanPos_ -= std::min(scanPos_, pos_);
        pos_ = 0;
    }
    const std::size_t had = buffer_.size();
    buffer_.resize(had + kReadChunk);
    for (;;) {
        ssize_t n = FileCalls.read(fd_, buffer_.data() + had, kReadChunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            buffer_.resize(had);
            NoteErrno(errno);
            readFailed_ = true;
            return kIoReadError;
        }
        if (n == 0) eofSeen_ = true;
        buffer_.resize(had + static_cast<std::size_t>(n));
        return kIoOk;
    }
}

std::size_t TextFile::ValueLength(std::size_t from, std::size_t end) const {
    const std::size_t n = end - from;
    return n > 0 && buffer_[end - 1] == '\r' ? n - 1 : n;
}

int TextFile::ReadLine(std::string& line) {
    line.clear();
    if (fd_ < 0 || writing_) return lastResult_ = kIoNotOpenForInput;
    if (lineTooLong_) return lastResult_ = kIoLineTooLong;
    for (;;) {
        // Only the bytes not searched yet are searched: reading a long line
        // costs its length, not its length squared.
        auto nl = buffer_.find('\n', std::max(pos_, scanPos_));
        if (nl != std::string::npos) {
            // The limit holds for the value, the CR in front of the LF aside:
            // a value read is never longer than a value the writers write.
            if (lineLimit_ > 0 && ValueLength(pos_, nl) > lineLimit_) break;
            line.assign(buffer_, pos_, nl - pos_);
            pos_ = nl + 1;
            scanPos_ = pos_;
            ++linesRead_;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return lastResult_ = kIoOk;
        }
        scanPos_ = buffer_.size();
        if (lineLimit_ > 0 && buffer_.size() - pos_ > lineLimit_ + 1) break;
        if (eofSeen_) {
            if (pos_ >= buffer_.size()) return lastResult_ = kIoReadError;
            if (lineLimit_ > 0 && ValueLength(pos_, buffer_.size()) > lineLimit_) break;
            line.assign(buffer_, pos_, std::string::npos);
            pos_ = scanPos_ = buffer_.size();
            ++linesRead_;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return lastResult_ = kIoOk;
        }
        if (int r = FillBuffer(); r != kIoOk) return lastResult_ = r;
    }
    // A line beyond the limit: the file is not read any further.
    lineTooLong_ = true;
    ++linesRead_;
    buffer_.clear();
    pos_ = scanPos_ = 0;
    return lastResult_ = kIoLineTooLong;
}

bool TextFile::Eof() {
    if (fd_ < 0 || writing_ || lineTooLong_) return true;
    while (pos_ >= buffer_.size() && !eofSeen_) {
        if (FillBuffer() != kIoOk) return false;
    }
    return pos_ >= buffer_.size();
}

// ---- number parsing ---------------------------------------------------------

bool ParseRealLine(std::string_view line, Real& x) {
    std::string s(TrimBlanks(line));
    std::replace(s.begin(), s.end(), ',', '.');
    std::size_t start = (!s.empty() && s[0] == '+') ? 1 : 0;
    if (start == 1 && s.size() > 1 && s[1] == '-') return false;
    const char* first = s.data() + start;
    const char* last = s.data() + s.size();
    if (first == last) return false;
    Real v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    // A value beyond the range of a double (1E4000 fits the extended real)
    // is no value any calculation or output of the program can carry.
    if (ec != std::errc() || ptr != last || !std::isfinite(v) ||
        std::fabs(v) > std::numeric_limits<double>::max())
        return false;
    x = v;
    return true;
}

bool ParseIntLine(std::string_view line, std::int64_t& n) {
    std::string_view s = TrimBlanks(line);
    if (!s.empty() && s[0] == '+') {
        s.remove_prefix(1);
        if (!s.empty() && s[0] == '-') return false;
    }
    if (s.empty()) return false;
    std::int64_t v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size()) return false;
    n = v;
    return true;
}

// ---- writers ---------------------------------------------------------------

void WriteTextLine(std::string_view s) { WriteValueLine(s); }

void WriteStringLine(std::string_view s) { WriteTextLine(s); }

void WriteIntLine(std::int32_t n) { WriteTextLine(IntText(n)); }

std::string FloatLineText(Real x) {
    if (x < 1.0L && std::fabs(x - std::nearbyint(x)) < 1E-10L) return FormatNum(x);
    // Seven decimals, shifted up by a decimals setting above 3, never fewer:
    // the fixed-point format takes away (3 - setting) decimals below 3, so
    // they are asked for in advance.
    int decimals = 7 + std::max(0, 3 - static_cast<int>(decimalsSetting));
    return FormatDecimals(decimals, x);
}

void WriteFloatLine(Real x) { WriteTextLine(FloatLineText(x)); }

void WriteBoolLine(bool b) { WriteTextLine(b ? "TRUE" : "FALSE"); }

void WriteBarFields4(std::string_view a, std::string_view b, std::string_view c,
                     std::string_view d) {
    std::string line;
    for (std::string_view f : {a, b, c, d}) (line += f) += '|';
    WriteTextLine(line);
}

void WriteBarFields6(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                     std::string_view e, std::string_view f) {
    std::string line;
    for (std::string_view x : {a, b, c, d, e, f}) (line += x) += '|';
    WriteTextLine(line);
}

void WriteBarFields8(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                     std::string_view e, std::string_view f, std::string_view g,
                     std::string_view h) {
    std::string line;
    for (std::string_view x : {a, b, c, d, e, f, g, h}) (line += x) += '|';
    WriteTextLine(line);
}

void WriteTextPart(std::string_view s) {
    TextFile& f = sharedTextFile;
    int r = f.Write(s);
    if (r == kIoOk) r = f.Flush();
    if (r != kIoOk) ReportFileFailure(f, WriteErrorText(r));
}

// ---- readers -----------------------------------------------------------------

void ReadTextLine(std::string& s) {
    std::string line;
    if (ReadValueLine(line)) s = std::move(line);
}

void ReadCharLine(char& c) {
    std::string line;
    if (ReadValueLine(line)) c = line.empty() ? ' ' : line[0];
}

namespace {

// A whole number line within lo..hi; 0 and the cancel flag otherwise.
template <class T>
void ReadWholeLine(T& n) {
    std::string line;
    if (!ReadValueLine(line)) return;
    std::int64_t v = 0;
    if (ParseIntLine(line, v) && v >= std::numeric_limits<T>::min() &&
        v <= std::numeric_limits<T>::max()) {
        n = static_cast<T>(v);
    } else {
        n = 0;
        cancelFlag = true;
    }
}

}  // namespace

void ReadIntLine(std::int32_t& n) { ReadWholeLine(n); }
void ReadIntLine2(std::int32_t& n) { ReadWholeLine(n); }
void ReadWordLine(std::uint16_t& n) { ReadWholeLine(n); }
void ReadWordLine(std::int16_t& n) { ReadWholeLine(n); }

void ReadExtendedLine(Real& x) {
    std::string line;
    if (!ReadValueLine(line)) return;
    if (!ParseRealLine(line, x)) {
        x = 0;
        cancelFlag = true;
    }
}

void ReadDoubleLine(double& x) {
    std::string line;
    if (!ReadValueLine(line)) return;
    Real v = 0;
    if (ParseRealLine(line, v) && std::fabs(v) <= std::numeric_limits<double>::max()) {
        x = static_cast<double>(v);
    } else {
        x = 0;
        cancelFlag = true;
    }
}

void ReadBoolLine(bool& b) {
    std::string line;
    ReadValueLine(line);
    if (!cancelFlag) b = UpperAscii(line) == "TRUE";
}

void ReadBoolLineDefaultTrue(bool& b) {
    std::string line;
    ReadValueLine(line);
    if (!cancelFlag) b = UpperAscii(line) != "FALSE";
}

void ReadBarFields(std::string& a, std::string& b, std::string& c, std::string& d) {
    std::string line;
    if (!ReadValueLine(line)) return;
    // Fields end at their bar; the text after the last bar counts as the next
    // field, so "a|b" gives a, b and two empty fields.
    std::string* fields[4] = {&a, &b, &c, &d};
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        if (start > line.size()) {
            fields[k]->clear();
            continue;
        }
        auto bar = line.find('|', start);
        if (bar == std::string::npos) {
            *fields[k] = line.substr(start);
            start = line.size() + 1;
        } else {
            *fields[k] = line.substr(start, bar - start);
            start = bar + 1;
        }
    }
}

// ---- header blocks ---------------------------------------------------------------

namespace {

void WriteHeader(std::string_view versionGap, int headerLines) {
    const std::string rule(kDataFileRuleLength, '-');
    WriteTextLine(rule);
    WriteTextLine(windowTitle + std::string(versionGap) +
                  programVersionSource("W" + programShortName + ".exe"));
    WriteTextLine("Version " + programVersion);
    WriteTextLine(rule);
    for (int i = 1; i <= headerLines; ++i) WriteTextLine(reportHeaderLines[i]);
}

}  // namespace

void WriteDataFileHeader() { WriteHeader("   V ", 3); }

void WriteExportFileHeader() { WriteHeader("  V ", 2); }

}  // namespace veldrim
