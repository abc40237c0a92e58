#pragma once
// The common start of the app tests: program state, message list, shared text
// file and message boxes at their defaults, a scripted UI and a temporary
// folder.

#include <gtest/gtest.h>

#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "support/test_files.h"

namespace veldrim::testing {

class AppFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetMessages();
        ResetSharedTextFile();
        ResetMessageBoxes();
        ResetTextFileHooks();
    }
    void TearDown() override { ResetSharedTextFile(); }

    TempDir tmp{"veldrim-app"};
    const std::string dir = tmp.path();
    ScriptedUi ui;
    ScopedUi scope{ui};
};

}  // namespace veldrim::testing
