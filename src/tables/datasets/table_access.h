#pragma once
// The table access of the rest of the program: the material pick, the
// lubricant pick and the printer-layout form never touch a dataset or a work
// area. They call these procedures, which all act on the one hidden table
// editor `TableEditorForm` and its table component `tzdbf` (OEM text,
// shared, not read-only): one table at a time is opened, positioned, read
// or written by field number or name, optionally shown to pick a record,
// and closed again.
//
// Where a table is opened from: the database directory when it can be
// written (checked once per run), else a copy in the user directory; with
// the option "copy DBF -> TEMP" always the user directory. A copy is made
// only while the user directory has none yet, so the user's edits are never
// overwritten, and the memo file travels with its table.
//
// The tables installed with the program are never written, writable or
// not: an edit of one goes into the user's own copy in the user's data
// folder, made from the installed table (with its memo and index files, or
// from the working copy an earlier run left in the user directory) when the
// editor opens it for editing, and kept only when something was changed.
// Every open reads the user's copy from then on; until there is one, the
// installed table is read where it is. Nothing asks whether the install
// folder could be written, and nothing is created there. A database folder
// of the user's own choosing is written where it is.
//
// Modes of ShowTableEditor: 1 pick (deleted records hidden), 4 pick (shown),
// 5 pick (as they were), any other edit. The command "CLOSE" accepts the
// record at the first click.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tables/datasets/tz_dbf.h"

namespace veldrim {

// The table browser and editor (only what the table access uses of it; the
// window itself belongs to the Qt side).
// `Tdbf4`: T class, dbf4 the browser and editor of dBase (level IV) tables.
class Tdbf4 {
public:
    Tdbf4();
    TTzDbf tzdbf{"tzdbf"};
    std::string title1, title2;
    std::string helpItemCaption;  // "dbf Structure", replaced by the second title
    std::string labelFilename;    // the open table's path
    bool pickAndClose = false;
    // False after the table was asked for a record number it does not hold:
    // a pick then shows the first row without choosing it.
    bool startRowChosen = true;
    // Set when the editor was left with OK while no row was chosen: nothing
    // was taken (the cancel flag is set), and ShowTableEditor says so.
    bool okWithoutChoice = false;
    // Menu words copied from the caption vocabulary at creation.
    std::string menuFile, menuPrint, menuExit, menuEdit, menuView, menuHelp, menuCommon;

    // Opens the table at path; `forReading`: for reading only.
    void SetTableFileName(const std::string& path, bool forReading = false);
    void SetTitles(const std::string& t1, const std::string& t2);
    void ShowInMode(const std::string& command, int mode);
    void AcceptRecordAndClose();
    void CancelAndClose();
    // Opens the table with the write test in its directory, shows it for
    // editing (mode 2) and closes it.
    void EditDbfTable(const std::string& name, int helpNumber);
    void OpenDbfTableChecked(const std::string& name);

private:
    // The user's copy of an installed table made by this opening, with the
    // installed file each of its files came from (the table last).
    std::vector<std::pair<std::string, std::string>> freshCopy_;
};

// The one editor; created hidden by the main window (CreateTableEditorForm)
// and freed with it.
extern std::unique_ptr<Tdbf4> TableEditorForm;
void CreateTableEditorForm();
void FreeTableEditorForm();

// Program-wide state of the table access.
extern int32_t ChosenDbfRecord;  // record number of the last accepted record
extern uint8_t DbfExitKey;       // 13 accepted, 27 cancelled
extern int32_t DbfGridRow, DbfGridCol;
extern bool DbfWriteChecked;    // the write check of this run was made
extern bool DbfFolderWritable;  // its result

void SetDbfTitles(const std::string& title1, const std::string& title2);
// Left with OK while no row was chosen, a pick takes nothing and says so in
// a message titled with the second title.
void ShowTableEditor(const std::string& command, int mode);
// False (cancel flag set) when the table could not be opened.
bool OpenDbfTable(const std::string& name, uint8_t* buffer = nullptr, uint16_t size = 0);
bool OpenDbfTableByName(const std::string& name);
// Opens that file; `forReading`: for reading only, as a table that is only
// read (an installed one) is opened, whatever keeps it from being written.
bool OpenDbfFile(const std::string& path, bool forReading = false);
// Goes to record n. A number the table does not hold goes to the first
// record, which a pick then shows without choosing it; a number beyond the
// table is reported as "DBF #n not found." in the message list.
void GoDbfRecord(int32_t n);
void GoDbfRecordOrFirst(int32_t n);
void CloseDbfTable();
// Appends the engine's record under the append lock. False (shown, cancel
// flag set) when the append failed or another program's lock refused it:
// LockRefusedMessage("Insert").
bool AppendDbfRecord();
int32_t DbfRecNo();
int32_t DbfRecCount();
std::string GetDbfFieldName(int n);
// Texts are the program's (code page 850), whatever the table's code page.
std::string GetDbfFieldStr(int n);
bool GetDbfFieldBool(const std::string& fieldName);
// Each puts the table into the edit state and changes the engine's copy of
// the current record; false on a failure (reported).
bool PutDbfFieldStr(const std::string& fieldName, const std::string& value);
bool PutDbfFieldFloat(const std::string& fieldName, double value);
bool PutDbfFieldInt(const std::string& fieldName, int32_t value);
bool PutDbfFieldBool(const std::string& fieldName, bool value);
// Builds the index file `indexName` in the user directory (the private
// folder when none is set) on the key expression and makes it the table's
// order (the hourglass meanwhile).
void BuildTempIndex(const std::string& keyExpression, const std::string& indexName);
// The number of the field of that name (first 10 characters), 0 when none.
int DbfFieldNumber(const std::string& fieldName);

// The once-per-run write check of a table's folder.
bool DbfDirectoryWritable(const std::string& folder, const std::string& name);
// The user's own copy of table `name` of the installed folder, in the
// user's data folder: its path when the user has one, else empty.
std::string UserCopyOfShippedTable(const std::string& name);
// The user's own copy of an installed table, made now (memo and index files
// first, the table last, so that a copy that is there is whole) unless the
// user has one; its path. Empty, with the message and the cancel flag, when
// the installed table cannot be read or the copy cannot be made. `made`
// receives each file made now with the installed file it came from.
std::string MakeUserTableCopy(const std::string& name,
                              std::vector<std::pair<std::string, std::string>>* made = nullptr);
// Opens a table to change it (not to pick from it): an installed table in
// the user's own copy, made now where needed; else as OpenDbfTable.
bool OpenDbfTableForChange(const std::string& name);
// Copies a table (and its memo file) from the database directory to the
// user directory unless the user directory holds it already; the user's
// path of the table. Of an installed table the user's own copy is copied
// where there is one.
std::string CopyTableToUserDirectory(const std::string& name);
// The start-up copy of every table when "copy DBF -> TEMP" is set.
void CopyTablesToUserDirectory();

// The state of the table access back to its start (closes the table).
void ResetTableAccess();

}  // namespace veldrim
