#pragma once
// The STL writer: the back end of CAD-Code 6. It turns the plane drawing
// into a triangulated surface: every line becomes a wall over the extrusion
// range of the run (CadOutputState.extrusionZ1..Z2), circles and arcs come
// as chords (walls), a solid gives the four walls of its outline, a text its
// stroke outlines, and the bands of bodies of revolution (bodies.h) become
// cylinder, cone and annulus facets.
//
// Facets are wound counter-clockwise seen from their outside, and each
// stored normal is the normal of its own winding: the wall of a line faces
// to the right of its direction, so a counter-clockwise outline gives
// outward walls and a positive volume. A facet of no area is never written.
// The "STL Dir invers" option exchanges the second and third vertex of every
// facet (and so turns its normal).
//
// All bands of one run share one angular step, taken at the end of the run
// from the largest radius and the chord tolerance, so the bands that meet at
// a circle share its vertices: no T-junctions, no open edges.
//
// ASCII form: "solid NAME", facets of seven lines, "endsolid NAME"; numbers
// in scientific form with nine significant digits (the binary floats
// exactly). Binary form: an 80-byte header, the facet count, 50 bytes per
// facet (twelve little-endian floats, attribute 0), 84 + 50 n bytes in all.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "foundation/real.h"
#include "graphics/cad_output.h"
#include "graphics/formats/dxf_writer.h"

namespace veldrim {

inline constexpr const char* kStlBinaryHeader = "STL binary file created by Veldrim Software";

// The ASCII text of one STL value.
std::string StlNumber(float x);

class StlWriter : public CadWriter {
public:
    explicit StlWriter(std::string solidName = "MYSOLID") : solidName_(std::move(solidName)) {}

    // ---- CadWriter -------------------------------------------------------
    bool Create(const std::string& path) override { return StlOpenFile(path); }
    bool Finish() override { return StlCloseFile(); }
    bool LinesOnly() const override { return true; }
    void Line(Real x1, Real y1, Real x2, Real y2) override { StlExtrudeSegment(x1, y1, x2, y2); }
    void Circle(Real, Real, Real) override {}  // comes as chords (LinesOnly)
    void Arc(Real, Real, Real, Real, Real, Real) override {}
    void Text(const std::string& text, Real x, Real y) override;
    void Solid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) override {
        StlExtrudeQuad(x1, y1, x2, y2, x3, y3, x4, y4);
    }
    bool Ring(Real x, Real y, Real r1, Real r2, bool reverse) override {
        StlRing(r1, r2, x, y, reverse);
        return true;
    }

    // ---- STL ------------------------------------------------------------------
    // Empty name: false. The file format is the run's STL file type (0 binary,
    // 1 ASCII; other values binary).
    bool StlOpenFile(const std::string& path);
    // A facet with the normal of its winding; none when it has no area.
    void StlWriteFacet(const std::array<Real, 3>& v1, const std::array<Real, 3>& v2,
                       const std::array<Real, 3>& v3);
    // The wall of a line over the extrusion range, facing right of P1->P2.
    void StlExtrudeLine(Real x1, Real y1, Real x2, Real y2);
    void StlExtrudeSegment(Real x1, Real y1, Real x2, Real y2) { StlExtrudeLine(x1, y1, x2, y2); }
    // The four walls of a solid's outline (DXF corner order), facing out.
    void StlExtrudeQuad(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4);
    // A band of revolution about (cx, cy): r1 at the bottom, r2 at the top of
    // the extrusion range (see CadWriter::Ring). Written at the end of the run.
    void StlRing(Real r1, Real r2, Real cx, Real cy, bool reverse);
    // Stroke text at (x, y) in the run's text style.
    void StlText(const std::string& text, Real x, Real y);
    // Writes the bands, the rest of the file and closes it; false on a fault.
    bool StlCloseFile();

    std::size_t FacetCount() const { return facetCount_; }
    CadTextStream stream;

private:
    struct Band {
        Real cx, cy, r1, r2, zA, zB;
        bool reverse;
    };
    void PutFacet(const std::array<float, 12>& f);
    void WriteBands();

    std::string solidName_;
    bool ascii_ = false;
    std::size_t facetCount_ = 0;
    std::vector<Band> bands_;
    std::string binary_;  // facet records of the binary form, written at the end
};

std::unique_ptr<CadWriter> MakeStlWriter();

}  // namespace veldrim
