// The readability check of plot files.
#include "graphics/graf_plot_file.h"

#include <fstream>

#include "foundation/files.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "graphics/graf_object.h"

namespace veldrim {

void GrafCheckPlotFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (in.is_open()) return;
    GrafMessage(ShownFileName(WithoutBlanks(name)) + " nicht gefunden !");
    cancelFlag = true;
}

}  // namespace veldrim
