// The program: with a data file and switches it runs headless and ends.
#include "app/startup.h"

int main(int argc, char** argv) { return veldrim::RunProgram(argc, argv); }
