// The STEP writer: header, the two entity passes, closing block. See
// step_writer.h for the passes and the text rules.
#include "graphics/formats/step_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/guarded_math.h"
#include "foundation/program_state.h"
#include "foundation/system_info.h"
#include "graphics/cad_primitives.h"

namespace veldrim {

namespace {

// The fixed product header of the assembly, entities #1 to #24; entity 11
// names its point through the entity counter (#12).
constexpr const char* kProductEntities[] = {
    "APPLICATION_PROTOCOL_DEFINITION('committee draft','automotive_design',1997,#2);",
    "APPLICATION_CONTEXT('core data for automotive mechanical design processes');",
    "SHAPE_DEFINITION_REPRESENTATION(#4,#10);",
    "PRODUCT_DEFINITION_SHAPE('','',#5);",
    "PRODUCT_DEFINITION('design','',#6,#9);",
    "PRODUCT_DEFINITION_FORMATION('','',#7);",
    "PRODUCT('ASSEMBLY','ASSEMBLY','',(#8));",
    "MECHANICAL_CONTEXT('',#2,'mechanical');",
    "PRODUCT_DEFINITION_CONTEXT('part definition',#2,'design');",
    "SHAPE_REPRESENTATION('',(#11,#15),#19);",
    nullptr,  // 11: AXIS2_PLACEMENT_3D
    "CARTESIAN_POINT('',(0.E+000,0.E+000,0.E+000));",
    "DIRECTION('',(0.E+000,0.E+000,1.));",
    "DIRECTION('',(1.,0.E+000,-0.E+000));",
    "AXIS2_PLACEMENT_3D('',#16,#17,#18);",
    "CARTESIAN_POINT('',(0.E+000,0.E+000,0.E+000));",
    "DIRECTION('',(0.E+000,0.E+000,1.));",
    "DIRECTION('',(1.,0.E+000,0.E+000));",
    "( GEOMETRIC_REPRESENTATION_CONTEXT(3) GLOBAL_UNCERTAINTY_ASSIGNED_CONTEXT((#23)) "
    "GLOBAL_UNIT_ASSIGNED_CONTEXT((#20,#21,#22)) REPRESENTATION_CONTEXT('Context #1', "
    "'3D Context with UNIT and UNCERTAINTY') );",
    "( LENGTH_UNIT() NAMED_UNIT(*) SI_UNIT(.MILLI.,.METRE.) );",
    "( NAMED_UNIT(*) PLANE_ANGLE_UNIT() SI_UNIT($,.RADIAN.) );",
    "( NAMED_UNIT(*) SI_UNIT($,.STERADIAN.) SOLID_ANGLE_UNIT() );",
    "UNCERTAINTY_MEASURE_WITH_UNIT(LENGTH_MEASURE(1.E-007),#20,'distance_accuracy_value',"
    "'confusion accuracy');",
    "PRODUCT_TYPE('part',$,(#7));",
};

std::string Point(Real x, Real y, Real z) {
    return "CARTESIAN_POINT('',(" + StepNumberText(x) + "," + StepNumberText(y) + "," +
           StepNumberText(z) + "));";
}

}  // namespace

std::string StepNumberText(Real x) {
    double d = static_cast<double>(x);
    if (!std::isfinite(d)) d = 0;  // never a drawing value; the file stays readable
    char buf[48];
    auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, 5);
    std::string s(buf, r.ptr);  // d.ddddde+XX
    const size_t e = s.find('e');
    std::string mantissa = s.substr(0, e);
    if (mantissa == "-0.00000") mantissa = "0.00000";
    const char sign = s[e + 1];
    std::string digits = s.substr(e + 2);
    while (digits.size() < 3) digits.insert(digits.begin(), '0');
    return mantissa + "E" + sign + digits;
}

std::string StepEntityRef(int32_t n) { return "#" + std::to_string(n); }

namespace {

// An ISO 10303-21 string literal built character by character: printable
// ASCII stands as itself (the apostrophe and the backslash doubled), every
// other character goes into a \X2\ run of four hex digits each, or, beyond
// the basic plane, a \X4\ run of eight; \X0\ ends a run.
class StepLiteral {
public:
    void Add(char32_t c) {
        if (c >= 0x20 && c < 0x7F) {
            EndRun();
            if (c == '\'')
                out_ += "''";
            else if (c == '\\')
                out_ += "\\\\";
            else
                out_ += static_cast<char>(c);
            return;
        }
        const bool wide = c > 0xFFFF;
        const Run run = wide ? Run::kX4 : Run::kX2;
        if (run_ != run) {
            EndRun();
            out_ += wide ? "\\X4\\" : "\\X2\\";
            run_ = run;
        }
        char hex[12];
        std::snprintf(hex, sizeof hex, wide ? "%08X" : "%04X", static_cast<unsigned>(c));
        out_ += hex;
    }
    std::string Finish() {
        EndRun();
        return out_ + "'";
    }

private:
    enum class Run { kNone, kX2, kX4 };
    void EndRun() {
        if (run_ != Run::kNone) out_ += "\\X0\\";
        run_ = Run::kNone;
    }
    std::string out_ = "'";
    Run run_ = Run::kNone;
};

}  // namespace

std::string StepString(std::string_view cp850) {
    StepLiteral literal;
    for (unsigned char c : cp850) literal.Add(kCp850ToUnicode[c]);
    return literal.Finish();
}

std::string StepFileNameString(std::string_view name) {
    StepLiteral literal;
    for (std::size_t i = 0; i < name.size();) {
        char32_t cp = 0;
        std::size_t len = 0;
        // A byte that is no UTF-8 stands for a letter no one can name.
        if (!DecodeUtf8At(name, i, cp, len)) {
            cp = '?';
            len = 1;
        }
        literal.Add(cp);
        i += len;
    }
    return literal.Finish();
}

std::string StepPartName(const std::string& fileName) { return BaseNameOf(fileName); }

void StepWriter::StepWriteEntity(std::string_view text) {
    ++counter_;
    if (!writing_) return;
    std::string& b = stream.Buffer();
    b += StepEntityRef(counter_);
    b += " = ";
    b.append(text);
    b += "\r\n";
    stream.Written();
}

void StepWriter::StepWriteDataLine(std::string_view text) {
    if (writing_) stream.PutLine(text);
}

void StepWriter::StepWriteHeader() {
    stream.PutLine("ISO-10303-21;");
    stream.PutLine("HEADER;");
    stream.PutLine("FILE_DESCRIPTION(('Veldrim Software'),'2;1');");
    stream.PutLine("FILE_NAME(" + StepFileNameString(CadOutputState.outputFileName) + ",'" +
                   TodayIsoDate() + "T" + TimeText() +
                   "',('Osven Talik'),(''),'Veldrim STEP processor 1.0'," +
                   StepString(productName) + ",'');");
    stream.PutLine("FILE_SCHEMA(('AUTOMOTIVE_DESIGN'));");
    stream.PutLine("ENDSEC;");
    stream.PutLine("");
    counter_ = 0;
    curveCount_ = 0;
    writing_ = false;
    dataBegun_ = false;
    curveList_.clear();
}

void StepWriter::StepBeginData() {
    dataBegun_ = true;
    StepWriteProduct();
    curveCount_ = 0;
}

void StepWriter::StepWriteProduct() {
    counter_ = 0;
    StepWriteDataLine("DATA;");
    for (const char* text : kProductEntities) {
        if (text != nullptr)
            StepWriteEntity(text);
        else
            StepWriteEntity("AXIS2_PLACEMENT_3D(''," + Ref(2) + ",#13,#14);");
    }
}

void StepWriter::StepWriteShapeRepresentation() {
    StepWriteEntity("SHAPE_REPRESENTATION('',(#11" + curveList_ + ")," +
                    StepEntityRef(contextNumber_) + ");");
    curveList_.clear();
}

void StepWriter::WriteCurve(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2, bool flat) {
    Real dx, dy, dz, length;
    if (flat) {
        const Real theta = VectorAngle(x2 - x1, y2 - y1);
        dx = std::cos(theta);
        dy = std::sin(theta);
        dz = 0;
        length = std::hypot(x2 - x1, y2 - y1);
    } else {
        dx = x2 - x1;
        dy = y2 - y1;
        dz = z2 - z1;
        length = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (length > 0) {
            dx /= length;
            dy /= length;
            dz /= length;
        }
    }
    // A line of no length has no direction: it is left out of both passes
    // alike, so the numbering stays the same.
    if (!(length > 0) || !std::isfinite(length)) return;
    if (curveCount_ == 0) StepWriteShapeRepresentation();
    curveList_ += "," + StepEntityRef(counter_ + 1);
    ++curveCount_;
    StepWriteEntity("GEOMETRIC_CURVE_SET('',(" + Ref(2) + "));");
    StepWriteEntity("TRIMMED_CURVE(''," + Ref(2) + ",(" + Ref(6) + ",PARAMETER_VALUE(0.E+000)),(" +
                    Ref(7) + ",PARAMETER_VALUE(" + StepNumberText(length) + ")),.T.,.PARAMETER.);");
    StepWriteEntity("LINE(''," + Ref(2) + "," + Ref(3) + ");");
    StepWriteEntity(Point(x1, y1, z1));
    StepWriteEntity("VECTOR(''," + Ref(2) + ",1.);");
    StepWriteEntity("DIRECTION('',(" + StepNumberText(dx) + "," + StepNumberText(dy) + "," +
                    StepNumberText(dz) + "));");
    StepWriteEntity(Point(x1, y1, z1));
    StepWriteEntity(Point(x2, y2, z2));
    contextNumber_ = counter_ + 1;
}

void StepWriter::StepWriteLine(Real x1, Real y1, Real x2, Real y2) {
    WriteCurve(x1, y1, 0, x2, y2, 0, true);
}

void StepWriter::StepWriteLine3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) {
    WriteCurve(x1, y1, z1, x2, y2, z2, false);
}

void StepWriter::StepMoveTo3D(Real x, Real y, Real z) { CadMoveTo3D(x, y, z); }

void StepWriter::StepLineTo3D(Real x, Real y, Real z) { CadWriterLineTo3D(*this, x, y, z); }

bool StepWriter::StepNextPass() {
    const bool old = writing_;
    writing_ = true;
    return old;
}

void StepWriter::StepWriteContext() {
    // A drawing without lines still gets its (empty) shape representation
    // as #25, naming the context that follows it.
    if (curveCount_ == 0) {
        contextNumber_ = counter_ + 2;
        StepWriteShapeRepresentation();
    }
    const bool styled = curveCount_ > 0;
    const int32_t c = counter_;
    auto R = [c](int32_t k) { return StepEntityRef(c + k); };
    StepWriteEntity("( GEOMETRIC_REPRESENTATION_CONTEXT(3)  GLOBAL_UNCERTAINTY_ASSIGNED_CONTEXT((" +
                    R(5) + ")) GLOBAL_UNIT_ASSIGNED_CONTEXT((" + R(2) + "," + R(3) + "," + R(4) +
                    ")) REPRESENTATION_CONTEXT('Context #1','3D Context with UNIT and "
                    "UNCERTAINTY') );");
    StepWriteEntity(kProductEntities[19]);
    StepWriteEntity(kProductEntities[20]);
    StepWriteEntity(kProductEntities[21]);
    StepWriteEntity("UNCERTAINTY_MEASURE_WITH_UNIT(LENGTH_MEASURE(1.E-007)," + R(2) +
                    ",'distance_accuracy_value','confusion accuracy');");
    StepWriteEntity("SHAPE_DEFINITION_REPRESENTATION(" + R(7) + ",#25);");
    StepWriteEntity("PRODUCT_DEFINITION_SHAPE(''," + std::string("''") + "," + R(8) + ");");
    StepWriteEntity("PRODUCT_DEFINITION('design',''," + R(9) + "," + R(12) + ");");
    StepWriteEntity("PRODUCT_DEFINITION_FORMATION(''," + std::string("''") + "," + R(10) + ");");
    // The part is named by the same letters as the header's file name.
    const std::string part = StepFileNameString(StepPartName(CadOutputState.outputFileName));
    StepWriteEntity("PRODUCT(" + part + "," + part + ",'',(" + R(11) + "));");
    StepWriteEntity("MECHANICAL_CONTEXT('',#2,'mechanical');");
    StepWriteEntity("PRODUCT_DEFINITION_CONTEXT('part definition',#2,'design');");
    StepWriteEntity("CONTEXT_DEPENDENT_SHAPE_REPRESENTATION(" + R(14) + "," + R(16) + ");");
    StepWriteEntity("( REPRESENTATION_RELATIONSHIP('','',#25,#10)");
    StepWriteDataLine("REPRESENTATION_RELATIONSHIP_WITH_TRANSFORMATION(" + R(15) + ")");
    StepWriteDataLine("SHAPE_REPRESENTATION_RELATIONSHIP() );");
    StepWriteEntity("ITEM_DEFINED_TRANSFORMATION('','',#11,#15);");
    StepWriteEntity("PRODUCT_DEFINITION_SHAPE('Placement','Placement of an item'," + R(17) + ");");
    StepWriteEntity("NEXT_ASSEMBLY_USAGE_OCCURRENCE('2','=>[0:1:1:2]','',#5," + R(8) + ",$);");
    StepWriteEntity("PRODUCT_TYPE('part',$,(" + R(10) + "));");
    if (!styled) return;  // no curve to style: #26 is a unit, not a curve set
    StepWriteEntity("MECHANICAL_DESIGN_GEOMETRIC_PRESENTATION_REPRESENTATION('',(" + R(20) + ")," +
                    R(1) + ");");
    StepWriteEntity("STYLED_ITEM('color',(" + R(21) + "),#26);");
    StepWriteEntity("PRESENTATION_STYLE_ASSIGNMENT((" + R(22) + "," + R(28) + "));");
    StepWriteEntity("SURFACE_STYLE_USAGE(.BOTH.," + R(23) + ");");
    StepWriteEntity("SURFACE_SIDE_STYLE('',(" + R(24) + "));");
    StepWriteEntity("SURFACE_STYLE_FILL_AREA(" + R(25) + ");");
    StepWriteEntity("FILL_AREA_STYLE('',(" + R(26) + "));");
    StepWriteEntity("FILL_AREA_STYLE_COLOUR(''," + R(27) + ");");
    StepWriteEntity("COLOUR_RGB('',0.800000011921,0.800000011921,0.800000011921);");
    StepWriteEntity("CURVE_STYLE(''," + R(29) + ",POSITIVE_LENGTH_MEASURE(0.1)," + R(27) + ");");
    StepWriteEntity("DRAUGHTING_PRE_DEFINED_CURVE_FONT('continuous');");
}

bool StepWriter::StepWriteTrailer() {
    // Without the writing pass the file has no data section: it is not
    // complete, and the run reports it.
    const bool complete = dataBegun_ && writing_;
    if (complete) {
        StepWriteContext();
        stream.PutLine("ENDSEC;");
    }
    stream.PutLine("END-ISO-10303-21;");
    const bool closed = stream.Close();
    return complete && closed;
}

std::unique_ptr<CadWriter> MakeStepWriter() { return std::make_unique<StepWriter>(); }

}  // namespace veldrim
