#pragma once
// The DXF writer: the back end of CAD-Codes 1 (DXF exchange file) and 4 (DXF
// for the external plot program), and the writer of the temporary block files
// ("$" + block name + ".dx$") of screen, STL and STEP runs, which the block
// reader (dxf_block_reader.h) replays.
//
// It writes the classic ASCII group-code form: a line with the group code,
// right-aligned in three columns, then a line with the value. Lines end with
// CR LF. Layout of one exchange file, in the order the CAD output run calls
// the writer:
//
//   HEADER    $DWGCODEPAGE (ANSI_850 for the CAD text character set 1,
//             else ANSI_1252) $EXTMIN $EXTMAX $LIMMIN $LIMMAX $LTSCALE
//                                                          DxfWriteHeader
//   TABLES    LTYPE (3 entries), LAYER (by layer set), STYLE DxfWriteTables
//   BLOCKS    BLOCK .. entities .. ENDBLK per block        DxfBeginBlocks ..
//   ENTITIES  the entities                                 DxfBeginEntities ..
//   EOF                                                    DxfWriteEof
//
// A block file holds only entities and the closing EOF.
//
// Number texts never depend on the C locale. Coordinates, radii and text
// heights (number format N) take the "Decimals DXF,TXT" setting of the run
// (CadOutputState.cadDecimals); angles, scales, bulges and width factors take
// the fixed precision kDxfFixedDecimals, so an exchange file does not lose
// its arcs or rotations when the user lowers the decimals.
//
// Arcs are always written counter-clockwise without an extrusion direction:
// a lone group 230 is the entity's normal, and a reader that honours it
// mirrors the arc. A clockwise arc is written with its ends exchanged.
//
// The writer keeps no state of its own beyond its output stream and the 3D
// current point of CadOutputState; the current layer name lives there too.

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "foundation/real.h"
#include "graphics/cad_output.h"
#include "graphics/dxf_groups.h"

namespace veldrim {

// Decimals of DXF angles, scales, bulges and width factors.
inline constexpr int kDxfFixedDecimals = 8;
// The decimals used when the "Decimals DXF,TXT" setting is outside 1..32.
inline constexpr int kCadDefaultDecimals = 6;

// The output stream of one writer: bytes collected in a buffer and written
// to the writer's own file in large pieces. Without Create the stream stays
// in memory (tests, benchmarks); MemoryText() then holds everything written.
class CadTextStream {
public:
    CadTextStream() = default;
    ~CadTextStream();
    CadTextStream(const CadTextStream&) = delete;
    CadTextStream& operator=(const CadTextStream&) = delete;

    // Starts a save of the file: the text goes to a temporary file beside it
    // (beside the target of a symbolic link), which Close renames over it;
    // false when it cannot be created.
    bool Create(const std::string& path);
    // Creates a new scratch file exclusively, never through a link: an
    // existing name is refused. Written in place.
    bool CreateExclusive(const std::string& path);
    // Flushes and closes; a save replaces its target only now. False when any
    // write, the close or the rename failed (the old file then stays). A
    // memory stream keeps its text.
    bool Close();

    void Put(std::string_view s) {
        buffer_.append(s);
        if (fd_ >= 0 && buffer_.size() >= kFlushSize) Flush();
    }
    void PutLine(std::string_view s) {
        buffer_.append(s);
        buffer_.append("\r\n", 2);
        if (fd_ >= 0 && buffer_.size() >= kFlushSize) Flush();
    }
    // The buffer itself, for writers that format numbers in place; call
    // Written() after appending.
    std::string& Buffer() { return buffer_; }
    void Written() {
        if (fd_ >= 0 && buffer_.size() >= kFlushSize) Flush();
    }

    bool IsFile() const { return fd_ >= 0; }
    bool Failed() const { return failed_; }
    const std::string& MemoryText() const { return buffer_; }

private:
    static constexpr std::size_t kFlushSize = 1 << 16;
    void Flush();
    // Closes an unfinished file; the temporary file of a save is removed.
    void Abandon();

    int fd_ = -1;
    std::string target_;    // the file a save replaces
    std::string tempName_;  // empty for a scratch file written in place
    std::string buffer_;
    bool failed_ = false;
};

// The decimals of number format N: the "Decimals DXF,TXT" setting, or 6 when
// it lies outside 1..32.
int CadDecimals();

// Fixed-point text of x with `decimals` decimals and a point, appended to
// out. Negative zero is written as zero; inf and NaN (never a drawing value)
// are written as 0 so that the file stays readable.
void AppendFixedPoint(std::string& out, Real x, int decimals);
std::string FixedPointText(Real x, int decimals);

// The DXF bulge of an arc segment of the given included angle (radians).
Real BulgeFromAngle(Real angle);

// The layer name of layer n: with layer colour mode 0, "0" for layer 0 and
// the CadLayerTable name for layers 1..5; otherwise the decimal number.
std::string CadLayerName(int n);
// Sets CadOutputState.currentLayerName by CadLayerName.
void DxfSelectLayer(int n);

class DxfWriter : public CadWriter {
public:
    // ---- CadWriter -------------------------------------------------------
    bool Create(const std::string& path) override { return stream.Create(path); }
    bool CreateScratch(const std::string& path) override { return stream.CreateExclusive(path); }
    bool Finish() override { return DxfWriteEof(); }
    void WriteHeader(Real xmin, Real ymin, Real xmax, Real ymax) override {
        DxfWriteHeader(xmin, ymin, xmax, ymax);
    }
    void WriteTables(int layerSet) override { DxfWriteTables(layerSet); }
    void BeginBlocks() override { DxfBeginBlocks(); }
    void BeginBlock(const std::string& name) override { DxfWriteBlock(name); }
    void EndBlock() override { DxfWriteEndBlk(); }
    void EndSection() override { DxfWriteEndSec(); }
    void BeginEntities() override { DxfBeginEntities(); }
    void SelectLayer(int layer) override { DxfSelectLayer(layer); }
    void Line(Real x1, Real y1, Real x2, Real y2) override { DxfWriteLine(x1, y1, x2, y2); }
    void Line3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) override {
        DxfWriteLine3D(x1, y1, z1, x2, y2, z2);
    }
    void Circle(Real x, Real y, Real r) override { DxfWriteCircle(x, y, r); }
    void Arc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real sweep) override {
        (void)sweep;
        DxfWriteArc(x, y, startAngle, endAngle, r, 0);
    }
    void Text(const std::string& text, Real x, Real y) override { DxfWriteText(text, x, y); }
    void Solid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) override {
        DxfWriteSolid(x1, y1, x2, y2, x3, y3, x4, y4);
    }
    void Insert(const std::string& name, Real x, Real y, Real angle, Real scaleX,
                Real scaleY) override {
        DxfWriteInsert(name, x, y, angle, scaleX, scaleY);
    }
    void BeginPolyline(uint8_t flags) override { DxfWritePolyline(flags); }
    void Vertex(Real x, Real y, Real bulge) override { DxfWriteVertex(x, y, bulge); }
    void EndPolyline() override { DxfWriteSeqend(); }

    // ---- Group lines -------------------------------------------------------
    void DxfWriteCode(int code);
    void DxfWriteValue(std::string_view text);
    void DxfWriteNumber(Real x);  // number format N
    void DxfWriteFixed(Real x);   // angles, scales, bulges, width factors
    void DxfWriteInt(std::int64_t n);

    // ---- Sections -----------------------------------------------------------
    void DxfWriteHeader(Real xmin, Real ymin, Real xmax, Real ymax);
    // layerSet 0: six named layers; 1: layers "0".."15"; 2: the six named
    // layers and the pen layers "16".."31".
    void DxfWriteTables(int layerSet);
    void DxfBeginBlocks();
    void DxfWriteBlock(const std::string& name);
    void DxfWriteEndBlk();
    void DxfWriteEndSec();
    void DxfBeginEntities();
    // Writes EOF and closes the stream; false when the file failed.
    bool DxfWriteEof();

    // ---- Entities -------------------------------------------------------------
    void DxfWriteLine(Real x1, Real y1, Real x2, Real y2);
    void DxfWriteLine3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2);
    void DxfWriteCircle(Real x, Real y, Real r);
    // Counter-clockwise from start to end angle (degrees). A negative
    // extrusion z marks a clockwise arc: its ends are exchanged.
    void DxfWriteArc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real extrusionZ);
    void DxfWriteText(const std::string& text, Real x, Real y);
    void DxfWriteSolid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4);
    void DxfWriteInsert(const std::string& name, Real x, Real y, Real angle, Real scaleX,
                        Real scaleY);
    void DxfWritePolyline(uint8_t flags);
    void DxfWriteVertex(Real x, Real y, Real bulge);
    void DxfWriteSeqend();

    // 3D polyline helpers of the wireframe view: the first stores the 3D
    // current point, the second draws a 3D line from it and stores the end.
    void DxfMoveTo3D(Real x, Real y, Real z);
    void DxfLineTo3D(Real x, Real y, Real z);

    CadTextStream stream;

    // The value of one group: a number, a whole number or a text.
    using Value = std::variant<Real, std::int64_t, std::string_view>;

private:
    void WriteGroup(int code, std::string_view value);
    // The groups of point `index` (0..3): x at 10 + index, y at 20 + index.
    void WritePoint(int index, Real x, Real y);
    // An entity of the kind: its type, the current layer, then one value per
    // group of the kind's table entry (dxf_groups.h), in that order.
    void WriteEntity(dxf::EntityKind kind, std::initializer_list<Value> values);
    void WriteLayerEntry(std::string_view name, int colour, std::string_view lineType);
};

std::unique_ptr<CadWriter> MakeDxfWriter();

}  // namespace veldrim
