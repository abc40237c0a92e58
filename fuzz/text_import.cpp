// Fuzz target: the delimited text import (APPEND FROM ... DELIMITED) of
// arbitrary bytes into a table with a field of every kind. Lines that do not
// fit are cut or refused; nothing may crash or leave the table unreadable.
#include <cstdint>
#include <string>

#include "tables/bulk/bulk_verbs.h"
#include "fuzz_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    fuzzing::StartTableEngineOnce();
    const std::string& dir = fuzzing::ScratchFolder();
    const std::string target = dir + "/import.dbf", text = dir + "/import.txt";
    if (!fuzzing::WriteInput(text, data, size)) return 0;
    fuzzing::OpenFreshTable(target, {{"NAME", 'C', 12, 0},
                                     {"QTY", 'N', 7, 0},
                                     {"PRICE", 'N', 10, 2},
                                     {"BORN", 'D', 8, 0},
                                     {"OK", 'L', 1, 0},
                                     {"NOTE", 'M', 10, 0}});
    fuzzing::Tolerant([&] { AppendDelimited(text, false); });
    fuzzing::Tolerant([] { CloseArea(); });
    // What was imported reads back.
    fuzzing::Tolerant([&] { USE(target); });
    fuzzing::ReadAllFields();
    fuzzing::Tolerant([] { CloseArea(); });
    fuzzing::ClearTableErrors();
    return 0;
}
