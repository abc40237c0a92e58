// The STEP writer: files read by OpenCASCADE, every reference checked
// against the entity types the schema expects, the two passes, the empty
// drawing, numbers and strings.

#include "graphics/formats/step_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <regex>
#include <set>

#include "exchange_test_support.h"
#include "foundation/codepage.h"

namespace veldrim {
namespace {

using testing_support::Bbox;
using testing_support::Field;
using testing_support::OcctCheck;

using StepTest = testing_support::ExchangeFixture;

struct Entity {
    std::string type;  // the first entity name of its text
    std::string text;
};

// The DATA section as entities by number; an entity may span lines.
std::map<int, Entity> ParseDataText(const std::string& text) {
    std::map<int, Entity> out;
    const size_t data = text.find("DATA;");
    const size_t end = text.find("ENDSEC;", data);
    static const std::regex entity(R"(#(\d+) = ([^;]*(?:'[^']*'[^;]*)*);)");
    const std::string body = text.substr(data + 5, end - data - 5);
    for (auto it = std::sregex_iterator(body.begin(), body.end(), entity);
         it != std::sregex_iterator(); ++it) {
        std::string t = (*it)[2];
        static const std::regex name(R"([A-Z_0-9]+)");
        std::smatch m;
        std::regex_search(t, m, name);
        out[std::stoi((*it)[1])] = {m.str(), t};
    }
    return out;
}
std::map<int, Entity> ParseData(const std::string& file) {
    return ParseDataText(testing::Slurp(file));
}

// ---- string literals, decoded by the rules of ISO 10303-21

std::string Utf8Of(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

// A string literal with its quotes, decoded into UTF-8: '' and \\ stand for
// ' and \, \X\hh for one ISO 8859-1 character, and \X2\ and \X4\ open a run
// of characters of four and eight hex digits that only \X0\ ends. Nothing
// for a literal the standard refuses: a run left open or cut short, a lone
// apostrophe or backslash, a byte outside printable ASCII.
std::optional<std::string> DecodeStepLiteral(std::string_view literal) {
    if (literal.size() < 2 || literal.front() != '\'' || literal.back() != '\'')
        return std::nullopt;
    const std::string_view body = literal.substr(1, literal.size() - 2);
    const auto hex = [&](std::size_t at, std::size_t digits, char32_t& value) {
        if (at + digits > body.size()) return false;
        value = 0;
        for (std::size_t k = 0; k < digits; ++k) {
            const char c = body[at + k];
            const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return false;
            value = value * 16 + static_cast<char32_t>(d);
        }
        return true;
    };
    std::string out;
    for (std::size_t i = 0; i < body.size();) {
        const std::string_view rest = body.substr(i);
        char32_t c = 0;
        if (rest.starts_with("''")) {
            out += '\'';
            i += 2;
        } else if (rest.starts_with("\\\\")) {
            out += '\\';
            i += 2;
        } else if (rest.starts_with("\\X\\")) {
            if (!hex(i + 3, 2, c)) return std::nullopt;
            out += Utf8Of(c);
            i += 5;
        } else if (rest.starts_with("\\X2\\") || rest.starts_with("\\X4\\")) {
            const std::size_t digits = rest[2] == '2' ? 4 : 8;
            for (i += 4; !body.substr(i).starts_with("\\X0\\"); i += digits) {
                if (!hex(i, digits, c)) return std::nullopt;
                out += Utf8Of(c);
            }
            i += 4;
        } else if (rest[0] == '\'' || rest[0] == '\\' || rest[0] < 0x20 || rest[0] > 0x7E) {
            return std::nullopt;
        } else {
            out += rest[0];
            ++i;
        }
    }
    return out;
}

// The string literals of an entity's text, with their quotes.
std::vector<std::string> LiteralsOf(const std::string& text) {
    std::vector<std::string> out;
    static const std::regex literal("'(?:[^']|'')*'");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), literal);
         it != std::sregex_iterator(); ++it)
        out.push_back(it->str());
    return out;
}

// A text of OpenCASCADE's entity dump (cad_occt_check.tcl) in UTF-8: \xNN
// and \u{N...} stand for the characters it read.
std::string OcctDumpText(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::string_view rest = s.substr(i);
        if (rest.starts_with("\\x") && rest.size() >= 4) {
            out += Utf8Of(static_cast<char32_t>(std::stoul(std::string(rest.substr(2, 2)), 0, 16)));
            i += 4;
        } else if (rest.starts_with("\\u{") && rest.find('}') != std::string_view::npos) {
            const std::size_t close = rest.find('}');
            out += Utf8Of(
                static_cast<char32_t>(std::stoul(std::string(rest.substr(3, close - 3)), 0, 16)));
            i += close + 1;
        } else {
            out += s[i++];
        }
    }
    return out;
}

// The part's PRODUCT entity (the one after the assembly's #7).
std::string PartProduct(const std::map<int, Entity>& entities) {
    for (const auto& [n, e] : entities)
        if (n > 7 && e.type == "PRODUCT") return e.text;
    return "";
}

// The types each entity may refer to, after the AP214 schema.
const std::map<std::string, std::set<std::string>> kAllowedReferences = {
    {"APPLICATION_PROTOCOL_DEFINITION", {"APPLICATION_CONTEXT"}},
    {"SHAPE_DEFINITION_REPRESENTATION", {"PRODUCT_DEFINITION_SHAPE", "SHAPE_REPRESENTATION"}},
    {"PRODUCT_DEFINITION_SHAPE", {"PRODUCT_DEFINITION", "NEXT_ASSEMBLY_USAGE_OCCURRENCE"}},
    {"PRODUCT_DEFINITION", {"PRODUCT_DEFINITION_FORMATION", "PRODUCT_DEFINITION_CONTEXT"}},
    {"PRODUCT_DEFINITION_FORMATION", {"PRODUCT"}},
    {"PRODUCT", {"MECHANICAL_CONTEXT"}},
    {"MECHANICAL_CONTEXT", {"APPLICATION_CONTEXT"}},
    {"PRODUCT_DEFINITION_CONTEXT", {"APPLICATION_CONTEXT"}},
    {"SHAPE_REPRESENTATION",
     {"AXIS2_PLACEMENT_3D", "GEOMETRIC_CURVE_SET", "GEOMETRIC_REPRESENTATION_CONTEXT"}},
    {"AXIS2_PLACEMENT_3D", {"CARTESIAN_POINT", "DIRECTION"}},
    {"GEOMETRIC_REPRESENTATION_CONTEXT",
     {"UNCERTAINTY_MEASURE_WITH_UNIT", "LENGTH_UNIT", "NAMED_UNIT"}},
    {"UNCERTAINTY_MEASURE_WITH_UNIT", {"LENGTH_UNIT"}},
    {"PRODUCT_TYPE", {"PRODUCT"}},
    {"GEOMETRIC_CURVE_SET", {"TRIMMED_CURVE"}},
    {"TRIMMED_CURVE", {"LINE", "CARTESIAN_POINT"}},
    {"LINE", {"CARTESIAN_POINT", "VECTOR"}},
    {"VECTOR", {"DIRECTION"}},
    {"CONTEXT_DEPENDENT_SHAPE_REPRESENTATION",
     {"REPRESENTATION_RELATIONSHIP", "PRODUCT_DEFINITION_SHAPE"}},
    {"REPRESENTATION_RELATIONSHIP", {"SHAPE_REPRESENTATION", "ITEM_DEFINED_TRANSFORMATION"}},
    {"ITEM_DEFINED_TRANSFORMATION", {"AXIS2_PLACEMENT_3D"}},
    {"NEXT_ASSEMBLY_USAGE_OCCURRENCE", {"PRODUCT_DEFINITION"}},
    {"MECHANICAL_DESIGN_GEOMETRIC_PRESENTATION_REPRESENTATION",
     {"STYLED_ITEM", "GEOMETRIC_REPRESENTATION_CONTEXT"}},
    {"STYLED_ITEM", {"PRESENTATION_STYLE_ASSIGNMENT", "GEOMETRIC_CURVE_SET"}},
    {"PRESENTATION_STYLE_ASSIGNMENT", {"SURFACE_STYLE_USAGE", "CURVE_STYLE"}},
    {"SURFACE_STYLE_USAGE", {"SURFACE_SIDE_STYLE"}},
    {"SURFACE_SIDE_STYLE", {"SURFACE_STYLE_FILL_AREA"}},
    {"SURFACE_STYLE_FILL_AREA", {"FILL_AREA_STYLE"}},
    {"FILL_AREA_STYLE", {"FILL_AREA_STYLE_COLOUR"}},
    {"FILL_AREA_STYLE_COLOUR", {"COLOUR_RGB"}},
    {"CURVE_STYLE", {"DRAUGHTING_PRE_DEFINED_CURVE_FONT", "COLOUR_RGB"}},
};

// Every reference points at an existing entity of a type its entity may
// refer to; the entities are numbered 1..n without gaps. Returns the faults.
std::vector<std::string> ReferenceFaults(const std::map<int, Entity>& entities) {
    std::vector<std::string> faults;
    int expected = 1;
    for (const auto& [n, e] : entities) {
        if (n != expected++) faults.push_back("gap before #" + std::to_string(n));
        // References outside the strings ('Context #1' is a text).
        const std::string bare = std::regex_replace(e.text, std::regex("'[^']*'"), "''");
        static const std::regex ref(R"(#(\d+))");
        for (auto it = std::sregex_iterator(bare.begin(), bare.end(), ref);
             it != std::sregex_iterator(); ++it) {
            const int to = std::stoi((*it)[1]);
            const auto target = entities.find(to);
            const auto allowed = kAllowedReferences.find(e.type);
            if (target == entities.end())
                faults.push_back("#" + std::to_string(n) + " " + e.type + " -> missing #" +
                                 std::to_string(to));
            else if (allowed == kAllowedReferences.end() ||
                     !allowed->second.count(target->second.type))
                faults.push_back("#" + std::to_string(n) + " " + e.type + " -> #" +
                                 std::to_string(to) + " " + target->second.type);
        }
    }
    return faults;
}

// ---- trimmed lines, read back from the file's own entities

using Vec3 = std::array<double, 3>;

// The numbers of an entity's text after its name, references left out.
std::vector<double> NumbersOf(const std::string& text) {
    std::vector<double> out;
    const std::string bare = std::regex_replace(text, std::regex(R"(#\d+)"), "#");
    static const std::regex number(R"([-+]?\d+\.\d*(?:E[-+]?\d+)?)");
    for (auto it = std::sregex_iterator(bare.begin(), bare.end(), number);
         it != std::sregex_iterator(); ++it) {
        const std::string t = it->str();
        double v = 0;
        std::from_chars(t.data() + (t[0] == '+'), t.data() + t.size(), v);
        out.push_back(v);
    }
    return out;
}

std::vector<int> ReferencesOf(const std::string& text) {
    std::vector<int> out;
    static const std::regex ref(R"(#(\d+))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), ref);
         it != std::sregex_iterator(); ++it)
        out.push_back(std::stoi((*it)[1]));
    return out;
}

struct TrimmedLine {
    Vec3 from, to;
};

// Every TRIMMED_CURVE of the file, checked against its own basis line: the
// line LINE(point, VECTOR(DIRECTION, magnitude)) runs through point +
// t * magnitude * direction, so each trim point must be the line's point at
// its trim parameter, the direction must be a unit vector, and the second
// parameter must lie beyond the first (sense .T.). Faults go to `faults`;
// the trimmed lines (from the trim points) are returned.
std::vector<TrimmedLine> TrimmedLines(const std::map<int, Entity>& entities,
                                      std::vector<std::string>& faults) {
    std::vector<TrimmedLine> out;
    const auto entity = [&](int n, const char* type) -> const Entity* {
        const auto it = entities.find(n);
        if (it == entities.end() || it->second.type != type) {
            faults.push_back("#" + std::to_string(n) + " is not a " + type);
            return nullptr;
        }
        return &it->second;
    };
    const auto point = [&](int n) {
        Vec3 p{};
        if (const Entity* e = entity(n, "CARTESIAN_POINT")) {
            const auto v = NumbersOf(e->text);
            if (v.size() == 3)
                p = {v[0], v[1], v[2]};
            else
                faults.push_back("#" + std::to_string(n) + " has not three coordinates");
        }
        return p;
    };
    static const std::regex trimmed(
        R"(TRIMMED_CURVE\('[^']*',#(\d+),\(#(\d+),PARAMETER_VALUE\(([^)]*)\)\),)"
        R"(\(#(\d+),PARAMETER_VALUE\(([^)]*)\)\),\.T\.,\.PARAMETER\.\))");
    for (const auto& [n, e] : entities) {
        if (e.type != "TRIMMED_CURVE") continue;
        const std::string at = "#" + std::to_string(n) + ": ";
        std::smatch m;
        if (!std::regex_match(e.text, m, trimmed)) {
            faults.push_back(at + "not a line trimmed by point and parameter: " + e.text);
            continue;
        }
        const Entity* line = entity(std::stoi(m[1]), "LINE");
        if (!line) continue;
        const auto lineRefs = ReferencesOf(line->text);
        if (lineRefs.size() != 2) {
            faults.push_back(at + "its line has not two references");
            continue;
        }
        const Vec3 origin = point(lineRefs[0]);
        const Entity* vector = entity(lineRefs[1], "VECTOR");
        if (!vector) continue;
        const auto vectorRefs = ReferencesOf(vector->text);
        const auto magnitude = NumbersOf(vector->text);
        if (vectorRefs.size() != 1 || magnitude.size() != 1) {
            faults.push_back(at + "its vector is not a direction and a magnitude");
            continue;
        }
        const Entity* direction = entity(vectorRefs[0], "DIRECTION");
        if (!direction) continue;
        const auto d = NumbersOf(direction->text);
        if (d.size() != 3) {
            faults.push_back(at + "its direction has not three numbers");
            continue;
        }
        if (std::abs(std::hypot(d[0], d[1], d[2]) - 1) > 1e-5)
            faults.push_back(at + "its direction is not a unit vector");
        const std::string t1Text = m[3], t2Text = m[5];
        const double t1 = NumbersOf(t1Text).at(0), t2 = NumbersOf(t2Text).at(0);
        if (!(t2 > t1)) faults.push_back(at + "its second parameter is not beyond the first");
        const Vec3 ends[2] = {point(std::stoi(m[2])), point(std::stoi(m[4]))};
        const double ts[2] = {t1, t2};
        for (int k = 0; k < 2; ++k) {
            const double s = ts[k] * magnitude[0];
            const Vec3 on{origin[0] + s * d[0], origin[1] + s * d[1], origin[2] + s * d[2]};
            const double off =
                std::hypot(ends[k][0] - on[0], ends[k][1] - on[1], ends[k][2] - on[2]);
            // Six significant digits of coordinates up to a few hundred.
            if (off > 2e-3)
                faults.push_back(at + "trim point " + std::to_string(k + 1) + " lies " +
                                 std::to_string(off) + " from its line's point at parameter " +
                                 std::to_string(ts[k]));
        }
        out.push_back({ends[0], ends[1]});
    }
    return out;
}

// A rectangle, a line of no length, a circle as 63 chords (tolerance 1),
// and block B (a line of 10) inserted at (120, 60), turned 30 degrees and
// scaled 2: its line ends at (120 + 20 cos 30, 60 + 20 sin 30).
void DrawSample() {
    CadOutputState.chordTolerance = 1;
    CadRectangle(0, 0, 100, 50);
    CadLine(7, 7, 7, 7);
    CadCircle(50, 25, 10);
    CadInsertBlock("B", 120, 60, 30, 2, 2);
}
void SampleBlocks() {
    CadBeginBlock("B");
    CadLine(0, 0, 10, 0);
    CadEndBlock();
}

TEST_F(StepTest, FileReadByOpenCascade) {
    std::vector<bool> firstPass;
    const auto file = Run(
        kCadStep, "part's",
        [&] {
            firstPass.push_back(CadFirstEntityPass());
            DrawSample();
        },
        SampleBlocks);
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(firstPass, (std::vector<bool>{true, false}));
    EXPECT_EQ(file.filename(), "part's.stp");

    const auto entities = ParseData(file.string());
    EXPECT_EQ(ReferenceFaults(entities), std::vector<std::string>{});
    ASSERT_TRUE(entities.count(25));
    const std::string& shape = entities.at(25).text;
    EXPECT_EQ(std::count(shape.begin(), shape.end(), '#'),
              1 + 68 + 1);  // #11, the curves, the context
    EXPECT_EQ(entities.at(26).type, "GEOMETRIC_CURVE_SET");
    EXPECT_NE(testing::Slurp(file.string()).find("FILE_NAME('" + dir.string() + "/part''s.stp','"),
              std::string::npos);

    if (!testing_support::HaveProgram("/usr/bin/occt-draw")) GTEST_SKIP() << "occt-draw missing";
    const std::string occt = OcctCheck(file.string());
    ASSERT_NE(occt.find("DONE"), std::string::npos) << occt;
    EXPECT_EQ(Field(occt, "ENTITIES="), std::to_string(entities.size()));
    EXPECT_EQ(Field(occt, "FAILS="), "0") << occt;
    EXPECT_EQ(Field(occt, "WARNINGS="), "0") << occt;
    EXPECT_EQ(Field(occt, "EDGE="), "68");
    const std::vector<double> box = Bbox(occt);
    const std::vector<double> expected = {0, 0, 0, 120 + 20 * std::cos(M_PI / 6), 70, 0};
    ASSERT_EQ(box.size(), 6u) << occt;
    for (size_t i = 0; i < 6; ++i)
        EXPECT_NEAR(box[i], expected[i], 1e-4) << i;  // 6 significant digits
}

// Read back from the file alone, each trimmed line ends at its own trim
// points, and those are the ends of what was drawn: the rectangle's four
// sides, the block's line from (120, 60) by 20 at 30 degrees, and 63 chords
// whose ends lie on the circle of radius 10 about (50, 25).
TEST_F(StepTest, TrimmedLinesEndAtTheirOwnTrimPoints) {
    const auto file = Run(kCadStep, "trims", DrawSample, SampleBlocks);
    const auto entities = ParseData(file.string());
    std::vector<std::string> faults;
    const auto lines = TrimmedLines(entities, faults);
    EXPECT_EQ(faults, std::vector<std::string>{});
    ASSERT_EQ(lines.size(), 68u);
    using Segment = std::array<double, 4>;
    const double bx = 120 + 20 * std::cos(M_PI / 6), by = 60 + 20 * std::sin(M_PI / 6);
    std::vector<Segment> straight = {
        {0, 0, 100, 0}, {100, 0, 100, 50}, {100, 50, 0, 50}, {0, 50, 0, 0}, {120, 60, bx, by}};
    int chords = 0;
    for (const TrimmedLine& l : lines) {
        EXPECT_EQ(l.from[2], 0);
        EXPECT_EQ(l.to[2], 0);
        const auto same = [&l](const Segment& s) {
            const auto close = [](double a, double b) { return std::abs(a - b) < 2e-3; };
            const bool forward = close(l.from[0], s[0]) && close(l.from[1], s[1]) &&
                                 close(l.to[0], s[2]) && close(l.to[1], s[3]);
            const bool backward = close(l.from[0], s[2]) && close(l.from[1], s[3]) &&
                                  close(l.to[0], s[0]) && close(l.to[1], s[1]);
            return forward || backward;
        };
        const auto it = std::find_if(straight.begin(), straight.end(), same);
        if (it != straight.end()) {
            straight.erase(it);
            continue;
        }
        const double r1 = std::hypot(l.from[0] - 50, l.from[1] - 25);
        const double r2 = std::hypot(l.to[0] - 50, l.to[1] - 25);
        EXPECT_NEAR(r1, 10, 2e-3) << "a line from (" << l.from[0] << ", " << l.from[1] << ")";
        EXPECT_NEAR(r2, 10, 2e-3) << "a line to (" << l.to[0] << ", " << l.to[1] << ")";
        ++chords;
    }
    EXPECT_EQ(chords, 63);
    EXPECT_EQ(straight.size(), 0u) << "drawn lines missing from the file";
}

// The reader of trimmed lines finds a trim point that is not its line's
// point at the trim parameter, and a reference to an entity of the wrong
// type.
TEST_F(StepTest, TrimmedLineCheckFindsAWrongTrimPoint) {
    const std::string good =
        "DATA;\r\n"
        "#1 = TRIMMED_CURVE('',#2,(#6,PARAMETER_VALUE(0.E+000)),"
        "(#7,PARAMETER_VALUE(5.00000E+000)),.T.,.PARAMETER.);\r\n"
        "#2 = LINE('',#3,#4);\r\n"
        "#3 = CARTESIAN_POINT('',(1.00000E+000,2.00000E+000,0.E+000));\r\n"
        "#4 = VECTOR('',#5,1.);\r\n"
        "#5 = DIRECTION('',(6.00000E-001,8.00000E-001,0.E+000));\r\n"
        "#6 = CARTESIAN_POINT('',(1.00000E+000,2.00000E+000,0.E+000));\r\n"
        "#7 = CARTESIAN_POINT('',(4.00000E+000,6.00000E+000,0.E+000));\r\n"
        "ENDSEC;\r\n";
    std::vector<std::string> faults;
    const auto lines = TrimmedLines(ParseDataText(good), faults);
    EXPECT_EQ(faults, std::vector<std::string>{});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].to, (Vec3{4, 6, 0}));
    // The second trim naming the first point; the line naming the vector as
    // its point.
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"(#7,PARAMETER", "(#6,PARAMETER"},
          {"LINE('',#3,#4)", "LINE('',#4,#4)"}}) {
        std::string bad = good;
        bad.replace(bad.find(from), from.size(), to);
        faults.clear();
        TrimmedLines(ParseDataText(bad), faults);
        EXPECT_FALSE(faults.empty()) << to;
    }
}

// Without a line the shape representation is empty and names the context
// that follows it; no style refers to a curve that does not exist.
TEST_F(StepTest, EmptyDrawingHasAnEmptyShapeAndNoStyle) {
    const auto file = Run(kCadStep, "empty", [] { CadLine(1, 1, 1, 1); });
    const auto entities = ParseData(file.string());
    EXPECT_EQ(ReferenceFaults(entities), std::vector<std::string>{});
    ASSERT_EQ(entities.size(), 25u + 18u);
    EXPECT_EQ(entities.at(25).text, "SHAPE_REPRESENTATION('',(#11),#26)");
    EXPECT_EQ(entities.at(26).type, "GEOMETRIC_REPRESENTATION_CONTEXT");
    EXPECT_EQ(testing::Slurp(file.string()).find("STYLED_ITEM"), std::string::npos);
    if (!testing_support::HaveProgram("/usr/bin/occt-draw")) GTEST_SKIP() << "occt-draw missing";
    const std::string occt = OcctCheck(file.string());
    ASSERT_NE(occt.find("DONE"), std::string::npos) << occt;
    EXPECT_EQ(Field(occt, "FAILS="), "0") << occt;
}

// The 3D helpers share the 3D current point: a line from (1, 2, 3) up the
// z axis by 10 has the direction (0, 0, 1) and the trim length 10.
TEST_F(StepTest, LineTo3DFromTheCurrentPoint) {
    StepWriter w;
    for (int pass = 0; pass < 2; ++pass) {
        w.StepBeginData();
        w.StepMoveTo3D(1, 2, 3);
        w.StepLineTo3D(1, 2, 13);
        EXPECT_EQ(w.StepNextPass(), pass == 1);
    }
    const std::string& text = w.stream.MemoryText();
    EXPECT_NE(text.find("#25 = SHAPE_REPRESENTATION('',(#11,#26),#34);"), std::string::npos)
        << text;
    EXPECT_NE(text.find("PARAMETER_VALUE(1.00000E+001)),.T.,.PARAMETER.);"), std::string::npos)
        << text;
    EXPECT_NE(text.find("#31 = DIRECTION('',(0.00000E+000,0.00000E+000,1.00000E+000));"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("#33 = CARTESIAN_POINT('',(1.00000E+000,2.00000E+000,1.30000E+001));"),
              std::string::npos)
        << text;
    EXPECT_EQ(CadOutputState.currentZ, 13);
    std::vector<std::string> faults;
    const auto lines = TrimmedLines(ParseDataText(text), faults);
    EXPECT_EQ(faults, std::vector<std::string>{});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].from, (Vec3{1, 2, 3}));
    EXPECT_EQ(lines[0].to, (Vec3{1, 2, 13}));
}

TEST_F(StepTest, NumbersAndStrings) {
    const std::pair<Real, const char*> numbers[] = {
        {15, "1.50000E+001"},      {-0.25L, "-2.50000E-001"}, {0, "0.00000E+000"},
        {-1, "-1.00000E+000"},     {1234567, "1.23457E+006"}, {-0.0L, "0.00000E+000"},
        {1E-120L, "1.00000E-120"}, {1E400L, "0.00000E+000"}};
    for (const auto& [x, text] : numbers) EXPECT_EQ(StepNumberText(x), text);
    // Each string, its literal, and the text the literal reads back as.
    const struct {
        std::string in;
        const char* literal;
        std::string read;
    } strings[] = {
        {"it's", "'it''s'", "it's"},
        {"a\\b", "'a\\\\b'", "a\\b"},
        {std::string("Maß öl"_cp850), "'Ma\\X2\\00DF\\X0\\ \\X2\\00F6\\X0\\l'", "Maß öl"},
        {std::string("°C"_cp850), "'\\X2\\00B0\\X0\\C'", "°C"},
        // A text that ends in a letter beyond ASCII closes its run all the same.
        {std::string("Maß"_cp850), "'Ma\\X2\\00DF\\X0\\'", "Maß"},
        {std::string("Größ"_cp850), "'Gr\\X2\\00F600DF\\X0\\'", "Größ"},
        {std::string("Größe"_cp850), "'Gr\\X2\\00F600DF\\X0\\e'", "Größe"},
    };
    for (const auto& c : strings) {
        const std::string literal = StepString(c.in);
        EXPECT_EQ(literal, c.literal);
        EXPECT_EQ(DecodeStepLiteral(literal), c.read) << literal;
    }
    // The decoder refuses a run that no \X0\ ends.
    EXPECT_EQ(DecodeStepLiteral("'Ma\\X2\\00DF'"), std::nullopt);
}

// A file name (UTF-8) keeps every letter: U+20AC, U+0141, U+00F6, U+00DF in a
// \X2\ run, U+1D50A beyond the basic plane in a \X4\ run, a byte that is no
// UTF-8 as '?'.
TEST_F(StepTest, FileNameStringsCarryEveryLetter) {
    const std::pair<std::string, const char*> names[] = {
        {"/a/Getriebe-€Ł-Größe.stp",
         "'/a/Getriebe-\\X2\\20AC0141\\X0\\-Gr\\X2\\00F600DF\\X0\\e.stp'"},
        {"ö𝔊b's", "'\\X2\\00F6\\X0\\\\X4\\0001D50A\\X0\\b''s'"},
        {"a\xFF.stp", "'a?.stp'"},
        // Names that end in a letter beyond ASCII close their run.
        {"Getriebe-€", "'Getriebe-\\X2\\20AC\\X0\\'"},
        {"Maß𝔊", "'Ma\\X2\\00DF\\X0\\\\X4\\0001D50A\\X0\\'"},
    };
    for (const auto& [in, out] : names) {
        const std::string literal = StepFileNameString(in);
        EXPECT_EQ(literal, out) << in;
        if (in.find('\xFF') == std::string::npos) {
            EXPECT_EQ(DecodeStepLiteral(literal), in) << literal;
        }
    }
}

// OpenCASCADE decodes the header's file name of "Getriebe-€Ł-Größe.stp" to
// the exact name, letters outside code page 850 and all.
TEST_F(StepTest, HeaderFileNameReadBackWithEveryLetter) {
    const auto file = Run(kCadStep, "Getriebe-€Ł-Größe", [] { CadLine(0, 0, 1, 1); });
    ASSERT_EQ(file.filename().string(), "Getriebe-€Ł-Größe.stp");
    if (!testing_support::HaveProgram("/usr/bin/occt-draw")) GTEST_SKIP() << "occt-draw missing";
    // OpenCASCADE opens no file whose name holds such letters: it reads a copy.
    const std::filesystem::path copy = dir / "header.stp";
    std::filesystem::copy_file(file, copy);
    const std::string occt = OcctCheck(copy.string(), "", true);
    ASSERT_NE(occt.find("DONE"), std::string::npos) << occt;
    const std::string key = "FILE_NAME('";
    const size_t at = occt.find(key);
    ASSERT_NE(at, std::string::npos) << occt;
    const size_t end = occt.find("',", at + key.size());
    EXPECT_EQ(occt.substr(at + key.size(), end - at - key.size()), file.string()) << occt;
}

// A file name with umlauts (UTF-8 on disk) is named by its own letters in
// the header and the product.
TEST_F(StepTest, UmlautFileNameInHeaderAndProduct) {
    const auto file = Run(kCadStep, "Größe", [] { CadLine(0, 0, 1, 1); });
    EXPECT_EQ(file.filename().string(), "Größe.stp");
    EXPECT_EQ(StepPartName(file.string()), "Größe");
    const std::string text = testing::Slurp(file.string());
    EXPECT_NE(text.find("/Gr\\X2\\00F600DF\\X0\\e.stp','"), std::string::npos)
        << text.substr(0, 400);
    EXPECT_NE(text.find("PRODUCT('Gr\\X2\\00F600DF\\X0\\e','Gr\\X2\\00F600DF\\X0\\e',''"),
              std::string::npos)
        << PartProduct(ParseDataText(text));
}

// The part of "Getriebe-€Ł-Größe.stp" is named by the same letters as the
// file: the PRODUCT's name and id decode to "Getriebe-€Ł-Größe", also as
// OpenCASCADE reads them; so for "Maß.stp", whose name ends in a letter
// beyond ASCII.
TEST_F(StepTest, PartNameCarriesEveryLetter) {
    const bool occtThere = testing_support::HaveProgram("/usr/bin/occt-draw");
    for (const std::string name : {"Getriebe-€Ł-Größe", "Maß"}) {
        const auto file = Run(kCadStep, name, [] { CadLine(0, 0, 1, 1); });
        ASSERT_EQ(file.filename().string(), name + ".stp");
        const auto entities = ParseData(file.string());
        const auto literals = LiteralsOf(PartProduct(entities));
        ASSERT_GE(literals.size(), 2u) << PartProduct(entities);
        EXPECT_EQ(DecodeStepLiteral(literals[0]), name) << literals[0];
        EXPECT_EQ(DecodeStepLiteral(literals[1]), name) << literals[1];
        if (!occtThere) continue;
        int product = 0;
        for (const auto& [n, e] : entities)
            if (n > 7 && e.type == "PRODUCT") product = n;
        // OpenCASCADE opens no file whose name holds such letters: it reads a copy.
        const std::filesystem::path copy = dir / "part.stp";
        std::filesystem::remove(copy);
        std::filesystem::copy_file(file, copy);
        const std::string occt = OcctCheck(copy.string(), std::to_string(product));
        ASSERT_NE(occt.find("DONE"), std::string::npos) << occt;
        EXPECT_EQ(Field(occt, "FAILS="), "0") << occt;
        const std::size_t at = occt.find("PRODUCT(");
        ASSERT_NE(at, std::string::npos) << occt;
        const auto read = LiteralsOf(occt.substr(at, occt.find('\n', at) - at));
        ASSERT_GE(read.size(), 2u) << occt;
        for (int k = 0; k < 2; ++k)
            EXPECT_EQ(OcctDumpText(read[k].substr(1, read[k].size() - 2)), name) << occt;
    }
    if (!occtThere) GTEST_SKIP() << "occt-draw missing";
}

}  // namespace
}  // namespace veldrim
