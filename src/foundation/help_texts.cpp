#include "foundation/help_texts.h"

#include <charconv>

#include "foundation/files.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"

namespace veldrim {

namespace {

struct HelpTextDefaults {
    std::uint16_t currentHelpNumber = 0;
    HelpPictureHook helpPictureHook = nullptr;  // no picture window until the window installs one
};
constexpr HelpTextDefaults kDefaults{};

}  // namespace

std::uint16_t currentHelpNumber = kDefaults.currentHelpNumber;
HelpPictureHook helpPictureHook = kDefaults.helpPictureHook;

void ResetHelpTexts() {
    currentHelpNumber = kDefaults.currentHelpNumber;
    helpPictureHook = kDefaults.helpPictureHook;
}

void SetHelpNumber(int n) { currentHelpNumber = static_cast<std::uint16_t>(n); }
void SetHelpTextNumber(int n) { SetHelpNumber(n); }

namespace {

// Entries of the program's own help file start at this number; the ones
// below are in the general help file.
constexpr int kOwnHelpFileFrom = 4000;

std::string HelpFolder() {
    std::string dir = helpDirectory;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

// The number in the first 4 characters of a line; -1 when they hold none.
int LineNumber(std::string_view line) {
    std::string_view head = line.substr(0, std::min<std::size_t>(4, line.size()));
    while (!head.empty() && head.front() == ' ') head.remove_prefix(1);
    while (!head.empty() && head.back() == ' ') head.remove_suffix(1);
    if (head.empty()) return -1;
    int n = 0;
    auto [ptr, ec] = std::from_chars(head.data(), head.data() + head.size(), n);
    if (ec != std::errc() || ptr != head.data() + head.size() || n < 0) return -1;
    return n;
}

bool IsHeaderNumber(int n) { return n >= 0 && n % 5 == 0; }

int EffectiveNumber(int number) { return number == 0 ? currentHelpNumber : number; }

// A text for the screen: code page 850, in plain ASCII with the code-page
// option 1.
std::string ForScreen(std::string_view s) {
    return codePageOption == 1 ? TransliterateOem(s) : std::string(s);
}

std::string FileMissingText(const std::string& fileName) {
    return "Datei " + ShownFileName(fileName) + " nicht gefunden !";
}

}  // namespace

void HelpFileName(int number, std::string& name) {
    if (number >= kOwnHelpFileFrom)
        name = HelpFolder() + LowerAscii(programShortName) + ".hlp";
    else
        name = HelpFolder() + "veldrim.hlp";
}

void NoHelpText(int number, std::string& text) {
    text = "Hilfetext Nr " + std::to_string(number) + ": keine Hilfe vorhanden.";
}

void ParseHelpHeader(std::string_view line, int& number, std::string& picture) {
    number = LineNumber(line);
    auto colon = line.find(':');
    picture =
        colon == std::string_view::npos ? std::string("NULL") : TrimBoth(line.substr(colon + 1));
}

namespace {

// Reads the entry of help number n from f into entry (status Found), or up
// to the end of the file when there is none.
void ReadHelpEntry(TextFile& f, int n, HelpEntry& entry) {
    std::string line;
    for (;;) {
        if (f.ReadLine(line) != kIoOk) return;  // entry missing
        int headerNumber = -1;
        std::string picture;
        ParseHelpHeader(line, headerNumber, picture);
        std::string first = line;
        if (headerNumber != -1 && f.ReadLine(first) != kIoOk) return;
        // An entry whose first text line ends the file counts as missing.
        if (f.Eof()) return;
        if (headerNumber == n) {
            entry.status = HelpEntry::Status::Found;
            entry.picture = picture;
            entry.lines[0] = first;
            break;
        }
    }
    // Lines 2..5: plain lines are taken; a numbered line selects the line
    // after it for slot k when its number is n + k - 1; a header ends.
    for (int k = 2; k <= 5; ++k) {
        if (f.ReadLine(line) != kIoOk) break;
        int lineNumber = LineNumber(line);
        if (lineNumber == -1) {
            entry.lines[k - 1] = line;
            continue;
        }
        if (IsHeaderNumber(lineNumber)) {
            entry.endedAtNextHeader = true;
            break;
        }
        std::string next;
        if (f.ReadLine(next) != kIoOk) break;
        if (lineNumber == n + k - 1) entry.lines[k - 1] = next;
    }
}

}  // namespace

HelpEntry FindHelpEntry(int number) {
    const int n = EffectiveNumber(number);
    HelpEntry entry;
    HelpFileName(n, entry.fileName);
    TextFile f;
    f.Assign(entry.fileName);
    if (f.Reset() != kIoOk) {
        entry.status = HelpEntry::Status::FileMissing;
        return entry;
    }
    entry.fileName = f.OpenedName();
    ReadHelpEntry(f, n, entry);
    // A file whose read failed on the way says so in place of the entry,
    // never that the entry is missing, nor a part of it.
    if (f.ReadFailed()) {
        HelpEntry unreadable;
        unreadable.status = HelpEntry::Status::Unreadable;
        unreadable.fileName = entry.fileName;
        unreadable.lines[0] = ReadErrorText(f);
        unreadable.picture = "null";
        return unreadable;
    }
    return entry;
}

void ShowHelpLines(const HelpLines& lines, const std::string& picture, const std::string&, int mode,
                   int number) {
    const bool drawPicture = !picture.empty() && picture != "NULL";
    // An entry without a picture leaves the view as it is; asked for its
    // picture alone, it shows its text instead.
    if (mode == kHelpTextAndPicture || mode == kHelpTextOnly ||
        (mode == kHelpPictureOnly && !drawPicture)) {
        std::string message;
        for (const auto& l : lines) message += ForScreen(l) + " ";
        std::string caption = UpperAscii("Hilfetext") + " Nr." + std::to_string(number);
        Ui().ShowMessage(caption, message, MessageKind::Information);
    }
    if (drawPicture && (mode == kHelpTextAndPicture || mode == kHelpPictureOnly)) {
        if (helpPictureHook) {
            helpPictureHook(HelpPicturePath(picture));
        } else {
            ShowNotice("Hilfebild " + picture +
                       " kann nicht gezeigt werden: keine Grafikausgabe vorhanden.");
            cancelFlag = true;
        }
    }
}

std::string HelpPicturePath(const std::string& picture) {
    return FindFileNoCase(HelpFolder() + picture + ".plt");
}

void ShowHelpText(int number, const std::string& text, int mode) {
    const int n = EffectiveNumber(number);
    HelpEntry entry = FindHelpEntry(n);
    switch (entry.status) {
        case HelpEntry::Status::FileMissing:
            entry.lines = {};
            entry.lines[0] = FileMissingText(entry.fileName);
            entry.picture = "null";
            break;
        case HelpEntry::Status::EntryMissing:
            entry.lines = {};
            NoHelpText(n, entry.lines[0]);
            entry.picture = "null";
            break;
        case HelpEntry::Status::Unreadable:
        case HelpEntry::Status::Found: break;
    }
    ShowHelpLines(entry.lines, entry.picture, text, mode, n);
    if (!entry.endedAtNextHeader) cancelFlag = false;
}

void GetHelpText(int number, std::string& text) {
    const int n = EffectiveNumber(number);
    HelpEntry entry = FindHelpEntry(n);
    if (entry.status == HelpEntry::Status::FileMissing) {
        text = ForScreen(FileMissingText(entry.fileName));
        cancelFlag = false;
        return;
    }
    if (entry.status == HelpEntry::Status::EntryMissing) {
        NoHelpText(n, text);
        cancelFlag = false;
        return;
    }
    if (entry.status == HelpEntry::Status::Unreadable) {
        text = ForScreen(entry.lines[0]);
        cancelFlag = false;
        return;
    }
    if (entry.endedAtNextHeader && helpLevel >= 2) entry.lines[4] += " (" + std::to_string(n) + ")";
    text.clear();
    for (std::size_t i = 0; i < entry.lines.size(); ++i) {
        if (i > 0) text += ' ';
        text += ForScreen(entry.lines[i]);
    }
    if (!entry.endedAtNextHeader) cancelFlag = false;
}

void HelpTextOf(int number, std::string& text) { GetHelpText(number, text); }

}  // namespace veldrim
