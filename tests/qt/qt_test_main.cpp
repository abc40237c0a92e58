// The Qt tests run on the offscreen platform at scale 1 unless the caller
// chose otherwise, and under a German locale, which the Qt application takes
// from the environment: the program's number texts must not follow it. The
// application outlives every widget of the tests. Every test runs in a folder
// of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <clocale>

#include "support/folder_per_test.h"

namespace {
void Default(const char* name, const char* value) {
    if (qEnvironmentVariableIsEmpty(name)) qputenv(name, value);
}
}  // namespace

int main(int argc, char** argv) {
    Default("QT_QPA_PLATFORM", "offscreen");
    Default("QT_SCALE_FACTOR", "1");
    Default("LC_ALL", "de_DE.UTF-8");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir = "/tmp/runtime-" + QByteArray::number(getuid());
        mkdir(dir.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    ::testing::InitGoogleTest(&argc, argv);
    veldrim::testing::RunEachTestInAFolderOfItsOwn();
    QApplication app(argc, argv);
    // As the program does after its application starts.
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
