// The calculation message list: distinct texts in the order first added, at
// most twelve.

#include "foundation/messages.h"

#include "foundation/program_state.h"

namespace veldrim {

MessageList messageList;

namespace {

bool IsFatal(std::string_view text) { return text.substr(0, kFatalPrefix.size()) == kFatalPrefix; }

}  // namespace

void AddMessage(std::string_view text) {
    for (int i = 1; i <= messageList.count; ++i)
        if (messageList.slot[i] == text) return;
    if (messageList.count < kMaxMessages) {
        ++messageList.count;
        messageList.slot[messageList.count] = std::string(text);
        return;
    }
    // Full list: a fatal message still gets in, in place of the last entry,
    // so that a stopped calculation always shows why. A fatal message that
    // is already last stays.
    if (IsFatal(text) && !IsFatal(messageList.slot[kMaxMessages]))
        messageList.slot[kMaxMessages] = std::string(text);
}

void ClearMessages() {
    messageList.count = 0;
    fatalFlag = false;
    cancelFlag = false;
}

void ResetMessages() { messageList = MessageList{}; }

}  // namespace veldrim
