// The drawing-record text writer (CAD-Code 5). See record_writer.h for the
// record layout.

#include "graphics/formats/record_writer.h"

#include <cmath>
#include <utility>

#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "graphics/cad_primitives.h"

namespace veldrim {

namespace {

// A record value must stay one field of one line.
std::string OneField(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return out;
}

void AppendNumber(std::string& out, Real x) {
    const std::size_t start = out.size();
    AppendFixedPoint(out, x, CadDecimals());
    const std::size_t length = out.size() - start;
    if (length < 3) out.insert(start, 3 - length, ' ');
    if (decimalSeparatorOption == 2) {
        for (std::size_t i = start; i < out.size(); ++i)
            if (out[i] == '.') out[i] = ',';
    }
}

bool Near(Real a, Real b) { return std::fabs(a - b) <= 1E-5L; }

}  // namespace

std::string TxtNumberText(Real x) {
    std::string s;
    AppendNumber(s, x);
    return s;
}

void TxtSelectLayer(int layer) { DxfSelectLayer(layer); }

void TxtWriter::Record(std::string_view keyword, std::initializer_list<Real> values) {
    std::string& b = stream.Buffer();
    b.append(keyword);
    for (Real v : values) {
        b.push_back('\t');
        AppendNumber(b, v);
    }
    b.append("\r\n", 2);
    stream.Written();
}

void TxtWriter::TxtWriteMinMax(Real xmin, Real ymin, Real xmax, Real ymax) {
    Record("MINMAX", {xmin, ymin, xmax, ymax});
}

void TxtWriter::TxtBeginBlocks() { stream.PutLine("SECTION BLOCKS"); }

void TxtWriter::TxtWriteBlock(const std::string& name) {
    stream.PutLine("BLOCK\t" + OneField(name));
}

void TxtWriter::TxtWriteEndBlock() { stream.PutLine("END OF BLOCK"); }

void TxtWriter::TxtBeginEntities() { stream.PutLine("SECTION ENTITIES"); }

void TxtWriter::TxtWriteLine(Real x1, Real y1, Real x2, Real y2) {
    Record("LINE", {x1, y1, x2, y2});
}

void TxtWriter::TxtWriteLine3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) {
    Record("3D_LINE", {x1, y1, z1, x2, y2, z2});
}

void TxtWriter::TxtWriteCircle(Real x, Real y, Real r) { Record("CIRCLE", {x, y, r}); }

void TxtWriter::TxtWriteArc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real sweep) {
    const bool fullCircle = startAngle == endAngle ||
                            (Near(startAngle, 0) && Near(endAngle, 360)) ||
                            (Near(startAngle, 360) && Near(endAngle, 0));
    if (fullCircle) {
        TxtWriteCircle(x, y, r);
        return;
    }
    if (sweep < 0) std::swap(startAngle, endAngle);
    Record("ARC", {x, y, r, startAngle, endAngle});
}

void TxtWriter::TxtWriteText(const std::string& text, Real x, Real y) {
    std::string& b = stream.Buffer();
    b.append("TEXT\t");
    AppendNumber(b, x);
    b.push_back('\t');
    AppendNumber(b, y);
    b.push_back('\t');
    b.append(OneField(ConvertCadText(text)));
    b.append("\r\n", 2);
    stream.Written();
}

void TxtWriter::TxtWriteSolid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4,
                              Real y4) {
    Record("SOLID", {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TxtWriter::TxtWriteInsert(const std::string& name, Real x, Real y, Real angle, Real scaleX,
                               Real scaleY) {
    std::string& b = stream.Buffer();
    b.append("INSERT\t");
    b.append(OneField(name));
    for (Real v : {x, y, angle, scaleX, scaleY}) {
        b.push_back('\t');
        AppendNumber(b, v);
    }
    b.append("\r\n", 2);
    stream.Written();
}

bool TxtWriter::TxtWriteEof() {
    stream.PutLine("EOF");
    return stream.Close();
}

void TxtWriter::TxtMoveTo3D(Real x, Real y, Real z) { CadMoveTo3D(x, y, z); }

void TxtWriter::TxtLineTo3D(Real x, Real y, Real z) { CadWriterLineTo3D(*this, x, y, z); }

std::unique_ptr<CadWriter> MakeTxtWriter() { return std::make_unique<TxtWriter>(); }

}  // namespace veldrim
