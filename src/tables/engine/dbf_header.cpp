// The dBase table file's header: opening with the share-mode emulation,
// the header checks, the header write-back and the creation of a table and
// its empty memo file.
#include "tables/engine/dbf_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "foundation/codepage.h"
#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "foundation/save_target.h"
#include "foundation/text_conv.h"
#include "tables/engine/dbf_internal.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/pack_journal.h"
#include "tables/engine/win1252_text.h"

namespace veldrim {

using dbf::Le16;
using dbf::Le32;
using dbf::PutLe16;
using dbf::PutLe32;
using dbf::ReadAt;
using dbf::ReleaseTableFile;
using dbf::WriteAt;
using dbf::WriteErrorCode;

namespace {

struct DbfFileDefaults {
    bool WriteThrough = false;
    int FileMode = kFileModeExclusiveReadWrite;
};
constexpr DbfFileDefaults kDefaults{};

}  // namespace

bool WriteThrough = kDefaults.WriteThrough;
int FileMode = kDefaults.FileMode;

void ResetDbfFile() {
    WriteThrough = kDefaults.WriteThrough;
    FileMode = kDefaults.FileMode;
}

namespace {

// Share modes are emulated with open-file-description locks on two bytes
// far beyond every lock region of the record layer:
// every open holds a read lock on the presence byte, a deny-all open a write
// lock on it; every open for writing holds a read lock on the writer byte,
// a deny-write open a write lock on it.
constexpr off_t kPresenceByte = 0x7FFF000000000000LL;
constexpr off_t kWriterByte = 0x7FFF000000000001LL;

bool OfdLock(int fd, short type, off_t offset, off_t length) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = offset;
    fl.l_len = length;
    return FileCalls.lock(fd, F_OFD_SETLK, &fl) == 0;
}

bool OfdConflicts(int fd, short type, off_t offset, off_t length) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = offset;
    fl.l_len = length;
    if (FileCalls.lock(fd, F_OFD_GETLK, &fl) != 0) return false;
    return fl.l_type != F_UNLCK;
}
std::string NotDbase(const std::string& file, const std::string& why, const char* tail) {
    return ShownFileName(file) + " ist keine dBASE-Datenbank." + why + tail;
}

std::string Today8() {
    int y, m, d, w;
    GetToday(y, m, d, w);
    char buf[16];
    auto put = [&](int v, int width, char* at) {
        for (int i = width - 1; i >= 0; --i) {
            at[i] = static_cast<char>('0' + v % 10);
            v /= 10;
        }
    };
    put(y, 4, buf);
    put(m, 2, buf + 4);
    put(d, 2, buf + 6);
    return std::string(buf, 8);
}

// Releases the open file and the buffers of an area that failed to open.
void AbandonOpen(TWorkArea& area) {
    ReleaseTableFile(area);
    area.recordBuffer.shrink_to_fit();
    area.fieldCount = 0;
}

bool ValidType(char t) {
    return t == 'C' || t == 'D' || t == 'F' || t == 'L' || t == 'M' || t == 'N';
}

// Field entry from a descriptor; false for an invalid type.
bool ReadFieldDescriptor(const uint8_t* d, int nameLen, int typeAt, int lenAt, int decAt,
                         uint16_t offset, TFieldEntry& f) {
    f.name.clear();
    for (int i = 0; i < nameLen && i < 10 && d[i] != 0; ++i) {
        f.name += UpperAsciiChar(static_cast<char>(d[i]));
    }
    char t = static_cast<char>(d[typeAt]);
    if (t == 'B' || t == 'G' || t == 'P' || t == 'b' || t == 'g' || t == 'p') t = 'M';
    f.type = t;
    f.length = d[lenAt];
    f.decimals = d[decAt];
    f.offset = offset;
    return ValidType(t);
}

// Checks that the fields fit the record and the record is not empty.
bool RecordLayoutSound(const TWorkArea& area) {
    if (area.recordLength == 0) return false;
    uint32_t sum = 1;
    for (const auto& f : area.fields) sum += f.length;
    return sum <= area.recordLength;
}

// Other programs keep the high byte of a C field's length in its decimals
// byte (a 300-byte field is declared C(44,1)). Where the declared widths do
// not add up to the record length, the high bytes are applied when that
// makes them add up; false when the widths add up neither way. Widths that
// already add up stay as they are (a C(8,2) written by a spreadsheet).
bool ApplyWideCharFields(TWorkArea& area) {
    uint32_t sum = 1, wide = 1;
    for (const auto& f : area.fields) {
        sum += f.length;
        wide += f.length + (f.type == 'C' ? 256u * f.decimals : 0u);
    }
    if (sum == area.recordLength) return true;
    if (wide != area.recordLength) return false;
    uint16_t offset = 1;
    for (auto& f : area.fields) {
        if (f.type == 'C') {
            f.length = static_cast<uint16_t>(f.length + 256u * f.decimals);
            f.decimals = 0;
        }
        f.offset = offset;
        offset = static_cast<uint16_t>(offset + f.length);
    }
    return true;
}

void ReadDbase2Header(TWorkArea& area, int64_t fileSize) {
    const std::string file = area.fileName;
    if (fileSize < 521) {
        AbandonOpen(area);
        SetError(210,
                 NotDbase(file, "(Datenbank-Header ist kleiner als 521 Bytes)", " [Use/OpenDBF]"));
        return;
    }
    std::vector<uint8_t> h(521);
    if (!ReadAt(area.fd, h.data(), h.size(), 0)) {
        AbandonOpen(area);
        SetError(100, "Fehler beim Lesen von " + ShownFileName(file) + " [Use/OpenDbf]");
        return;
    }
    area.hasMemo = false;
    area.recordCount = Le16(h.data() + 1);
    char date[16];
    const int year = 1900 + h[5];
    std::snprintf(date, sizeof date, "%04d%02d%02d", year % 10000, h[3] % 100, h[4] % 100);
    area.lastUpdate = date;
    area.recordLength = Le16(h.data() + 6);
    area.headerLength = 521;
    area.fields.clear();
    uint16_t offset = 1;
    int taken = 0;
    for (; taken < 32; ++taken) {
        const uint8_t* d = h.data() + 8 + 16 * taken;
        if (d[0] == 0x0D) break;
        TFieldEntry f;
        if (!ReadFieldDescriptor(d, 11, 11, 12, 15, offset, f)) {
            AbandonOpen(area);
            SetError(211, "Field: " + f.name + " [" + std::string(1, f.type) + "] in " +
                              ShownFileName(file) + " ist kein gültiger Feldtyp"_cp850.data());
            return;
        }
        offset = static_cast<uint16_t>(offset + f.length);
        area.fields.push_back(f);
    }
    if (taken == 32 || taken == 0) {
        std::string d, n, e;
        SplitFileName(file, d, n, e);
        AbandonOpen(area);
        if (taken == 32)
            SetError(210, NotDbase(n + e, "(Zu viele Datenfelder)", " [Use/OpenDbf]"));
        else
            SetError(222, "Fehler beim Lesen von " + ShownFileName(file) + " [Use/OpenDbf]");
        return;
    }
    area.fieldCount = taken;
}

void ReadDbfHeader(TWorkArea& area) {
    const std::string file = area.fileName;
    const uint8_t* h = area.header.data();
    const uint8_t v = h[0];
    const bool level7 = v == 0x04 || v == 0x8C;
    area.hasMemo = (v & 0x80) != 0;
    area.recordCount = static_cast<int32_t>(std::min<uint32_t>(Le32(h + 4), 0x7FFFFFFF));
    area.headerLength = Le16(h + 8);
    area.recordLength = Le16(h + 10);
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", 1900 + h[1], h[2] % 100, h[3] % 100);
    area.lastUpdate = date;

    const int descSize = level7 ? 48 : 32;
    const int descBytes = area.headerLength - 32 - (level7 ? 36 : 0);
    const int count = descBytes > 0 ? descBytes / descSize : 0;
    if (count < 1 || count > 255) {
        std::string d, n, e;
        SplitFileName(file, d, n, e);
        AbandonOpen(area);
        SetError(210, NotDbase(n + e, " (Zu viele Datenfelder)", " [Use/OpenDbf]"));
        return;
    }
    std::vector<uint8_t> desc(static_cast<std::size_t>(descBytes));
    if (!ReadAt(area.fd, desc.data(), desc.size(), 32 + (level7 ? 36 : 0))) {
        AbandonOpen(area);
        SetError(100, "Fehler beim Lesen von " + ShownFileName(file) + " [Use/OpenDbf]");
        return;
    }
    area.fields.clear();
    uint16_t offset = 1;
    for (int i = 0; i < count; ++i) {
        const uint8_t* d = desc.data() + descSize * i;
        if (d[0] == 0x0D) break;
        TFieldEntry f;
        const bool ok = level7 ? ReadFieldDescriptor(d, 32, 32, 33, 34, offset, f)
                               : ReadFieldDescriptor(d, 11, 11, 16, 17, offset, f);
        if (!ok) {
            AbandonOpen(area);
            SetError(211, "Field: " + f.name + " [" + std::string(1, f.type) + "] in " +
                              ShownFileName(file) +
                              std::string(" ist kein gültiger Feldtyp"_cp850));
            return;
        }
        offset = static_cast<uint16_t>(std::min<uint32_t>(offset + f.length, 0xFFFF));
        area.fields.push_back(f);
    }
    if (area.fields.empty()) {
        AbandonOpen(area);
        SetError(222, "Fehler beim Lesen von " + ShownFileName(file) + " [Use/OpenDbf]");
        return;
    }
    area.fieldCount = static_cast<int>(area.fields.size());
}

}  // namespace

uint16_t IoCodeOf(int err) {
    switch (err) {
        case 0: return 0;
        case ENOENT: return 2;
        case ENOTDIR: return 3;
        case EMFILE:
        case ENFILE: return 4;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return 5;
        case EBADF: return 6;
        case ENOMEM: return 8;
        case ENOSPC:
        case EDQUOT: return 101;
        case EAGAIN: return 33;
        case EIO: return 100;
        default: return 31;
    }
}

void SetFileReadError(int err, const std::string& file, const std::string& failure,
                      const std::string& context) {
    const bool noPlainFile = IsNoPlainFileError(err);
    const std::string text = noPlainFile ? NotReadAsPlainFileText(file) : failure;
    SetError(noPlainFile ? 5 : IoCodeOf(err), text + " " + context);
}

void SetTableFileOpenError(int code, const std::string& file, const std::string& failure,
                           const std::string& context) {
    const int err = errno;
    if (code == 5)
        SetFileReadError(err, file, failure, context);
    else
        SetError(code, failure + " " + context);
}

int OpenTableFile(const std::string& path, int mode, bool* readOnly, int* ioCode) {
    const int access = mode & 3;
    const int share = mode & 0x70;
    *readOnly = access == 0;
    int fd = OpenPlainFile(path, access == 0 ? O_RDONLY : O_RDWR);
    if (fd < 0 && access != 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        // A table on a write-protected medium, without write permission or
        // marked immutable is still readable; writes to it fail with code 5.
        fd = OpenPlainFile(path, O_RDONLY);
        *readOnly = true;
    }
    if (fd < 0) {
        *ioCode = IsNoPlainFileError(errno) ? 5 : IoCodeOf(errno);
        return -1;
    }
    const bool denyAll = share == 0x10 || share == 0x30;
    const bool denyWrite = share == 0x20;
    bool ok = true;
    if (denyAll && !*readOnly) {
        ok = OfdLock(fd, F_WRLCK, kPresenceByte, 1);
    } else {
        ok = OfdLock(fd, F_RDLCK, kPresenceByte, 1);
        if (ok && denyAll && OfdConflicts(fd, F_WRLCK, kPresenceByte, 1)) ok = false;
    }
    if (ok && !*readOnly) ok = OfdLock(fd, denyWrite ? F_WRLCK : F_RDLCK, kWriterByte, 1);
    if (ok && *readOnly && denyWrite) ok = !OfdConflicts(fd, F_WRLCK, kWriterByte, 1);
    if (!ok) {
        FileCalls.close(fd);
        *ioCode = 32;
        return -1;
    }
    *ioCode = 0;
    return fd;
}

void CloseTableFile(int fd) {
    if (fd >= 0) FileCalls.close(fd);
}

bool TableOpenElsewhere(int fd) { return fd >= 0 && OfdConflicts(fd, F_WRLCK, kPresenceByte, 1); }

bool IsDbfVersion(uint8_t v) {
    switch (v) {
        case 0x02:
        case 0x03:
        case 0x83:
        case 0x8B:
        case 0xF5:
        case 0x04:
        case 0x8C: return true;
        default: return false;
    }
}

std::string MemoExtension(uint8_t version) {
    if (!IsDbfVersion(version)) version = kDefaultVersionByte;
    return version == 0xF5 ? "FPT" : "DBT";
}

int32_t RecordCountFromFileSize(const TWorkArea& area) {
    // Collected appends are not on the file yet; the area holds the table
    // alone, so its own count is the table's.
    if (area.fd < 0 || area.recordLength == 0 || !area.pendingAppends.empty())
        return area.recordCount;
    struct stat st {};
    if (FileCalls.fstat(area.fd, &st) != 0) return area.recordCount;
    const int64_t n = (static_cast<int64_t>(st.st_size) - area.headerLength) / area.recordLength;
    if (n < 0) return 0;
    return static_cast<int32_t>(std::min<int64_t>(n, 0x7FFFFFFF));
}

void OpenDbf(TWorkArea& area, int mode) {
    ErrorState.lastErrorCode = 0;
    area.fileName = FindFileNoCase(DefaultExtension(area.fileName, "DBF"));
    const std::string file = area.fileName;
    int code = 0;
    bool ro = false;
    // A PACK's journal: while the PACK runs, the table is not opened (error
    // 32) and nothing is touched; one that ended unfinished is put in order
    // by the first open that finds the table unused by anyone else.
    if (const std::string journal = PackJournalName(ResolveSaveTarget(file)); FileExists(journal)) {
        const int alone = OpenTableFile(file, kFileModeExclusiveReadWrite, &ro, &code);
        const PackJournalState state = ResolvePackJournal(file, alone >= 0);
        CloseTableFile(alone);
        if (state == PackJournalState::kRunning) {
            SetError(32, std::string("Fehler beim Öffnen von "_cp850) + ShownFileName(file) +
                             std::string(" (PACK läuft) [USE/OpenDbf]"_cp850));
            return;
        }
        if (state == PackJournalState::kNotBeside) {
            SetError(2, "Pack-Journal " + ShownFileName(journal) +
                            std::string(" nennt Dateien, die nicht daneben liegen [USE/OpenDbf]"));
            return;
        }
    }
    area.fd = OpenTableFile(file, mode, &ro, &code);
    if (area.fd < 0) {
        SetTableFileOpenError(code, file,
                              std::string("Fehler beim Öffnen von "_cp850) + ShownFileName(file),
                              "[USE/OpenDbf]");
        return;
    }
    area.readOnly = ro;
    area.fileMode = mode;
    {
        std::string d, n, e;
        SplitFileName(file, d, n, e);
        area.shortName = (n + e).substr(0, 12);
    }
    std::size_t got = 0;
    ReadAt(area.fd, area.header.data(), 32, 0, &got);
    if (got < 32) {
        AbandonOpen(area);
        SetError(210, NotDbase(file, " (Prolog ist kleiner als 32 Bytes)", " [USE/OpenDBF]"));
        return;
    }
    if (!IsDbfVersion(area.header[0])) {
        AbandonOpen(area);
        SetError(210, NotDbase(file, std::string("(Versions-Byte ungültig"_cp850) + ")+",
                               " [USE/OpenDBF]"));
        return;
    }
    struct stat st {};
    FileCalls.fstat(area.fd, &st);
    if (area.header[0] == 0x02)
        ReadDbase2Header(area, st.st_size);
    else
        ReadDbfHeader(area);
    if (area.fd < 0) return;  // refused above
    if (!RecordLayoutSound(area) || (area.header[0] != 0x02 && !ApplyWideCharFields(area))) {
        AbandonOpen(area);
        SetError(210, NotDbase(file, std::string(" (Datensatzlänge ungültig"_cp850) + ")",
                               " [USE/OpenDbf]"));
        return;
    }
    area.recordBuffer.assign(area.recordLength, ' ');
    area.openState = kDbfClean;
    // A header that claims more records than the file holds belongs to a
    // cut-off file: the missing records cannot be read.
    const int32_t inFile = RecordCountFromFileSize(area);
    if (RecountOnOpen || area.recordCount > inFile) {
        area.recordCount = inFile;
    } else if (inFile > area.recordCount && area.recordLength > 1 && HoldsTableAlone(area)) {
        // Whole records past the header's count were appended by a program
        // that ended before it wrote the count (a killed shared writer, or
        // one that held the table alone): they are the table's, and the
        // header gets their count at the close.
        area.recordCount = inFile;
        area.openState = kDbfAppended;
        area.recordsTakenIn = true;
    }
    if (area.recordCount < 1) {
        area.recordNumber = 0;
        area.eof = area.bof = true;
    } else {
        area.recordNumber = 1;
        area.eof = area.bof = false;
    }
}

void WriteDbfHeader(TWorkArea& area) {
    int y, m, d, w;
    GetToday(y, m, d, w);
    uint8_t* h = area.header.data();
    bool ok;
    if (h[0] == 0x02) {
        PutLe16(h + 1, static_cast<uint32_t>(std::min(area.recordCount, 0xFFFF)));
        h[3] = static_cast<uint8_t>(m);
        h[4] = static_cast<uint8_t>(d);
        h[5] = static_cast<uint8_t>((y - 1900) % 256);
        ok = WriteAt(area.fd, h, 8, 0);
    } else {
        uint8_t mid[12];
        if (ReadAt(area.fd, mid, 12, 16)) std::memcpy(h + 16, mid, 12);
        h[1] = static_cast<uint8_t>((y - 1900) % 256);
        h[2] = static_cast<uint8_t>(m);
        h[3] = static_cast<uint8_t>(d);
        PutLe32(h + 4, static_cast<uint32_t>(area.recordCount));
        ok = WriteAt(area.fd, h, 32, 0);
    }
    area.lastUpdate = Today8();
    if (!ok) {
        ErrorState.lastErrorCode = WriteErrorCode(area, errno);
        if (ErrorState.reportAtOnce) ReportError();
    }
}

namespace {

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, int& code) {
    // Written beside the target and renamed over it, as every save is: a
    // failed write leaves an old file intact, a new file follows the umask, a
    // replaced one keeps its permissions, and a write-protected file, a
    // folder, a pipe or a device at the name is refused.
    std::string target, name;
    const int fd = BeginSave(path, target, name);
    if (fd < 0) {
        code = IoCodeOf(errno);
        return false;
    }
    if (!WriteAt(fd, bytes.data(), bytes.size(), 0)) {
        code = IoCodeOf(errno);
        FileCalls.close(fd);
        FileCalls.unlink(name.c_str());
        return false;
    }
    const int err = CommitSaveTemp(fd, name, target);
    code = err == 0 ? 0 : IoCodeOf(err);
    return err == 0;
}

}  // namespace

void CreateDbf(TWorkArea& area, const std::string& name, const std::vector<TFieldEntry>& fieldsIn) {
    ErrorState.lastErrorCode = 0;
    area = TWorkArea{};
    bool memo = false, valid = !fieldsIn.empty() && fieldsIn.size() <= 255;
    const std::size_t count = fieldsIn.size();
    std::vector<uint8_t> bytes(32 * count + 33 + 1, 0);
    uint32_t recLen = 1;
    std::vector<TFieldEntry> fields;
    for (std::size_t i = 0; i < count && valid; ++i) {
        TFieldEntry f = fieldsIn[i];
        f.type = UpperAsciiChar(f.type);
        const std::string nm = UpperAscii(AllTrim(f.name).substr(0, 10));
        f.name = nm;
        switch (f.type) {
            case 'C':
            case 'F':
            case 'N':
                if (f.length == 0 || f.length > 255) valid = false;
                break;
            case 'D': f.length = 8; break;
            case 'L': f.length = 1; break;
            case 'M':
            case 'B':
            case 'G':
            case 'P':
                f.length = 10;
                memo = true;
                break;
            default: valid = false;
        }
        if (f.type != 'N' && f.type != 'F') f.decimals = 0;
        if (nm.empty()) valid = false;
        if (!valid) break;
        uint8_t* d = bytes.data() + 32 + 32 * i;
        std::memcpy(d, nm.data(), nm.size());
        d[11] = static_cast<uint8_t>(f.type);
        d[16] = f.length;
        d[17] = f.decimals;
        f.offset = static_cast<uint16_t>(recLen);
        recLen += f.length;
        if (f.type == 'B' || f.type == 'G' || f.type == 'P') f.type = 'M';
        fields.push_back(f);
    }
    if (recLen > 0xFFFF) valid = false;
    if (!valid) {
        SetError(211, "Felddefinition ungültig [CreateDBF]"_cp850.data());
        return;
    }
    const uint32_t headerLength = 32 * static_cast<uint32_t>(count) + 33;
    bytes[headerLength - 1] = 0x0D;
    bytes[headerLength] = 0x1A;
    bytes[0] = memo ? 0x8B : 0x03;
    int y, m, dd, w;
    GetToday(y, m, dd, w);
    bytes[1] = static_cast<uint8_t>((y - 1900) % 256);
    bytes[2] = static_cast<uint8_t>(m);
    bytes[3] = static_cast<uint8_t>(dd);
    PutLe16(bytes.data() + 8, headerLength);
    PutLe16(bytes.data() + 10, recLen);
    const std::string file = AllTrim(DefaultExtension(name, "DBF"));
    int code = 0;
    if (!WriteWholeFile(file, bytes, code)) {
        SetError(code, "Fehler beim Schreiben von " + ShownFileName(file) + ". [CreateDbf]");
        return;
    }
    area.fileName = file;
    std::memcpy(area.header.data(), bytes.data(), 32);
    area.headerLength = static_cast<int32_t>(headerLength);
    area.recordLength = static_cast<uint16_t>(recLen);
    area.fields = fields;
    area.fieldCount = static_cast<int>(fields.size());
    area.hasMemo = memo;
    area.lastUpdate = Today8();
    if (memo) CreateDbfMemoFile(file, 0x8B, 512, "CreateDbf()");
}

void CreateDbf(const std::string& name, const std::vector<TFieldEntry>& fields) {
    TWorkArea scratch;
    CreateDbf(scratch, name, fields);
}

std::vector<uint8_t> EmptyMemoFileBytes(const std::string& name, uint8_t version,
                                        uint16_t blockSize) {
    if (blockSize == 0) blockSize = 512;
    std::vector<uint8_t> bytes;
    if (version == 0x83) {
        bytes.assign(513, 0);
        bytes[0] = 1;
        bytes[512] = 0x1A;
    } else if (version == 0xF5) {
        bytes.assign(512, 0);
        const uint32_t next = 511u / blockSize + 1;
        const uint32_t be = SwapLong(next);
        std::memcpy(bytes.data(), &be, 4);
        bytes[6] = static_cast<uint8_t>(blockSize >> 8);
        bytes[7] = static_cast<uint8_t>(blockSize & 0xFF);
    } else {
        bytes.assign(24, 0);
        bytes[0] = 1;
        std::string base = FileBaseName(name).substr(0, 8);
        std::memcpy(bytes.data() + 8, base.data(), base.size());
        bytes[18] = 0x02;
        bytes[19] = 0x01;
        PutLe16(bytes.data() + 20, blockSize);
    }
    return bytes;
}

void CreateDbfMemoFile(const std::string& name, uint8_t version, uint16_t blockSize,
                       const std::string& caller) {
    std::string ext = MemoExtension(version);
    {
        // The memo file's extension follows the case of the table's.
        std::string d, n, e;
        SplitFileName(name, d, n, e);
        if (!e.empty() && LowerWin1252(e) == e) ext = LowerWin1252(ext);
    }
    const std::string memoName = ForceExtension(name, ext);
    int code = 0;
    if (!WriteWholeFile(memoName, EmptyMemoFileBytes(name, version, blockSize), code))
        SetError(code, "Cannot create memo file " + ShownFileName(memoName) + " [" + caller + "]");
}

}  // namespace veldrim
