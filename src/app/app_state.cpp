// The reset of the whole program's state, library by library.

#include "app/app_state.h"

#include <optional>

#include "app/document_links.h"
#include "calc/cylindrical/cyl_bridge.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/data_file.h"
#include "calc/design.h"
#include "calc/hardness.h"
#include "calc/records.h"
#include "drawings/drawing_info.h"
#include "drawings/result_view.h"
#include "foundation/captions.h"
#include "foundation/form_placement.h"
#include "foundation/help_texts.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/online_dialog.h"
#include "foundation/system_info.h"
#include "foundation/text_file.h"
#include "graphics/blocks.h"
#include "graphics/cad_output.h"
#include "graphics/diagrams/diagram.h"
#include "graphics/diagrams/hatching.h"
#include "graphics/diagrams/wireframe_3d.h"
#include "graphics/display_list.h"
#include "graphics/formats/hpgl_reader.h"
#include "graphics/graphics_defaults.h"
#include "reports/edi_file.h"
#include "reports/report_channel.h"
#include "reports/sibling_file.h"
#include "tables/datasets/table_access.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_files.h"
#include "tables/expr/expr_compiler.h"
#include "tables/expr/expr_fields.h"

namespace veldrim {

namespace {

void ResetFoundation() {
    ResetProgramState();
    ResetMessages();
    ResetMessageBoxes();
    ResetHelpTexts();
    ResetSharedTextFile();
    ResetTextFileHooks();
    ResetFormPlacement();
    ResetOnlineDialog();
    ResetCaptionVocabulary();
    SetFixedNow(std::nullopt);
}

void ResetTables() {
    // The table access closes its table; then every work area is closed
    // and the record layer starts afresh.
    ResetTableAccess();
    ResetTableEngine();
    ResetExpressionParser();
    ResetExprFieldSource();
    ResetEngineFiles();
    ResetDbfFile();
}

void ResetCalc() {
    ResetGearData();
    ResetCylGearRecord();
    ResetCylBridge();
    ResetDataFile();
    ResetHardness();
    ResetDesign();
}

void ResetGraphics() {
    SetGraphicsWindow(nullptr);  // the window the program installs at start-up
    ResetGraphicsDefaults();
    ResetGraphicsWindow();
    ResetZoomKeys();
    ResetCadOutputState();
    ResetCadWriterFactories();
    ResetBlocks();
    ResetHpglReader();
    ResetDiagramModule();
    ResetHatching();
    ResetView3D();
}

void ResetDrawings() {
    ResetDrawingInfo();
    ResetResultView();
}

void ResetReports() {
    ResetReportChannel();
    ResetEdiFile();
    InitQub1Defaults();
}

void ResetApp() { ResetDocumentLinks(); }

}  // namespace

void ResetAllProgramState() {
    ResetFoundation();
    ResetTables();
    ResetCalc();
    ResetGraphics();
    ResetDrawings();
    ResetReports();
    ResetApp();
}

}  // namespace veldrim
