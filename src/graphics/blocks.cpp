// Blocks and inserts: dispatch of block definitions and insertions by the
// CAD-Code of the run (see blocks.h).

#include "graphics/blocks.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "graphics/cad_output.h"
#include "graphics/formats/dxf_block_reader.h"

namespace veldrim {

namespace {

// Screen, STL and STEP output keep their blocks in block files.
bool UsesBlockFiles(uint16_t code) {
    return code == kCadScreen || code == kCadStl || code == kCadStep;
}

struct BlockDefaults {
    std::string_view currentBlockName = "";
    bool definitionOpen = false;
};
constexpr BlockDefaults kDefaults{};

// The name of the block being defined (for its block file).
std::string currentBlockName{kDefaults.currentBlockName};
// Set while the run's own file holds an open block definition (BLOCK or
// "BLOCK" record written), so that its end is written whatever happens in
// between: a definition without its end would corrupt the exchange file.
bool definitionOpen = kDefaults.definitionOpen;

}  // namespace

void ResetBlocks() {
    currentBlockName = kDefaults.currentBlockName;
    definitionOpen = kDefaults.definitionOpen;
}

void CadBeginBlock(const std::string& name) {
    definitionOpen = false;
    if (cancelFlag) return;
    const uint16_t code = CadOutputState.cadCode;
    currentBlockName = name;
    if (UsesBlockFiles(code)) {
        if (!CadOpenBlockFile(name)) {
            ShowErrorIfEnabled(SaveFailureText(CadBlockFilePath(name), errno));
            cancelFlag = true;
        }
        return;
    }
    if (CadWriter* w = CadRunWriter()) {
        w->BeginBlock(name);
        definitionOpen = true;
    }
}

void CadEndBlock() {
    const uint16_t code = CadOutputState.cadCode;
    if (definitionOpen) {
        definitionOpen = false;
        if (CadWriter* w = CadRunWriter()) w->EndBlock();
    }
    if (cancelFlag) {
        // A block that failed is forgotten; its file, if any, is not kept
        // open into the rest of the run.
        cancelFlag = false;
        if (CadBlockFileWriter() != nullptr) {
            CadCloseBlockFile();
            std::error_code ec;
            std::filesystem::remove(CadBlockFilePath(currentBlockName), ec);
        }
        return;
    }
    if (UsesBlockFiles(code)) {
        if (CadBlockFileWriter() != nullptr && !CadCloseBlockFile()) {
            // A block file that could not be written completely is removed,
            // so that inserting it reports the missing block instead of
            // drawing a part of it.
            ShowErrorIfEnabled("Fehler beim Schließen einer Datei"_cp850);
            std::error_code ec;
            std::filesystem::remove(CadBlockFilePath(currentBlockName), ec);
        }
    }
}

void CadInsertBlock(const std::string& name, Real x, Real y, Real angle, Real xScale, Real yScale) {
    CadOutputRecord& s = CadOutputState;
    if (!UsesBlockFiles(s.cadCode)) {
        if (CadWriter* w = CadRunWriter()) w->Insert(name, x, y, angle, xScale, yScale);
        return;
    }
    if (s.inBlockFlag) {
        // A nested insert: resolved when the outer block is read back.
        if (CadWriter* w = CadBlockFileWriter()) w->Insert(name, x, y, angle, xScale, yScale);
        return;
    }
    DxfResetInsertion();
    // The block's entities carry the origin of their definition already, and
    // the insertion point is taken as given, as in a DXF file: the origin
    // offset of the moment is not added a second time while replaying.
    const Real originX = s.originX, originY = s.originY;
    s.originX = s.originY = 0;
    DxfReadFile(name, x, y, angle, xScale, yScale);
    s.originX = originX;
    s.originY = originY;
}

void CadInsertBlockOffset(const std::string& name, Real x, Real y, Real angle, Real xScale,
                          Real yScale) {
    CadInsertBlock(name, x + CadOutputState.originX, y + CadOutputState.originY, angle, xScale,
                   yScale);
}

}  // namespace veldrim
