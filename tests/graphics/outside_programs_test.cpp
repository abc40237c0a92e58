// The outside programs of the tests run in the locale they need, whatever
// environment the tests were started in: with every locale variable taken
// out of the tests' own environment (as in a fresh container, where LANG is
// unset), each one still gives back the letters of a name beyond ASCII.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <utility>

#include "exchange_test_support.h"

namespace veldrim {
namespace {

// The tests' environment without a locale for as long as it lives.
class NoLocale {
public:
    NoLocale() {
        for (char** e = environ; e && *e; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            if (name == "LANG" || name == "LANGUAGE" || name.starts_with("LC_"))
                saved_.emplace_back(name, entry.substr(name.size() + 1));
        }
        for (const auto& [name, value] : saved_) ::unsetenv(name.c_str());
    }
    ~NoLocale() {
        for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
    }
    NoLocale(const NoLocale&) = delete;
    NoLocale& operator=(const NoLocale&) = delete;

private:
    std::vector<std::pair<std::string, std::string>> saved_;
};

using OutsidePrograms = testing_support::ExchangeFixture;

TEST_F(OutsidePrograms, GiveBackEveryLetterWithoutALocaleInTheTestsEnvironment) {
    const std::string name = "Getriebe-€Ł-Größe";
    const auto file = Run(kCadStep, name, [] { CadLine(0, 0, 1, 1); });
    // OpenCASCADE opens no file whose name holds such letters: it reads a copy.
    const std::filesystem::path copy = dir / "header.stp";
    std::filesystem::copy_file(file, copy);
    struct Case {
        const char* what;
        const char* program;
        std::function<std::string()> run;
        std::string expected;
    };
    const Case cases[] = {
        {"the locale's character set", "/usr/bin/locale",
         [] {
             return testing::RunOutside({"locale", "charmap"});
         },
         "UTF-8\n"},
        {"python3 printing a name", "/usr/bin/python3",
         [&] {
             return testing::RunOutside(
                 {"/usr/bin/python3", "-c", "import sys; print(sys.argv[1])", name});
         },
         name + "\n"},
        // The name written into a STEP file's header, as OpenCASCADE reads it.
        {"occt-draw reading a STEP header", "/usr/bin/occt-draw",
         [&] {
             const std::string occt = testing_support::OcctCheck(copy.string(), "", true);
             const std::string key = "FILE_NAME('";
             const size_t at = occt.find(key);
             if (at == std::string::npos) return occt;
             const size_t end = occt.find("',", at + key.size());
             return occt.substr(at + key.size(), end - at - key.size());
         },
         file.string()},
    };
    const NoLocale noLocale;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!testing_support::HaveProgram(c.program)) continue;
        EXPECT_EQ(c.run(), c.expected);
    }
}

}  // namespace
}  // namespace veldrim
