#pragma once
// The commands of the table browser and editor: everything its buttons and
// menus do to the open table, free of any window toolkit. The window (or a
// test) calls these and shows the table again afterwards.
//
//   command             what it does
//   SortByField         builds the temporary index "$veltemp" in the user
//                       directory on the column's bound field and returns to
//                       the record that was current; logical and memo
//                       fields are refused with a message
//   Search, SearchNext  text search in any field, from the top or after the
//                       current record; a miss retries with "," read as "."
//   Pack                removes the deleted records after "Pack ?"
//   AppendCopy          a copy of the current record as a new last record
//   AppendDbf,          appending another table or delimited text, and the
//   AppendDelimited,    delimited export, under the table lock
//   SaveAsDelimited
//   ExportHtml          the table as an HTML page, values escaped, then the
//                       configured HTML viewer is started on it
//
// The two exports ask before they replace an existing file, as the data-file
// saves ask; No writes nothing. Both write through a save's temporary file, so
// a failed export leaves an older file as it was.
//   Print               the first seven fields through the report channel
//
// The append commands take their lock first and do nothing when it is
// refused (the lock failure is reported); the lock is released in every case.

#include <cstdint>
#include <functional>
#include <string>

namespace veldrim {

class Tdbf4;
class TTzDbf;

// Prints the open table of the editor through the report channel. The
// reports library installs it at start-up (the tables library cannot reach
// the report channel itself); without it Print tells the user so.
using TableEditorPrintProc =
    std::function<void(TTzDbf& table, const std::string& windowCaption, const std::string& title1)>;
extern TableEditorPrintProc tableEditorPrintHook;

// Shows the editor modally on the form's table (the window installs it). The
// caption is the one the mode asks for; mode is that of ShowTableEditor. It
// returns after AcceptRecordAndClose or CancelAndClose. Without it the
// editor offers the rows through the UI port's table pick.
using TableEditorShowProc = std::function<void(Tdbf4& form, const std::string& caption, int mode)>;
extern TableEditorShowProc tableEditorShowHook;

// The file name of the temporary sort index in the user directory.
inline constexpr const char* kSortIndexName = "$veltemp";

// The message when a column cannot be sorted: its field is logical or memo.
std::string SortRefusedText(const std::string& fieldName);

class TableEditorCommands {
public:
    explicit TableEditorCommands(Tdbf4& form) : form_(form) {}

    // The search text kept between Search and SearchNext.
    std::string searchText;

    // Sorts by the table field fieldNo (1-based, the column's bound field).
    // True when the index was built; false after a refusal or a failure.
    bool SortByField(int fieldNo);
    // Asks for the search text and searches from the top. True on a hit.
    bool Search();
    // Searches the kept text after the current record. True on a hit.
    bool SearchNext();
    // The search itself (no question): true on a hit; a miss shows
    // text + " nicht gefunden".
    bool SearchFor(const std::string& text, bool fromTop);
    // Asks "Pack ?"; Yes packs. True when the table was packed, or when
    // records were removed before the pack reported an error.
    bool Pack();
    // The menu Append: ALock, AppendRec, UnLock. The append commands answer
    // true when records were appended, also when the append then reported
    // an error (a damaged source's whole records): the window shows them.
    bool AppendCopy();
    bool AppendDbf();
    bool AppendDelimited();
    // Asks for the file (and before replacing an existing one), then writes it.
    bool SaveAsDelimited();
    // Appends the given file under the table lock (the dialogs' second half).
    bool AppendDbfFrom(const std::string& path);
    bool AppendDelimitedFrom(const std::string& path);
    bool SaveDelimitedTo(const std::string& path);
    // Asks for the file (and before replacing an existing one), writes it and
    // starts the HTML viewer on it.
    bool ExportHtml();
    // Writes the HTML page to path; false (reported) when it failed.
    bool WriteHtml(const std::string& path);
    void Print(const std::string& windowCaption);
    // The record-number box: moves to n when 1 <= n <= record count.
    bool GoTyped(const std::string& text);
    // Whether the box's text names a record of the table (1 <= n <= count).
    bool NamesRecord(const std::string& text);
    // Help menu: the current help text, the common text 3210, the help
    // picture, and the table's path in a message box.
    void HelpDbfStructure();
    void HelpCommon();
    void HelpPicture();
    void ShowFileName();

private:
    // Runs one step on the table; engine and dataset failures are shown.
    bool Guard(const std::function<void()>& step);
    bool UnderLock(bool fileLock, const std::function<void()>& step);
    // UnderLock for an append: true also when it failed after appending.
    bool AppendUnderLock(bool fileLock, const std::function<void()>& step);

    Tdbf4& form_;
};

}  // namespace veldrim
