// The DXF writer: group-code lines, the HEADER, TABLES, BLOCKS and ENTITIES
// sections, and one write routine per entity kind. See dxf_writer.h for the
// file layout and the number rules.

#include "graphics/formats/dxf_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <unistd.h>
#include <charconv>
#include <cmath>
#include <string>
#include <variant>

#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/text_conv.h"
#include "graphics/cad_primitives.h"
#include "graphics/dxf_groups.h"

namespace veldrim {

using namespace dxf;

// ---- Output stream ------------------------------------------------------------

CadTextStream::~CadTextStream() { Abandon(); }

void CadTextStream::Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!tempName_.empty()) ::unlink(tempName_.c_str());
    tempName_.clear();
}

bool CadTextStream::Create(const std::string& path) {
    Abandon();
    buffer_.clear();
    failed_ = false;
    fd_ = BeginSave(path, target_, tempName_);
    return fd_ >= 0;
}

bool CadTextStream::CreateExclusive(const std::string& path) {
    Abandon();
    buffer_.clear();
    failed_ = false;
    target_ = path;
    fd_ = veldrim::CreateExclusive(path);
    return fd_ >= 0;
}

void CadTextStream::Flush() {
    if (fd_ < 0 || buffer_.empty()) return;
    if (!failed_ && !WriteWhole(fd_, buffer_.data(), buffer_.size())) failed_ = true;
    buffer_.clear();
}

bool CadTextStream::Close() {
    if (fd_ < 0) return !failed_;
    Flush();
    if (failed_) {
        Abandon();
        return false;
    }
    if (tempName_.empty()) {
        if (::close(fd_) != 0) failed_ = true;
    } else if (CommitSaveTemp(fd_, tempName_, target_) != 0) {
        failed_ = true;
    }
    fd_ = -1;
    tempName_.clear();
    return !failed_;
}

// ---- Numbers ---------------------------------------------------------------------

int CadDecimals() {
    const int d = CadOutputState.cadDecimals;
    return (d < 1 || d > 32) ? kCadDefaultDecimals : d;
}

namespace {

constexpr unsigned long long kPowersOfTen[16] = {1ULL,
                                                 10ULL,
                                                 100ULL,
                                                 1000ULL,
                                                 10000ULL,
                                                 100000ULL,
                                                 1000000ULL,
                                                 10000000ULL,
                                                 100000000ULL,
                                                 1000000000ULL,
                                                 10000000000ULL,
                                                 100000000000ULL,
                                                 1000000000000ULL,
                                                 10000000000000ULL,
                                                 100000000000000ULL,
                                                 1000000000000000ULL};

// Fixed-point text of a double below 10^(15 - decimals) in magnitude, exactly
// as the library's fixed conversion writes it (the exact binary value
// rounded to the decimals, ties to even), from integer arithmetic: x = m 2^e
// with m of at most 53 bits, so x 10^decimals = m 10^decimals 2^e, whose whole part and
// remainder a 128-bit integer holds. Negative zero is written as zero.
std::size_t DoubleFixedText(char* out, double x, int decimals) {
    unsigned long long whole = 0;
    if (x != 0) {
        // The fields of the double: |x| = mantissa 2^e.
        const auto bits = std::bit_cast<unsigned long long>(x);
        const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
        const unsigned long long field = bits & ((1ULL << 52) - 1);
        const unsigned long long mantissa = biased == 0 ? field : field | (1ULL << 52);
        const int e = (biased == 0 ? 1 : biased) - 1075;
        const unsigned __int128 scaled =
            static_cast<unsigned __int128>(mantissa) * kPowersOfTen[decimals];
        if (e >= 0) {
            whole = static_cast<unsigned long long>(scaled << e);
        } else if (-e < 110) {
            const int k = -e;
            const unsigned __int128 one = 1;
            unsigned __int128 q = scaled >> k;
            const unsigned __int128 rest = scaled & ((one << k) - 1), half = one << (k - 1);
            if (rest > half || (rest == half && (q & 1) != 0)) ++q;
            whole = static_cast<unsigned long long>(q);
        }  // else below 2^-56 of a unit of the last decimal: zero
    }
    char digits[24];
    const auto n =
        static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, whole).ptr - digits);
    const auto d = static_cast<std::size_t>(decimals);
    char* p = out;
    if (std::signbit(x) && whole != 0) *p++ = '-';
    if (n <= d) {
        *p++ = '0';
        if (d > 0) {
            *p++ = '.';
            p = std::fill_n(p, d - n, '0');
            p = std::copy(digits, digits + n, p);
        }
    } else {
        p = std::copy(digits, digits + n - d, p);
        if (d > 0) {
            *p++ = '.';
            p = std::copy(digits + n - d, digits + n, p);
        }
    }
    return static_cast<std::size_t>(p - out);
}

}  // namespace

void AppendFixedPoint(std::string& out, Real x, int decimals) {
    if (!std::isfinite(x)) x = 0;
    if (decimals < 0) decimals = 0;
    char small[96];
    // A double holds 15 significant digits exactly and converts several
    // times faster; values that need more digits take the 80-bit path.
    static constexpr Real kDoubleLimit[16] = {1E15L, 1E14L, 1E13L, 1E12L, 1E11L, 1E10L, 1E9L, 1E8L,
                                              1E7L,  1E6L,  1E5L,  1E4L,  1E3L,  1E2L,  1E1L, 1E0L};
    const bool viaDouble = decimals <= 15 && std::fabs(x) < kDoubleLimit[decimals];
    if (viaDouble) {
        out.append(small, DoubleFixedText(small, static_cast<double>(x), decimals));
        return;
    }
    std::to_chars_result r =
        std::to_chars(small, small + sizeof small, x, std::chars_format::fixed, decimals);
    const char* begin = small;
    std::string large;
    if (r.ec != std::errc{}) {
        // Only absurdly large values need more room (an 80-bit real has up to
        // 4933 integer digits).
        large.resize(5000 + static_cast<std::size_t>(decimals));
        r = std::to_chars(large.data(), large.data() + large.size(), x, std::chars_format::fixed,
                          decimals);
        begin = large.data();
    }
    if (*begin == '-') {
        bool zero = true;
        for (const char* p = begin + 1; p != r.ptr; ++p) {
            if (*p != '0' && *p != '.') {
                zero = false;
                break;
            }
        }
        if (zero) ++begin;  // "-0.000" is written as "0.000"
    }
    out.append(begin, static_cast<std::size_t>(r.ptr - begin));
}

std::string FixedPointText(Real x, int decimals) {
    std::string s;
    AppendFixedPoint(s, x, decimals);
    return s;
}

Real BulgeFromAngle(Real angle) { return std::tan(angle / 4.0L); }

// ---- Layers -------------------------------------------------------------------------

std::string CadLayerName(int n) {
    if (CadOutputState.layerColorMode == 0 && n >= 0 && n <= 5) {
        if (n == 0) return "0";
        return CadOutputState.layerNames[static_cast<std::size_t>(n)];
    }
    return std::to_string(n);
}

void DxfSelectLayer(int n) { CadOutputState.currentLayerName = CadLayerName(n); }

// ---- Group lines ----------------------------------------------------------------------

namespace {

// A value line must stay one line: a line break inside a text would end the
// value and shift every later group.
std::string OneLine(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace

void DxfWriter::DxfWriteCode(int code) {
    std::string& b = stream.Buffer();
    if (code >= 0 && code < 10) {
        b.append("  ", 2);
    } else if (code >= 10 && code < 100) {
        b.push_back(' ');
    }
    char digits[16];
    const auto r = std::to_chars(digits, digits + sizeof digits, code);
    b.append(digits, r.ptr);
    b.append("\r\n", 2);
    stream.Written();
}

void DxfWriter::DxfWriteValue(std::string_view text) { stream.PutLine(text); }

void DxfWriter::DxfWriteNumber(Real x) {
    std::string& b = stream.Buffer();
    AppendFixedPoint(b, x, CadDecimals());
    b.append("\r\n", 2);
    stream.Written();
}

void DxfWriter::DxfWriteFixed(Real x) {
    std::string& b = stream.Buffer();
    AppendFixedPoint(b, x, kDxfFixedDecimals);
    b.append("\r\n", 2);
    stream.Written();
}

void DxfWriter::DxfWriteInt(std::int64_t n) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, n);
    stream.PutLine(std::string_view(digits, static_cast<std::size_t>(r.ptr - digits)));
}

void DxfWriter::WriteGroup(int code, std::string_view value) {
    DxfWriteCode(code);
    DxfWriteValue(value);
}

void DxfWriter::WritePoint(int index, Real x, Real y) {
    DxfWriteCode(kX + index);
    DxfWriteNumber(x);
    DxfWriteCode(kY + index);
    DxfWriteNumber(y);
}

namespace {

bool IsZero(const DxfWriter::Value& v) {
    if (const Real* x = std::get_if<Real>(&v)) return *x == 0;
    if (const std::int64_t* n = std::get_if<std::int64_t>(&v)) return *n == 0;
    return std::get<std::string_view>(v).empty();
}

}  // namespace

void DxfWriter::WriteEntity(EntityKind kind, std::initializer_list<Value> values) {
    const EntitySpec& e = Entity(kind);
    WriteGroup(kEntityType, e.name);
    WriteGroup(kLayer, CadOutputState.currentLayerName);
    const Value* v = values.begin();
    for (const Group& g : e.groups) {
        const Value& value = *v++;
        if (g.omitWhenZero && IsZero(value)) continue;
        DxfWriteCode(g.code);
        switch (g.form) {
            case ValueForm::Number: DxfWriteNumber(std::get<Real>(value)); break;
            case ValueForm::Fixed: DxfWriteFixed(std::get<Real>(value)); break;
            case ValueForm::Integer: DxfWriteInt(std::get<std::int64_t>(value)); break;
            case ValueForm::Text: DxfWriteValue(std::get<std::string_view>(value)); break;
        }
    }
}

// ---- Sections ---------------------------------------------------------------------------

void DxfWriter::DxfWriteHeader(Real xmin, Real ymin, Real xmax, Real ymax) {
    WriteGroup(kEntityType, "SECTION");
    WriteGroup(kName, "HEADER");
    // The code page of the texts, as DxfWriteText converts them: code page
    // 850 as stored, or Windows-1252 (of which plain ASCII is a part).
    WriteGroup(kVariable, "$DWGCODEPAGE");
    WriteGroup(kDescription, cadTextCharacterSet == 1 ? "ANSI_850" : "ANSI_1252");
    const struct {
        const char* name;
        Real x, y;
    } vars[] = {{"$EXTMIN", xmin, ymin},
                {"$EXTMAX", xmax, ymax},
                {"$LIMMIN", xmin, ymin},
                {"$LIMMAX", xmax, ymax}};
    for (const auto& v : vars) {
        WriteGroup(kVariable, v.name);
        WritePoint(0, v.x, v.y);
    }
    WriteGroup(kVariable, "$LTSCALE");
    WriteGroup(kSize, "15");
    WriteGroup(kEntityType, "ENDSEC");
}

namespace {

// The three line types of the LTYPE table, with their dash items.
struct LineTypeEntry {
    const char* name;
    const char* description;
    int dashCount;
    const char* patternLength;
    std::array<const char*, 4> dashes;
};

constexpr std::array<LineTypeEntry, 3> kLineTypes{{
    {"CONTINUOUS", "Ausgezogene Linie", 0, "0.0", {}},
    {"DASHDOT", "--. --. --.-", 4, "1.0", {"0.5", "-0.25", "0.0", "-0.25"}},
    {"DASHED", "- - - - - - ", 2, "0.375", {"0.25", "-0.125"}},
}};

// Line types of the named layers 0..5.
constexpr std::array<const char*, 6> kNamedLayerLineTypes{"CONTINUOUS", "DASHDOT",    "DASHED",
                                                          "CONTINUOUS", "CONTINUOUS", "CONTINUOUS"};

}  // namespace

void DxfWriter::WriteLayerEntry(std::string_view name, int colour, std::string_view lineType) {
    WriteGroup(kEntityType, "LAYER");
    WriteGroup(kName, OneLine(name));
    WriteGroup(kFlags, "0");
    DxfWriteCode(kColour);
    DxfWriteInt(colour);
    WriteGroup(kLineTypeName, lineType);
}

void DxfWriter::DxfWriteTables(int layerSet) {
    const bool mono = CadOutputState.layerMonochrom != 0;
    WriteGroup(kEntityType, "SECTION");
    WriteGroup(kName, "TABLES");

    WriteGroup(kEntityType, "TABLE");
    WriteGroup(kName, "LTYPE");
    DxfWriteCode(kFlags);
    DxfWriteInt(layerSet == 0 ? 6 : layerSet == 1 ? 17 : 23);
    for (const LineTypeEntry& lt : kLineTypes) {
        WriteGroup(kEntityType, "LTYPE");
        WriteGroup(kName, lt.name);
        WriteGroup(kFlags, "64");
        WriteGroup(kDescription, lt.description);
        WriteGroup(kAlignment, "65");
        DxfWriteCode(kDashCount);
        DxfWriteInt(lt.dashCount);
        WriteGroup(kSize, lt.patternLength);
        for (int i = 0; i < lt.dashCount; ++i) {
            WriteGroup(kDashLength, lt.dashes[static_cast<std::size_t>(i)]);
        }
    }
    WriteGroup(kEntityType, "ENDTAB");

    WriteGroup(kEntityType, "TABLE");
    WriteGroup(kName, "LAYER");
    DxfWriteCode(kFlags);
    DxfWriteInt(24);
    if (layerSet == 1) {
        for (int n = 0; n <= 15; ++n)
            WriteLayerEntry(std::to_string(n), mono ? 1 : n + 1, "CONTINUOUS");
    } else {
        WriteLayerEntry("0", 1, "CONTINUOUS");
        for (std::size_t n = 1; n <= 5; ++n)
            WriteLayerEntry(CadOutputState.layerNames[n],
                            mono ? 1 : CadOutputState.layerColorIndex[n], kNamedLayerLineTypes[n]);
        if (layerSet == 2) {
            for (int n = 16; n <= 31; ++n)
                WriteLayerEntry(
                    std::to_string(n),
                    mono ? 1 : CadOutputState.penNumbers[static_cast<std::size_t>(n - 16)],
                    "CONTINUOUS");
        }
    }
    WriteGroup(kEntityType, "ENDTAB");

    WriteGroup(kEntityType, "TABLE");
    WriteGroup(kName, "STYLE");
    WriteGroup(kFlags, "1");
    WriteGroup(kEntityType, "STYLE");
    WriteGroup(kName, "STANDARD");
    WriteGroup(kFlags, "0");
    WriteGroup(kSize, "0.0");
    WriteGroup(kWidthFactor, "1.0");
    WriteGroup(kAngle, "0.0");
    WriteGroup(kTextGeneration, "0");
    WriteGroup(kLastHeight, "3.5");
    WriteGroup(kDescription, OneLine(UpperAscii(CadOutputState.cadTextStyleName)));
    WriteGroup(kBigFont, "");
    // The style table closes with an unpadded "0".
    DxfWriteValue("0");
    DxfWriteValue("ENDTAB");
    WriteGroup(kEntityType, "ENDSEC");
}

void DxfWriter::DxfBeginBlocks() {
    WriteGroup(kEntityType, "SECTION");
    WriteGroup(kName, "BLOCKS");
}

void DxfWriter::DxfWriteBlock(const std::string& name) {
    WriteGroup(kEntityType, "BLOCK");
    WriteGroup(kLayer, CadOutputState.currentLayerName);
    WriteGroup(kName, OneLine(name));
    WriteGroup(kFlags, "0");
    WriteGroup(kX, "0.0");
    WriteGroup(kY, "0.0");
}

void DxfWriter::DxfWriteEndBlk() { WriteGroup(kEntityType, "ENDBLK"); }

void DxfWriter::DxfWriteEndSec() { WriteGroup(kEntityType, "ENDSEC"); }

void DxfWriter::DxfBeginEntities() {
    WriteGroup(kEntityType, "SECTION");
    WriteGroup(kName, "ENTITIES");
}

bool DxfWriter::DxfWriteEof() {
    WriteGroup(kEntityType, "EOF");
    return stream.Close();
}

// ---- Entities ----------------------------------------------------------------------------

void DxfWriter::DxfWriteLine(Real x1, Real y1, Real x2, Real y2) {
    WriteEntity(EntityKind::Line, {x1, y1, x2, y2});
}

void DxfWriter::DxfWriteLine3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) {
    WriteEntity(EntityKind::Line3D, {x1, y1, z1, x2, y2, z2});
}

void DxfWriter::DxfWriteCircle(Real x, Real y, Real r) {
    WriteEntity(EntityKind::Circle, {x, y, r});
}

void DxfWriter::DxfWriteArc(Real x, Real y, Real startAngle, Real endAngle, Real r,
                            Real extrusionZ) {
    // Group 230 alone would be the arc's normal (0, 0, z): a conforming
    // reader mirrors the arc for z < 0. A clockwise arc is therefore written
    // as the same counter-clockwise arc with its ends exchanged.
    if (extrusionZ < -1E-5L) std::swap(startAngle, endAngle);
    WriteEntity(EntityKind::Arc, {x, y, r, startAngle, endAngle, Real{0}});
}

void DxfWriter::DxfWriteText(const std::string& text, Real x, Real y) {
    const CadOutputRecord& s = CadOutputState;
    // Block files of a screen run are read back by our own reader and keep
    // the stored text; everything else gets the CAD text character set.
    const std::string value = OneLine(s.cadCode == kCadScreen ? text : ConvertCadText(text));
    WriteEntity(EntityKind::Text, {x, y, s.textHeight, value, "STANDARD", s.textWidthFactor,
                                   s.textAngle, s.textObliquingAngle});
}

void DxfWriter::DxfWriteSolid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4,
                              Real y4) {
    WriteEntity(EntityKind::Solid, {x1, y1, x2, y2, x3, y3, x4, y4});
}

void DxfWriter::DxfWriteInsert(const std::string& name, Real x, Real y, Real angle, Real scaleX,
                               Real scaleY) {
    const std::string value = OneLine(name);
    WriteEntity(EntityKind::Insert, {value, x, y, scaleX, scaleY, angle});
}

void DxfWriter::DxfWritePolyline(uint8_t flags) {
    WriteEntity(EntityKind::Polyline, {std::int64_t{1}, std::int64_t{flags}});
}

void DxfWriter::DxfWriteVertex(Real x, Real y, Real bulge) {
    WriteEntity(EntityKind::Vertex, {x, y, bulge});
}

void DxfWriter::DxfWriteSeqend() { WriteEntity(EntityKind::Seqend, {}); }

void DxfWriter::DxfMoveTo3D(Real x, Real y, Real z) { CadMoveTo3D(x, y, z); }

void DxfWriter::DxfLineTo3D(Real x, Real y, Real z) { CadWriterLineTo3D(*this, x, y, z); }

std::unique_ptr<CadWriter> MakeDxfWriter() { return std::make_unique<DxfWriter>(); }

}  // namespace veldrim
