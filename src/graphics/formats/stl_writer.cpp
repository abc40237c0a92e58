// The STL writer: walls, bands, stroke text, and the ASCII and binary forms.
// See stl_writer.h for the facet rules.
#include "graphics/formats/stl_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace veldrim {

namespace {

constexpr Real kPi = 3.141592653589793238462643383279502884L;

using Point3 = std::array<Real, 3>;

Real ChordTolerance() {
    Real& t = CadOutputState.chordTolerance;
    if (!(t > 0)) t = 0.1L;
    return t;
}

// Little-endian 32-bit words of the binary form.
void AppendU32LE(std::string& out, uint32_t u) {
    const char b[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                       static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
    out.append(b, 4);
}

void AppendFloatLE(std::string& out, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    AppendU32LE(out, u);
}

// The strokes of the stroke text: start point (in cell units: x in cell
// widths, y in text heights, shear in heights) and which characters use it.
struct Stroke {
    Real x, y, shear;  // start (x W + shear H sin a, y H)
    bool vertical;
    const char* chars;
};

// H is drawn with the strokes of its lower-case form (h), which the stroke
// set holds but upper-casing would never reach.
constexpr Stroke kStrokes[] = {
    {0, 1, 1, false, "0235789ACEFG"},           // top
    {1, 0.5L, 0.5L, true, "01234789AD"},        // upper right
    {1, 0, 0, true, "013456789ABDGH"},          // lower right
    {0, 0, 0, false, ",.0235689BCDEG_"},        // bottom
    {0, 0, 0, true, "0268ABCDEFGH"},            // lower left
    {0, 0.5L, 0.5L, true, "045689ABCEFGH"},     // upper left
    {0, 0.5L, 0.5L, false, "-2345689ABDEFGH"},  // middle
};

}  // namespace

std::string StlNumber(float x) {
    if (!std::isfinite(x)) x = 0;
    if (x == 0) x = 0;  // no "-0"
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 8);
    std::string s(buf, r.ptr);
    for (char& c : s)
        if (c == 'e') c = 'E';
    return s;
}

bool StlWriter::StlOpenFile(const std::string& path) {
    if (path.empty()) return false;
    facetCount_ = 0;
    bands_.clear();
    ascii_ = CadOutputState.stlFileType == 1;
    if (!stream.Create(path)) return false;
    if (ascii_) stream.PutLine("solid " + solidName_);
    return true;
}

void StlWriter::PutFacet(const std::array<float, 12>& f) {
    ++facetCount_;
    if (ascii_) {
        std::string& b = stream.Buffer();
        b += "  facet normal " + StlNumber(f[0]) + " " + StlNumber(f[1]) + " " + StlNumber(f[2]) +
             "\r\n    outer loop\r\n";
        for (int v = 0; v < 3; ++v)
            b += "      vertex " + StlNumber(f[3 + 3 * v]) + " " + StlNumber(f[4 + 3 * v]) + " " +
                 StlNumber(f[5 + 3 * v]) + "\r\n";
        b += "    endloop\r\n  endfacet\r\n";
        stream.Written();
        return;
    }
    for (float x : f) AppendFloatLE(binary_, x);
    binary_.append(2, '\0');
}

void StlWriter::StlWriteFacet(const Point3& v1, const Point3& v2, const Point3& v3) {
    const bool flip = CadOutputState.stlDirInvers != 0;
    const Point3* p[3] = {&v1, flip ? &v3 : &v2, flip ? &v2 : &v3};
    std::array<float, 12> f{};
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 3; ++k)
            f[static_cast<size_t>(3 + 3 * v + k)] = static_cast<float>((*p[v])[k]);
    // The normal of the winding as it is stored (the floats), so that a facet
    // that collapses in single precision is dropped too.
    double a[3], b[3];
    for (int k = 0; k < 3; ++k) {
        a[k] = static_cast<double>(f[static_cast<size_t>(6 + k)]) - f[static_cast<size_t>(3 + k)];
        b[k] = static_cast<double>(f[static_cast<size_t>(9 + k)]) - f[static_cast<size_t>(3 + k)];
    }
    const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                         a[0] * b[1] - a[1] * b[0]};
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len > 0) || !std::isfinite(len)) return;
    for (int k = 0; k < 3; ++k) f[static_cast<size_t>(k)] = static_cast<float>(n[k] / len);
    PutFacet(f);
}

void StlWriter::StlExtrudeLine(Real x1, Real y1, Real x2, Real y2) {
    if (x1 == x2 && y1 == y2) return;
    const Real zA = CadOutputState.extrusionZ1, zB = CadOutputState.extrusionZ2;
    const Point3 a{x1, y1, zA}, b{x2, y2, zA}, c{x1, y1, zB}, d{x2, y2, zB};
    StlWriteFacet(a, b, c);
    StlWriteFacet(c, b, d);
}

void StlWriter::StlExtrudeQuad(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4,
                               Real y4) {
    // Outline order 1, 2, 4, 3; walked counter-clockwise so the walls face out.
    std::array<std::array<Real, 2>, 4> p{{{x1, y1}, {x2, y2}, {x4, y4}, {x3, y3}}};
    Real area2 = 0;
    for (size_t i = 0; i < 4; ++i) {
        const auto& u = p[i];
        const auto& v = p[(i + 1) % 4];
        area2 += u[0] * v[1] - v[0] * u[1];
    }
    if (area2 < 0) std::reverse(p.begin(), p.end());
    for (size_t i = 0; i < 4; ++i)
        StlExtrudeLine(p[i][0], p[i][1], p[(i + 1) % 4][0], p[(i + 1) % 4][1]);
}

void StlWriter::StlRing(Real r1, Real r2, Real cx, Real cy, bool reverse) {
    r1 = std::fabs(r1);
    r2 = std::fabs(r2);
    if (r1 == 0 && r2 == 0) return;
    bands_.push_back(
        {cx, cy, r1, r2, CadOutputState.extrusionZ1, CadOutputState.extrusionZ2, reverse});
}

void StlWriter::WriteBands() {
    if (bands_.empty()) return;
    Real rmax = 0;
    for (const Band& b : bands_) rmax = std::max({rmax, b.r1, b.r2});
    // One angular step for every band: chords of the tolerance on the
    // largest circle, at least 0.002 rad, at least eight steps a turn.
    Real s = ChordTolerance() / rmax;
    if (!(s >= 0.002L)) s = 0.002L;  // also for a radius of no number
    long n = static_cast<long>(std::nearbyint(2 * kPi / s));
    if (n < 8) n = 8;
    std::vector<Real> cosT(static_cast<size_t>(n) + 1), sinT(static_cast<size_t>(n) + 1);
    for (long i = 0; i < n; ++i) {
        cosT[static_cast<size_t>(i)] = std::cos(2 * kPi * i / n);
        sinT[static_cast<size_t>(i)] = std::sin(2 * kPi * i / n);
    }
    cosT[static_cast<size_t>(n)] = cosT[0];  // the circle closes on its first point
    sinT[static_cast<size_t>(n)] = sinT[0];
    for (const Band& b : bands_) {
        for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
            const Point3 pA{b.cx + b.r1 * cosT[i], b.cy + b.r1 * sinT[i], b.zA};
            const Point3 pB{b.cx + b.r1 * cosT[i + 1], b.cy + b.r1 * sinT[i + 1], b.zA};
            const Point3 pC{b.cx + b.r2 * cosT[i], b.cy + b.r2 * sinT[i], b.zB};
            const Point3 pD{b.cx + b.r2 * cosT[i + 1], b.cy + b.r2 * sinT[i + 1], b.zB};
            // Outside on the right of the profile from (zA, r1) to (zB, r2).
            if (!b.reverse) {
                StlWriteFacet(pA, pC, pB);
                StlWriteFacet(pC, pD, pB);
            } else {
                StlWriteFacet(pA, pB, pC);
                StlWriteFacet(pC, pB, pD);
            }
        }
    }
    bands_.clear();
}

void StlWriter::Text(const std::string& text, Real x, Real y) { StlText(text, x, y); }

void StlWriter::StlText(const std::string& text, Real x, Real y) {
    const CadOutputRecord& s = CadOutputState;
    const Real h = s.textHeight, f = s.textWidthFactor;
    const Real w = 0.5L * h * f, thick = 0.09L * h;
    const Real sinA = std::sin(s.textAngle * kPi / 180);
    const bool ccw = s.stlTextOption != 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        const Real cellX = x + static_cast<Real>(i) * h * f;
        for (const Stroke& st : kStrokes) {
            if (c == '\0' || std::strchr(st.chars, c) == nullptr) continue;
            const Real sx = cellX + st.x * w + st.shear * h * sinA, sy = y + st.y * h;
            // The stroke rectangle, rotated about its start by 0 or 90 degrees.
            std::array<std::array<Real, 2>, 4> p;
            if (st.vertical)
                p = {{{sx, sy}, {sx, sy + h / 2}, {sx - thick, sy + h / 2}, {sx - thick, sy}}};
            else
                p = {{{sx, sy}, {sx + w, sy}, {sx + w, sy + thick}, {sx, sy + thick}}};
            // Both are counter-clockwise as listed.
            if (!ccw) std::reverse(p.begin(), p.end());
            for (size_t k = 0; k < 4; ++k)
                StlExtrudeLine(p[k][0], p[k][1], p[(k + 1) % 4][0], p[(k + 1) % 4][1]);
        }
    }
}

bool StlWriter::StlCloseFile() {
    WriteBands();
    if (ascii_) {
        stream.PutLine("endsolid " + solidName_);
    } else {
        std::string head(kStlBinaryHeader);
        head.resize(80, ' ');
        AppendU32LE(head, static_cast<uint32_t>(facetCount_));
        stream.Put(head);
        stream.Put(binary_);
        binary_.clear();
        binary_.shrink_to_fit();
    }
    return stream.Close();
}

std::unique_ptr<CadWriter> MakeStlWriter() { return std::make_unique<StlWriter>("VUZIROZI"); }

}  // namespace veldrim
