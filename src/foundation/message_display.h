#pragma once
// Display of calculation messages with cause and remedy.
//
// After a calculation the program shows either a short success notice or the
// list of collected messages (the message list), from which the user opens the
// explanation of each message: its cause and remedy, read from the message
// text file. The user may edit cause and remedy; SaveMessageHelp writes them
// back. The report writer and the online input dialog read cause and remedy
// without a window.
//
// Message text file: help directory + program short name + ".err", code page
// 850, one line per record. Edited explanations go into the user's copy of
// it in the user data folder, which is read in place of the installed file
// once it exists; the installed file is never written, unless the program was
// installed into the user data folder itself, where the two are one file.
//
//   | line     | content                                                  |
//   |----------|----------------------------------------------------------|
//   | key line | begins with the first 15 characters of the message text |
//   | next     | cause ("Ursache")                                        |
//   | after    | remedy ("Abhilfe")                                       |
//
// Lines between records are free text. The first line (counting every line)
// whose first 15 characters equal the message's first 15 characters is the
// key line; a key line that is the last line of the file counts as missing.
// Readers and the writer use the same key.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veldrim {

// Length of the key by which a message finds its record.
inline constexpr std::size_t kMessageKeyLength = 15;

// The message text file: the user's copy when it exists, else the installed
// file of the help directory (program short name, ".err"); both found
// ignoring letter case when they exist.
std::string MessageTextFileName();
std::string InstalledMessageTextFileName();
// The user's copy in the user data folder; empty while that folder is unset.
std::string UserMessageTextFileName();

// Cause and remedy of a message as the message text file holds them.
struct MessageHelpEntry {
    std::string cause;
    std::string remedy;
    bool hasRemedy = false;   // the remedy line exists (the file did not end)
    bool unreadable = false;  // a read of the file failed: cause says so
};
// Looks the message up in the file. Nothing when the file cannot be opened or
// holds no record for the message; a read that fails on the way gives an
// entry marked unreadable.
std::optional<MessageHelpEntry> FindMessageHelp(const std::string& fileName,
                                                std::string_view message);

// The summary after a calculation: a success notice, or the message list
// with the explanations. Nothing under "/NOGUI".
void ShowCalculationMessages();
// The explanation of message k (1..count).
void ShowMessageHelp(int k);
// Shows message, cause and remedy; saves edited texts when the user agrees.
void ShowMessageHelpForm(const std::string& message, const std::string& cause,
                         const std::string& remedy);
// Cause and remedy of message k; empty texts when the file or the message is
// missing. A message without a record in the file has the cause "keine
// Beschreibung dieser Fehlermeldung vorhanden." and an empty remedy.
void GetMessageCause(int k, std::string& text);
void GetMessageRemedy(int k, std::string& text);
// Writes an edited cause and remedy of the message into the user's copy of
// the message text file, made from the file in force (through a temporary
// file, so a failure keeps the old copy).
void SaveMessageHelp(const std::string& message, const std::string& cause,
                     const std::string& remedy);

}  // namespace veldrim
