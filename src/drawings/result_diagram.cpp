// The result diagram: viscosity over temperature and the power balance.
#include "drawings/result_diagram.h"

#include <algorithm>
#include <string>

#include "calc/records.h"
#include "calc/viscosity.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/program_state.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"
#include "graphics/diagrams/bar_gauge.h"
#include "graphics/diagrams/diagram.h"

namespace veldrim {

namespace {

// The temperature range of the curve, °C, and its step.
constexpr Real kFirstTemperature = 20, kLastTemperature = 120, kTemperatureStep = 5;
// Where the legend's text begins, °C; its markers stand just left of it.
constexpr Real kLegendFrom = kFirstTemperature + 0.45L * (kLastTemperature - kFirstTemperature);

// "°C" in code page 850.
std::string Celsius() { return std::string(1, '\xf8') + 'C'; }

Real Viscosity(Real t) { return ViscosityFromNu40Nu100(wormGear.v40, wormGear.v100, t); }

void DrawViscosityDiagram() {
    const Real nuHigh = Viscosity(kFirstTemperature), nuLow = Viscosity(kLastTemperature);
    SetDiagramSize(160, 110);
    SetDiagramOffset(40, 35);
    // The legend's band stays free of the grid's vertical lines.
    DiagramState.legendFromX = kLegendFrom - 0.04L * (kLastTemperature - kFirstTemperature);
    DrawDiagram(Celsius(), std::string("mm\xfd/s"), std::string("Viskosit\x84t des Schmierstoffs"),
                kFirstTemperature, 0, kLastTemperature, std::max(nuHigh, nuLow), 0);
    // Layers 1 and 2 are centre and hidden lines; the curve, the mark and
    // the legend take solid layers of normal width.
    CadSetLayer(3);
    for (Real t = kFirstTemperature; t < kLastTemperature - 1e-9L; t += kTemperatureStep)
        PlotCurve(1, t, Viscosity(t), t + kTemperatureStep, Viscosity(t + kTemperatureStep));
    // The wheel bulk temperature of the rating and the viscosity there.
    // The mark's line is clipped to the diagram; its square stands only
    // where the point lies inside the limits the user chose.
    const Real theta = wormGear.thetaM;
    if (theta >= DiagramState.xMin && theta <= DiagramState.xMax) {
        const Real nu = Viscosity(theta);
        CadSetLayer(0);
        DiagramLine(theta, DiagramState.yMin, theta, nu);
        if (nu >= DiagramState.yMin && nu <= DiagramState.yMax) DiagramMarker(2, theta, nu);
    }
    // The legend in the upper right of the diagram, where the falling curve
    // leaves room (the markers are clipped to the diagram like its lines):
    // both rows in the middle of the grid's top band, clear of its lines.
    DiagramSetTextStyle(2, 0, 3.0L, 2.2L);
    const DiagramRecord& d = DiagramState;
    const Real h = CadOutputState.textHeight;
    const Real band = DiagramToDrawingY(d.yMax) - DiagramToDrawingY(d.yMax - d.gridStepY);
    // Two rows 1.6 h apart, each drawn 1.6 h high on the screen (from 1.2 h
    // above its baseline to 0.72 h below), fill 3.52 h. Without such a band
    // the rows begin a tenth of the diagram's height below its top, whatever
    // limits the user chose.
    const Real top = DiagramToDrawingY(d.yMax);
    const Real firstBaseline =
        band >= 4.2L * h ? top - band / 2 + 0.56L * h : top - 0.1L * d.height;
    // The text begins at kLegendFrom, but never right of where that stands
    // on the automatic scale, nor so far left that its marker leaves the
    // diagram: limits the user chose keep the legend on the sheet.
    const Real legendX =
        std::clamp(DiagramToDrawingX(kLegendFrom), d.xOffset + h,
                   d.xOffset + (kLegendFrom - kFirstTemperature) /
                                   (kLastTemperature - kFirstTemperature) * d.width);
    CadMoveTo(legendX, firstBaseline);
    DiagramLegendEntry("v40 " + FormatNum(wormGear.v40) + " mm\xfd/s, v100 " +
                           FormatNum(wormGear.v100) + " mm\xfd/s",
                       1);
    DiagramLegendEntry("Radmassentemperatur " + FormatNum(theta) + " " + Celsius(), 2);
}

void DrawPowerBalance() {
    const Real losses[] = {wormGear.PVz, wormGear.PV0, wormGear.PVLP};
    Real input = wormGear.P;
    for (Real l : losses) input += std::max<Real>(l, 0);
    BarGauge gauge;
    CadSetLayer(3);
    BarGaugeInit(gauge, "Leistungsbilanz", 222, 35, 3.0L, 50, 110);
    auto segment = [&](const std::string& label, Real power) {
        const Real percent = std::max<Real>(power, 0) / input * 100;
        BarGaugeDraw(gauge, label + " " + FormatDecimals(1, percent) + " %", percent);
    };
    segment("Abtrieb", wormGear.P);
    segment("Verzahnung", losses[0]);
    segment("Leerlauf", losses[1]);
    segment("Lager", losses[2]);
    BarGaugeNote(gauge, "eta " + FormatDecimals(1, wormGear.eta * 100) + " %");
}

}  // namespace

bool ResultDiagramAvailable() {
    return !fatalFlag && wormGear.v40 > 0 && wormGear.v100 > 0 && wormGear.v40 > wormGear.v100 &&
           wormGear.P > 0 && wormGear.eta > 0 && Viscosity(kLastTemperature) > 0;
}

void DrawResultDiagram() {
    if (!ResultDiagramAvailable()) return;
    DrawViscosityDiagram();
    DrawPowerBalance();
}

}  // namespace veldrim
