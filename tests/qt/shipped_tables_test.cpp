// The tables installed with the program, edited in the window by a user
// with an empty home folder: the installed files stay as they were, the
// edit goes into the user's own copy, and the picks read that copy.

#include <gmock/gmock.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "calc/forms/material_pick.h"
#include "calc/records.h"
#include "foundation/file_calls.h"
#include "foundation/messages.h"
#include "foundation/save_target.h"
#include "qt/main_window_fixture.h"
#include "tables/datasets/table_access.h"
#include "tables/qt/table_editor_form.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;

// An environment variable set for the test's time.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class ShippedTablesTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        test::MainWindowFixture::SetUp();
        // A writable install under a prefix of its own, as a user installs
        // into a folder of the home.
        share = fs::path(dir.path()) / "prefix" / "share" / "veldrim";
        fs::create_directories(share);
        fs::create_directories(fs::path(dir.path()) / "prefix" / "bin");
        for (const char* f : {"veldrim.hlp", "vovuzi.dbf", "lubri.dbf", "printout.dbf"})
            fs::copy_file(fs::path(VELDRIM_DATA_DIR) / f, share / f);
        installedLubri = veldrim::testing::Slurp((share / "lubri.dbf").string());
        installedMaterials = veldrim::testing::Slurp((share / "vovuzi.dbf").string());
        InstallQtTableEditor();
        Start();
    }
    void TearDown() override {
        tableEditorShowHook = nullptr;
        test::MainWindowFixture::TearDown();
    }
    // What a start of the program decides about its folders.
    void Start() {
        userDataDirectory = UserDataFolderOfDesktop();
        databaseDirectory.clear();
        helpDirectory.clear();
        shippedTablesFolder.clear();
        DbfWriteChecked = false;
        UseDataFolder(
            FindDataFolder((fs::path(dir.path()) / "prefix" / "bin" / "veldrim").string()));
    }
    static int ColumnNamed(TableEditorWindow& editor, const QString& name) {
        for (int c = 0; c < editor.model->columnCount(); ++c)
            if (editor.model->headerData(c, Qt::Horizontal).toString() == name) return c;
        return -1;
    }
    // Types the text into the cell through the grid's editor.
    static void TypeInto(TableEditorWindow& editor, int row, int column, const QString& text) {
        const QModelIndex at = editor.model->index(row, column);
        editor.grid->setCurrentIndex(at);
        editor.grid->edit(at);
        QLineEdit* line = nullptr;
        for (QLineEdit* e : editor.grid->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible()) line = e;
        ASSERT_NE(line, nullptr);
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, Qt::Key_Return);
        QApplication::processEvents();
    }
    // Shows the table for editing, types the text into the first row's
    // field and leaves with OK (the edit posted).
    void EditFirstRow(const char* table, const QString& field, const QString& text) {
        test::ModalDriver edit([&](QWidget* w) {
            auto* editor = qobject_cast<TableEditorWindow*>(w);
            if (!editor || editor->model->rowCount() < 2) return false;
            const int column = ColumnNamed(*editor, field);
            EXPECT_GE(column, 0);
            if (column >= 0) TypeInto(*editor, 0, column, text);
            editor->buttonOk->click();
            return true;
        });
        if (std::string(table) == "lubri") {
            window->findChild<QAction*>("mi_databaseLubricantTable")->trigger();
        } else {
            CreateTableEditorForm();
            TableEditorForm->EditDbfTable(table, 9500);
        }
        EXPECT_TRUE(edit.acted());
    }
    // The texts of a column in a pick of the menu item, which takes no row.
    std::vector<std::string> PickColumn(const char* item, const QString& field) {
        std::vector<std::string> texts;
        test::ModalDriver pick([&](QWidget* w) {
            auto* editor = qobject_cast<TableEditorWindow*>(w);
            if (!editor || editor->model->rowCount() < 2) return false;
            EXPECT_TRUE(editor->PickMode());
            const int column = ColumnNamed(*editor, field);
            for (int r = 0; r < editor->model->rowCount() && column >= 0; ++r)
                texts.push_back(
                    editor->model->index(r, column).data().toString().trimmed().toStdString());
            editor->buttonCancel->click();
            return true;
        });
        window->findChild<QAction*>(item)->trigger();
        EXPECT_TRUE(pick.acted());
        return texts;
    }

    veldrim::testing::TempDir home{"veldrim-home"};
    veldrim::testing::TempDir xdg{"veldrim-xdg"};
    ScopedEnv homeEnv{"HOME", home.path()};
    ScopedEnv dataEnv{"XDG_DATA_HOME", xdg.path()};
    fs::path share;
    std::string installedLubri, installedMaterials;
};

// "Schmierstofftabelle bearbeiten" with a fresh home: the edit and Post
// leave the installed lubricant table byte for byte as it was; the value is
// in the user's copy, shown by the editor on the next start and taken by the
// lubricant pick.
TEST_F(ShippedTablesTest, AnEditOfTheInstalledLubricantTableGoesToTheUsersCopy) {
    ASSERT_EQ(databaseDirectory, share.string()) << "the installed tables are the default";
    EditFirstRow("lubri", "NU40", "150.0");
    EXPECT_EQ(veldrim::testing::Slurp((share / "lubri.dbf").string()), installedLubri)
        << "the installed lubricant table is unchanged";
    const fs::path own = fs::path(xdg.path()) / "veldrim" / "lubri.dbf";
    ASSERT_TRUE(fs::exists(own)) << own;

    Start();
    QString shown;
    test::ModalDriver again([&](QWidget* w) {
        auto* editor = qobject_cast<TableEditorWindow*>(w);
        if (!editor || editor->model->rowCount() < 2) return false;
        EXPECT_TRUE(editor->windowTitle().contains(QString::fromStdString(own.string())))
            << editor->windowTitle().toStdString();
        shown = editor->model->index(0, ColumnNamed(*editor, "NU40")).data().toString();
        editor->buttonCancel->click();
        return true;
    });
    window->findChild<QAction*>("mi_databaseLubricantTable")->trigger();
    EXPECT_TRUE(again.acted());
    EXPECT_EQ(shown.trimmed().toStdString(), "150.0") << "the next start shows the user's value";

    EXPECT_THAT(PickColumn("mi_databaseLubricant", "NU40"), ::testing::Contains("150.0"))
        << "the lubricant pick reads the user's copy";
    EXPECT_EQ(veldrim::testing::Slurp((share / "lubri.dbf").string()), installedLubri)
        << "the installed lubricant table is unchanged after the pick";
}

// The material table the same way: the installed file stays, the material
// pick shows the user's name.
TEST_F(ShippedTablesTest, AnEditOfTheInstalledMaterialTableGoesToTheUsersCopy) {
    EditFirstRow("vovuzi", "NAME", "16MnCr5 eigen");
    EXPECT_EQ(veldrim::testing::Slurp((share / "vovuzi.dbf").string()), installedMaterials)
        << "the installed material table is unchanged";
    Start();
    EXPECT_THAT(PickColumn("mi_databaseMaterialWheel", "NAME"),
                ::testing::Contains("16MnCr5 eigen"));
    EXPECT_EQ(veldrim::testing::Slurp((share / "vovuzi.dbf").string()), installedMaterials)
        << "the installed material table is unchanged after the pick";
}

// Opened for editing and left without a change: no copy of the user's
// stands in for the installed table.
TEST_F(ShippedTablesTest, AnInstalledTableLeftUnchangedGetsNoCopy) {
    test::ModalDriver look([](QWidget* w) {
        auto* editor = qobject_cast<TableEditorWindow*>(w);
        if (!editor || editor->model->rowCount() < 2) return false;
        editor->buttonOk->click();
        return true;
    });
    window->findChild<QAction*>("mi_databaseLubricantTable")->trigger();
    EXPECT_TRUE(look.acted());
    EXPECT_FALSE(fs::exists(fs::path(xdg.path()) / "veldrim" / "lubri.dbf"));
    EXPECT_EQ(veldrim::testing::Slurp((share / "lubri.dbf").string()), installedLubri);
}

// Datei > Neu asks for worm material record 29, which the installed
// material table (nine records) does not hold: the pick opens on its first
// row without choosing it, so no row carries the record marker and the
// record box is empty, and OK says that nothing was taken; the set keeps
// its worm material. A row clicked is marked, its record number is in the
// box, and OK takes it: in the order of kind and heat treatment the fourth
// row is EN-GJS-400-15, record 8 of the table as dbfread reads it.
TEST_F(ShippedTablesTest, APickOnAMissingMaterialShowsNoRowAsCurrentAndOkTakesNone) {
    window->findChild<QAction*>("mi_fileNew")->trigger();
    ASSERT_EQ(gearPair.materialCode[1], 29);
    const std::string name = gearPair.materialName[1];
    const Real E = gearPair.E[1];
    const std::string nothingTaken =
        "Keine Zeile gew\xC3\xA4hlt: nichts \xC3\xBC"
        "bernommen.";
    for (const bool click : {false, true}) {
        SCOPED_TRACE(click ? "a row clicked" : "no row clicked");
        std::vector<std::string> markers, boxes;
        std::string recordBox, boxTitle;
        bool okClicked = false;
        // The pick, then whatever it shows after it.
        test::ModalDriver driver([&](QWidget* w) {
            if (auto* editor = qobject_cast<TableEditorWindow*>(w)) {
                if (okClicked || editor->model->rowCount() < 9) return false;
                if (click) {
                    const QRect r = editor->grid->visualRect(editor->model->index(3, 0));
                    QTest::mouseClick(editor->grid->viewport(), Qt::LeftButton, {}, r.center());
                }
                for (int row = 0; row < editor->model->rowCount(); ++row)
                    markers.push_back(
                        editor->model->headerData(row, Qt::Vertical).toString().toStdString());
                recordBox = editor->editRecno->text().toStdString();
                editor->buttonOk->click();
                okClicked = true;
                return false;
            }
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                boxTitle = box->windowTitle().toStdString();
                boxes.push_back(box->text().toStdString());
                box->accept();
            } else if (auto* d = qobject_cast<QDialog*>(w)) {
                d->reject();  // the calculation's messages after a material taken
            }
            return false;
        });
        window->findChild<QAction*>("mi_databaseMaterialWorm")->trigger();
        EXPECT_TRUE(okClicked) << "the pick was shown";
        if (!click) {
            EXPECT_EQ(markers, std::vector<std::string>(9, "")) << "no row is marked";
            EXPECT_EQ(recordBox, "");
            EXPECT_EQ(boxes, std::vector<std::string>{nothingTaken});
            EXPECT_EQ(boxTitle, "Werkstoffdatenbank Rad 1");
            EXPECT_EQ(messageList.slot[messageList.count], "DBF #29 not found.");
            EXPECT_EQ(gearPair.materialName[1], name);
            EXPECT_EQ(gearPair.E[1], E);
            EXPECT_EQ(gearPair.materialCode[1], 29);
        } else {
            std::vector<std::string> fourthMarked(9, "");
            fourthMarked[3] = "\xE2\x96\xB6";
            EXPECT_EQ(markers, fourthMarked);
            EXPECT_EQ(recordBox, "8");
            EXPECT_THAT(boxes, ::testing::Not(::testing::Contains(nothingTaken)));
            EXPECT_EQ(gearPair.materialName[1], "EN-GJS-400-15");
            EXPECT_EQ(gearPair.materialCode[1], 8);
        }
    }
}

// The install cannot be written, whatever the reason (a read-only image,
// immutable files: every open of one of its files for writing is refused
// with EPERM). The material pick of a fresh user reads the installed table
// for reading only and takes the row clicked: the sixth row in the order of
// kind and heat treatment, CuSn12-C-GZ, record 4, E = 88300 N/mm2.
struct ImmutableInstall {
    static inline fs::path folder;
    static inline std::vector<std::string> openedForWriting;
    static int Open(const char* path, int flags, mode_t mode) {
        if ((flags & O_ACCMODE) != O_RDONLY &&
            fs::path(path).lexically_normal().parent_path() == folder) {
            openedForWriting.push_back(path);
            errno = EPERM;
            return -1;
        }
        return SystemFileCalls().open(path, flags, mode);
    }
};

TEST_F(ShippedTablesTest, AMaterialPickReadsAnInstallThatCannotBeWritten) {
    ImmutableInstall::folder = share.lexically_normal();
    ImmutableInstall::openedForWriting.clear();
    FileCallTable calls = SystemFileCalls();
    calls.open = ImmutableInstall::Open;
    FileCalls = calls;
    bool okClicked = false;
    test::ModalDriver pick([&](QWidget* w) {
        auto* editor = qobject_cast<TableEditorWindow*>(w);
        if (!editor) {
            // The calculation's messages after the material was taken.
            if (auto* d = qobject_cast<QDialog*>(w); d && okClicked) d->reject();
            return false;
        }
        if (okClicked || editor->model->rowCount() < 9) return false;
        const QRect r = editor->grid->visualRect(editor->model->index(5, 0));
        QTest::mouseClick(editor->grid->viewport(), Qt::LeftButton, {}, r.center());
        editor->buttonOk->click();
        okClicked = true;
        return false;
    });
    window->findChild<QAction*>("mi_databaseMaterialWheel")->trigger();
    ResetFileCalls();
    EXPECT_TRUE(okClicked) << "the pick was shown";
    EXPECT_THAT(ImmutableInstall::openedForWriting, ::testing::IsEmpty());
    EXPECT_EQ(gearPair.materialName[2], "CuSn12-C-GZ");
    EXPECT_EQ(gearPair.materialCode[2], 4);
    EXPECT_EQ(gearPair.E[2], 88300);
    EXPECT_EQ(veldrim::testing::Slurp((share / "vovuzi.dbf").string()), installedMaterials);
}

// A table folder the user chose is written where it is, as before.
TEST_F(ShippedTablesTest, AChosenTableFolderIsEditedInPlace) {
    const fs::path chosen = fs::path(dir.path()) / "tables";
    fs::create_directories(chosen);
    fs::copy_file(share / "lubri.dbf", chosen / "lubri.dbf");
    databaseDirectory = chosen.string();
    EditFirstRow("lubri", "NU40", "150.0");
    EXPECT_NE(veldrim::testing::Slurp((chosen / "lubri.dbf").string()), installedLubri)
        << "the chosen folder's table holds the edit";
    EXPECT_FALSE(fs::exists(fs::path(xdg.path()) / "veldrim" / "lubri.dbf"));
}

}  // namespace
}  // namespace veldrim
