#pragma once
// The STEP writer: the back end of CAD-Code 7. It writes one drawing as an
// ISO 10303-21 file of the schema AUTOMOTIVE_DESIGN: a fixed product header
// of the assembly (#1..#24), the part's shape representation (#25), one
// wireframe curve set of one trimmed line per drawn line, and a closing
// block with the part, its placement, its representation context and its
// presentation style.
//
// STEP entities refer forward (the shape representation lists every curve
// set and names the context written last), so the run draws its ENTITIES
// section twice: the first pass only numbers the entities, the second
// writes them with the references the first pass found. Everything drawn
// must therefore be the same in both passes. Circles and arcs arrive as
// chords (LinesOnly); lines of no length are skipped in both passes.
//
// Numbers: six significant digits in exponent form with a three-digit
// exponent (1.50000E+001), always with a point. Strings follow ISO 10303-21:
// ' and \ doubled, every other character outside printable ASCII written
// in a \X2\hhhh...\X0\ run (\X4\ with eight digits beyond the basic plane).
// The program's texts are code page 850; the file name of the header and
// the part name come from the file system's UTF-8 with every letter.

#include <memory>
#include <string>
#include <string_view>

#include "foundation/real.h"
#include "graphics/cad_output.h"
#include "graphics/formats/dxf_writer.h"

namespace veldrim {

std::string StepNumberText(Real x);
std::string StepEntityRef(int32_t n);
// An ISO 10303-21 string literal with its quotes, of a code page 850 text.
std::string StepString(std::string_view cp850);
// The same of a file name as the file system holds it (UTF-8): every letter
// of the name, also those code page 850 lacks.
std::string StepFileNameString(std::string_view name);
// The output file name without folder and extension, as the file system
// holds it (UTF-8); StepFileNameString makes it the part's name.
std::string StepPartName(const std::string& fileName);

class StepWriter : public CadWriter {
public:
    // ---- CadWriter -------------------------------------------------------
    bool Create(const std::string& path) override { return stream.Create(path); }
    bool Finish() override { return StepWriteTrailer(); }
    void WriteHeader(Real, Real, Real, Real) override { StepWriteHeader(); }
    void BeginEntities() override { StepBeginData(); }
    bool PassComplete() override { return StepNextPass(); }
    bool LinesOnly() const override { return true; }
    void Line(Real x1, Real y1, Real x2, Real y2) override { StepWriteLine(x1, y1, x2, y2); }
    void Line3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) override {
        StepWriteLine3D(x1, y1, z1, x2, y2, z2);
    }
    void Circle(Real, Real, Real) override {}  // comes as chords
    void Arc(Real, Real, Real, Real, Real, Real) override {}
    void Text(const std::string&, Real, Real) override {}
    void Solid(Real, Real, Real, Real, Real, Real, Real, Real) override {}

    // ---- STEP -----------------------------------------------------------------
    void StepWriteHeader();
    void StepBeginData();
    void StepWriteLine(Real x1, Real y1, Real x2, Real y2);
    void StepWriteLine3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2);
    void StepMoveTo3D(Real x, Real y, Real z);
    void StepLineTo3D(Real x, Real y, Real z);
    // The old write flag; afterwards the writing pass runs.
    bool StepNextPass();
    // Closing block, trailer; closes the file. False when the file failed.
    bool StepWriteTrailer();

    CadTextStream stream;

private:
    void StepWriteEntity(std::string_view text);
    void StepWriteDataLine(std::string_view text);
    void StepWriteProduct();
    void StepWriteShapeRepresentation();
    void StepWriteContext();
    void WriteCurve(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2, bool flat);
    // The entity `offset` numbers after the last one numbered: inside the
    // text of the entity being written, Ref(1) is that entity itself.
    std::string Ref(int32_t offset) const { return StepEntityRef(counter_ + offset); }

    int32_t counter_ = 0;
    int32_t contextNumber_ = 0;
    int32_t curveCount_ = 0;
    bool writing_ = false;
    bool dataBegun_ = false;
    std::string curveList_;
};

std::unique_ptr<CadWriter> MakeStepWriter();

}  // namespace veldrim
