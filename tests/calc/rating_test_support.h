#pragma once
// Shared set-up of the worm gear rating tests: the default data set, a clean
// message list, and readers of the messages of the last run.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "calc/cyl_record.h"
#include "calc/records.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim::ratingtest {

class RatingTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetAll(); }
    static void ResetAll() {
        ResetGearData();
        ResetCylGearRecord();
        ResetMessages();
        ClearMessages();
        hideWarningsFlag = false;
    }
    static std::string Messages() {
        std::string all;
        for (int i = 1; i <= messageList.count; ++i) all += messageList.slot[i] + "\n";
        return all;
    }
    static bool HasMessage(std::string_view text) {
        for (int i = 1; i <= messageList.count; ++i)
            if (messageList.slot[i] == text) return true;
        return false;
    }
    static int CountPrefix(std::string_view prefix) {
        int n = 0;
        for (int i = 1; i <= messageList.count; ++i)
            if (messageList.slot[i].rfind(prefix, 0) == 0) ++n;
        return n;
    }
};

}  // namespace veldrim::ratingtest
