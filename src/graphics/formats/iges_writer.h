#pragma once
// The IGES writer: the back end of CAD-Code 2. It writes the drawing in the
// fixed 80-column ASCII form with the sections Start (S), Global (G),
// Directory Entry (D), Parameter Data (P) and Terminate (T): lines 110,
// arcs and circles 100, notes 212, solids as copious data 106 (form 11),
// blocks as subfigure definitions 308 and insertions as singular subfigure
// instances 408, rotated and scaled ones through a transformation matrix
// 124.
//
// S, G and D records go to the file as they come; the P records are kept in
// memory and appended at the end, followed by the T record with the four
// record counts. Each record carries its section letter and sequence number
// in columns 73 to 80; the P records carry their entity's DE pointer in
// columns 65 to 72 and at most 64 columns of parameters, cut after the last
// delimiter that fits. Names and labels are shortened to their fields.
//
// The block table belongs to one run: an instance of a block that this run
// did not define adds the message "Blockname NAME not found !" and is left
// out.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/real.h"
#include "graphics/cad_output.h"
#include "graphics/formats/dxf_writer.h"

namespace veldrim {

// "5HHELLO": the length, "H", the text.
std::string IgesHollerith(std::string_view text);
// Coordinates: the "Decimals DXF,TXT" decimals, always with a point.
std::string IgesNumber(Real x);

class IgesWriter : public CadWriter {
public:
    // ---- CadWriter -------------------------------------------------------
    bool Create(const std::string& path) override { return stream.Create(path); }
    bool Finish() override { return IgesJoinSections(); }
    void WriteHeader(Real xmin, Real ymin, Real xmax, Real ymax) override;
    void BeginBlock(const std::string& name) override { IgesBeginBlock(name); }
    void EndBlock() override { IgesWriteSubfigure(); }
    void SelectLayer(int layer) override { IgesSelectLayer(layer); }
    void Line(Real x1, Real y1, Real x2, Real y2) override { IgesWriteLine(x1, y1, x2, y2); }
    void Line3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) override {
        IgesWriteLine3D(x1, y1, z1, x2, y2, z2);
    }
    void Circle(Real x, Real y, Real r) override { IgesWriteCircle(x, y, r); }
    void Arc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real sweep) override;
    void Text(const std::string& text, Real x, Real y) override { IgesWriteNote(text, x, y); }
    void Solid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) override {
        IgesWriteCopious(x1, y1, x2, y2, x3, y3, x4, y4);
    }
    void Insert(const std::string& name, Real x, Real y, Real angle, Real scaleX,
                Real scaleY) override {
        IgesWriteInstance(name, x, y, angle, scaleX, scaleY);
    }

    // ---- IGES -------------------------------------------------------------------
    // Resets the writer and its block table; writes the S and G sections.
    void IgesWriteStartGlobal(const std::string& fileName, Real maxCoordinate);
    void IgesWriteLine(Real x1, Real y1, Real x2, Real y2);
    void IgesWriteLine3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2);
    // Counter-clockwise arc about (cx, cy) from (sx, sy) to (ex, ey).
    void IgesWriteArc(Real cx, Real cy, Real sx, Real sy, Real ex, Real ey);
    void IgesWriteCircle(Real x, Real y, Real r);
    void IgesWriteCopious(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4);
    void IgesWriteNote(const std::string& text, Real x, Real y);
    void IgesBeginBlock(const std::string& name);
    void IgesWriteSubfigure();
    void IgesWriteInstance(const std::string& name, Real x, Real y, Real angle, Real scaleX = 1,
                           Real scaleY = 1);
    void IgesSelectLayer(int layer);
    void IgesMoveTo3D(Real x, Real y, Real z);
    void IgesLineTo3D(Real x, Real y, Real z);
    // Appends the P records and the T record and closes the file.
    bool IgesJoinSections();

    CadTextStream stream;

private:
    struct Block {
        std::string name;
        int32_t definition = 0;  // DE pointer of its 308 entity
        int depth = 0;
    };
    // Writes one entity (D and P records); its DE pointer.
    int32_t WriteEntity(int type, const std::vector<std::string>& groups, std::string_view matrix,
                        std::string_view form, std::string_view label, bool member = true);
    void Record(std::string& out, std::string_view text, char letter, int32_t& counter);

    int32_t s_ = 0, g_ = 0, d_ = 0, p_ = 0;
    int level_ = 0;
    int lineFont_ = 1;
    bool inSubfigure_ = false;
    int subfigureDepth_ = 0;
    std::vector<int32_t> members_;
    std::vector<Block> blocks_;
    std::string parameters_;  // the P records, appended at the end
};

std::unique_ptr<CadWriter> MakeIgesWriter();

}  // namespace veldrim
