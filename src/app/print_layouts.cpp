// Print layouts in "printout.dbf" through the table access.

#include "app/print_layouts.h"

#include <filesystem>

#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/text_conv.h"
#include "foundation/ui_services.h"
#include "tables/datasets/table_access.h"

namespace veldrim {

namespace {

// The user directory's copy when there is one, else the table of the
// database folder; a layout to be added goes into the user's own copy of an
// installed table.
bool OpenLayouts(bool toChange) {
    const std::string own = FindFileNoCase(InPrivateFolder("printout.dbf"));
    std::error_code ec;
    if (std::filesystem::exists(own, ec)) return OpenDbfFile(own);
    return toChange ? OpenDbfTableForChange("printout") : OpenDbfTable("printout");
}

std::string Text(const char* field) {
    const int n = DbfFieldNumber(field);
    return n > 0 ? GetDbfFieldStr(n) : std::string();
}

}  // namespace

bool LoadPrintLayout(PrintLayout& layout) {
    cancelFlag = false;
    SetDbfTitles("", "Druckeinstellungen");
    if (!OpenLayouts(false)) return false;
    GoDbfRecord(1);
    ShowTableEditor("", 1);
    const bool taken = !cancelFlag && DbfRecNo() > 0;
    if (taken) {
        layout.name = TrimBoth(Text("NAME"));
        layout.xscale = static_cast<double>(TextToFloat(Text("XSCALE")));
        layout.yscale = static_cast<double>(TextToFloat(Text("YSCALE")));
        layout.xorigin = TextToInt(Text("XORIGIN"));
        layout.yorigin = TextToInt(Text("YORIGIN"));
        layout.landscape = GetDbfFieldBool("landscape");
        layout.monochrom = GetDbfFieldBool("monochrom");
        layout.variable = GetDbfFieldBool("variable");
        layout.borderline = GetDbfFieldBool("borderline");
    }
    CloseDbfTable();
    return taken;
}

bool SavePrintLayout(const PrintLayout& layout) {
    cancelFlag = false;
    if (!OpenLayouts(true)) return false;
    const std::optional<std::string> name = Ui().EnterText("", "Name", layout.name.substr(0, 25));
    if (!name) {
        cancelFlag = true;
        CloseDbfTable();
        return false;
    }
    const bool put =
        PutDbfFieldStr("name", name->substr(0, 25)) && PutDbfFieldFloat("xscale", layout.xscale) &&
        PutDbfFieldFloat("yscale", layout.yscale) && PutDbfFieldInt("xorigin", layout.xorigin) &&
        PutDbfFieldInt("yorigin", layout.yorigin) &&
        PutDbfFieldBool("landscape", layout.landscape) &&
        PutDbfFieldBool("monochrom", layout.monochrom) &&
        PutDbfFieldBool("variable", layout.variable) &&
        PutDbfFieldBool("borderline", layout.borderline);
    const bool ok = put && AppendDbfRecord();
    CloseDbfTable();
    if (!ok) cancelFlag = true;
    return ok;
}

}  // namespace veldrim
