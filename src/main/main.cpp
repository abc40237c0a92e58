// The program: with a data file and switches it runs headless and ends.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const char* name = argc > 0 ? argv[0] : "veldrim";
    if (const char* slash = std::strrchr(name, '/')) name = slash + 1;
    std::printf("%s Filename [/I] [/CADi:j] [/E] [/NOGUI]\n", name);
    return 0;
}
