#pragma once
// The common start of the app tests: the whole program state at its start-up
// values, a scripted UI and a temporary folder.

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/data_file_sections.h"
#include "app/startup.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/records.h"
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

// A gear data set at its defaults, the data file's sections installed, and
// the data and user folders in the temporary folder; no recent files.
class GearSessionTest : public AppFileTest {
protected:
    void SetUp() override {
        AppFileTest::SetUp();
        InitCylGearModule();
        ResetGearData();
        InitProductIdentity();
        InstallDataFileSections();
        dataDirectory = userDirectory = dir;
        recentFilesList = {};
    }
};

}  // namespace veldrim::testing
