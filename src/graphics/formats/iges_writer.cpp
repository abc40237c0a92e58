// The IGES writer: records, sections, entities and the block table. See
// iges_writer.h for the file layout.
#include "graphics/formats/iges_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "foundation/files.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/system_info.h"
#include "foundation/text_conv.h"
#include "graphics/cad_primitives.h"

namespace veldrim {

namespace {

constexpr Real kPi = 3.141592653589793238462643383279502884L;
constexpr int kParameterColumns = 64;
constexpr int kFileNameLength = 30;
constexpr int kLabelLength = 8;

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Names in the global section and block names are ASCII: umlauts spelled
// out, anything else left becomes '?'.
std::string AsciiText(std::string_view cp850) {
    std::string out = TransliterateOem(cp850);
    for (char& c : out)
        if (IsControl(c) || static_cast<unsigned char>(c) >= 0x80) c = '?';
    return out;
}

// A note keeps its letters in the CAD text character set (converted once);
// only control characters, which would break the record, become '?'.
std::string NoteText(std::string_view cp850) {
    std::string out = ConvertCadText(cp850);
    std::replace_if(out.begin(), out.end(), IsControl, '?');
    return out;
}

std::string RightAligned(std::string_view s, size_t width) {
    if (s.size() >= width) return std::string(s.substr(0, width));
    return std::string(width - s.size(), ' ') + std::string(s);
}

std::string SeqText(char letter, int32_t n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%c%07d", letter, static_cast<int>(n));
    return buf;
}

// The matrix terms with ten decimals.
std::string MatrixTerm(Real x) { return FixedPointText(x, 10); }

// The date and time of writing, "YYYYMMDD.HHNNSS".
std::string DateTimeStamp() {
    int year, month, day, dow, hour, minute, second, hundredths;
    GetDate(year, month, day, dow);
    GetTime(hour, minute, second, hundredths);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d.%02d%02d%02d", year, month, day, hour, minute,
                  second);
    return buf;
}

// Cuts parameter text into pieces of at most `width` columns, each ending
// after a delimiter where one fits. Delimiters inside a Hollerith string do
// not count; a string too long for the rest of a record is cut at exactly
// the width, so that a reader taking the columns one after the other finds
// it whole, with no blanks put in.
std::vector<std::string> CutParameters(std::string_view text, size_t width) {
    std::vector<size_t> cuts;  // positions just after a delimiter outside strings
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
        if (j > i && j < text.size() && text[j] == 'H') {
            size_t n = 0;
            std::from_chars(text.data() + i, text.data() + j, n);
            i = std::min(text.size(), j + 1 + n);
        }
        while (i < text.size() && text[i] != ',' && text[i] != ';') ++i;
        if (i < text.size()) cuts.push_back(++i);
    }
    std::vector<std::string> out;
    size_t pos = 0;
    while (text.size() - pos > width) {
        size_t cut = pos + width;
        for (size_t c : cuts)
            if (c > pos && c <= pos + width) cut = c;
        out.emplace_back(text.substr(pos, cut - pos));
        pos = cut;
    }
    if (pos < text.size() || out.empty()) out.emplace_back(text.substr(pos));
    return out;
}

}  // namespace

std::string IgesHollerith(std::string_view text) {
    return std::to_string(text.size()) + "H" + std::string(text);
}

std::string IgesNumber(Real x) { return FixedPointText(x, CadDecimals()); }

void IgesWriter::Record(std::string& out, std::string_view text, char letter, int32_t& counter) {
    ++counter;
    std::string line(text.substr(0, 72));
    line.resize(72, ' ');
    out += line;
    out += SeqText(letter, counter);
    out += "\r\n";
}

void IgesWriter::WriteHeader(Real, Real, Real xmax, Real ymax) {
    IgesWriteStartGlobal(BaseNameOf(CadOutputState.outputFileName), std::max(xmax, ymax));
}

void IgesWriter::IgesWriteStartGlobal(const std::string& fileName, Real maxCoordinate) {
    s_ = g_ = d_ = p_ = 0;
    level_ = 0;
    lineFont_ = 1;
    inSubfigure_ = false;
    subfigureDepth_ = 0;
    members_.clear();
    blocks_.clear();
    parameters_.clear();
    std::string& b = stream.Buffer();
    Record(b, "IGES-Datei generiert von " + AsciiText(productName), 'S', s_);
    const std::string name =
        IgesHollerith(ShortenMiddle(AsciiText(FileNameText(fileName)), kFileNameLength));
    const std::string rows[] = {
        ",," + IgesHollerith("FILE") + "," + name + "," +
            IgesHollerith(AsciiText(productName) + " V" + programVersion) + ",,",
        "16,38,6,99,15,",
        name + ",1.0,2," + IgesHollerith("MM") + ",32767,3.2767D1,",
        IgesHollerith(DateTimeStamp()) + ",1.0D-8," + IgesNumber(maxCoordinate) + ",",
        ",,4,0;",
    };
    for (const std::string& row : rows)
        for (const std::string& piece : CutParameters(row, 72)) Record(b, piece, 'G', g_);
    stream.Written();
}

int32_t IgesWriter::WriteEntity(int type, const std::vector<std::string>& groups,
                                std::string_view matrix, std::string_view form,
                                std::string_view label, bool member) {
    const int32_t de = d_ + 1;
    const int32_t first = p_ + 1;
    const std::string dePointer = RightAligned(std::to_string(de), 8);
    int32_t count = 0;
    for (const std::string& group : groups) {
        for (const std::string& piece : CutParameters(group, kParameterColumns)) {
            std::string text = piece;
            text.resize(kParameterColumns, ' ');
            ++count;
            Record(parameters_, text + dePointer, 'P', p_);
        }
    }
    auto field = [](std::string_view v) { return RightAligned(v, 8); };
    const std::string typeText = std::to_string(type);
    // Members of a subfigure are physically dependent on it; a subfigure
    // definition is marked as a definition.
    const std::string status = type == 308              ? "00000200"
                               : inSubfigure_ && member ? "00010000"
                                                        : "00000000";
    std::string& b = stream.Buffer();
    Record(b,
           field(typeText) + field(std::to_string(first)) + field("0") +
               field(std::to_string(lineFont_)) + field(std::to_string(level_)) + field("") +
               field(matrix) + field("") + field(status),
           'D', d_);
    std::string shortLabel(label.substr(0, kLabelLength));
    // Line weight 1 of the 32767 gradations: the thinnest line, defined, so
    // that readers do not warn about notes and solids.
    Record(b,
           field(typeText) + field("1") + field(std::to_string(level_)) +
               field(std::to_string(count)) + field(form) + field("") + field("") +
               field(shortLabel) + field(""),
           'D', d_);
    stream.Written();
    if (inSubfigure_ && member) members_.push_back(de);
    return de;
}

void IgesWriter::IgesWriteLine(Real x1, Real y1, Real x2, Real y2) {
    WriteEntity(110,
                {"110," + IgesNumber(x1) + "," + IgesNumber(y1) + ",0.0," + IgesNumber(x2) + "," +
                 IgesNumber(y2) + ",0.0;"},
                "", "", "");
}

void IgesWriter::IgesWriteLine3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) {
    WriteEntity(110,
                {"110," + IgesNumber(x1) + "," + IgesNumber(y1) + "," + IgesNumber(z1) + "," +
                 IgesNumber(x2) + "," + IgesNumber(y2) + "," + IgesNumber(z2) + ";"},
                "", "", "");
}

void IgesWriter::IgesWriteArc(Real cx, Real cy, Real sx, Real sy, Real ex, Real ey) {
    WriteEntity(100,
                {"100,0.0," + IgesNumber(cx) + "," + IgesNumber(cy) + "," + IgesNumber(sx) + "," +
                 IgesNumber(sy) + "," + IgesNumber(ex) + "," + IgesNumber(ey) + ";"},
                "0", "", "");
}

void IgesWriter::Arc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real sweep) {
    (void)sweep;  // always counter-clockwise from start to end
    const Real a = startAngle * kPi / 180, e = endAngle * kPi / 180;
    IgesWriteArc(x, y, x + r * std::cos(a), y + r * std::sin(a), x + r * std::cos(e),
                 y + r * std::sin(e));
}

void IgesWriter::IgesWriteCircle(Real x, Real y, Real r) { IgesWriteArc(x, y, x + r, y, x + r, y); }

void IgesWriter::IgesWriteCopious(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4,
                                  Real y4) {
    auto xy = [](Real x, Real y) { return IgesNumber(x) + "," + IgesNumber(y); };
    WriteEntity(106,
                {"106,1,5,0.0," + xy(x1, y1) + ",", xy(x4, y4) + ",", xy(x3, y3) + ",",
                 xy(x2, y2) + ",", xy(x1, y1) + ";"},
                "0", "11", "");
}

void IgesWriter::IgesWriteNote(const std::string& text, Real x, Real y) {
    const CadOutputRecord& s = CadOutputState;
    const std::string t = NoteText(text);
    const Real chars = static_cast<Real>(t.size());
    WriteEntity(
        212,
        {"212,1," + std::to_string(t.size()) + "," +
             IgesNumber(chars * s.textHeight * s.textWidthFactor) + "," + IgesNumber(s.textHeight) +
             ",1,," + FixedPointText(s.textAngle * kPi / 180, 6) + ",0,0," + IgesNumber(x) + "," +
             IgesNumber(y) + ",0.0,",
         IgesHollerith(t) + ";"},
        "0", "", "");
}

void IgesWriter::IgesBeginBlock(const std::string& name) {
    blocks_.push_back({AsciiText(name), 0, 0});
    inSubfigure_ = true;
    subfigureDepth_ = 0;
    members_.clear();
}

void IgesWriter::IgesWriteSubfigure() {
    if (!inSubfigure_ || blocks_.empty()) return;
    inSubfigure_ = false;
    Block& block = blocks_.back();
    block.depth = subfigureDepth_;
    std::string text = "308," + std::to_string(block.depth) + "," + IgesHollerith(block.name) +
                       "," + std::to_string(members_.size());
    for (int32_t m : members_) text += "," + std::to_string(m);
    text += ";";
    const std::vector<int32_t> members = std::move(members_);
    members_.clear();
    block.definition = WriteEntity(308, {text}, "", "", block.name, false);
}

void IgesWriter::IgesWriteInstance(const std::string& name, Real x, Real y, Real angle, Real scaleX,
                                   Real scaleY) {
    const std::string key = AsciiText(name);
    const Block* block = nullptr;
    for (const Block& b : blocks_)
        if (b.name == key && b.definition != 0) block = &b;
    if (block == nullptr) {
        // An instance must point at a definition; without one it is left out.
        AddMessage("Blockname " + name + " not found !");
        return;
    }
    if (inSubfigure_) subfigureDepth_ = std::max(subfigureDepth_, block->depth + 1);
    const std::string def = std::to_string(block->definition);
    // An equal scale is the instance's own scale and the matrix a pure
    // rotation; unequal scales go into the matrix columns.
    const bool uniform = scaleX == scaleY;
    const std::string ownScale = MatrixTerm(uniform ? scaleX : 1);
    if (angle == 0 && uniform) {
        WriteEntity(
            408,
            {"408," + def + "," + IgesNumber(x) + "," + IgesNumber(y) + ",0.0," + ownScale + ";"},
            "", "", "");
        return;
    }
    const Real a = angle * kPi / 180;
    const Real c = std::cos(a), s = std::sin(a);
    const Real mx = uniform ? 1 : scaleX, my = uniform ? 1 : scaleY;
    const int32_t matrix = WriteEntity(
        124,
        {"124," + MatrixTerm(mx * c) + "," + MatrixTerm(-my * s) + ",0.0," + IgesNumber(x) + ",",
         MatrixTerm(mx * s) + "," + MatrixTerm(my * c) + ",0.0," + IgesNumber(y) + ",",
         "0.0,0.0,1.0,0.0;"},
        "", "0", "", false);
    WriteEntity(408, {"408," + def + ",0.0,0.0,0.0," + ownScale + ";"}, std::to_string(matrix), "",
                "");
}

void IgesWriter::IgesSelectLayer(int n) {
    const CadOutputRecord& s = CadOutputState;
    if (n >= 0 && n <= 5 && s.layerColorMode == 0) {
        level_ = n == 0 ? 7 : s.layerColorIndex[static_cast<size_t>(n)];
        lineFont_ = n == 1 ? 4 : n == 2 ? 2 : 1;
    } else if (n >= 16 && n <= 31 && s.layerColorMode == 0) {
        level_ = s.penNumbers[static_cast<size_t>(n - 16)];
        lineFont_ = 1;
    } else {
        level_ = ((n % 16) + 16) % 16 + 1;
        if (s.layerColorMode == 0) lineFont_ = 1;
    }
}

void IgesWriter::IgesMoveTo3D(Real x, Real y, Real z) { CadMoveTo3D(x, y, z); }

void IgesWriter::IgesLineTo3D(Real x, Real y, Real z) { CadWriterLineTo3D(*this, x, y, z); }

bool IgesWriter::IgesJoinSections() {
    if (inSubfigure_) IgesWriteSubfigure();  // a definition left open is closed
    stream.Put(parameters_);
    parameters_.clear();
    std::string& b = stream.Buffer();
    int32_t t = 0;
    Record(b, SeqText('S', s_) + SeqText('G', g_) + SeqText('D', d_) + SeqText('P', p_), 'T', t);
    stream.Written();
    return stream.Close();
}

std::unique_ptr<CadWriter> MakeIgesWriter() { return std::make_unique<IgesWriter>(); }

}  // namespace veldrim
