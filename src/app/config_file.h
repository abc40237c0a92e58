#pragma once
// The configuration file (program short name + ".cfg" in the configuration
// folder) and the session file (".cff": the data folder and the recent files).
//
// The configuration file holds label and value line pairs in one fixed order.
// The reader matches each pair by its label, so a file written by an older or
// newer version reads: a missing label keeps its start-up value, an unknown
// label is skipped with its value line.

#include <string>
#include <vector>

namespace veldrim {

std::string ConfigFilePath();
std::string SessionFilePath();

// Reads the configuration file when it exists; false when there is none or
// it cannot be read (the start-up values then stay in force).
bool ReadConfigFile();
// Writes every setting with its label; a failed write keeps the old file and
// sets the cancel flag.
bool WriteConfigFile();

// The labels in the order the writer writes them (tests and the form).
std::vector<std::string> ConfigLabels();

bool ReadSessionFile();
bool WriteSessionFile();
// Puts a data file on top of the recent-files list (no duplicates, four kept).
void AddRecentFile(const std::string& path);

}  // namespace veldrim
