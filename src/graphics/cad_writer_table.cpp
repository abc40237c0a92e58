// The back ends of the CAD output run by CAD-Code, set in this one place.
// An empty entry is an output kind that is not available yet: the begin step
// then refuses the run with a message. The screen entry (3) is always there.
#include "graphics/blocks.h"
#include "graphics/cad_output.h"
#include "graphics/formats/dxf_writer.h"
#include "graphics/formats/iges_writer.h"
#include "graphics/formats/record_writer.h"
#include "graphics/formats/step_writer.h"
#include "graphics/formats/stl_writer.h"

namespace veldrim {

namespace {

struct CadWriterTableDefaults {
    std::array<CadWriterFactory, 8> CadWriterFactories = {
        nullptr,              // 0 ask: resolved by the begin step
        MakeDxfWriter,        // 1 DXF
        MakeIgesWriter,       // 2 IGES
        MakeScreenCadWriter,  // 3 screen check
        MakeDxfWriter,        // 4 DXF for the plot program
        MakeTxtWriter,        // 5 drawing-record text
        MakeStlWriter,        // 6 STL
        MakeStepWriter,       // 7 STEP
    };
    CadBlockInsertFunction CadBlockInserter = CadInsertBlock;
};
constexpr CadWriterTableDefaults kDefaults{};

}  // namespace

std::array<CadWriterFactory, 8> CadWriterFactories = kDefaults.CadWriterFactories;
CadBlockInsertFunction CadBlockInserter = kDefaults.CadBlockInserter;

void ResetCadWriterFactories() {
    CadWriterFactories = kDefaults.CadWriterFactories;
    CadBlockInserter = kDefaults.CadBlockInserter;
}

}  // namespace veldrim
