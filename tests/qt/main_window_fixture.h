#pragma once
// The fixture of the main window's tests: the program's start-up state with
// the calculated start-up data set, a temporary folder as the data and user
// directory, and the main window as the graphics window.

#include <memory>

#include "app/data_file_sections.h"
#include "app/main_commands.h"
#include "app/qt/main_window.h"
#include "app/startup.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "foundation/program_state.h"
#include "graphics/cad_output.h"
#include "qt/qt_test_support.h"
#include "support/test_files.h"

namespace veldrim::test {

class MainWindowFixture : public QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        InitCylGearModule();
        ResetGearData();
        InitProductIdentity();
        InstallDataFileSections();
        userDirectory = dataDirectory = dir.path();
        helpDirectory = VELDRIM_DATA_DIR;
        CadOutputState.execFlag = 0;  // no viewer is started on written files
        RunCalculation();
        window = std::make_unique<Thh>();
        SetGraphicsWindow(window.get());
        // As the program's window starts: its default view is the result view.
        InstallDefaultResultView();
    }
    void TearDown() override {
        SetGraphicsWindow(nullptr);
        window.reset();
        DeleteTextViewers();
        QtFixture::TearDown();
    }
    veldrim::testing::TempDir dir{"veldrim-window"};
    std::unique_ptr<Thh> window;
};

}  // namespace veldrim::test
