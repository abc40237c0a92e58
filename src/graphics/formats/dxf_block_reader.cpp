// The DXF block reader: replays a block file through the CAD primitives. See
// dxf_block_reader.h for what it reads and how it fails.

#include "graphics/formats/dxf_block_reader.h"

#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/plane_geometry.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"
#include "graphics/dxf_groups.h"

namespace veldrim {

using namespace dxf;

namespace {

constexpr Real kPi = 3.141592653589793238462643383279502884L;

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The group pairs of a block text: a code line, then a value line.
class PairReader {
public:
    explicit PairReader(std::string_view text) : text_(text) {}

    // Reads the next pair. False at the end of the text, or when the code
    // line is no integer (then Damaged() is true).
    bool Next() {
        std::string_view codeLine;
        if (!NextLine(codeLine)) {
            atEnd = true;
            return false;
        }
        codeLine = TrimBlanks(codeLine);
        if (codeLine.empty() &&
            TrimBlanks(text_.substr(pos_)).find_first_not_of("\r\n") == std::string_view::npos) {
            atEnd = true;  // blank lines at the very end
            return false;
        }
        int c = 0;
        const auto r = std::from_chars(codeLine.data(), codeLine.data() + codeLine.size(), c);
        if (r.ec != std::errc{} || r.ptr != codeLine.data() + codeLine.size()) {
            damaged = true;
            return false;
        }
        code = c;
        if (!NextLine(value)) value = {};
        return true;
    }

    int line = 0;   // number of the last line read
    int code = -1;  // the current pair
    std::string_view value;
    bool atEnd = false;
    bool damaged = false;

private:
    bool NextLine(std::string_view& out) {
        if (pos_ >= text_.size()) return false;
        const std::size_t nl = text_.find('\n', pos_);
        const std::size_t end = nl == std::string_view::npos ? text_.size() : nl;
        out = text_.substr(pos_, end - pos_);
        if (!out.empty() && out.back() == '\r') out.remove_suffix(1);
        pos_ = nl == std::string_view::npos ? text_.size() : nl + 1;
        ++line;
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

struct Vertex {
    Real x = 0, y = 0;
    Real bulge = 0;  // DXF bulge of the segment that starts here
    int layer = 0;
};

// The values of one entity as read: its layer, and one slot per group of the
// entity's table entry (dxf_groups.h).
class EntityValues {
public:
    explicit EntityValues(EntityKind kind) : spec_(Entity(kind)) {}

    const EntitySpec& Spec() const { return spec_; }
    // The number, whole number or text of a group, by its code.
    Real& Number(int code) { return number_[Slot(code)]; }
    int& Integer(int code) { return integer_[Slot(code)]; }
    std::string_view& Text(int code) { return text_[Slot(code)]; }

    int layer = 0;

private:
    std::size_t Slot(int code) const {
        const int i = GroupIndex(spec_, code);
        assert(i >= 0 && "a group code of the entity's table entry");
        return static_cast<std::size_t>(i);
    }

    const EntitySpec& spec_;
    std::array<Real, kMaxGroups> number_{};
    std::array<int, kMaxGroups> integer_{};
    std::array<std::string_view, kMaxGroups> text_{};
};

// One level of reading: the pairs of one block text.
class LevelReader {
public:
    LevelReader(std::string_view text, std::string source) : in(text), source_(std::move(source)) {}

    void Run();

private:
    // The next pair; false at the end, on a damaged line and once the cancel
    // flag is set (stop is then true).
    bool Advance() {
        if (stop) return false;
        if (!in.Next()) {
            if (in.damaged) Fail();
            return false;
        }
        if (cancelFlag) {
            stop = true;
            return false;
        }
        return true;
    }
    void Fail() {
        if (stop) return;
        stop = true;
        ShowErrorIfEnabled("Error in DXF File " + ShownFileName(source_) + " (line " +
                           IntText(in.line) + ")");
        cancelFlag = true;
    }
    // The value of the current pair as a number; a damaged file otherwise.
    bool Number(Real& x);
    bool Integer(int& n);
    // Skips to the next pair with code 0 (or the end).
    void SkipToEntity() {
        while (!stop && !in.atEnd && in.code != kEntityType)
            if (!Advance()) return;
    }
    bool AtEntity() const { return !stop && !in.atEnd && in.code == kEntityType; }
    // Reads the groups of the current entity up to the next entity by its
    // table entry; false once reading stopped.
    bool ReadGroups(EntityValues& v);

    void ReadEntity(const EntitySpec& e);
    void ReadLine();
    void ReadCircle();
    void ReadArc();
    void ReadText();
    void ReadSolid();
    void ReadPolyline();
    void ReadLwPolyline();
    void ReadInsert();
    bool ReadVertex(Vertex& v);

    PairReader in;
    bool stop = false;
    std::string source_;
};

// ---- Drawing through the insertion transform ---------------------------------------

void Transform(Real x, Real y, Real& xr, Real& yr) {
    const CadOutputRecord& s = CadOutputState;
    TransformPointScaled(s.insertScaleX, s.insertScaleY, s.insertOffsetX, s.insertOffsetY,
                         s.insertRotation, x, y, xr, yr);
}

void DrawLine(Real x1, Real y1, Real x2, Real y2) {
    Real a, b, c, d;
    Transform(x1, y1, a, b);
    Transform(x2, y2, c, d);
    CadLine(a, b, c, d);
}

void DrawArc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real sweep) {
    if (r == 0) return;
    const CadOutputRecord& s = CadOutputState;
    Real xc, yc;
    Transform(x, y, xc, yc);
    CadArc(xc, yc, startAngle + s.insertRotation, endAngle + s.insertRotation, r * s.insertScaleX,
           sweep);
}

void DrawCircle(Real x, Real y, Real r) {
    Real xc, yc;
    Transform(x, y, xc, yc);
    CadCircle(xc, yc, r * CadOutputState.insertScaleX);
}

// The segment from a to b: a line, or by a's bulge an arc whose ends are the
// two vertices themselves (clockwise for a negative bulge).
void DrawSegment(const Vertex& a, const Vertex& b) {
    if (a.bulge == 0) {
        DrawLine(a.x, a.y, b.x, b.y);
        return;
    }
    const Real included = 4 * std::atan(a.bulge);
    Real xc, yc, start, r, end;
    if (!GetArcCenterDbl(xc, yc, start, r, end, a.x, a.y, b.x, b.y, included)) return;
    DrawArc(xc, yc, start * 180 / kPi, end * 180 / kPi, r, included * 180 / kPi);
}

// ---- Entity readers --------------------------------------------------------------------
//
// Each reader starts on the pair (0, name), reads the entity's pairs and
// leaves the next (0, name) pair current. It sets the layer it read, then
// draws; it draws nothing once reading stopped.

bool LevelReader::Number(Real& x) {
    std::string s(TrimBlanks(in.value));
    for (char& c : s)
        if (c == ',') c = '.';
    Real v = 0;
    const char* first = s.data();
    if (!s.empty() && s.front() == '+') ++first;
    const auto r = std::from_chars(first, s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc{} || r.ptr != s.data() + s.size() || !std::isfinite(v) ||
        std::fabs(v) > kDxfValueLimit) {
        Fail();
        return false;
    }
    x = v;
    return true;
}

bool LevelReader::Integer(int& n) {
    const std::string_view s = TrimBlanks(in.value);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), n);
    if (s.empty() || r.ec != std::errc{} || r.ptr != s.data() + s.size()) {
        Fail();
        return false;
    }
    return true;
}

// The one group loop of the entity readers: the layer, and every group of
// the table entry that the reader takes, into its slot. Groups the entry
// does not list, or lists as unread, are skipped.
bool LevelReader::ReadGroups(EntityValues& v) {
    const EntitySpec& e = v.Spec();
    while (Advance() && in.code != kEntityType) {
        if (in.code == kLayer) {
            v.layer = DxfLayerOfName(in.value);
            continue;
        }
        const int i = GroupIndex(e, in.code);
        if (i < 0 || !e.groups[static_cast<std::size_t>(i)].read) continue;
        switch (e.groups[static_cast<std::size_t>(i)].form) {
            case ValueForm::Number:
            case ValueForm::Fixed: Number(v.Number(in.code)); break;
            case ValueForm::Integer: Integer(v.Integer(in.code)); break;
            case ValueForm::Text: v.Text(in.code) = in.value; break;
        }
    }
    return !stop;
}

void LevelReader::ReadLine() {
    EntityValues v(EntityKind::Line);
    if (!ReadGroups(v)) return;
    CadSetLayer(v.layer);
    DrawLine(v.Number(kX), v.Number(kY), v.Number(kX + 1), v.Number(kY + 1));
}

void LevelReader::ReadCircle() {
    EntityValues v(EntityKind::Circle);
    if (!ReadGroups(v)) return;
    CadSetLayer(v.layer);
    DrawCircle(v.Number(kX), v.Number(kY), v.Number(kSize));
}

void LevelReader::ReadArc() {
    EntityValues v(EntityKind::Arc);
    if (!ReadGroups(v)) return;
    CadSetLayer(v.layer);
    const Real start = v.Number(kAngle), end = v.Number(kEndAngle), z = v.Number(kExtrusionZ);
    Real sweep = ArcSweepDeg(start, end, z);
    // Ends a whole number of turns apart (0 and 360) are a full circle, not
    // an arc of no length.
    if (sweep == 0 && start != end) sweep = z < 0 ? -360 : 360;
    DrawArc(v.Number(kX), v.Number(kY), start, end, v.Number(kSize), sweep);
}

void LevelReader::ReadText() {
    EntityValues v(EntityKind::Text);
    v.Number(kSize) = 3.5L;
    v.Number(kWidthFactor) = 1.0L;
    if (!ReadGroups(v)) return;
    CadSetLayer(v.layer);
    const CadOutputRecord& s = CadOutputState;
    const Real height = v.Number(kSize);
    // The text style primitive multiplies by the base width factor; the
    // stored factor has it already, so it is taken out once here.
    const Real base = s.baseWidthFactor != 0 ? s.baseWidthFactor : 1.0L;
    CadSetTextStyle(2, v.Number(kAngle) + s.insertRotation, height * s.insertScaleY,
                    height * v.Number(kWidthFactor) * s.insertScaleX / base);
    Real xt, yt;
    Transform(v.Number(kX), v.Number(kY), xt, yt);
    CadText(std::string(v.Text(kText)), xt, yt);
}

void LevelReader::ReadSolid() {
    EntityValues v(EntityKind::Solid);
    if (!ReadGroups(v)) return;
    CadSetLayer(v.layer);
    Real t[8];
    for (int i = 0; i < 4; ++i)
        Transform(v.Number(kX + i), v.Number(kY + i), t[2 * i], t[2 * i + 1]);
    CadSolid(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]);
}

bool LevelReader::ReadVertex(Vertex& vertex) {
    EntityValues v(EntityKind::Vertex);
    if (!ReadGroups(v)) return false;
    vertex = {v.Number(kX), v.Number(kY), v.Number(kBulge), v.layer};
    return true;
}

void LevelReader::ReadPolyline() {
    EntityValues v(EntityKind::Polyline);
    ReadGroups(v);
    const int flags = v.Integer(kFlags);
    if (!AtEntity()) return;
    if (in.value != Entity(EntityKind::Vertex).name) {
        ShowErrorIfEnabled("Error in DXF File");
        // The loop goes on with the entity that follows; an empty polyline's
        // own SEQEND goes with it.
        if (in.value == Entity(EntityKind::Seqend).name) {
            Advance();
            SkipToEntity();
        }
        return;
    }
    Vertex first;
    if (!ReadVertex(first)) return;
    Vertex previous = first;
    while (AtEntity() && in.value == Entity(EntityKind::Vertex).name) {
        Vertex v;
        if (!ReadVertex(v)) return;
        CadSetLayer(v.layer);
        DrawSegment(previous, v);
        previous = v;
    }
    if (stop) return;
    if ((flags & 1) != 0) DrawSegment(previous, first);  // closed: back to the first vertex
    if (AtEntity() && in.value == Entity(EntityKind::Seqend).name) {
        Advance();
        SkipToEntity();
    }
}

void LevelReader::ReadLwPolyline() {
    // The vertex groups follow the subclass marker; the layer usually comes
    // before it, with the entity's common groups.
    int layer = 0, flags = 0;
    while (true) {
        if (!Advance() || in.code == kEntityType) return;
        if (in.code == kLayer) layer = DxfLayerOfName(in.value);
        if (in.code == kSubclass && in.value == "AcDbPolyline") break;
    }
    std::vector<Vertex> vertices;
    while (Advance()) {
        const int c = in.code;
        if (c == kX) {
            if (static_cast<long>(vertices.size()) >= kDxfMaxVertices) {
                ShowErrorIfEnabled("Elements > " + IntText(kDxfMaxVertices) + " !");
                cancelFlag = true;
                stop = true;
                return;
            }
            vertices.emplace_back();
            Number(vertices.back().x);
        } else if (c == kY) {
            if (!vertices.empty()) Number(vertices.back().y);
        } else if (c == kBulge) {
            if (!vertices.empty()) Number(vertices.back().bulge);
        } else if (c == kFlags) {
            Integer(flags);
        } else if (c == kLayer) {
            layer = DxfLayerOfName(in.value);
        } else if (c == kElevation || c == kThickness || c == kSize || c == kWidthFactor ||
                   c == kConstantWidth || c == kVertexCount || c == kExtrusionX ||
                   c == kExtrusionY || c == kExtrusionZ) {
            // elevation, thickness, widths, count, normal: not drawn
        } else {
            break;
        }
    }
    SkipToEntity();
    if (stop) return;
    CadSetLayer(layer);
    for (std::size_t i = 1; i < vertices.size(); ++i) DrawSegment(vertices[i - 1], vertices[i]);
    if ((flags & 1) != 0 && vertices.size() > 2) DrawSegment(vertices.back(), vertices.front());
}

void LevelReader::ReadInsert() {
    const int savedLayer = CadOutputState.currentLayerNumber;
    EntityValues v(EntityKind::Insert);
    v.Number(kScaleX) = 1.0L;
    v.Number(kScaleY) = 1.0L;
    if (!ReadGroups(v)) return;
    CadSetLayer(v.layer);
    DxfReadFile(std::string(v.Text(kName)), v.Number(kX), v.Number(kY), v.Number(kAngle),
                v.Number(kScaleX), v.Number(kScaleY));
    CadSetLayer(savedLayer);
    if (cancelFlag) stop = true;
}

// One entity of the table, by its kind.
void LevelReader::ReadEntity(const EntitySpec& e) {
    switch (e.kind) {
        case EntityKind::Line: ReadLine(); break;
        case EntityKind::Circle: ReadCircle(); break;
        case EntityKind::Arc: ReadArc(); break;
        case EntityKind::Text: ReadText(); break;
        case EntityKind::Solid: ReadSolid(); break;
        case EntityKind::Polyline: ReadPolyline(); break;
        case EntityKind::Insert: ReadInsert(); break;
        // A vertex or the end of a sequence outside a polyline, and the 3D
        // line (read as the plain LINE), never start an entity here.
        case EntityKind::Line3D:
        case EntityKind::Vertex:
        case EntityKind::Seqend: break;
    }
}

void LevelReader::Run() {
    if (!Advance()) return;
    while (!stop) {
        if (in.code != kEntityType) {
            if (!Advance()) break;
            continue;
        }
        const std::string_view name = in.value;
        if (name == "EOF") break;
        const EntitySpec* e = EntityNamed(name);
        if (e != nullptr && e->kind != EntityKind::Vertex && e->kind != EntityKind::Seqend) {
            ReadEntity(*e);
        } else if (UpperAscii(name) == "LWPOLYLINE") {
            ReadLwPolyline();
        } else {
            AddMessage(std::string(kErrorPrefix) + "DXF: " + std::string(name));
            break;
        }
        if (cancelFlag || in.atEnd) break;
    }
}

// The whole block file; false when it cannot be read. A folder or a pipe at
// the block's name reads as a missing block file; nothing waits on a pipe.
bool ReadWholeFile(const std::string& path, std::string& text, bool& tooLarge) {
    tooLarge = false;
    if (!ReadWholeRegularFile(path, text)) return false;
    tooLarge = text.size() > kDxfMaxFileSize;
    return !tooLarge;
}

// A block name that stays a file name inside the user directory.
bool UsableBlockName(const std::string& name) {
    return name.find_first_of("/\\") == std::string::npos && name.find('\0') == std::string::npos;
}

struct SavedInsertion {
    Real x, y, angle, sx, sy;
};

SavedInsertion SaveInsertion() {
    const CadOutputRecord& s = CadOutputState;
    return {s.insertOffsetX, s.insertOffsetY, s.insertRotation, s.insertScaleX, s.insertScaleY};
}

void RestoreInsertion(const SavedInsertion& v) {
    CadOutputRecord& s = CadOutputState;
    s.insertOffsetX = v.x;
    s.insertOffsetY = v.y;
    s.insertRotation = v.angle;
    s.insertScaleX = v.sx;
    s.insertScaleY = v.sy;
}

// Places the new level inside the current one.
void ComposeInsertion(Real x, Real y, Real angle, Real xScale, Real yScale) {
    CadOutputRecord& s = CadOutputState;
    Real ox, oy;
    Transform(x, y, ox, oy);
    s.insertOffsetX = ox;
    s.insertOffsetY = oy;
    s.insertRotation += angle;
    s.insertScaleX *= xScale;
    s.insertScaleY *= yScale;
}

// Enters one nesting level; false (message, cancel flag) beyond the limit.
bool EnterLevel() {
    const int depth = ++CadOutputState.nestingLevel;
    if (depth <= kDxfMaxNesting) return true;
    ShowErrorIfEnabled("error blockno." + IntText(depth));
    cancelFlag = true;
    return false;
}

void ReplayLevel(std::string_view text, const std::string& source, Real x, Real y, Real angle,
                 Real xScale, Real yScale) {
    ComposeInsertion(x, y, angle, xScale, yScale);
    LevelReader reader(text, source);
    reader.Run();
}

}  // namespace

int DxfLayerOfName(std::string_view name) {
    for (int n = 0; n <= 5; ++n)
        if (CadOutputState.layerNames[static_cast<std::size_t>(n)] == name) return n;
    const std::string_view s = TrimBlanks(name);
    int n = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), n);
    if (s.empty() || r.ec != std::errc{} || r.ptr != s.data() + s.size() || n < 0 || n > 255)
        return 0;
    return n;
}

void DxfResetInsertion() {
    CadOutputRecord& s = CadOutputState;
    s.nestingLevel = 0;
    s.insertOffsetX = s.insertOffsetY = 0;
    s.insertRotation = 0;
    s.insertScaleX = s.insertScaleY = 1.0L;
}

void DxfReadFile(const std::string& blockName, Real x, Real y, Real angle, Real xScale,
                 Real yScale) {
    const SavedInsertion saved = SaveInsertion();
    if (EnterLevel()) {
        const std::string path = CadBlockFilePath(blockName);
        std::string text;
        bool tooLarge = false;
        if (!UsableBlockName(blockName) || !ReadWholeFile(path, text, tooLarge)) {
            if (tooLarge)
                ShowErrorIfEnabled("Error in DXF File " + ShownFileName(path));
            else
                AddMessage("Invalid temp directory");
            cancelFlag = true;
        } else {
            ReplayLevel(text, path, x, y, angle, xScale, yScale);
        }
    }
    --CadOutputState.nestingLevel;
    RestoreInsertion(saved);
}

void DxfReadText(std::string_view text, const std::string& sourceName, Real x, Real y, Real angle,
                 Real xScale, Real yScale) {
    const SavedInsertion saved = SaveInsertion();
    if (EnterLevel()) ReplayLevel(text, sourceName, x, y, angle, xScale, yScale);
    --CadOutputState.nestingLevel;
    RestoreInsertion(saved);
}

}  // namespace veldrim
