// The readability check of plot files.
#include "graphics/graf_plot_file.h"

#include "foundation/files.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "graphics/graf_object.h"

namespace veldrim {

void GrafCheckPlotFile(const std::string& name) {
    // Only a plain readable file is a picture: a folder or a device of that
    // name is reported as a missing file is.
    if (FileExists(name)) return;
    GrafMessage(ShownFileName(WithoutBlanks(name)) + " nicht gefunden !");
    cancelFlag = true;
}

}  // namespace veldrim
