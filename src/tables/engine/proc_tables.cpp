// Procedure tables between the record layer and the optional units.
#include "tables/engine/proc_tables.h"

namespace veldrim {

TIndexProcTable IndexProcTable;
bool IndexLinked = false;
TMemoProcTable MemoProcTable;
TParserProcTable ParserProcTable;
bool ParserLinked = false;
TVirtualFileProc VirtualFileProc = nullptr;

void ClearIndexAndParserTables() {
    IndexProcTable = TIndexProcTable{};
    IndexLinked = false;
    ParserProcTable = TParserProcTable{};
    ParserLinked = false;
}

void ClearMemoProcTable() { MemoProcTable = TMemoProcTable{}; }

void ResetProcTables() {
    ClearIndexAndParserTables();
    ClearMemoProcTable();
    VirtualFileProc = nullptr;
}

bool HasIndex() { return IndexLinked && IndexProcTable.hasIndex && IndexProcTable.hasIndex(); }

}  // namespace veldrim
