// Delimited text: the current table copied to and appended from a text file
// with separator and quote characters.
#include "tables/bulk/bulk_verbs.h"

#include <charconv>
#include <memory>

#include "foundation/file_calls.h"
#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/save_target.h"
#include "tables/bulk/bulk_io.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/engine_windows.h"
#include "tables/engine/navigation.h"
#include "tables/engine/open_files.h"
#include "tables/engine/win1252_text.h"

namespace veldrim {

using namespace bulk;

namespace {

// Writes the whole text as the file's new content through a save's temporary
// file beside it, renamed over it once every byte is on disk: a full disk or
// a refused write leaves an older file as it was. 0, or the errno value of
// the first failure.
int SaveWholeText(const std::string& file, const std::string& text) {
    std::string target, temp;
    const int fd = BeginSave(file, target, temp);
    if (fd < 0) return errno;
    if (!WriteWhole(fd, text.data(), text.size())) {
        const int err = errno;
        FileCalls.close(fd);
        FileCalls.unlink(temp.c_str());
        return err;
    }
    return CommitSaveTemp(fd, temp, target);
}

}  // namespace

int CopyDelimited(const std::string& fileName) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("CopyDelimited")) return 0;
    TWorkArea* a = CurrentWorkArea();
    if (a->isVirtual) return 0;
    const std::string file = DefaultExtension(fileName, "TXT");
    // The text in place of a file the engine holds open (this table under
    // any name, a memo file, an index, a semaphore file) would cut the
    // engine off from it: later writes would reach the old, unlinked file.
    if (IsEngineOpenFile(file)) {
        SetError(214, "Datei " + ShownFileName(file) +
                          std::string(" ist geöffnet und kann nicht überschrieben werden."_cp850) +
                          " [CopyDelimited]");
        return 0;
    }
    std::string out;
    int count = 0;
    const char sep = DelimitedSeparator;
    const char q = DelimitedQuote;
    int last = a->fieldCount - 1;
    for (GoTop(); !a->eof && ErrorState.lastErrorCode == 0; SKIP(1)) {
        const auto& raw = a->recordBuffer;
        for (int i = 0; i < a->fieldCount; ++i) {
            const auto& f = a->fields[i];
            if (f.type == 'M') continue;
            const std::string t(reinterpret_cast<const char*>(raw.data()) + f.offset, f.length);
            switch (f.type) {
                case 'C': {
                    const std::string v = TrimRightStr(t);
                    if (q == 0) {
                        out += v;
                    } else {
                        // A quote inside the value is doubled, so the field
                        // reads back whole.
                        out += q;
                        for (char c : v) {
                            if (c == q) out += q;
                            out += c;
                        }
                        out += q;
                    }
                    break;
                }
                case 'D': out += TrimRightStr(t); break;
                case 'N':
                case 'F': out += TrimLeftStr(t); break;
                default: out += t; break;
            }
            if (i < last) out += sep;
        }
        out += "\r\n";
        ++count;
    }
    out += '\x1A';
    if (const int err = SaveWholeText(file, out); err != 0) {
        SetError(IoCodeOf(err),
                 "Fehler beim Schreiben von " + ShownFileName(file) + " [CopyDelimited]");
        return 0;
    }
    return count;
}

namespace {

// Splits one line at the separator outside quote pairs; the quotes are
// dropped and a doubled quote inside a quoted field is one quote.
std::vector<std::string> SplitDelimited(const std::string& line) {
    std::vector<std::string> fields;
    std::string cur;
    bool inQuotes = false;
    const char q = DelimitedQuote;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (q != 0 && c == q) {
            if (inQuotes && i + 1 < line.size() && line[i + 1] == q) {
                cur += q;
                ++i;
            } else {
                inQuotes = !inQuotes;
            }
        } else if (c == DelimitedSeparator && !inQuotes) {
            fields.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    fields.push_back(cur);
    return fields;
}

// True when the text is well-formed UTF-8 (no overlong forms, no surrogates)
// and holds at least one letter beyond ASCII: a text saved by a UTF-8 editor.
// A text in the table's own code page with letters beyond ASCII is almost
// never well-formed UTF-8 as well, and a pure ASCII text reads the same
// either way.
bool IsUtf8WithLetters(std::string_view text) {
    bool letters = false;
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        std::size_t len = 0;
        if (!DecodeUtf8At(text, i, cp, len)) return false;
        const char32_t least = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
        if (cp < least || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        letters = true;
        i += len;
    }
    return letters;
}

// A field of a UTF-8 line in the engine's in-memory character set
// (Windows-1252), at most maxLength letters. A letter that the table's code
// page (code page 850 for an OEM table, Windows-1252 for an ANSI one) cannot
// hold becomes '?' and is counted in `replaced`.
std::string Utf8FieldText(std::string_view text, std::size_t maxLength, bool oemTable,
                          int& replaced) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && out.size() < maxLength;) {
        char32_t cp = 0;
        std::size_t len = 0;
        if (!DecodeUtf8At(text, i, cp, len)) {
            cp = static_cast<unsigned char>(text[i]);
            len = 1;
        }
        i += len;
        const int ansi = UnicodeToWin1252(cp);
        if (ansi < 0 || (oemTable && UnicodeToCp850(cp) < 0)) {
            out += '?';
            ++replaced;
        } else {
            out += static_cast<char>(ansi);
        }
    }
    return out;
}

// Tells the user how many letters of an imported UTF-8 text were stored as
// '?' because the table's code page lacks them.
void ReportReplacedLetters(const std::string& file, int replaced) {
    const std::string lacking = std::string("die Codeseite der Tabelle nicht enthält"_cp850);
    const std::string text =
        replaced == 1
            ? ShownFileName(file) + ": 1 Zeichen, das " + lacking + ", wurde als \"?\" gespeichert."
            : ShownFileName(file) + ": " + std::to_string(replaced) + " Zeichen, die " + lacking +
                  ", wurden als \"?\" gespeichert.";
    EngineMessageBox(text, "", 0x40);
}

}  // namespace

int AppendDelimited(const std::string& fileName, bool showProgress) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("AppendDelimited")) return 0;
    TWorkArea* a = CurrentWorkArea();
    const std::string file = FindFileNoCase(DefaultExtension(fileName, "TXT"));
    // Read whole before the first record is appended, and only from a plain
    // file: a pipe would hold the table locked until someone writes into it,
    // a device would never end.
    std::string data;
    if (!ReadWholeRegularFile(file, data)) {
        SetFileReadError(errno, file, "Fehler beim Lesen von " + ShownFileName(file),
                         "[AppendDelimited]");
        return 0;
    }
    const std::size_t end = std::min(data.size(), data.find('\x1A'));
    // A text saved as UTF-8 is read as such; any other text is taken as the
    // engine's own character set, as it always was.
    const bool utf8 = IsUtf8WithLetters(std::string_view(data).substr(0, end));
    int replaced = 0;
    std::unique_ptr<TTzProgress100> progress;
    if (showProgress) progress = std::make_unique<TTzProgress100>("Appending...");
    std::size_t nextStep = end / 100;
    int count = 0;
    // The byte order mark a UTF-8 editor may put first is no letter.
    std::size_t pos =
        utf8 && std::string_view(data).substr(0, end).starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < end) {
        std::size_t stop = pos;
        while (stop < end && data[stop] != '\n' && data[stop] != '\r') ++stop;
        const std::string line = data.substr(pos, stop - pos);
        pos = stop;
        if (pos < end) {
            // CR LF is one line end; a lone CR or LF ends the line by itself.
            if (data[pos] == '\r' && pos + 1 < end && data[pos + 1] == '\n')
                pos += 2;
            else
                pos += 1;
        }
        if (progress) {
            while (end >= 100 && pos >= nextStep && nextStep <= end) {
                progress->Step();
                nextStep += end / 100;
            }
        }
        if (line.empty()) continue;
        ClearRecord();
        const auto parts = SplitDelimited(line);
        int lineReplaced = 0;
        std::size_t k = 0;
        for (int i = 0; i < a->fieldCount && k < parts.size(); ++i) {
            const auto& f = a->fields[i];
            if (f.type == 'M') continue;
            const std::string& v = parts[k++];
            const int n = i + 1;
            switch (f.type) {
                case 'C':
                    SetBinaryText(n, utf8 ? Utf8FieldText(v, f.length, a->oemText, lineReplaced)
                                          : v.substr(0, f.length));
                    break;
                case 'D': {
                    const std::string t = AllTrim(v);
                    bool digits = !t.empty();
                    for (char c : t) digits = digits && c >= '0' && c <= '9';
                    SetBinaryText(n, digits && t.size() == 8 ? DigitsToDate(t) : t);
                    break;
                }
                case 'N':
                case 'F': StoreNumberText(n, f, v, false); break;
                case 'L': {
                    const char c = v.empty() ? ' ' : v[0];
                    SetBinaryLogical(n, c == 'T' || c == 't' || c == 'Y' || c == 'y');
                    break;
                }
                default: break;
            }
        }
        Append();
        if (ErrorState.lastErrorCode != 0) break;
        ++count;
        replaced += lineReplaced;
    }
    progress.reset();
    if (replaced > 0) ReportReplacedLetters(file, replaced);
    return count;
}

}  // namespace veldrim
