#pragma once
// The common start of the app tests: the whole program state at its start-up
// values, a scripted UI and a temporary folder.

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "foundation/ui_services.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace veldrim::testing {

class AppFileTest : public ::testing::Test {
protected:
    void SetUp() override { ResetAllProgramState(); }
    void TearDown() override { ResetAllProgramState(); }

    TempDir tmp{"veldrim-app"};
    const std::string dir = tmp.path();
    ScriptedUi ui;
    ScopedUi scope{ui};
};

}  // namespace veldrim::testing
