#include "app/app_state.h"

#include <gtest/gtest.h>

#include "app/document_links.h"
#include "calc/data_file.h"
#include "calc/design.h"
#include "calc/hardness.h"
#include "calc/records.h"
#include "drawings/drawing_info.h"
#include "drawings/result_view.h"
#include "foundation/form_placement.h"
#include "foundation/help_texts.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/online_dialog.h"
#include "graphics/cad_output.h"
#include "graphics/diagrams/diagram.h"
#include "graphics/diagrams/hatching.h"
#include "graphics/diagrams/wireframe_3d.h"
#include "graphics/display_list.h"
#include "graphics/formats/hpgl_reader.h"
#include "graphics/graphics_defaults.h"
#include "reports/report_channel.h"
#include "reports/sibling_file.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/locking.h"
#include "tables/engine/work_areas.h"

namespace veldrim {
namespace {

void NoDrawing() {}
void NoBlock(const std::string&, Real, Real, Real, Real, Real) {}

// A run changes state in every library; the one reset brings each of them
// back to the program's start-up values (those of a fresh process: the
// design's defaults, written here by hand).
TEST(ResetAllProgramState, RestoresTheStartUpValuesOfEveryLibrary) {
    ResetAllProgramState();
    // foundation
    languageNumber = 2, cadBatchFlag = archiveModeLockOption = true;
    decimalsSetting = 6, cancelFlag = true;
    AddMessage("left over");
    askBeforeOverwriteFlag = false, currentHelpNumber = 4711;
    screenWidth = 1920, mainWindowGeometry.width = 1000;
    onlineDialog.inputTexts[11] = "85", onlineDialog.lastKey = 40;
    // tables
    FileDateError = 2, WriteThrough = true, FileMode = 66;
    LockingOn = false, DelimitedSeparator = ';', AnsiTables = true, DefaultOpenMode = 18;
    ErrorState.lastErrorCode = 1;
    // calc
    wormGear.flankForm = 3;
    dataFileSections.snapshot = [] { return std::function<void()>(); };
    convertedHardness[2] = 240, hardnessMaterialGroup = 3, designResultView = NoDrawing;
    // graphics
    LastKeyChar = 'z', ZoomFactor = 2.0L, GraphicsTextFont = "Courier", CadLogoMode = 2;
    CadWriterFactories[1] = nullptr, CadBlockInserter = NoBlock;
    DisplayList.push_back("LINE");
    HpglReaderState.penNumber = 4, DiagramUserLimits[2] = 7, DiagramState.markerStep = 3;
    OutlinePointCount = 5, View3DState.edit3DView = 0, View3DState.viewAngles[0] = 1;
    // drawings
    ResultViewDrawer = NoDrawing, drawingInfo.replacedBy = "Z-1";
    // reports
    reportOutputName = "x.txt", textPrinterCommand = "lpr", reportColumnHeads[3] = "unit";
    qub1Defaults.d14 = 0, qub1Defaults.d17 = 3;
    // app
    documentLinks[1].file = "a.pdf";

    ResetAllProgramState();

    EXPECT_EQ(languageNumber, 0);
    EXPECT_FALSE(cadBatchFlag);
    EXPECT_FALSE(archiveModeLockOption);
    EXPECT_EQ(decimalsSetting, 3);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(messageList.count, 0);
    EXPECT_TRUE(askBeforeOverwriteFlag);
    EXPECT_EQ(currentHelpNumber, 0);
    EXPECT_EQ(screenWidth, 1024);
    EXPECT_EQ(mainWindowGeometry.width, 641);
    EXPECT_EQ(mainWindowGeometry.clientHeight, 481);
    EXPECT_EQ(onlineDialog.inputTexts[11], "");
    EXPECT_EQ(onlineDialog.lastKey, 0);

    EXPECT_EQ(FileDateError, 0);
    EXPECT_FALSE(WriteThrough);
    EXPECT_EQ(FileMode, 18);
    EXPECT_TRUE(LockingOn);
    EXPECT_EQ(DelimitedSeparator, ',');
    EXPECT_FALSE(AnsiTables);
    EXPECT_EQ(DefaultOpenMode, 66);
    EXPECT_EQ(ErrorState.lastErrorCode, 0);

    EXPECT_EQ(wormGear.flankForm, 1);  // ZI
    EXPECT_EQ(convertedHardness[2], 0);
    EXPECT_EQ(hardnessMaterialGroup, 0);
    EXPECT_EQ(designResultView, nullptr);
    EXPECT_FALSE(dataFileSections.snapshot);

    EXPECT_EQ(LastKeyChar, 0);
    EXPECT_EQ(ZoomFactor, 1.2L);
    EXPECT_EQ(GraphicsTextFont, "Arial");
    EXPECT_EQ(CadLogoMode, 0);
    EXPECT_NE(CadWriterFactories[1], nullptr);  // DXF is always available
    EXPECT_NE(CadBlockInserter, &NoBlock);
    EXPECT_TRUE(DisplayList.empty());
    EXPECT_EQ(HpglReaderState.penNumber, 1);
    EXPECT_EQ(DiagramUserLimits[2], 1);  // the limits form proposes 0, 0, 1, 1
    EXPECT_EQ(DiagramState.markerStep, 0);
    EXPECT_EQ(OutlinePointCount, 0);
    EXPECT_EQ(View3DState.edit3DView, 1);
    EXPECT_NEAR(static_cast<double>(View3DState.viewAngles[0]), -0.26179938779914941,
                1e-15);  // -15 degrees

    EXPECT_EQ(ResultViewDrawer, nullptr);
    EXPECT_EQ(drawingInfo.replacedBy, "");

    EXPECT_EQ(reportOutputName, "$out.tmp");
    EXPECT_EQ(textPrinterCommand, "lp");
    EXPECT_EQ(reportColumnHeads[3], "Einheit");
    EXPECT_EQ(qub1Defaults.d14, 190.0L);
    EXPECT_EQ(qub1Defaults.d17, 0);

    EXPECT_EQ(documentLinks[1].file, "");
}

}  // namespace
}  // namespace veldrim
