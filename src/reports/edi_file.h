#pragma once
// The data-exchange file ("EDI"): the main inputs and results of a worm gear
// set as numbered keys, one value per line, for other programs. The reader is
// the exact inverse of the writer.

#include <string>
#include <vector>

namespace veldrim {

// Writes the file; an empty name asks for one (at most 8 characters) and
// puts it into the EDI folder. A refused name or a failed write sets the
// cancel flag.
void WriteEdiFile(std::string name);
// File > Export: asks for the name, then writes.
void ExportEdi();
// The save dialog for ".edi" files; cancel flag and an empty name on cancel.
void ChooseEdiFileName(std::string& name);
// EDI folder + name + ".EDI".
std::string EdiFileName(const std::string& name);

// One item line each: key as 4 digits, two blanks, the value.
void WriteEdiText(int key, const std::string& s);
void WriteEdiInt(int key, long n);
void WriteEdiReal(int key, long double x);
void WriteEdiComment(const std::string& s);

// Reads a file of this form into the data set. Keys 3000..3016 (the writing
// program's identity, date, time and file name) are skipped; a value that does
// not convert leaves its field unchanged and is counted. A worm mean diameter
// (key 3170) sets dm1/a from it and the centre distance, so that the
// calculation keeps that worm. False, with the
// cancel flag set, when the file cannot be read.
bool ReadEdiFile(const std::string& name);
// True when the file is a data-exchange file: key lines ("NNNN  value"), at
// least one of them with a key of the table (3000..3212), comment lines and
// empty lines, nothing else. Otherwise reason says why ("is empty", ...).
bool CheckEdiFile(const std::string& name, std::string& reason);
// Values of the last read that did not convert ("key: line").
const std::vector<std::string>& EdiReadProblems();
// Forgets the problems of the last read (start-up state).
void ResetEdiFile();

}  // namespace veldrim
