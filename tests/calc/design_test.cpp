// Pre-dimensioning, its operating-data and material forms, and the geometry
// variant tables, played through the scripted UI.

#include "calc/design.h"

#include <array>
#include <cmath>
#include <functional>
#include <map>

#include "app/data_file_sections.h"
#include "calc/data_file.h"
#include "calc/hardness.h"
#include "calc/forms/material_form.h"
#include "calc/forms/operating_data_form.h"
#include "calc_test_support.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/online_dialog.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/diagrams/diagram.h"
#include "graphics/diagrams/wireframe_3d.h"
#include "support/scripted_ui.h"
#include "support/demo_data_set.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

using calctest::CalcTest;
using calctest::Messages;

using Texts = std::map<int, std::string>;

class DesignTest : public CalcTest {
protected:
    void SetUp() override {
        CalcTest::SetUp();
        testing::LoadDemoDataSet();
        ClearMessages();
    }

    // The user of the operating-data form: chooses the derived quantity and
    // the side, types the texts in order, then presses OK.
    static std::function<bool(OperatingDataFormState&, OperatingDataFormHandler&)> Operating(
        Texts texts, int derived = 2, bool wheelSide = false) {
        return [=](OperatingDataFormState& s, OperatingDataFormHandler& h) {
            s.derived = derived, s.wheelSide = wheelSide;
            h.ChoiceChanged(s);
            for (const auto& [edit, text] : texts) {
                s.text[static_cast<std::size_t>(edit)] = text;
                h.EditChanged(s, edit);
            }
            return h.OkClicked(s);
        };
    }
    // The operating data as scripted, the materials confirmed unchanged.
    void PlanPreDimension(
        std::function<bool(OperatingDataFormState&, OperatingDataFormHandler&)> operating) {
        ui.operatingDataScripts.push_back(std::move(operating));
        ui.materialScripts.push_back([](MaterialFormState&, MaterialFormHandler&) { return true; });
    }
    // The worm-side operating data of the centre-distance estimate below.
    static std::function<bool(OperatingDataFormState&, OperatingDataFormHandler&)>
    WormSideOperatingData() {
        return Operating({{kEditRatio, "20"},
                          {kEditKA, "1.25"},
                          {kEditDm1a, "0.36"},
                          {kEditN1, "1450"},
                          {kEditT1, "10"}});
    }
    static ScriptedUi::OnlineReply Leave(int row, Texts edits = {}, bool ok = true) {
        ScriptedUi::OnlineReply r;
        r.row = row, r.ok = ok;
        for (const auto& [k, v] : edits) r.edits.emplace_back(k, v);
        return r;
    }
    static ScriptedUi::OnlineReply Close() { return Leave(0, {}, false); }

    ScriptedUi ui;
    ScopedUi scope{ui};
};

// ---- Operating-data form -------------------------------------------------------

// P = T 2 pi n / 60000: whichever two are typed, the third follows
// (1.5 kW at 1450 1/min is 9.87858 Nm), and the wheel speed through u.
TEST_F(DesignTest, SpeedTorqueAndPowerStayConsistent) {
    struct Case {
        int derived;
        Texts typed;
        int derivedEdit;
        Real expected;
    } cases[] = {
        {1, {{kEditN1, "1450"}, {kEditP1, "1.5"}}, kEditT1, 9.87858L},
        {2, {{kEditN1, "1450"}, {kEditT1, "9.87858"}}, kEditP1, 1.5L},
        {0, {{kEditT1, "9.87858"}, {kEditP1, "1.5"}}, kEditN1, 1450},
        // A torque of 0 gives no speed: the demo set's 1450 1/min stays.
        {0, {{kEditT1, "0"}, {kEditP1, "1.5"}}, kEditN1, 1450},
    };
    for (const auto& c : cases) {
        TForm_qub3pre form;
        OperatingDataFormState& s = form.state;
        s.text[kEditRatio] = "20";
        s.derived = c.derived;
        form.ChoiceChanged(s);
        for (const auto& [edit, text] : c.typed) {
            s.text[static_cast<std::size_t>(edit)] = text;
            form.EditChanged(s, edit);
        }
        EXPECT_NEAR(TextToFloat(s.text[static_cast<std::size_t>(c.derivedEdit)]), c.expected,
                    c.expected * 2E-5L)
            << "derived " << c.derived;
        EXPECT_NEAR(TextToFloat(s.text[kEditN2]), 72.5L, 1E-3L) << "derived " << c.derived;
    }
    TForm_qub3pre form;
    form.state.derived = 1;
    form.state.text[kEditN1] = "1450", form.state.text[kEditP1] = "1.5";
    form.EditChanged(form.state, kEditP1);
    EXPECT_EQ(form.state.text[kEditT1], "9.878583");
}

TEST_F(DesignTest, WheelSideDerivesOnTheWheelAndTheWormSpeedThroughTheRatio) {
    TForm_qub3pre form;
    OperatingDataFormState& s = form.state;
    s.text[kEditRatio] = "20";
    s.derived = 2, s.wheelSide = true;
    form.ChoiceChanged(s);
    s.text[kEditN2] = "72.5", form.EditChanged(s, kEditN2);
    s.text[kEditT2] = "400", form.EditChanged(s, kEditT2);
    // 400 Nm at 72.5 1/min: 400 * 2 pi * 72.5 / 60000 = 3.03687 kW.
    EXPECT_NEAR(TextToFloat(s.text[kEditP2]), 3.03687L, 1E-5L);
    EXPECT_NEAR(TextToFloat(s.text[kEditN1]), 1450, 1E-9L);
}

TEST_F(DesignTest, SideAndDerivedQuantityDecideWhatCanBeTyped) {
    TForm_qub3pre form;
    OperatingDataFormState& s = form.state;
    s.derived = 1, s.wheelSide = false;
    form.ChoiceChanged(s);
    const bool wormVisible[] = {true, true, true, true, true, true, true, false, false};
    const bool wormEnabled[] = {true, true, true, true, false, true, false, false, false};
    for (int e = 0; e < kOperatingDataEdits; ++e) {
        EXPECT_EQ(s.visible[static_cast<std::size_t>(e)], wormVisible[e])
            << "worm side, edit " << e;
        EXPECT_EQ(s.enabled[static_cast<std::size_t>(e)], wormEnabled[e])
            << "worm side, edit " << e;
    }
    s.derived = 2, s.wheelSide = true;
    form.ChoiceChanged(s);
    const bool wheelVisible[] = {true, true, true, true, false, false, true, true, true};
    const bool wheelEnabled[] = {true, true, true, false, false, false, true, true, false};
    for (int e = 0; e < kOperatingDataEdits; ++e) {
        EXPECT_EQ(s.visible[static_cast<std::size_t>(e)], wheelVisible[e])
            << "wheel side, edit " << e;
        EXPECT_EQ(s.enabled[static_cast<std::size_t>(e)], wheelEnabled[e])
            << "wheel side, edit " << e;
    }
}

TEST_F(DesignTest, OkRefusesDm1aOutsideItsRangeAndARatioOfZero) {
    struct Case {
        const char* dm1a;
        const char* u;
        bool ok;
        int focus;
    } cases[] = {
        {"0.95", "20", false, kEditDm1a}, {"0.09", "20", false, kEditDm1a},
        {"0.35", "0", false, kEditRatio}, {"0.35", "x", false, kEditRatio},
        {"0.1", "20", true, -1},          {"0.9", "0.5", true, -1},
    };
    for (const auto& c : cases) {
        TForm_qub3pre form;
        form.state.text[kEditDm1a] = c.dm1a, form.state.text[kEditRatio] = c.u;
        EXPECT_EQ(form.OkClicked(form.state), c.ok) << c.dm1a << " " << c.u;
        EXPECT_EQ(form.state.focus, c.focus) << c.dm1a << " " << c.u;
    }
}

TEST_F(DesignTest, StoreFillsTheRecordsAndTheDin3996Copies) {
    TForm_qub3pre form;
    OperatingDataFormState& s = form.state;
    s.text = {"20", "1.25", "0.36", "1450", "10", "1.5", "72.5", "160", "1.2"};
    s.derived = 0, s.wheelSide = true;
    ASSERT_TRUE(form.OkClicked(s));
    const GearPairRecord& g = gearPair;
    const WormGearRecord& w = wormGear;
    EXPECT_EQ(w.u, 20);
    EXPECT_EQ(w.KA, 1.25L);
    EXPECT_EQ(w.dm1a, 0.36L);
    EXPECT_EQ(g.n[1], 1450);
    EXPECT_EQ(g.n[2], 72.5L);
    EXPECT_EQ(g.derivedQuantity, 1);
    EXPECT_EQ(w.operatingDataSide, 2);
    const Real din[] = {w.TDin[1], w.TDin[2], w.TDin[3],    w.TDin[4],
                        w.PDin[1], w.PDin[2], w.PDinOut[1], w.PDinOut[2]};
    const Real expected[] = {10, 10, 160, 160, 1.5L, 1.5L, 1.2L, 1.2L};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(din[i], expected[i]) << "copy " << i;
}

TEST_F(DesignTest, FormFillsFromTheRecords) {
    gearPair.T = {{0, 0}};
    wormGear.operatingDataSide = 2;
    wormGear.b[2] = 30, wormGear.mx = 4, wormGear.dm[1] = 40;
    TForm_qub3pre form;
    // A worm torque of 0 shows 0.04 b2 mx dm1 = 0.04 * 30 * 4 * 40 = 192 Nm;
    // a wheel torque of 0 shows the worm side.
    EXPECT_EQ(form.state.text[kEditT1], FormatTorque(192));
    EXPECT_FALSE(form.state.wheelSide);
    EXPECT_EQ(form.state.derived, 1);  // the demo set derives the torque
    EXPECT_EQ(form.state.caption, "Drehzahl, Drehmoment, Nennleistung  1");
    EXPECT_EQ(form.state.ratioLabel, std::string("Übersetzungsverhältnis u=n1/n2"_cp850));
    EXPECT_EQ(gearPair.T[1], 0) << "the estimate is only shown";
    for (int e : {kEditRatio, kEditKA, kEditDm1a}) form.DefaultClicked(form.state, e);
    EXPECT_EQ(form.state.text[kEditRatio], "10");
    EXPECT_EQ(form.state.text[kEditKA], "1.0");
    EXPECT_EQ(form.state.text[kEditDm1a], "0.35");
    // At 0 decimals a ratio of 10.4 reads "10", as its default does: the
    // default still takes effect.
    decimalsSetting = 0;
    wormGear.u = 10.4L;
    TForm_qub3pre rounded;
    rounded.DefaultClicked(rounded.state, kEditRatio);
    ASSERT_TRUE(rounded.OkClicked(rounded.state));
    EXPECT_EQ(wormGear.u, 10);
}

// Calc stores, checks, calculates and shows the result view; the form stays.
TEST_F(DesignTest, CalcButtonCalculatesAndShowsTheResultView) {
    static int views = 0;
    views = 0;
    designResultView = [] { ++views; };
    TForm_qub3pre form;
    form.state.text[kEditDm1a] = "0.95";
    form.CalcClicked(form.state);
    EXPECT_EQ(views, 0) << "refused dm1/a";
    EXPECT_EQ(form.state.focus, kEditDm1a);
    form.state.text[kEditDm1a] = "0.4";
    form.CalcClicked(form.state);
    EXPECT_EQ(views, 1);
    EXPECT_NEAR(wormGear.dm1a, 0.4L, 1E-15L);
    EXPECT_NEAR(wormGear.dm[1], 40, 1E-9L) << "calculated with the stored dm1/a";
}

TEST_F(DesignTest, UnitButtonStoresSwitchesAndFillsAgain) {
    TForm_qub3pre form;
    form.state.text[kEditT1] = "10";
    const std::string metricUnit = form.state.torqueUnit;
    form.UnitsClicked(form.state);
    EXPECT_EQ(unitSystem, 1);
    EXPECT_NE(form.state.torqueUnit, metricUnit);
    EXPECT_EQ(gearPair.T[1], 10);
    EXPECT_EQ(form.state.text[kEditT1], FormatTorque(10));
    EXPECT_NEAR(ParseTorque(form.state.text[kEditT1]), 10, 0.01L);
}

// ---- Pre-dimensioning ----------------------------------------------------------

// Worm data T1 = 10 Nm, n1 = 1450 1/min, u = 20, KA 1.25, dm1/a 0.36 with the
// demo materials (E 210000 / 98100 N/mm², nu 0.3 / 0.35, Sig.Hlim2 520):
// T2 = 0.8 * 10 * 20 = 160 Nm, n2 = 72.5 1/min, ZE = 154.83, CHE = 4.4590,
// Zp = 2.9, fn = 1.78105, so a = 4.4590 (2.9² 160 1.25 1.1 1.78105)^(1/3) =
// 66.35 mm, offered as 66.
TEST_F(DesignTest, PreDimensionEstimatesTheCentreDistance) {
    ui.operatingDataScripts.push_back(WormSideOperatingData());
    ui.materialScripts.push_back([](MaterialFormState&, MaterialFormHandler&) { return true; });
    ui.QueueText(std::nullopt);  // the centre-distance question cancelled

    PreDimension();

    EXPECT_TRUE(cancelFlag);
    EXPECT_NEAR(gearPair.T[2], 160, 1E-12L);
    EXPECT_NEAR(gearPair.n[2], 72.5L, 1E-12L);
    EXPECT_NEAR(wormGear.ZE, 154.82961L, 1E-5L);
    EXPECT_NEAR(wormGear.CHE, 4.458962L, 1E-6L);
    EXPECT_NEAR(wormGear.Zp, 2.9L, 1E-15L);
    EXPECT_EQ(wormGear.a, 66);
    EXPECT_EQ(wormGear.designReal, 520);
    ASSERT_EQ(ui.CallsOf("text").size(), 1u);
    EXPECT_EQ(ui.CallsOf("text")[0].text, "Achsabstand a  [mm]");
}

// The offered centre distance must lie within 0.01 .. 100000 mm.
TEST_F(DesignTest, PreDimensionAsksAgainForACentreDistanceOutOfRange) {
    PlanPreDimension(Operating({{kEditRatio, "20"}, {kEditN1, "1450"}, {kEditT1, "10"}}));
    for (const char* typed : {"0", "200000"}) ui.QueueText(std::string(typed));
    ui.QueueText(std::nullopt);
    PreDimension();
    EXPECT_EQ(ui.CallsOf("text").size(), 3u);
    EXPECT_EQ(ui.CallsOf("message").size(), 2u);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(gearPair.z, (Pair<std::int32_t>{{2, 41}})) << "tooth numbers untouched";
}

// Abbrechen in the material form drops the material edits and the
// pre-dimensioning goes on with the materials as they were: the centre
// distance is asked for, and the estimate is the one of the demo materials
// (66 mm, as in PreDimensionEstimatesTheCentreDistance).
TEST_F(DesignTest, PreDimensionGoesOnWithTheOldMaterialsWhenTheMaterialFormIsCancelled) {
    ui.operatingDataScripts.push_back(WormSideOperatingData());
    const Pair<Real> sigHlim = gearPair.sigHlim;
    ui.materialScripts.push_back([](MaterialFormState& s, MaterialFormHandler&) {
        for (auto& gear : s.gears) gear.values.fill("1");  // typed, then cancelled
        return false;
    });
    ui.QueueText(std::string("100"));
    PreDimension();
    EXPECT_FALSE(cancelFlag);
    ASSERT_EQ(ui.CallsOf("text").size(), 1u) << "the centre distance is asked for";
    ASSERT_EQ(ui.textEntries.size(), 1u);
    EXPECT_EQ(ui.textEntries[0].initial, "66");
    EXPECT_EQ(gearPair.sigHlim, sigHlim) << "the material edits are dropped";
    EXPECT_EQ(wormGear.a, 100);
    // z1 = Round((2.4 sqrt(100) + 7) / 20) = Round(1.55) = 2, z2 = 40.
    EXPECT_EQ(gearPair.z, (Pair<std::int32_t>{{2, 40}}));
}

TEST_F(DesignTest, PreDimensionStopsWhenTheOperatingDataAreCancelled) {
    const GearPairRecord before = gearPair;
    PreDimension();  // no script: the form is cancelled
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(gearPair == before);
    EXPECT_TRUE(ui.CallsOf("material").empty());
}

// z1 = Round((2.4 sqrt(a) + 7) / u), at least 1, z2 = Round(z1 u), halves to
// even: 31 / 10 = 3.1; 91 / 14 = 6.5 gives 6; 1 * 30.5 gives 30.
TEST_F(DesignTest, PreDimensionRoundsToothNumbersHalvesToEven) {
    struct Case {
        const char* u;
        const char* a;
        int z1, z2;
    } cases[] = {
        {"10", "100", 3, 30},
        {"14", "1225", 6, 84},
        {"30.5", "100", 1, 30},
        {"1000", "100", 1, 1000},
    };
    for (const auto& c : cases) {
        testing::LoadDemoDataSet();
        PlanPreDimension(Operating({{kEditRatio, c.u}, {kEditN1, "1450"}, {kEditT1, "10"}}));
        ui.QueueText(std::string(c.a));
        PreDimension();
        EXPECT_EQ(wormGear.a, TextToFloat(c.a)) << c.u;
        EXPECT_EQ(gearPair.z[1], c.z1) << "u " << c.u << ", a " << c.a;
        EXPECT_EQ(gearPair.z[2], c.z2) << "u " << c.u << ", a " << c.a;
    }
}

TEST_F(DesignTest, PreDimensionTakesTheRecommendedWidthsAndMeasuringBalls) {
    PlanPreDimension(Operating({{kEditRatio, "20"}, {kEditN1, "1450"}, {kEditT1, "60"}}));
    ui.QueueText(std::string("100"));
    PreDimension();
    EXPECT_FALSE(fatalFlag) << calctest::Log();
    for (int i = 1; i <= 2; ++i) {
        EXPECT_GT(wormGear.b[i], 0) << i;
        EXPECT_EQ(wormGear.b[i], wormGear.bRec[i]) << i;
        EXPECT_EQ(wormGear.b[i], std::nearbyint(wormGear.b[i])) << i;
        EXPECT_GT(wormGear.measurementInput[i], 0) << i;
    }
    EXPECT_EQ(gearPair.z[1], 2);  // (24 + 7) / 20 = 1.55
    EXPECT_EQ(gearPair.z[2], 40);
}

// Wheel data: the worm speed follows from the wheel's, the wheel torque is
// taken as entered.
TEST_F(DesignTest, PreDimensionWithWheelData) {
    PlanPreDimension(Operating({{kEditRatio, "20"}, {kEditN2, "72.5"}, {kEditT2, "400"}}, 2, true));
    ui.QueueText(std::nullopt);
    PreDimension();
    EXPECT_NEAR(gearPair.n[1], 1450, 1E-9L);
    EXPECT_NEAR(gearPair.T[2], 400, 1E-12L);
    EXPECT_EQ(wormGear.operatingDataSide, 2);
}

// ---- Material form ----------------------------------------------------------------

TEST_F(DesignTest, MaterialFormStoresOnOkAndKeepsTheRecordOnCancel) {
    ui.materialScripts.push_back([](MaterialFormState& s, MaterialFormHandler&) {
        EXPECT_EQ(s.gears[1].name, "CuSn12Ni2-C-GZ");
        EXPECT_EQ(s.gears[0].kind, 2);
        s.gears[1].name = "CuSn12-C";
        s.gears[1].values[1] = "88300";
        s.gears[1].values[5] = "90";
        return true;
    });
    ShowMaterialForm();
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(gearPair.materialName[2], "CuSn12-C");
    EXPECT_EQ(gearPair.E[2], 88300);
    EXPECT_EQ(gearPair.HB[2], 90);
    EXPECT_EQ(gearPair.E[1], 210000);

    const GearPairRecord before = gearPair;
    ui.materialScripts.push_back([](MaterialFormState& s, MaterialFormHandler&) {
        s.gears[0].values[1] = "1";
        return false;
    });
    ShowMaterialForm();
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(gearPair == before);
}

// The hardness button opens the conversion at the gear's HB and takes HB back:
// HV 300 typed in the table is HB 285.
TEST_F(DesignTest, HardnessButtonTakesTheConvertedBrinellValue) {
    ScriptedUi::OnlineReply hv = Leave(2, {{2, "300"}});
    ui.onlineReplies = {hv, Close()};
    ui.materialScripts.push_back([](MaterialFormState& s, MaterialFormHandler& h) {
        h.HardnessClicked(s, 1);
        return true;
    });
    gearPair.HB[2] = 228;
    ShowMaterialForm();
    ASSERT_FALSE(ui.onlineForms.empty());
    EXPECT_EQ(ui.onlineForms[0].inputTexts[1], FormatNum(240)) << "starts from HB 228 = HV 240";
    EXPECT_NEAR(gearPair.HB[2], 285, 1E-9L);
}

// ---- Geometry variant tables -------------------------------------------------------

TEST_F(DesignTest, DesignTableShowsItsRowsAndEndsWithACalculation) {
    ui.onlineReplies = {Close()};
    errorDisplayFlag = true;
    DesignGeometry();
    ASSERT_EQ(ui.onlineForms.size(), 1u);
    const OnlineForm& f = ui.onlineForms[0];
    EXPECT_EQ(f.caption, "Geometrie Auslegung");
    EXPECT_EQ(f.inputCount, 11);
    EXPECT_EQ(f.outputCount, 11);
    const char* names[] = {"al.0", "a",  "dm1/a", "z1",  "z2",   "x2",
                           "b1",   "b2", "mx",    "dm1", "gam.m"};
    const int highlight[] = {0, 3, 0, 0, 0, 0, 0, 0, 1, 1, 1};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(f.inputNames[static_cast<std::size_t>(i)], names[i]) << i;
        EXPECT_EQ(f.highlight[static_cast<std::size_t>(i)], highlight[i]) << i;
    }
    const char* outputs[] = {"df1", "q",     "d2",   "mn",   "da1", "da2",
                             "pz ", "eta-z", "SH 2", "SF 2", "al.n"};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(f.outputNames[static_cast<std::size_t>(i)], outputs[i]) << i;
    EXPECT_EQ(f.inputTexts[1], FormatLengthDecimals(3, 100));
    EXPECT_EQ(f.inputTexts[3], "2");
    EXPECT_EQ(f.outputTexts[1], FormatNum(wormGear.q));
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(errorDisplayFlag);
}

// Leaving the table on row 1 applies no variant, but the rows 1 to 8 typed
// take effect in every pass.
TEST_F(DesignTest, DesignTableRowsOneToEightAlwaysTakeEffect) {
    ui.onlineReplies = {Leave(1, {{5, "42"}, {8, "30"}, {9, "3"}}), Close()};
    DesignGeometry();
    EXPECT_EQ(gearPair.z[2], 42);
    EXPECT_EQ(wormGear.b[2], 30);
    EXPECT_NEAR(wormGear.dm1a, 0.36L, 1E-12L) << "the module typed on row 9 is not used on row 1";
}

// "abc" typed for a is no number: the centre distance keeps its value, the
// table shows it again and says why, as the number entries do; the number
// typed on another row of the same pass takes effect.
TEST_F(DesignTest, ATypedTextThatIsNoNumberKeepsTheValueAndSaysSo) {
    errorDisplayFlag = true;
    const std::string shownA = FormatLengthDecimals(3, 100);
    ui.onlineReplies = {Leave(1, {{2, "abc"}, {5, "42"}}), Close()};
    DesignGeometry();
    EXPECT_EQ(wormGear.a, 100);
    EXPECT_EQ(gearPair.z[2], 42);
    const auto shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Ung\x81ltige Eingabe \"abc\" !");
    ASSERT_EQ(ui.onlineForms.size(), 2u);
    EXPECT_EQ(ui.onlineForms[1].inputTexts[1], shownA) << "the row shows the kept value";
}

// A tooth number is a whole number: "40.5" typed for z2 keeps z2 and says
// so (read as a whole number it would have been taken as 0).
TEST_F(DesignTest, ATypedToothNumberThatIsNoWholeNumberKeepsTheValueAndSaysSo) {
    errorDisplayFlag = true;
    const int z2 = gearPair.z[2];
    ui.onlineReplies = {Leave(1, {{5, "40.5"}}), Close()};
    DesignGeometry();
    EXPECT_EQ(gearPair.z[2], z2);
    const auto shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Ung\x81ltige Eingabe \"40.5\" !");
}

// Axial module on row 9 (a = 100, dm1 = 36, z1 = 2, z2 = 41, x1 = x2 = 0):
// mx = 3.9 gives x2 = 100/3.9 - (36 + 41 * 3.9) / 7.8 = 0.525641; mx = 3
// would need x2 = 6.83, so x2 stays and dm1 = 2 (100 - 20.5 * 3) = 77.
TEST_F(DesignTest, DesignTableModuleVariant) {
    ASSERT_NEAR(wormGear.dm[1], 36, 1E-9L);
    ui.onlineReplies = {Leave(9, {{9, "3.9"}}), Close()};
    DesignGeometry();
    EXPECT_NEAR(wormGear.x[2], 0.5256410256L, 1E-6L);
    EXPECT_NEAR(wormGear.dm1a, 0.36L, 1E-6L);

    testing::LoadDemoDataSet();
    ui.onlineReplies = {Leave(9, {{9, "3"}}), Close()};
    DesignGeometry();
    EXPECT_NEAR(wormGear.x[2], 0, 1E-12L);
    EXPECT_NEAR(wormGear.dm1a, 0.77L, 1E-9L);
    EXPECT_NEAR(wormGear.dm[1], 77, 1E-6L);
}

// Lead angle on row 11: dm1 = 2a / (1 + (2 tan 10° / 2) 20.5) = 43.3397 mm.
TEST_F(DesignTest, DesignTableLeadAngleAndWormDiameterVariants) {
    ui.onlineReplies = {Leave(11, {{11, "10"}}), Close()};
    DesignGeometry();
    EXPECT_NEAR(wormGear.dm1a, 0.4333973L, 1E-6L);

    testing::LoadDemoDataSet();
    ui.onlineReplies = {Leave(10, {{10, "40"}}), Close()};
    DesignGeometry();
    EXPECT_NEAR(wormGear.dm1a, 0.4L, 1E-12L);
}

// A variant that would divide by zero is skipped with a message; the pass
// still calculates with the other inputs.
TEST_F(DesignTest, DesignVariantWithoutThreadsOrDiameterIsSkipped) {
    const std::string noThreads = "Warnung: z1 < 1 ! Variante entfällt"_cp850.data();
    const std::string noDiameter = "Warnung: dm1 <= 0 ! Variante entfällt"_cp850.data();
    const std::string noCentre = "Warnung: a <= 0 ! Variante entfällt"_cp850.data();
    struct Case {
        int row;
        Texts edits;
        std::string message;
    } cases[] = {
        {9, {{4, "0"}, {9, "4"}}, noThreads},
        {11, {{4, "0"}, {11, "10"}}, noThreads},
        {10, {{10, "0"}}, noDiameter},
        {10, {{2, "0"}, {10, "40"}}, noCentre},
    };
    for (const auto& c : cases) {
        testing::LoadDemoDataSet();
        ui.onlineForms.clear();
        ui.onlineReplies = {Leave(c.row, c.edits), Close()};
        DesignGeometry();
        ASSERT_EQ(ui.onlineForms.size(), 2u);
        const auto& shown = ui.onlineForms[1].messages;
        EXPECT_NE(std::find(shown.begin(), shown.end(), c.message), shown.end())
            << "row " << c.row << ": " << c.message;
        EXPECT_NEAR(wormGear.dm1a, 0.36L, 1E-12L) << "row " << c.row;
    }
}

TEST_F(DesignTest, RecalcTableReadsTheShaftAngleOnlyFromItsOwnRow) {
    onlineDialog.inputTexts[11] = "45";  // left by an earlier dialog
    ui.onlineReplies = {Leave(1), Close()};
    RecalcGeometry();
    ASSERT_EQ(ui.onlineForms.size(), 2u);
    EXPECT_EQ(ui.onlineForms[0].caption, "Geometrie Nachrechnung");
    EXPECT_EQ(ui.onlineForms[0].inputCount, 11);
    EXPECT_EQ(ui.onlineForms[0].inputNames[10], "Sigma");
    EXPECT_EQ(ui.onlineForms[0].inputUnits[10], DegreeSign());
    EXPECT_EQ(ui.onlineForms[0].inputTexts[10], FormatNumLong(90));
    EXPECT_EQ(ui.onlineForms[0].outputNames[1], "a");
    EXPECT_NEAR(wormGear.summa, kPi / 2, 1E-15L);

    ui.onlineForms.clear();
    ui.onlineReplies = {Leave(1, {{11, "85"}}), Close()};
    RecalcGeometry();
    EXPECT_NEAR(wormGear.summa, 85 * kPi / 180, 1E-15L);
}

// Worm diameter on row 10: gamma m = arctan(z1 mx / dm1), and the design from
// the lead angle gives that diameter back.
TEST_F(DesignTest, RecalcTableWormDiameterVariant) {
    ui.onlineReplies = {Leave(10, {{10, "40"}}), Close()};
    RecalcGeometry();
    EXPECT_NEAR(wormGear.dm[1], 40, 1E-6L);
    EXPECT_FALSE(fatalFlag) << calctest::Log();

    testing::LoadDemoDataSet();
    ui.onlineForms.clear();
    ui.onlineReplies = {Leave(10, {{4, "0"}, {10, "40"}}), Close()};
    RecalcGeometry();
    ASSERT_EQ(ui.onlineForms.size(), 2u);
    const auto& shown = ui.onlineForms[1].messages;
    EXPECT_NE(std::find(shown.begin(), shown.end(),
                        std::string("Warnung: z1 < 1 ! Variante entfällt"_cp850)),
              shown.end());
}

// A lead angle of 90 degrees typed into the recalculation table has no
// finite centre distance: the pass shows why, and the set keeps its 100 mm.
TEST_F(DesignTest, RecalcTableRefusesALeadAngleOf90Degrees) {
    const Real a = wormGear.a;
    ASSERT_EQ(a, 100);  // the demo set
    ui.onlineReplies = {Leave(2, {{2, "90"}}), Close()};
    RecalcGeometry();
    ASSERT_EQ(ui.onlineForms.size(), 2u);
    const auto& shown = ui.onlineForms[1].messages;
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Fatal  : a = unendlich !"), shown.end());
    EXPECT_EQ(wormGear.a, a);
    EXPECT_FALSE(fatalFlag) << calctest::Log();
}

// The table shows the lead angle with four digits ("12.53" for 12.5289
// degrees); a text the user leaves as shown is not read back, so opening
// and closing the table leaves the centre distance (100 mm) within 0.0001 mm
// (reading "12.53" back moved it by 0.0018 mm).
TEST_F(DesignTest, OpeningAndClosingTheRecalcTableKeepsTheSet) {
    ui.onlineReplies = {Close()};
    RecalcGeometry();
    EXPECT_NEAR(wormGear.a, 100, 1E-4L);
    EXPECT_EQ(ui.onlineForms[0].inputTexts[1], "12.53");
}

// Pressure angle, lead angle and the profile shifts of the recalculation
// table in the short number format: four significant digits from 1 on,
// three below 1.
TEST_F(DesignTest, RecalcTableRowsInTheShortNumberFormat) {
    wormGear.alpha0 = 20;
    wormGear.gammaM = 5.7126L * kPi / 180;
    wormGear.x[1] = 0.123456L;
    wormGear.x[2] = -0.0456789L;
    FillRecalcInputs();
    EXPECT_EQ(onlineDialog.inputTexts[1], "20");
    EXPECT_EQ(onlineDialog.inputTexts[2], "5.713");
    EXPECT_EQ(onlineDialog.inputTexts[6], "0.123");
    EXPECT_EQ(onlineDialog.inputTexts[7], "-0.0457");
}

TEST_F(DesignTest, BatchRunEndsTheTableAfterOnePass) {
    BatchUi batch;
    ScopedUi batchScope(batch);
    DesignGeometry();
    EXPECT_FALSE(cancelFlag);
    EXPECT_NEAR(wormGear.a, 100, 1E-9L);
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

// A value typed into a table is the value the data set keeps: the derived
// values follow from it, never the other way round. Opening and closing
// either table afterwards changes nothing of it; the texts the table shows
// are rounded, so reading them back would move it.
TEST_F(DesignTest, TypedCentreDistanceIsKeptExactly) {
    ui.onlineReplies = {Leave(2, {{2, "110"}}), Close()};
    DesignGeometry();
    EXPECT_EQ(wormGear.a, 110.0L);
    ui.onlineReplies = {Close()};
    DesignGeometry();
    EXPECT_EQ(wormGear.a, 110.0L) << "design table opened and closed";
    ui.onlineReplies = {Close()};
    RecalcGeometry();
    EXPECT_EQ(wormGear.a, 110.0L) << "recalculation table opened and closed";
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

// A data set whose values carry eight significant digits, more than any box
// shows at any decimals setting (at 2 decimals the form shows nu 0.2998765
// as "0" and rho 7.8123456 as "8").
void LoadFineDataSet() {
    testing::LoadDemoDataSet();
    GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    g.rho = {{7.8123456L, 8.7654321L}};
    g.E = {{210123.45L, 98123.456L}};
    g.nue = {{0.29987654L, 0.34912345L}};
    g.sigHlim = {{1500.1234L, 520.12345L}};
    g.sigmaFE = {{860.12345L, 250.12345L}};
    g.HB = {{650.12345L, 95.123456L}};
    w.u = 20.512345L;
    w.KA = 1.2512345L;
    w.dm1a = 0.33123456L;
    w.alpha0 = 20.012345L;
    w.x[2] = 0.12345678L;
    w.b = {{45.123456L, 30.123456L}};
    // Calculated as the geometry tables calculate when they close.
    RunCalculation();
}

// What the operating-data form writes besides its boxes: the DIN 3996 copies
// of torque and power.
void KeepDinCopies() {
    WormGearRecord& w = wormGear;
    w.TDin = {{gearPair.T[1], gearPair.T[1], gearPair.T[2], gearPair.T[2]}};
    w.PDin = {{gearPair.P, gearPair.P}};
    w.PDinOut = {{w.P, w.P}};
}

// OK in a form without an edit gives back every value exactly, whatever the
// decimals setting rounds in the boxes: the data set saves byte for byte as
// before. A box that was typed into takes the typed value.
TEST_F(DesignTest, UntouchedFormsGiveBackTheirValuesAtEveryDecimalsSetting) {
    veldrim::testing::TempDir dir("veldrim-forms");
    InstallDataFileSections();
    // Each form's OK, with nothing typed or with one box typed into.
    struct Form {
        const char* name;
        void (*writes)();  // what OK writes besides the boxes, put into the set before
        std::function<void(ScriptedUi&, bool type)> ok;
        std::function<Real()> field;  // the value typed into
        Real typed;
    };
    const Form forms[] = {
        {"operating data", KeepDinCopies,
         [](ScriptedUi& u, bool type) {
             u.operatingDataScripts.push_back(
                 [type](OperatingDataFormState& s, OperatingDataFormHandler& h) {
                     if (type) s.text[kEditKA] = "1.3";
                     return h.OkClicked(s);
                 });
             ShowOperatingDataForm();
         },
         [] { return wormGear.KA; }, 1.3L},
        {"material", nullptr,
         [](ScriptedUi& u, bool type) {
             u.materialScripts.push_back([type](MaterialFormState& s, MaterialFormHandler&) {
                 if (type) s.gears[1].values[2] = "0.33";  // the wheel's Poisson's ratio
                 return true;
             });
             ShowMaterialForm();
         },
         [] { return gearPair.nue[2]; }, 0.33L},
        // HV 300 typed into the hardness table is HB 285 (0.95 HV).
        {"hardness of the material form", nullptr,
         [](ScriptedUi& u, bool type) {
             u.onlineReplies = {Close()};
             if (type) u.onlineReplies.push_front(Leave(2, {{2, "300"}}));
             u.materialScripts.push_back([](MaterialFormState& s, MaterialFormHandler& h) {
                 h.HardnessClicked(s, 1);
                 return true;
             });
             ShowMaterialForm();
         },
         [] { return gearPair.HB[2]; }, 285},
        {"geometry design", nullptr,
         [](ScriptedUi& u, bool type) {
             u.onlineReplies = {Close()};
             if (type) u.onlineReplies.push_front(Leave(1, {{8, "33.5"}}));
             DesignGeometry();
         },
         [] { return wormGear.b[2]; }, 33.5L},
        {"geometry recalculation", nullptr,
         [](ScriptedUi& u, bool type) {
             u.onlineReplies = {Close()};
             if (type) u.onlineReplies.push_front(Leave(1, {{8, "44.5"}}));
             RecalcGeometry();
         },
         [] { return wormGear.b[1]; }, 44.5L},
    };
    for (int decimals : {0, 2, 3, 5}) {
        for (const Form& f : forms) {
            SCOPED_TRACE(std::string(f.name) + ", decimals " + std::to_string(decimals));
            decimalsSetting = decimals;
            LoadFineDataSet();
            if (f.writes) f.writes();
            ASSERT_TRUE(WriteDataFile(dir / "before.qb3"));
            f.ok(ui, false);
            EXPECT_FALSE(cancelFlag);
            ASSERT_TRUE(WriteDataFile(dir / "after.qb3"));
            EXPECT_EQ(veldrim::testing::Slurp(dir / "after.qb3"),
                      veldrim::testing::Slurp(dir / "before.qb3"));
            f.ok(ui, true);
            EXPECT_NEAR(f.field(), f.typed, 1E-12L);
        }
        // The 3D view and the diagram limits are no part of the data set:
        // their values themselves stay.
        SCOPED_TRACE("decimals " + std::to_string(decimals));
        View3DState.viewAngles = {{-0.26179938L, 1.5707963L, 3.6651914L}};
        const auto angles = View3DState.viewAngles;
        std::array<std::string, 3> shown;
        for (std::size_t k = 0; k < 3; ++k) shown[k] = FormatNum(RadToDeg(angles[k]));
        ui.view3DReplies.push_back(ScriptedUi::View3DReply{shown, true});
        View3DDialog();
        EXPECT_EQ(View3DState.viewAngles, angles);
        shown[1] = "45";
        ui.view3DReplies.push_back(ScriptedUi::View3DReply{shown, true});
        View3DDialog();
        EXPECT_NEAR(View3DState.viewAngles[1], kPi / 4, 1E-15L) << "typed 45 degrees";

        DiagramUserLimits = {0.012345678L, -1.2345678L, 1234.5678L, 2.3456789L};
        const auto limits = DiagramUserLimits;
        const std::array<Real, 4> calculated{-5.0123456L, -11.234567L, 1500.1234L, 7.4567891L};
        std::array<std::string, 4> limitTexts, proposed;
        for (std::size_t i = 0; i < 4; ++i) {
            limitTexts[i] = FormatNum(limits[i]);
            proposed[i] = FormatNum(calculated[i]);
        }
        ui.diagramLimitReplies.push_back(limitTexts);
        ASSERT_TRUE(EnterDiagramLimitsForm("x", "y", "Diagramm", calculated));
        EXPECT_EQ(DiagramUserLimits, limits) << "left as shown";
        ui.diagramLimitReplies.push_back(proposed);
        ASSERT_TRUE(EnterDiagramLimitsForm("x", "y", "Diagramm", calculated));
        EXPECT_EQ(DiagramUserLimits, calculated) << "the Calculate button's limits";
        proposed[3] = "5";
        ui.diagramLimitReplies.push_back(proposed);
        ASSERT_TRUE(EnterDiagramLimitsForm("x", "y", "Diagramm", calculated));
        EXPECT_EQ(DiagramUserLimits[3], 5) << "typed";
    }
}

}  // namespace
}  // namespace veldrim
