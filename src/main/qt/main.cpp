// The program: with a data file and a batch switch it runs headless and ends;
// otherwise it opens the main window.
#include "app/qt/window_start.h"
#include "app/startup.h"

int main(int argc, char** argv) {
    veldrim::InstallWindowRunner(argc, argv);
    return veldrim::RunProgram(argc, argv);
}
