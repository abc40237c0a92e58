// The 3D wireframe view: projection, 3D primitives in 2D and 3D outputs,
// the view dialog and the axes.

#include "graphics/diagrams/wireframe_3d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "dxf_test_support.h"
#include "foundation/guarded_math.h"
#include "graphics/diagrams/diagram.h"

namespace veldrim {
namespace {

using Lines = std::vector<std::string>;

// Records 3D lines beside the 2D entities of the recording writer.
class Recording3DWriter : public testing_support::RecordingWriter {
public:
    static std::unique_ptr<CadWriter> Make() { return std::make_unique<Recording3DWriter>(); }
    void Line3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) override {
        std::string s = "LINE3D";
        for (Real v : {x1, y1, z1, x2, y2, z2}) s += " " + testing_support::N(v);
        Log().push_back(s);
    }
};

class Wireframe3DTest : public testing_support::CadFixture {
protected:
    void SetUp() override {
        CadFixture::SetUp();
        ResetView3D();
        ResetDiagramModule();
        SetDiagramSize(100, 100);
        SetDiagramLimits(-10, -10, 10, 10);
    }
    Lines Starting(const std::string& prefix) {
        Lines out;
        for (const std::string& l : Log())
            if (l.starts_with(prefix)) out.push_back(l);
        return out;
    }
    void UseAngles(Real x, Real y, Real z) {
        SetProjectionFromAngles({DegToRad(x), DegToRad(y), DegToRad(z)});
    }
};

TEST_F(Wireframe3DTest, DefaultViewProjectsFromItsStartAngles) {
    // cos(-15 degrees) and sin(210 degrees).
    EXPECT_NEAR(static_cast<double>(Project3DX(1, 0, 0)), 0.96592582628906829, 1e-15);
    EXPECT_NEAR(static_cast<double>(Project3DY(1, 0, 0)), -0.25881904510252076, 1e-15);
    EXPECT_NEAR(static_cast<double>(Project3DX(0, 1, 0)), 0, 1e-15);
    EXPECT_NEAR(static_cast<double>(Project3DY(0, 1, 0)), 1, 1e-15);
    EXPECT_NEAR(static_cast<double>(Project3DY(0, 0, 1)), -0.5, 1e-15);
    EXPECT_NEAR(static_cast<double>(Project3DX(0, 0, 1)), -0.86602540378443865, 1e-15);
}

TEST_F(Wireframe3DTest, PresetXyHidesZ) {
    const auto& xy = kView3DPresets[0];
    ASSERT_EQ(std::string(xy.caption), "xy");
    UseAngles(xy.x, xy.y, xy.z);
    for (Real z : {-7.0L, 0.0L, 3.0L}) {
        EXPECT_NEAR(static_cast<double>(Project3DX(2, 5, z)), 2, 1e-15) << z;
        EXPECT_NEAR(static_cast<double>(Project3DY(2, 5, z)), 5, 1e-15) << z;
    }
}

TEST_F(Wireframe3DTest, CircleOf72SegmentsEndsOnItsStart) {
    BeginRecordedScreenRun();
    Log().clear();
    UseAngles(0, 90, -360);
    Circle3D(0, 0, 0, 0, 5);
    const Lines lines = Starting("LINE ");
    ASSERT_EQ(lines.size(), 72u);
    // Projected without z, drawn at 5 drawing units per unit from (50, 50):
    // from (0, 5) round to (0, 5) again.
    EXPECT_TRUE(lines.front().starts_with("LINE 50.0000 75.0000 ")) << lines.front();
    EXPECT_TRUE(lines.back().ends_with(" 50.0000 75.0000 L0")) << lines.back();
}

TEST_F(Wireframe3DTest, DxfOutputGets3DLinesAndTheScreenNothing) {
    CadWriterFactories[kCadDxf] = &Recording3DWriter::Make;
    BeginDxfRun("model.dxf");
    DisplayList.clear();
    Line3D(1, 2, 3, 4, 5, 6);
    MoveTo3D(0, 0, 0);
    LineTo3D(0, 0, 9);
    EXPECT_EQ(Log(), (Lines{"LINE3D 1.0000 2.0000 3.0000 4.0000 5.0000 6.0000",
                            "LINE3D 0.0000 0.0000 0.0000 0.0000 0.0000 9.0000"}));
    EXPECT_TRUE(DisplayList.empty());
    // With the switch off the same model is projected into the file.
    Log().clear();
    View3DState.fileOutput3D = 0;
    Line3D(0, 0, 0, 0, 2, 0);
    EXPECT_EQ(Log(), Lines{"LINE 50.0000 50.0000 50.0000 60.0000 L0"});
    CadEndOutput();
}

TEST_F(Wireframe3DTest, CylinderHasBothCirclesAndItsGenerators) {
    BeginRecordedScreenRun();
    Log().clear();
    Cylinder3D(4, 0, 10, 0, 0, 2, 1);
    EXPECT_EQ(Starting("LINE ").size(), 12u);
}

TEST_F(Wireframe3DTest, AxesFollowTheViewDialog) {
    BeginRecordedScreenRun();
    Log().clear();
    ui.view3DReplies.push_back(ScriptedUi::View3DReply{{"0", "90", "-360"}, false});
    DrawAxes3D("Modell", {0, 0, 0}, {{{0, 10}, {0, 20}, {0, 30}}});
    ASSERT_EQ(ui.CallsOf("view3d").size(), 1u);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(View3DState.withoutCoordinateSystem, 0);
    // The xy view: the diagram spans the origin and the box of x 0..10, y 0..20.
    EXPECT_NEAR(static_cast<double>(DiagramState.xMin), 0, 1e-15);
    EXPECT_NEAR(static_cast<double>(DiagramState.xMax), 10, 1e-15);
    EXPECT_NEAR(static_cast<double>(DiagramState.yMax), 20, 1e-15);
    Lines labels;
    for (const std::string& l : Starting("TEXT '"))
        if (l.size() > 7 && l[7] == '\'') labels.push_back(l.substr(6, 1));
    EXPECT_EQ(std::ranges::count(labels, "x"), 1);
    EXPECT_EQ(std::ranges::count(labels, "y"), 1);
    EXPECT_EQ(std::ranges::count(labels, "z"), 0);  // hidden
    // Cancelling keeps the view and leaves the cancel flag for the caller.
    DrawAxes3D("Modell", {0, 0, 0}, {{{0, 10}, {0, 20}, {0, 30}}});
    EXPECT_TRUE(cancelFlag);
    EXPECT_NEAR(static_cast<double>(View3DState.viewAngles[1]), M_PI / 2, 1e-15);
}

}  // namespace
}  // namespace veldrim
