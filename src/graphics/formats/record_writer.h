#pragma once
// The drawing-record text writer: the back end of CAD-Code 5. It writes the
// drawing as plain text, one record per line: a keyword, then the values
// separated by TAB characters, for programs that want the geometry without
// a CAD format. It follows the DXF writer entity for entity, in the same
// calling order, but writes no tables and no layer names.
//
//   MINMAX  xmin ymin xmax ymax            when the drawing begins
//   SECTION BLOCKS
//     BLOCK name  ..records..  END OF BLOCK
//   SECTION ENTITIES
//     LINE x1 y1 x2 y2 | 3D_LINE x1 y1 z1 x2 y2 z2 | CIRCLE x y r
//     ARC x y r start end | TEXT x y text | SOLID x1 y1 .. x4 y4
//     INSERT name x y angle xscale yscale
//   EOF
//
// Every number is fixed-point with the "Decimals DXF,TXT" decimals, at least
// three characters wide, with ',' for '.' when the decimal separator option
// is 2. Arcs are counter-clockwise from start to end (a clockwise arc comes
// with its ends exchanged). Lines end with CR LF.

#include <memory>
#include <string>

#include "foundation/real.h"
#include "graphics/cad_output.h"
#include "graphics/formats/dxf_writer.h"

namespace veldrim {

// The text of one record value.
std::string TxtNumberText(Real x);

// Sets CadOutputState.currentLayerName by the rule of DxfSelectLayer; no
// record carries it.
void TxtSelectLayer(int layer);

class TxtWriter : public CadWriter {
public:
    // ---- CadWriter -------------------------------------------------------
    bool Create(const std::string& path) override { return stream.Create(path); }
    bool CreateScratch(const std::string& path) override { return stream.CreateExclusive(path); }
    bool Finish() override { return TxtWriteEof(); }
    void WriteHeader(Real xmin, Real ymin, Real xmax, Real ymax) override {
        TxtWriteMinMax(xmin, ymin, xmax, ymax);
    }
    void BeginBlocks() override { TxtBeginBlocks(); }
    void BeginBlock(const std::string& name) override { TxtWriteBlock(name); }
    void EndBlock() override { TxtWriteEndBlock(); }
    void BeginEntities() override { TxtBeginEntities(); }
    void SelectLayer(int layer) override { TxtSelectLayer(layer); }
    void Line(Real x1, Real y1, Real x2, Real y2) override { TxtWriteLine(x1, y1, x2, y2); }
    void Line3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) override {
        TxtWriteLine3D(x1, y1, z1, x2, y2, z2);
    }
    void Circle(Real x, Real y, Real r) override { TxtWriteCircle(x, y, r); }
    void Arc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real sweep) override {
        TxtWriteArc(x, y, startAngle, endAngle, r, sweep);
    }
    void Text(const std::string& text, Real x, Real y) override { TxtWriteText(text, x, y); }
    void Solid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) override {
        TxtWriteSolid(x1, y1, x2, y2, x3, y3, x4, y4);
    }
    void Insert(const std::string& name, Real x, Real y, Real angle, Real scaleX,
                Real scaleY) override {
        TxtWriteInsert(name, x, y, angle, scaleX, scaleY);
    }

    // ---- Records -------------------------------------------------------------
    void TxtWriteMinMax(Real xmin, Real ymin, Real xmax, Real ymax);
    void TxtBeginBlocks();
    void TxtWriteBlock(const std::string& name);
    void TxtWriteEndBlock();
    void TxtBeginEntities();
    void TxtWriteLine(Real x1, Real y1, Real x2, Real y2);
    void TxtWriteLine3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2);
    void TxtWriteCircle(Real x, Real y, Real r);
    // A full circle (start = end, or 0 and 360 within 1E-5 either way) is a
    // CIRCLE record. A negative sweep marks a clockwise arc, written with its
    // ends exchanged so that every ARC record runs counter-clockwise.
    void TxtWriteArc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real sweep = 0);
    void TxtWriteText(const std::string& text, Real x, Real y);
    void TxtWriteSolid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4);
    void TxtWriteInsert(const std::string& name, Real x, Real y, Real angle, Real scaleX,
                        Real scaleY);
    // Writes "EOF" and closes the stream; false when the file failed.
    bool TxtWriteEof();
    void TxtMoveTo3D(Real x, Real y, Real z);
    void TxtLineTo3D(Real x, Real y, Real z);

    CadTextStream stream;

private:
    void Record(std::string_view keyword, std::initializer_list<Real> values);
};

std::unique_ptr<CadWriter> MakeTxtWriter();

}  // namespace veldrim
