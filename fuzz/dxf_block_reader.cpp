// Fuzz target: the DXF block reader on arbitrary bytes. The input becomes the
// block file "$FUZZ.dx$" of a screen run and is inserted once, so nested
// inserts of the block itself run into the nesting limit. The entities go
// to a back end that only counts them.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/blocks.h"
#include "graphics/cad_output.h"
#include "fuzz_support.h"
#include "support/scripted_ui.h"

namespace {

class CountingWriter : public veldrim::CadWriter {
public:
    static std::unique_ptr<veldrim::CadWriter> Make() { return std::make_unique<CountingWriter>(); }
    void Line(veldrim::Real, veldrim::Real, veldrim::Real, veldrim::Real) override { ++count; }
    void Circle(veldrim::Real, veldrim::Real, veldrim::Real) override { ++count; }
    void Arc(veldrim::Real, veldrim::Real, veldrim::Real, veldrim::Real, veldrim::Real,
             veldrim::Real) override {
        ++count;
    }
    void Text(const std::string&, veldrim::Real, veldrim::Real) override { ++count; }
    void Solid(veldrim::Real, veldrim::Real, veldrim::Real, veldrim::Real, veldrim::Real,
               veldrim::Real, veldrim::Real, veldrim::Real) override {
        ++count;
    }
    static inline std::size_t count = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    static ScriptedUi ui;
    SetUi(&ui);
    ui.calls.clear();
    ui.replies.clear();
    ResetMessages();
    cancelFlag = false;
    userDirectory = fuzzing::ScratchFolder();

    fuzzing::WriteInput(fuzzing::ScratchFolder() + "/$FUZZ.dx$", data, size);
    CadWriterFactories[kCadScreen] = &CountingWriter::Make;
    CadBeginOutput(kCadScreen);
    if (!cancelFlag) {
        CadBeginEntities();
        CadInsertBlock("FUZZ", 1, 2, 30, 1.5L, 0.5L);
        cancelFlag = false;
        CadEndOutput();  // also deletes the block file
    }
    ResetCadWriterFactories();
    if (CadOutputState.nestingLevel != 0) __builtin_trap();
    return 0;
}
