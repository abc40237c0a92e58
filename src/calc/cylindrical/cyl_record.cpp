#include "calc/cylindrical/cyl_record.h"

namespace veldrim {

CylGearRecord cylGear{};

const std::array<std::string_view, 11> kCylDeviationSeriesTexts{"a", "ab", "b", "bc", "c", "cd",
                                                                "d", "e",  "f", "g",  "h"};
const std::array<std::string_view, 9> kCylCentreFieldTexts{"js 4", "js 5", "js 6", "js 7", "js 8",
                                                           "js 9", "js10", "js11", " "};

void ResetCylGearRecord() { cylGear = CylGearRecord{}; }

void InitCylGearModule() {
    ResetCylGearRecord();
    gearPair.z[1] = 16;
    gearPair.z[2] = 58;
    gearPair.n[1] = 1500.0L;
    gearPair.P = 500.0L;
    gearPair.HB[1] = 740.0L;
    gearPair.HB[2] = 740.0L;
    SetExportBlockStartValues(gearPair);
    for (int i = 1; i <= 2; ++i) {
        wormGear.partName[i].clear();
        wormGear.secondDrawingName[i].clear();
        wormGear.drawingNumber[i].clear();
    }
}

}  // namespace veldrim
