// The usage screen of "veldrim /?" lists every switch and says what the
// archive lock refuses: Speichern as well as every save under a new name.
#include <gtest/gtest.h>

#include "app/startup.h"

namespace veldrim {
namespace {

TEST(UsageText, ListsTheSwitchesAndWhatTheArchiveLockRefuses) {
    EXPECT_EQ(UsageText("veldrim"),
              "veldrim Filename [/I] [/CADi:j] [/E] [/NOGUI]\n"
              "  /I        write the text report of the data file\n"
              "  /E        read a data-exchange file, calculate, write it anew\n"
              "  /CADi:j   write CAD item j in format i (1 DXF, 2 IGES, 5 TXT)\n"
              "  /NOGUI    never open a window or dialog\n"
              "  /ARCHIV   archive mode: the data file is named without its folder;\n"
              "            with \"Archive Flag ?\" set, Speichern and saving under a\n"
              "            new name are refused\n"
              "  /?        this screen\n");
}

}  // namespace
}  // namespace veldrim
