#pragma once
// The shared text file and its value lines.
//
// Every line-oriented file of the program (configuration, gear data file,
// sibling-program export, CAD text outputs, report pieces) is read and
// written one value per line through one program-wide text file variable,
// `sharedTextFile`, and the value-line routines below. Writers and readers are
// exact mirrors: a file written by one reads back line by line by the other.
//
// Failures never raise. A failed write or read sets the cancel flag; the
// first failed write of a file is also reported once through the file-error
// texts (ShowErrorIfEnabled), later failures of the same file stay silent so
// that one failure gives one message. Callers test the cancel flag after the
// whole sequence.
//
// Lines are written with CR LF and read with CR LF or LF. Texts are code page
// 850 bytes and pass unchanged.
//
// A file opened for writing is written to a temporary file in the target's
// folder; Close flushes it, syncs it to disk and renames it over the target
// only when every write succeeded. A failed save therefore leaves the old file
// as it was. A name that leads to a pipe, a socket or a device is refused
// before anything opens it.
//
// Reading a name that does not exist in exactly that spelling finds a file
// whose name differs only in letter case in the same folder.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/files.h"
#include "foundation/real.h"

namespace veldrim {

// Input/output results, numbered as the runtime numbers them, so that the
// file-error texts keyed on them read as the user knows them.
enum IoResultCode : int {
    kIoOk = 0,
    kIoFileNotFound = 2,
    kIoPathNotFound = 3,
    kIoTooManyFiles = 4,
    kIoAccessDenied = 5,
    kIoReadError = 100,  // also: read past the end of the file
    kIoDiskFull = 101,
    kIoNotOpenForInput = 104,
    kIoNotOpenForOutput = 105,
    kIoBadNumber = 106,
    kIoWriteProtected = 150,
    kIoDriveNotReady = 152,
    kIoDeviceError = 160,
    kIoLineTooLong = 201,  // a line beyond the reader's line limit
};

// The longest value line the readers of the gear data file and the
// data-exchange file accept; no file written by the program comes near it.
constexpr std::size_t kValueLineLimit = 64 * 1024;

// Maps an errno value to the result code above.
int IoResultFromErrno(int err);

// One text file: assign a name, open for reading or writing, read or write
// lines, close. Only one direction at a time.
class TextFile {
public:
    TextFile() = default;
    ~TextFile();  // an unfinished write is discarded, the target stays as it was
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    void Assign(std::string name);
    // Assigns name for messages and target, the file name resolves to
    // (links followed once, by the caller, who checked that file): Rewrite
    // saves onto exactly target, never following a link put there since.
    void AssignResolved(std::string name, std::string target);
    const std::string& Name() const { return name_; }
    // The file actually opened for reading (after the letter-case search).
    const std::string& OpenedName() const { return openedName_; }
    // Which file is open (empty when none): the file a reading was taken from,
    // whatever name or link led to it.
    std::optional<FileIdentity> OpenedIdentity() const { return IdentityOfOpenFile(fd_); }

    // Opens for reading. Returns the result code (also kept in LastResult).
    int Reset();
    // Opens for writing, replacing the file on Close.
    int Rewrite();
    // Flushes, syncs and renames a written file into place; closes a read
    // file. Returns the first failure of the whole write, or 0.
    int Close();
    // Closes without keeping what was written (the target stays unchanged).
    void Discard();

    bool IsOpen() const { return fd_ >= 0; }
    bool IsWriting() const { return fd_ >= 0 && writing_; }

    // Writing: bytes as they are, or a line with CR LF. Returns 0 or the
    // result code; after a failure every later write fails with the same code.
    int Write(std::string_view s);
    int WriteLine(std::string_view s);
    int Flush();

    // Reading: the next line without its line end. At the end of the file the
    // line is empty and the result kIoReadError; so it is when a read of the
    // file failed, which ReadFailed then tells.
    int ReadLine(std::string& line);
    // True when no byte is left to read (or the file is not open for reading).
    // A read that fails is no end of the file: false then, and the next
    // ReadLine fails.
    bool Eof();
    // True once a read of the file failed since Reset: the file was not read
    // to its end, and every later ReadLine fails as well (FailureReason
    // tells why).
    bool ReadFailed() const { return readFailed_; }
    // True once a line beyond the line limit ended the reading.
    bool LineTooLong() const { return lineTooLong_; }
    // The line at which the reading stopped: the line beyond the limit, or
    // the line whose read failed; 0 when it did neither.
    int FailedLine() const { return lineTooLong_ ? linesRead_ : readFailed_ ? linesRead_ + 1 : 0; }
    // The longest line ReadLine returns, without its line end (0: no limit,
    // the start value after Assign). A longer line fails with kIoLineTooLong
    // and ends the reading.
    void SetLineLimit(std::size_t limit) { lineLimit_ = limit; }
    // Lines read since Reset, the failed over-long line included.
    int LinesRead() const { return linesRead_; }

    // The result of the last operation, and the first write failure since
    // Rewrite (0 when none).
    int LastResult() const { return lastResult_; }
    int WriteFailure() const { return writeFailure_; }

    // The system's reason for the first failure since Reset or Rewrite
    // ("No space left on device"), empty when none is known.
    std::string FailureReason() const;
    // The errno value of that failure (0 when none is known).
    int FailureErrno() const { return failureErrno_; }
    // The file a write replaces (a symbolic link resolved), set by Rewrite.
    const std::string& TargetName() const { return target_; }

    // Whether the first write failure of this file was reported already.
    bool failureReported = false;

private:
    int FillBuffer();
    // The length of the buffered line from..end without the CR before its LF.
    std::size_t ValueLength(std::size_t from, std::size_t end) const;
    void CloseDescriptor();
    // Records err as the failure of an open for writing; its result code.
    int FailWith(int err);
    // Keeps the first errno of a failure; returns its result code.
    int NoteErrno(int err);

    std::string name_;
    std::string openedName_;
    std::string target_;    // the file a write replaces (links resolved)
    std::string tempName_;  // the temporary file of an atomic write
    int failureErrno_ = 0;
    int fd_ = -1;
    bool writing_ = false;
    bool eofSeen_ = false;
    bool readFailed_ = false;
    bool resolved_ = false;  // target_ was given by AssignResolved
    std::string buffer_;
    std::size_t pos_ = 0;
    std::size_t scanPos_ = 0;  // bytes before it hold no line end
    std::size_t lineLimit_ = 0;
    int linesRead_ = 0;
    bool lineTooLong_ = false;
    int lastResult_ = 0;
    int writeFailure_ = 0;
};

// The one program-wide text file.
extern TextFile sharedTextFile;
// Closes and forgets the shared text file (discarding an unfinished write).
void ResetSharedTextFile();

// ---- value lines on the shared text file --------------------------------

void WriteTextLine(std::string_view s);
void WriteStringLine(std::string_view s);
void WriteIntLine(std::int32_t n);
void WriteFloatLine(Real x);
void WriteBoolLine(bool b);
void WriteBarFields4(std::string_view a, std::string_view b, std::string_view c,
                     std::string_view d);
void WriteBarFields6(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                     std::string_view e, std::string_view f);
void WriteBarFields8(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                     std::string_view e, std::string_view f, std::string_view g,
                     std::string_view h);
// s without a line end, flushed at once (pieces of one line, HTML cells).
void WriteTextPart(std::string_view s);

// The text WriteFloatLine writes: whole values below 1 in the short format,
// every other value with at least 7 decimals (more with a decimals setting
// above 3), with the program's decimal separator.
std::string FloatLineText(Real x);

// Readers. Each reads one whole line. A failed read (also past the end of the
// file) sets the cancel flag and leaves the value unchanged; a number line
// that does not hold a number gives 0 and sets the cancel flag.
void ReadTextLine(std::string& s);
void ReadCharLine(char& c);
void ReadIntLine(std::int32_t& n);
void ReadIntLine2(std::int32_t& n);
void ReadWordLine(std::uint16_t& n);
void ReadWordLine(std::int16_t& n);
void ReadExtendedLine(Real& x);
void ReadDoubleLine(double& x);
void ReadBoolLine(bool& b);
void ReadBoolLineDefaultTrue(bool& b);
void ReadBarFields(std::string& a, std::string& b, std::string& c, std::string& d);

// Number parsing of value lines: blanks around the number are allowed, ',' is
// taken as '.', nothing else may follow. False when the text is no number,
// or a real that is not finite or lies beyond the range of a double.
bool ParseRealLine(std::string_view line, Real& x);
bool ParseIntLine(std::string_view line, std::int64_t& n);

// ---- header blocks ---------------------------------------------------------

// The header blocks of the data files begin and end with a rule of this many
// '-'; its first line tells a data file from a report.
constexpr std::size_t kDataFileRuleLength = 65;

// The version text of a program file, as the headers print it. The default
// asks the system information; tests install their own.
using ProgramVersionSource = std::string (*)(const std::string& fileName);
extern ProgramVersionSource programVersionSource;
void ResetTextFileHooks();

// The header block of the gear data file, and of the sibling-program export.
void WriteDataFileHeader();
void WriteExportFileHeader();

}  // namespace veldrim
