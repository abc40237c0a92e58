// The HP-GL reader: one pass over the bytes of a plot file, drawing through
// the drawing interface.
#include "graphics/formats/hpgl_reader.h"

#include <cctype>
#include <cmath>

#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/help_texts.h"
#include "foundation/plane_geometry.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "graphics/graf_cursor.h"
#include "graphics/graf_object.h"
#include "graphics/graf_plot_file.h"

namespace veldrim {

HpglReaderRecord HpglReaderState;

void ResetHpglReader() { HpglReaderState = HpglReaderRecord{}; }

int HpglPenColor(int pen) {
    static constexpr int kMap[8] = {0, 12, 14, 10, 11, 9, 13, 15};
    return pen >= 1 && pen <= 7 ? kMap[pen] : pen;
}

namespace {

constexpr Real kMmPerUnit = 0.025L;  // 40 plotter units per millimetre
constexpr char kEndOfText = 3;
// A parameter text longer than this is no number; the rest is still read.
constexpr std::size_t kMaxParameter = 64;

class HpglPlayer {
public:
    explicit HpglPlayer(std::string_view bytes) : in_(bytes) {}

    void Run() {
        // The pen is lifted and the current point unset at the start of every file.
        penDown_ = false;
        x_ = y_ = -999;
        for (;;) {
            endOfCommand_ = false;
            int c = Next();
            if (c == ';') c = Next();
            if (c < 0) break;
            const int c2 = Next();
            if (c2 < 0) break;
            const bool done = Execute(Upper(c), Upper(c2));
            if (eof_ || cancelFlag) break;
            // Parameters a command does not use are skipped with it.
            if (!done && !endOfCommand_) SkipToSemicolon();
            if (eof_) break;
        }
    }

private:
    static int Upper(int c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

    // Reading past the end sets the cancel flag and ends the file.
    int Raw() {
        if (pos_ >= in_.size()) {
            eof_ = true;
            cancelFlag = true;
            return -1;
        }
        return static_cast<unsigned char>(in_[pos_++]);
    }
    // The general reader skips blanks and line ends.
    int Next() {
        for (;;) {
            const int c = Raw();
            if (c != ' ' && c != '\r' && c != '\n') return c;
        }
    }
    // The label reader skips line ends only.
    int NextLabel() {
        for (;;) {
            const int c = Raw();
            if (c != '\r' && c != '\n') return c;
        }
    }
    void SkipToSemicolon() {
        for (int c = Next(); c >= 0 && c != ';'; c = Next()) {
        }
        endOfCommand_ = true;
    }

    // The text up to the next ',' or ';'; ';' ends the command.
    std::string ParameterText(bool coordinate) {
        std::string t;
        for (;;) {
            const int c = Next();
            if (c < 0 || c == ',') break;
            if (c == ';') {
                endOfCommand_ = true;
                break;
            }
            if (coordinate && (c == 'P' || c == 'A')) continue;
            if (t.size() < kMaxParameter) t += static_cast<char>(c);
        }
        return t;
    }
    Real RealParameter(bool coordinate) {
        const Real v = TextToFloat(ParameterText(coordinate));
        return std::isfinite(v) ? v : 0;
    }
    int IntParameter() {
        const std::string t = ParameterText(false);
        if (t.empty() && endOfCommand_) return 1;
        return TextToInt(t);
    }

    void UsePenColor() {
        const int colour = HpglPenColor(HpglReaderState.penNumber);
        if (colour != colour_) GrafSetColor(colour);
        colour_ = colour;
    }
    void MoveTo(Real x, Real y) {
        if (penDown_) {
            UsePenColor();
            GrafLine(x_, y_, x, y);
        }
        x_ = x;
        y_ = y;
    }

    // Executes one command; true when it read its own end.
    bool Execute(int a, int b) {
        HpglReaderRecord& s = HpglReaderState;
        if (a == 'P' && b == 'U') return penDown_ = false, Pairs();
        if (a == 'P' && b == 'D') return penDown_ = true, Pairs();
        if (a == 'P' && b == 'A') return Pairs();
        if (a == 'S' && b == 'P') {
            const int pen = IntParameter();
            s.penNumber = static_cast<uint8_t>(pen < 0 ? 0 : pen > 255 ? 255 : pen);
            return false;
        }
        if (a == 'C' && b == 'I') {
            const Real r = RealParameter(true) * kMmPerUnit;
            if (eof_) return true;
            UsePenColor();
            GrafCircle(x_, y_, std::fabs(r));
            return false;
        }
        if (a == 'S' && b == 'I') {
            const Real w = RealParameter(false);
            if (endOfCommand_ || eof_) return false;
            const Real h = RealParameter(false);
            if (!eof_) s.charWidth = w, s.charHeight = h;
            return false;
        }
        if (a == 'D' && b == 'I') {
            const Real run = RealParameter(false);
            if (endOfCommand_) {  // DI; is the default direction
                s.directionRun = 1, s.directionRise = 0;
                return false;
            }
            const Real rise = RealParameter(false);
            if (!eof_) s.directionRun = run, s.directionRise = rise;
            return false;
        }
        if (a == 'C' && b == 'S') {
            s.characterSet = RealParameter(true);
            return false;
        }
        if (a == 'L' && b == 'B') return Label();
        if (a == 'A' && b == 'A') return ArcAbsolute();
        if (a == 'P' && b == 'E') return PolylineEncoded();
        return false;  // ignored and unknown commands: skipped to ';'
    }

    // Coordinate pairs until the end of the command; a lone x ends it.
    bool Pairs() {
        while (!endOfCommand_ && !eof_) {
            const Real x = RealParameter(true);
            if (endOfCommand_ || eof_) break;
            const Real y = RealParameter(true);
            if (eof_) break;
            MoveTo(x * kMmPerUnit, y * kMmPerUnit);
        }
        return true;
    }

    bool Label() {
        HpglReaderRecord& s = HpglReaderState;
        const bool umlauts = s.characterSet == 3;
        std::string text;
        for (;;) {
            const int c = NextLabel();
            if (c < 0) return true;  // the file ended inside the label
            if (c == kEndOfText) break;
            if (umlauts && c == '}' && !text.empty()) {
                char& last = text.back();
                switch (last) {
                    case 'a': last = static_cast<char>(132); break;
                    case 'o': last = static_cast<char>(148); break;
                    case 'u': last = static_cast<char>(129); break;
                    case 'A': last = static_cast<char>(142); break;
                    case 'O': last = static_cast<char>(153); break;
                    case 'U': last = static_cast<char>(154); break;
                    default: break;
                }
                continue;
            }
            // An over-long label is cut; its rest is read up to the terminator.
            if (text.size() < kHpglMaxLabel) text += static_cast<char>(c);
        }
        endOfCommand_ = true;
        UsePenColor();
        const Real angle = RadToDeg(VectorAngle(s.directionRun, s.directionRise));
        GrafSetTextStyle(2, angle, 10 * s.charHeight, 10 * s.charWidth);
        GrafOutText(x_, y_, text);
        return true;
    }

    // The arc from the current point about the centre by the sweep angle; the
    // current point moves to the arc's end.
    bool ArcAbsolute() {
        const Real cx = RealParameter(true) * kMmPerUnit;
        if (endOfCommand_ || eof_) return true;
        const Real cy = RealParameter(true) * kMmPerUnit;
        if (endOfCommand_ || eof_) return true;
        const Real sweep = RealParameter(false);
        if (eof_) return true;
        Real ex = x_, ey = y_;
        RotatePointAbout(ex, ey, x_, y_, cx, cy, DegToRad(sweep));
        if (penDown_) {
            const Real r = Hypot(x_ - cx, y_ - cy);
            const Real a1 = RadToDeg(VectorAngle(x_ - cx, y_ - cy));
            Real a2 = RadToDeg(VectorAngle(ex - cx, ey - cy));
            if (a1 == a2) a2 = a1 + 360;
            UsePenColor();
            const Real span = std::fabs(sweep) >= 360 ? 360 : std::fabs(sweep);
            if (sweep >= 0)
                GrafArc(cx, cy, a1, a2, r, span);
            else
                GrafArc(cx, cy, a2, a1, r, span);
        }
        x_ = ex;
        y_ = ey;
        return false;
    }

    // The value of one character of polyline-encoded data: 0..31 (63..) a
    // digit that continues the number, 1000 + digit one that ends it, -1 none.
    static int EncodedDigit(int c, bool sevenBit) {
        if (sevenBit) {
            if (c >= 63 && c <= 94) return c - 63;
            if (c >= 95 && c <= 126) return c - 95 + 1000;
            return -1;
        }
        if (c >= 63 && c <= 126) return c - 63;
        if (c >= 191 && c <= 254) return c - 191 + 1000;
        return -1;
    }

    // One number of polyline-encoded data starting with the digit c; a
    // character inside it that is no digit ends it and is read again.
    Real DecodeNumber(int c, bool sevenBit) {
        uint64_t n = 0;
        int shift = 0;
        for (;;) {
            const int value = EncodedDigit(c, sevenBit);
            if (value < 0) {
                if (c >= 0) --pos_;
                break;
            }
            const bool last = value >= 1000;
            const uint64_t digit = static_cast<uint64_t>(last ? value - 1000 : value);
            if (shift < 58) n += digit << shift;
            shift += sevenBit ? 5 : 6;
            if (last) break;
            c = Next();
        }
        // The lowest bit is the sign; the rest counts half plotter units.
        const Real halfUnits = (n & 1) ? -static_cast<Real>(n - 1) : static_cast<Real>(n);
        return halfUnits / 80;
    }

    bool PolylineEncoded() {
        bool sevenBit = false, penUpNext = false, absoluteNext = false;
        for (;;) {
            const int c = Next();
            if (c < 0) return true;
            if (c == ';') {
                endOfCommand_ = true;
                return true;
            }
            if (c == ':') {
                const int p = Next();
                if (p < 0) return true;
                HpglReaderState.penNumber = static_cast<uint8_t>(p < 1 ? 1 : p > 15 ? 15 : p);
            } else if (c == '<') {
                penUpNext = true;
            } else if (c == '=') {
                absoluteNext = true;
            } else if (c == '>') {
                if (Next() < 0) return true;
            } else if (c == '7') {
                sevenBit = true;
            } else if (EncodedDigit(c, sevenBit) >= 0) {
                const Real dx = DecodeNumber(c, sevenBit);
                const int c2 = Next();
                if (c2 < 0) return true;
                if (EncodedDigit(c2, sevenBit) < 0) {
                    --pos_;  // a pair without y: no move
                    continue;
                }
                const Real dy = DecodeNumber(c2, sevenBit);
                if (eof_) return true;
                penDown_ = !penUpNext;
                if (absoluteNext)
                    MoveTo(dx, dy);
                else
                    MoveTo(x_ + dx, y_ + dy);
                penDown_ = true;
                penUpNext = absoluteNext = false;
            }
        }
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    bool eof_ = false;
    bool endOfCommand_ = false;
    bool penDown_ = false;
    int colour_ = -1;
    Real x_ = -999, y_ = -999;
};

void ShowHelpPicture(const std::string& path) {
    // A missing picture is named, and the view stays as it was.
    if (!path.empty()) {
        GrafCheckPlotFile(path);
        if (cancelFlag) return;
    }
    GrafClear();
    GrafHeader(0, 0, 160, 120);
    if (!path.empty()) ReadHpglFile(path);
    // The played picture is shown at once.
    GrafClearViewPort();
    GrafNormalCursor();
}

}  // namespace

void PlayHpgl(std::string_view bytes) {
    HpglPlayer(bytes).Run();
    cancelFlag = false;
}

void ReadHpglFile(const std::string& name) {
    GrafWaitCursor();
    GrafCheckPlotFile(name);
    if (cancelFlag) {
        GrafNormalCursor();
        return;
    }
    std::string bytes;
    if (!ReadWholeRegularFile(name, bytes)) {
        // Gone or unreadable since the check: named as a missing picture.
        GrafMessage(ShownFileName(WithoutBlanks(name)) + " nicht gefunden !");
        cancelFlag = true;
        GrafNormalCursor();
        return;
    }
    PlayHpgl(bytes);
    GrafNormalCursor();
}

void InstallHpglHelpPictures() { helpPictureHook = &ShowHelpPicture; }

}  // namespace veldrim
