#pragma once
// The calculation message list.
//
// Calculation routines never raise errors and never show message boxes while
// they compute: they collect what they have to say in the one program-wide
// message list, a short list of distinct texts. By convention each text
// begins with a 9-character severity prefix (kFatalPrefix, kErrorPrefix,
// kWarningPrefix); the first 15 characters are the key under which the
// message display finds cause and remedy, so the wording is vocabulary.
//
// The fatal and cancel flags travel with the list; they are program state
// (foundation/program_state.h). A writer of a "Fatal  : " message sets the
// fatal flag itself; AddMessage never touches the flags.
//
// Only AddMessage and ClearMessages change the list. Readers read
// messageList.count and messageList.slot[1..count] directly.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace veldrim {

inline constexpr int kMaxMessages = 12;

inline constexpr std::string_view kFatalPrefix = "Fatal  : ";
inline constexpr std::string_view kErrorPrefix = "Fehler : ";
inline constexpr std::string_view kWarningPrefix = "Warnung: ";

struct MessageList {
    std::uint16_t count = 0;  // 0..12: slots 1..count are the list
    // Slots 1..12 (index 0 unused). Slots above count are not part of the
    // list, whatever they still hold.
    std::array<std::string, kMaxMessages + 1> slot;
};

extern MessageList messageList;

// Adds text to the list unless an equal text (exact, case-sensitive, blanks
// significant) is already in it. A full list drops further texts, except a
// message that begins with "Fatal  : ": it replaces the last entry (unless
// that one is itself fatal), so a stopped calculation always shows why.
void AddMessage(std::string_view text);

// Empties the list and clears the fatal flag and the cancel flag. The slots
// keep their old texts; the hide-warnings flag is not touched.
void ClearMessages();

// The list as at program start: count 0 and all twelve slots empty (tests).
void ResetMessages();

}  // namespace veldrim
