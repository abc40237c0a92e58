// The table access of the rest of the program, on the hidden table editor.

#include "tables/datasets/table_access.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "foundation/captions.h"
#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/help_texts.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/text_conv.h"
#include "foundation/ui_services.h"
#include "tables/datasets/table_editor.h"
#include "tables/engine/engine_base.h"

namespace veldrim {

namespace {

struct TableAccessDefaults {
    int32_t ChosenDbfRecord = 0;
    uint8_t DbfExitKey = 0;
    int32_t DbfGridRow = 0;
    int32_t DbfGridCol = 0;
    bool DbfWriteChecked = false;
    bool DbfFolderWritable = false;
};
constexpr TableAccessDefaults kDefaults{};

std::string WithDbfExtension(const std::string& name) {
    return name.find('.') == std::string::npos ? name + ".dbf" : name;
}

// Runs a step of the table access; a failure of the engine or the dataset
// is shown and sets the cancel flag.
template <class F>
bool Guarded(F&& step) {
    try {
        step();
        return true;
    } catch (const EDurazError& e) {
        ShowDurazError(e);
    } catch (const EDatabaseError& e) {
        Ui().ShowMessage("Fehler", e.what(), MessageKind::Error);
    }
    cancelFlag = true;
    return false;
}

TTzDbf* Table() { return TableEditorForm ? &TableEditorForm->tzdbf : nullptr; }

TTzDbf& OpenTable() {
    TTzDbf* t = Table();
    if (!t || !t->Active()) throw EDatabaseError("Keine Tabelle geöffnet"_cp850.data());
    return *t;
}

// The memo file beside a table, found without regard to case.
std::string MemoFileOf(const std::string& table) {
    for (const char* ext : {".dbt", ".fpt"}) {
        const std::string memo = FindFileNoCase(PathWithoutExt(table) + ext);
        if (std::filesystem::exists(memo)) return memo;
    }
    return {};
}

// An empty folder setting is the current folder.
std::string FolderOrCurrent(const std::string& folder) { return folder.empty() ? "." : folder; }

bool TableFolderWritable(const std::string& folder) {
    return IsDirWritable(FolderOrCurrent(folder));
}

void MakeWritable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) ::chmod(path.c_str(), st.st_mode | S_IWUSR);
}

// The memo and index files beside a table that belong to it: its name with
// the memo and index extensions, found without regard to case.
std::vector<std::string> CompanionFilesOf(const std::string& table) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const char* ext : {".dbt", ".fpt", ".ndx", ".mdx"}) {
        const std::string f = FindFileNoCase(PathWithoutExt(table) + ext);
        if (std::filesystem::is_regular_file(f, ec)) files.push_back(f);
    }
    return files;
}

std::string Leaf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

bool SameContents(const std::string& a, const std::string& b) {
    std::string bytesA, bytesB;
    return ReadWholeRegularFile(a, bytesA) && ReadWholeRegularFile(b, bytesB) && bytesA == bytesB;
}

// Copies one file into the user's data folder through a part file that is
// renamed over the target only when the whole file was written.
bool CopyWhole(const std::string& source, const std::string& target) {
    const std::string part = target + ".part";
    std::error_code ec;
    if (!CopyFileBlocks(source, part)) {
        std::filesystem::remove(part, ec);
        return false;
    }
    MakeWritable(part);
    std::filesystem::rename(part, target, ec);
    if (ec) std::filesystem::remove(part, ec);
    return !ec;
}

}  // namespace

std::string UserCopyOfShippedTable(const std::string& name) {
    if (shippedTablesFolder.empty() || userDataDirectory.empty()) return {};
    const std::string own =
        FindFileNoCase(EnsureTrailingBackslash(userDataDirectory) + WithDbfExtension(name));
    std::error_code ec;
    return std::filesystem::is_regular_file(own, ec) ? own : std::string();
}

namespace {

// A working copy of an installed table in the user directory, made by an
// earlier run (an install that could not be written, or the option "copy
// DBF -> TEMP", had its tables read and edited there): it holds what the
// user saw and changed so far. Empty when there is none.
std::string EarlierWorkingCopy(const std::string& name) {
    const std::string earlier = FindFileNoCase(InPrivateFolder(name));
    std::error_code ec;
    return std::filesystem::is_regular_file(earlier, ec) ? earlier : std::string();
}

}  // namespace

std::string MakeUserTableCopy(const std::string& nameIn,
                              std::vector<std::pair<std::string, std::string>>* made) {
    const std::string name = WithDbfExtension(nameIn);
    if (const std::string own = UserCopyOfShippedTable(name); !own.empty()) return own;
    // The installed tables are never written, so nothing asks whether their
    // folder could be: an earlier working copy is the user's, and the copy
    // starts from it.
    std::string source = EarlierWorkingCopy(name);
    if (source.empty())
        source = FindFileNoCase(EnsureTrailingBackslash(shippedTablesFolder) + name);
    std::error_code ec;
    CheckFileReadable(source);
    if (cancelFlag) return {};
    const std::string folder = EnsureTrailingBackslash(userDataDirectory);
    const std::string target = folder + Leaf(source);
    if (userDataDirectory.empty()) {
        // Without a data folder of the user's the installed table stays as
        // it is, unedited.
        ShowErrorIfEnabled(NotWritableText(source));
        cancelFlag = true;
        return {};
    }
    std::filesystem::create_directories(userDataDirectory, ec);  // a failure shows at the copy
    std::vector<std::pair<std::string, std::string>> files;
    for (const std::string& companion : CompanionFilesOf(source))
        files.emplace_back(folder + Leaf(companion), companion);
    files.emplace_back(target, source);
    for (const auto& [copy, original] : files) {
        if (!CopyWhole(original, copy)) {
            for (const auto& [done, from] : files) std::filesystem::remove(done, ec);
            ShowErrorIfEnabled(NotWritableText(copy));
            cancelFlag = true;
            return {};
        }
    }
    if (made) *made = std::move(files);
    return target;
}

std::unique_ptr<Tdbf4> TableEditorForm;
int32_t ChosenDbfRecord = kDefaults.ChosenDbfRecord;
uint8_t DbfExitKey = kDefaults.DbfExitKey;
int32_t DbfGridRow = kDefaults.DbfGridRow;
int32_t DbfGridCol = kDefaults.DbfGridCol;
bool DbfWriteChecked = kDefaults.DbfWriteChecked;
bool DbfFolderWritable = kDefaults.DbfFolderWritable;

void ResetTableAccess() {
    if (TableEditorForm) {
        try {
            TableEditorForm->tzdbf.Close();
        } catch (...) {
            // The engine is reset right after; nothing of the table stays.
        }
    }
    TableEditorForm.reset();
    // Back to the start: no window shows the editor until one installs itself.
    tableEditorShowHook = nullptr;
    ChosenDbfRecord = kDefaults.ChosenDbfRecord;
    DbfExitKey = kDefaults.DbfExitKey;
    DbfGridRow = kDefaults.DbfGridRow;
    DbfGridCol = kDefaults.DbfGridCol;
    DbfWriteChecked = kDefaults.DbfWriteChecked;
    DbfFolderWritable = kDefaults.DbfFolderWritable;
}

void CreateTableEditorForm() {
    if (!TableEditorForm) TableEditorForm = std::make_unique<Tdbf4>();
}

void FreeTableEditorForm() {
    CloseDbfTable();
    TableEditorForm.reset();
}

// ---- Tdbf4 --------------------------------------------------------------------------------------

Tdbf4::Tdbf4()
    : helpItemCaption("dbf Structure"),
      menuFile(captionVocabulary.file),
      menuPrint(captionVocabulary.print),
      menuExit(captionVocabulary.exit),
      menuEdit(captionVocabulary.edit),
      menuView(captionVocabulary.view),
      menuHelp(captionVocabulary.help),
      menuCommon(captionVocabulary.database) {
    tzdbf.TableLanguage = tlOem;
    tzdbf.CreateIndex = ciNotFound;
}

void Tdbf4::SetTableFileName(const std::string& path, bool forReading) {
    Ui().SetBusy(true);
    tzdbf.Close();
    tzdbf.SetDbfFileName(path);
    tzdbf.ReadOnly = forReading;
    Guarded([&] { tzdbf.Open(); });
    labelFilename = path;
    startRowChosen = true;
    Ui().SetBusy(false);
}

void Tdbf4::SetTitles(const std::string& t1, const std::string& t2) {
    title1 = t1;
    title2 = t2;
    helpItemCaption = t2;
}

void Tdbf4::AcceptRecordAndClose() {
    cancelFlag = false;
    tzdbf.Post();
    DbfExitKey = 13;
    ChosenDbfRecord = tzdbf.RecNo();
}

void Tdbf4::CancelAndClose() {
    cancelFlag = true;
    DbfExitKey = 27;
}

void Tdbf4::ShowInMode(const std::string& command, int mode) {
    const bool pick = mode == 1 || mode == 4 || mode == 5;
    okWithoutChoice = false;
    TableView view;
    view.pick = pick;
    view.currentChosen = startRowChosen;
    if (pick) {
        view.title = title2 + "   " + title1;
        if (mode == 1) tzdbf.SetHideDeletedRecs(true);
        if (mode == 4) tzdbf.SetHideDeletedRecs(false);
    } else {
        view.title = title2 + "  " + title1 + "  (" + labelFilename + ")";
        tzdbf.SetHideDeletedRecs(false);
        // A table from the user folder is a working copy only where that is
        // not the table folder itself; it is for want of a write right only
        // where the table folder cannot be written (the "copy DBF -> TEMP"
        // option copies from a writable one too).
        // The installed tables are never written, the folder never probed.
        const std::string copies = PrivateScratchFolder();
        if (IsSameFolder(DirPartOf(labelFilename), copies) &&
            !IsSameFolder(copies, databaseDirectory) && !IsShippedTablesFolder(databaseDirectory) &&
            !TableFolderWritable(databaseDirectory))
            Ui().ShowMessage(
                "",
                std::string(
                    "Kein Schreibrecht für dbf-Ordner !  Bearbeitung im Temporär-Ordner."_cp850),
                MessageKind::Warning);
    }
    pickAndClose = command == "CLOSE";
    if (tableEditorShowHook) {
        tableEditorShowHook(*this, view.title, mode);
        return;
    }
    // The rows in the table's order, each with its record number.
    std::vector<int32_t> recNos;
    if (tzdbf.Active()) {
        const TBookmark here = tzdbf.GetBookmark();
        for (int i = 0; i < tzdbf.TTzPrimDataset::FieldCount(); ++i)
            view.heads.push_back(tzdbf.Fields(i).FieldName());
        tzdbf.First();
        while (!tzdbf.Eof() && tzdbf.RecNo() > 0) {
            std::vector<std::string> row;
            for (int i = 0; i < tzdbf.TTzPrimDataset::FieldCount(); ++i)
                row.push_back(tzdbf.Fields(i).AsString());
            if (tzdbf.RecNo() == here) view.current = static_cast<int>(view.rows.size());
            view.rows.push_back(std::move(row));
            recNos.push_back(tzdbf.RecNo());
            const int32_t before = tzdbf.RecNo();
            tzdbf.Next();
            if (tzdbf.RecNo() == before) break;
        }
        if (here > 0) tzdbf.GotoBookmark(here);
    }
    const std::optional<int> chosen = Ui().PickTableRecord(view);
    if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(recNos.size())) {
        CancelAndClose();
        return;
    }
    tzdbf.GotoBookmark(recNos[static_cast<std::size_t>(*chosen)]);
    DbfGridRow = *chosen + 1;
    AcceptRecordAndClose();
}

void Tdbf4::OpenDbfTableChecked(const std::string& nameIn) {
    const std::string name = WithDbfExtension(nameIn);
    const std::string folder = tablesFromUserDirectory ? PrivateScratchFolder() : databaseDirectory;
    freshCopy_.clear();
    if (!tablesFromUserDirectory && IsShippedTablesFolder(folder)) {
        const std::string own = MakeUserTableCopy(name, &freshCopy_);
        if (cancelFlag) return;
        SetTableFileName(own);
        return;
    }
    std::string path = FindFileNoCase(EnsureTrailingBackslash(folder) + name);
    CheckFileReadable(path);
    if (cancelFlag) return;
    if (!TableFolderWritable(folder)) {
        path = CopyTableToUserDirectory(name);
    } else if (::access(path.c_str(), W_OK) != 0) {
        if (!tablesFromUserDirectory) path = CopyTableToUserDirectory(name);
        MakeWritable(path);
    }
    if (cancelFlag) return;
    SetTableFileName(path);
}

void Tdbf4::EditDbfTable(const std::string& name, int helpNumber) {
    cancelFlag = false;
    OpenDbfTableChecked(name);
    if (cancelFlag) return;
    title1.clear();
    title2 = name;
    helpItemCaption = name;
    SetHelpNumber(helpNumber);
    ShowInMode("", 2);
    CloseDbfTable();
    // A copy of an installed table that the editor left as it was is no
    // edit of the user's: it goes again, and the installed table is read
    // on as before (the table first, so that no half copy stays).
    const bool unchanged = std::all_of(freshCopy_.begin(), freshCopy_.end(), [](const auto& f) {
        return SameContents(f.first, f.second);
    });
    std::error_code ec;
    if (unchanged)
        for (auto f = freshCopy_.rbegin(); f != freshCopy_.rend(); ++f)
            std::filesystem::remove(f->first, ec);
    freshCopy_.clear();
}

// ---- the procedures -----------------------------------------------------------------------------

void SetDbfTitles(const std::string& title1, const std::string& title2) {
    CreateTableEditorForm();
    // The titles stay code page 850 texts: the UI port converts at its edge.
    TableEditorForm->SetTitles(title1, title2);
}

void ShowTableEditor(const std::string& command, int mode) {
    CreateTableEditorForm();
    if (!Guarded([&] { TableEditorForm->ShowInMode(command, mode); })) DbfExitKey = 27;
    // Said once the editor is closed: OK alone took none of the rows.
    if (TableEditorForm->okWithoutChoice)
        Ui().ShowMessage(TableEditorForm->title2,
                         std::string("Keine Zeile gewählt: nichts übernommen."_cp850),
                         MessageKind::Warning);
}

bool DbfDirectoryWritable(const std::string& folder, const std::string& name) {
    if (DbfWriteChecked) return DbfFolderWritable;
    CheckFileReadable(FindFileNoCase(EnsureTrailingBackslash(folder) + name));
    if (cancelFlag) return false;
    DbfFolderWritable = TableFolderWritable(folder);
    DbfWriteChecked = true;
    return DbfFolderWritable;
}

std::string CopyTableToUserDirectory(const std::string& name) {
    const std::string target = InPrivateFolder(name);
    const std::string existing = FindFileNoCase(target);
    if (std::filesystem::exists(existing)) return existing;  // the user's copy stays
    const std::string own =
        IsShippedTablesFolder(databaseDirectory) ? UserCopyOfShippedTable(name) : std::string();
    const std::string source =
        !own.empty() ? own : FindFileNoCase(EnsureTrailingBackslash(databaseDirectory) + name);
    if (!CopyFileBlocks(source, target)) return target;
    MakeWritable(target);
    const std::string memo = MemoFileOf(source);
    if (!memo.empty()) {
        const std::string memoTarget =
            InPrivateFolder(std::filesystem::path(memo).filename().string());
        if (CopyFileBlocks(memo, memoTarget)) MakeWritable(memoTarget);
    }
    return target;
}

void CopyTablesToUserDirectory() {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(databaseDirectory, ec)) {
        if (UpperAscii(e.path().extension().string()) == ".DBF" && e.is_regular_file())
            CopyTableToUserDirectory(e.path().filename().string());
    }
}

bool OpenDbfTable(const std::string& nameIn, uint8_t*, uint16_t) {
    const std::string folder = tablesFromUserDirectory ? PrivateScratchFolder() : databaseDirectory;
    const std::string name = WithDbfExtension(nameIn);
    std::string path = FindFileNoCase(EnsureTrailingBackslash(folder) + name);
    if (!tablesFromUserDirectory && IsShippedTablesFolder(folder)) {
        // The user's own copy of an installed table stands for it, else an
        // earlier working copy; the installed table itself is read where
        // it is and never written, so its folder is not probed, and it is
        // opened for reading only (an install may be unwritable for any
        // reason: permissions, a read-only image, immutable files).
        if (const std::string own = UserCopyOfShippedTable(name); !own.empty())
            return OpenDbfFile(own);
        if (const std::string earlier = EarlierWorkingCopy(name); !earlier.empty())
            return OpenDbfFile(earlier);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
            CheckFileReadable(path);  // its message
            cancelFlag = true;
            return false;
        }
        return OpenDbfFile(path, true);
    }
    const bool writable = DbfDirectoryWritable(folder, name);
    if (writable) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) {
            // Gone since the cached check: reported like an unreadable table.
            CheckFileReadable(path);
            return false;
        }
        if (::access(path.c_str(), W_OK) != 0) path = CopyTableToUserDirectory(name);
    } else {
        if (cancelFlag) return false;
        path = CopyTableToUserDirectory(name);
    }
    return OpenDbfFile(path);
}

bool OpenDbfTableByName(const std::string& name) { return OpenDbfTable(name, nullptr, 0); }

bool OpenDbfTableForChange(const std::string& name) {
    if (tablesFromUserDirectory || !IsShippedTablesFolder(databaseDirectory))
        return OpenDbfTable(name);
    cancelFlag = false;
    const std::string own = MakeUserTableCopy(name);
    return !cancelFlag && OpenDbfFile(own);
}

bool OpenDbfFile(const std::string& path, bool forReading) {
    CreateTableEditorForm();
    TableEditorForm->SetTableFileName(path, forReading);
    return TableEditorForm->tzdbf.Active();
}

void GoDbfRecordOrFirst(int32_t n) {
    Guarded([&] {
        TTzDbf& t = OpenTable();
        // An empty table has no record 1 to go to.
        if (t.RecCount() > 0) t.Go(n >= 1 && n <= t.RecCount() ? n : 1);
    });
}

void GoDbfRecord(int32_t n) {
    TTzDbf* t = Table();
    if (!t || !t->Active()) return;
    const int32_t count = t->RecCount();
    if (n > count) AddMessage("DBF #" + IntText(n) + " not found.");
    if (n < 1 || n > count) {
        // Neither the last record nor any other stands for a number the
        // table lacks: the first is shown, and only a row the user chooses
        // is taken.
        if (TableEditorForm) TableEditorForm->startRowChosen = false;
        n = 1;
    }
    GoDbfRecordOrFirst(n);
}

void CloseDbfTable() {
    if (TTzDbf* t = Table()) Guarded([&] { t->Close(); });
    Ui().SetBusy(false);
}

bool AppendDbfRecord() {
    bool ok = false;
    Guarded([&] {
        TTzDbf& t = OpenTable();
        // Refused without an engine error: another program holds the table.
        // Said as a refused new record of the dataset is, not passed over.
        if (!t.ALock()) {
            if (LastError() == 0) throw EDatabaseError(LockRefusedMessage("Insert"));
            return;
        }
        t.AppendRec();
        ok = t.UnLock() && LastError() == 0;
    });
    return ok;
}

int32_t DbfRecNo() {
    TTzDbf* t = Table();
    return t && t->Active() ? t->RecNo() : 0;
}

int32_t DbfRecCount() {
    TTzDbf* t = Table();
    return t && t->Active() ? t->RecCount() : 0;
}

std::string GetDbfFieldName(int n) {
    std::string name;
    Guarded([&] {
        TTzDbf& t = OpenTable();
        if (n >= 1 && n <= t.FieldCount()) name = t.Field(n);
    });
    return name;
}

// The program's texts are code page 850; the engine hands a table's texts
// out and takes them in as Windows-1252 (an OEM table's records are
// converted as they are read and written).
std::string GetDbfFieldStr(int n) {
    std::string text;
    Guarded([&] { text = AnsiToOemStr(OpenTable().SField(n)); });
    return text;
}

bool GetDbfFieldBool(const std::string& fieldName) {
    bool v = false;
    Guarded([&] { v = OpenTable().GetBooleanByName(fieldName); });
    return v;
}

bool PutDbfFieldStr(const std::string& f, const std::string& v) {
    return Guarded([&] { OpenTable().PutStringByName(f, OemToAnsiStr(v)); });
}
bool PutDbfFieldFloat(const std::string& f, double v) {
    return Guarded([&] { OpenTable().PutFloatByName(f, v); });
}
bool PutDbfFieldInt(const std::string& f, int32_t v) {
    return Guarded([&] { OpenTable().PutIntegerByName(f, v); });
}
bool PutDbfFieldBool(const std::string& f, bool v) {
    return Guarded([&] { OpenTable().PutBooleanByName(f, v); });
}

void BuildTempIndex(const std::string& keyExpression, const std::string& indexName) {
    // The user directory, or the private folder when none is set.
    const std::string path = InPrivateFolder(indexName);
    // The index is the program's own file: a link found at its name is
    // removed, never followed.
    std::error_code ec;
    const std::string existing = FindFileNoCase(path + ".ndx");
    if (std::filesystem::is_symlink(existing, ec)) std::filesystem::remove(existing, ec);
    Ui().SetBusy(true);
    Guarded([&] {
        TTzDbf& t = OpenTable();
        t.IndexOn(keyExpression, path);
        // The engine names the file with its own extension case.
        t.SetIndexTo(FindFileNoCase(path + ".ndx"));
    });
    Ui().SetBusy(false);
}

int DbfFieldNumber(const std::string& fieldName) {
    const std::string key = UpperAscii(fieldName.substr(0, 10));
    const int count = TableEditorForm && TableEditorForm->tzdbf.Active()
                          ? TableEditorForm->tzdbf.FieldCount()
                          : 0;
    for (int n = 1; n <= count; ++n)
        if (GetDbfFieldName(n) == key) return n;
    return 0;
}

}  // namespace veldrim
