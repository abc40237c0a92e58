#pragma once
// The table editor's printout: the open table through the report channel,
// as a report table of its first seven fields, one row per record of the
// file (deleted records included, in file order).

#include <string>

namespace veldrim {

class TTzDbf;

void PrintDbfTable(TTzDbf& table, const std::string& windowCaption, const std::string& title1);
// Makes PrintDbfTable the editor's print command (program start-up).
void InstallTableEditorPrint();

}  // namespace veldrim
