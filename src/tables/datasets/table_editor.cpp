// The commands of the table browser and editor.

#include "tables/datasets/table_editor.h"

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/help_texts.h"
#include "foundation/input_dialogs.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/system_info.h"
#include "foundation/text_conv.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "tables/datasets/table_access.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_files.h"
#include "tables/index/ndx_index.h"
#include "tables/engine/navigation.h"
#include "tables/engine/open_files.h"

namespace veldrim {

TableEditorPrintProc tableEditorPrintHook;
TableEditorShowProc tableEditorShowHook;

namespace {

// The help entry of the search question.
constexpr int kSearchHelpNumber = 2450;
// The common help text of the table editor.
constexpr int kCommonHelpNumber = 3210;
constexpr int kSearchTextLength = 50;

void Notice(const std::string& text) { Ui().ShowMessage("", text, MessageKind::Information); }

// The busy cursor for the life of a scope.
struct Busy {
    Busy() { Ui().SetBusy(true); }
    ~Busy() { Ui().SetBusy(false); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
};

// A value of the table as the page shows it: Windows-1252, markup escaped.
std::string HtmlValue(const std::string& stored, bool oemTable) {
    return HtmlEscape(oemTable ? OemToWin(stored) : stored);
}

// Asks before an export replaces a file the user chose, as the data-file
// saves ask ("... existiert bereits. ... überschreiben ?"); only the question,
// so a name the data files could not take (two dots) still exports. True when
// the export may write; the cancel flag and the help number are as they were
// afterwards.
bool MayWriteChosenFile(const std::string& path) {
    const bool savedCancel = cancelFlag;
    const std::uint16_t savedHelp = currentHelpNumber;
    const bool accepted = ConfirmReplace(path);
    cancelFlag = savedCancel;
    SetHelpNumber(savedHelp);
    return accepted;
}

// An export onto a file the engine holds open (the table, its memo file or
// an index, under this or any other name) would put the text in place of
// the file in use and cut the editor off from its table: refused with a
// message naming the file. True when refused.
bool ExportTargetInUse(const std::string& path) {
    if (!IsEngineOpenFile(path)) return false;
    Ui().ShowMessage("",
                     "Datei " + ShownFileName(path) +
                         std::string(" ist geöffnet und kann nicht überschrieben werden."_cp850),
                     MessageKind::Error);
    return true;
}

}  // namespace

std::string SortRefusedText(const std::string& fieldName) {
    return std::string("Nach dem logischen oder Memo-Feld "_cp850) + fieldName +
           std::string(" kann nicht sortiert werden."_cp850);
}

bool TableEditorCommands::Guard(const std::function<void()>& step) {
    try {
        step();
        return LastError() == 0;
    } catch (const EDurazError& e) {
        ShowDurazError(e);
    } catch (const EDatabaseError& e) {
        Ui().ShowMessage("", e.what(), MessageKind::Error);
    }
    return false;
}

bool TableEditorCommands::UnderLock(bool fileLock, const std::function<void()>& step) {
    TTzDbf& t = form_.tzdbf;
    if (!t.Active()) return false;
    // A pending edit of the row is posted to its record first: an append
    // copies or reads records into the engine's record and would carry it
    // off or drop it.
    if (!Guard([&] { t.Post(); })) return false;
    bool locked = false;
    if (!Guard([&] { locked = fileLock ? t.FLock() : t.ALock(); })) return false;
    if (!locked) {
        // The lock verbs answer false without an engine error: say why
        // nothing happened.
        Ui().ShowMessage(
            "", fileLock ? "Sperren fehlgeschlagen [FLock]" : "Sperren fehlgeschlagen [ALock]",
            MessageKind::Warning);
        return false;
    }
    const bool ok = Guard(step);
    Guard([&] { t.UnLock(); });
    return ok;
}

bool TableEditorCommands::SortByField(int fieldNo) {
    TTzDbf& t = form_.tzdbf;
    if (!t.Active()) return false;
    const TDbfFieldProps& props = t.FieldProps();
    if (fieldNo < 1 || fieldNo > props.Count()) return false;
    const TDTField& field = props.items[static_cast<std::size_t>(fieldNo - 1)];
    // A field without a name cannot be put into a key expression.
    if (field.name.empty()) return false;
    if (field.type == 'L' || field.type == 'M') {
        Notice(SortRefusedText(field.name));
        return false;
    }
    const std::string key = field.name.substr(0, 10);
    const std::string path = InPrivateFolder(kSortIndexName);
    Busy busy;
    bool ordered = false;
    return Guard([&] {
               // A pending edit is posted before the order changes under it.
               t.Post();
               ChosenDbfRecord = t.RecNo();
               t.IndexOn(key, path);
               if (LastError() != 0) return;
               // The index unit names the file it built in its own letter case.
               t.SetIndexTo(GetShortPath(FindFileNoCase(path + ".ndx")));
               if (LastError() != 0 || !t.SelectForOperation("SetIndexTo")) return;
               ordered = CurrentOrder() != 0;
               t.Go(ChosenDbfRecord);
           }) &&
           ordered;
}

bool TableEditorCommands::Search() {
    const std::uint16_t savedHelp = currentHelpNumber;
    SetHelpNumber(kSearchHelpNumber);
    std::string text = searchText;
    InputText("Suchbegriff eingeben", kSearchTextLength, text);
    SetHelpNumber(savedHelp);
    if (cancelFlag) {
        cancelFlag = false;
        return false;
    }
    searchText = text;
    return SearchFor(searchText, true);
}

bool TableEditorCommands::SearchNext() { return SearchFor(searchText, false); }

bool TableEditorCommands::SearchFor(const std::string& text, bool fromTop) {
    TTzDbf& t = form_.tzdbf;
    if (!t.Active()) return false;
    std::uint8_t fieldNo = 0;
    {
        Busy busy;
        if (!Guard([&] { t.Post(); })) return false;
        // The typed text is the program's code page 850; the engine searches
        // its records as Windows-1252 texts (an OEM table's records are
        // converted as they are read), whatever the table's code page.
        const std::string value = OemToAnsiStr(text);
        Guard([&] { t.Search(value, fieldNo, fromTop); });
        if (fieldNo == 0) {
            // Numbers are stored with a point; a comma typed as the decimal
            // sign finds them on the second attempt.
            std::string withPoints = value;
            ReplaceChar(',', '.', withPoints);
            if (withPoints != value) Guard([&] { t.Search(withPoints, fieldNo, fromTop); });
        }
    }
    if (fieldNo == 0) {
        Notice(text + " " + "nicht gefunden");
        return false;
    }
    return true;
}

bool TableEditorCommands::Pack() {
    TTzDbf& t = form_.tzdbf;
    if (!t.Active()) return false;
    if (Ui().Ask("", "Pack ?", AskButtons::YesNoCancel, MessageKind::Confirmation) != Answer::Yes)
        return false;
    Busy busy;
    const int32_t before = t.RecCount();
    bool packed = false;
    const bool ok = Guard([&] {
        t.Post();
        packed = t.Pack();
    });
    // A pack that reports an error after it removed records (its memo file
    // or an index failed) has changed the table all the same.
    return (ok && packed) || (t.Active() && t.RecCount() != before);
}

bool TableEditorCommands::AppendUnderLock(bool fileLock, const std::function<void()>& step) {
    TTzDbf& t = form_.tzdbf;
    if (!t.Active()) return false;
    const int32_t before = t.RecCount();
    const bool ok = UnderLock(fileLock, step);
    // An append that reports an error may have appended records before it
    // (the whole records of a damaged source): they are shown as after an
    // append without error.
    return ok || (t.Active() && t.RecCount() > before);
}

bool TableEditorCommands::AppendCopy() {
    return AppendUnderLock(false, [&] { form_.tzdbf.AppendRec(); });
}

bool TableEditorCommands::AppendDbfFrom(const std::string& path) {
    return AppendUnderLock(true, [&] { form_.tzdbf.AppendFrom(path); });
}

bool TableEditorCommands::AppendDelimitedFrom(const std::string& path) {
    return AppendUnderLock(true, [&] { form_.tzdbf.AppendFromDelimited(path); });
}

bool TableEditorCommands::SaveDelimitedTo(const std::string& path) {
    if (ExportTargetInUse(DefaultExtension(path, "TXT"))) return false;
    return UnderLock(true, [&] { form_.tzdbf.CopyToDelimited(path); });
}

bool TableEditorCommands::AppendDbf() {
    const auto path =
        Ui().OpenFileName("Append dbf", DirPartOf(form_.labelFilename), "*.dbf|*.dbf");
    return path && AppendDbfFrom(*path);
}

bool TableEditorCommands::AppendDelimited() {
    const auto path =
        Ui().OpenFileName("Append Delimited", DirPartOf(form_.labelFilename), "*.txt|*.txt");
    return path && AppendDelimitedFrom(*path);
}

bool TableEditorCommands::SaveAsDelimited() {
    const auto path =
        Ui().SaveFileName("Save As Delimited", PathWithoutExt(form_.labelFilename) + ".txt",
                          "txt|*.txt|All files|*.*");
    if (!path) return false;
    // The engine gives a name without extension its default one: that file
    // is the one written.
    const std::string file = DefaultExtension(*path, "TXT");
    return !ExportTargetInUse(file) && MayWriteChosenFile(file) && SaveDelimitedTo(file);
}

bool TableEditorCommands::ExportHtml() {
    if (!form_.tzdbf.Active()) return false;
    auto path = Ui().SaveFileName("Export HTML", PathWithoutExt(form_.labelFilename) + ".htm",
                                  "HTML files|*.HTM;*.HTML|All files|*.*");
    if (!path) return false;
    // The save dialog's default extension.
    if (path->substr(DirPartOf(*path).size()).find('.') == std::string::npos) *path += ".htm";
    if (ExportTargetInUse(*path) || !MayWriteChosenFile(*path) || !WriteHtml(*path)) return false;
    // The viewer gets the file as one argument: no shell reads the name.
    if (!htmlBrowserPath.empty() && !Ui().StartProgram(htmlBrowserPath, {*path}))
        Ui().ShowMessage("", ShownFileName(htmlBrowserPath) + " not found", MessageKind::Warning);
    return true;
}

bool TableEditorCommands::WriteHtml(const std::string& path) {
    TTzDbf& t = form_.tzdbf;
    if (!t.Active() || ExportTargetInUse(path)) return false;
    // The page lists the stored records: the row's pending edit is posted
    // first, so that the page holds what the grid shows.
    if (!Guard([&] { t.Post(); })) return false;
    const bool oem = t.TableLanguage == tlOem;
    const TDbfFieldProps& props = t.FieldProps();
    TextFile f;
    f.Assign(path);
    f.Rewrite();
    // Every text of the page is Windows-1252: the table's texts as read, the
    // program's own converted from code page 850, the file name from its
    // bytes on disk (UTF-8).
    const std::string shownPath = Utf8ToWin1252(path);
    f.WriteLine("<HTML>");
    // not a text: the name is the page's Windows-1252 already.
    f.WriteLine(
        "<head><meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=windows-1252\"><title>" +
        HtmlValue(BaseNameOf(shownPath), false) + "</title></head>");
    f.WriteLine("<BODY BGCOLOR=\"C0C0C0\">");
    f.WriteLine("<P>" + HtmlValue(productName + "V" + programVersion, true) + "</P>");
    f.WriteLine("<P>" + HtmlValue(UpperAscii(shownPath), false) + "</P>");
    f.WriteLine("<P>" + HtmlValue(TodayText() + " - " + TimeText(), true) + "</P>");
    f.WriteLine("<HR>");
    f.WriteLine("<TABLE BORDER = \"1\" WIDTH= \"100%\">");
    std::string line = "<TR>";
    for (const TDTField& field : props.items)
        line += "<TD><CENTER>" + HtmlValue(field.name, oem) + "</CENTER></TD>";
    f.WriteLine(line + "</TR>");
    // Every record of the file, deleted ones included, in file order.
    const bool read = Guard([&] {
        if (!t.SelectForOperation("Peek")) return;
        const int32_t count = RecCount();
        for (int32_t r = 1; r <= count && f.WriteFailure() == 0; ++r) {
            line = "<TR>";
            for (int n = 1; n <= props.Count(); ++n)
                line += "<TD>" + HtmlValue(t.Peek(static_cast<std::uint8_t>(n), r), oem) + "</TD>";
            f.WriteLine(line + "</TR>");
        }
    });
    f.WriteLine("</TABLE>");
    f.WriteLine("</BODY>");
    f.WriteLine("</HTML>");
    if (!read) {
        f.Discard();
        return false;
    }
    if (f.Close() != 0) {
        Ui().ShowMessage("", ShownFileName(path) + ": " + f.FailureReason(), MessageKind::Error);
        return false;
    }
    return true;
}

void TableEditorCommands::Print(const std::string& windowCaption) {
    if (!form_.tzdbf.Active()) return;
    if (!tableEditorPrintHook) {
        Notice("Drucken ist in diesem Programm nicht eingerichtet.");
        return;
    }
    Guard([&] {
        form_.tzdbf.Post();
        tableEditorPrintHook(form_.tzdbf, windowCaption, form_.title1);
    });
}

bool TableEditorCommands::NamesRecord(const std::string& text) {
    TTzDbf& t = form_.tzdbf;
    const int32_t n = TextToInt(text);
    return t.Active() && n >= 1 && n <= t.RecCount();
}

bool TableEditorCommands::GoTyped(const std::string& text) {
    if (!NamesRecord(text)) return false;
    TTzDbf& t = form_.tzdbf;
    // The row left posts its pending edit, as every other move does.
    return Guard([&] {
        t.Post();
        t.Go(TextToInt(text));
    });
}

void TableEditorCommands::HelpDbfStructure() {
    ShowHelpText(0, "", kHelpTextOnly);
    cancelFlag = false;
}

void TableEditorCommands::HelpCommon() {
    ShowHelpText(kCommonHelpNumber, "", kHelpTextOnly);
    cancelFlag = false;
}

void TableEditorCommands::HelpPicture() {
    ShowHelpText(0, "", kHelpPictureOnly);
    cancelFlag = false;
}

void TableEditorCommands::ShowFileName() { Notice(form_.labelFilename); }

}  // namespace veldrim
