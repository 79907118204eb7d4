#include "browser/command_line.h"

#include <gtest/gtest.h>

#include <string>

#include "browser/file_name.h"

namespace zel::browser {
namespace {

constexpr const char* kModule = "C:\\Program Files\\Zel\\ZelViewer.exe";

struct CommandLineCase {
  const char* line;
  const char* module;
  const char* directory;
  bool fileGiven;
  const char* fileName;
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, FindsDirectoryAndFile) {
  const CommandLineCase& c = GetParam();
  const BrowserCommandLine parsed = parseCommandLine(c.line, c.module);
  EXPECT_EQ(parsed.programDirectory, c.directory) << c.line;
  EXPECT_EQ(parsed.fileGiven, c.fileGiven) << c.line;
  EXPECT_EQ(parsed.fileName, c.fileName) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineTest,
    ::testing::Values(
        // As Explorer and the shell start the program.
        CommandLineCase{"\"C:\\prog\\ZelViewer.exe\"", kModule, "C:\\prog", false, ""},
        CommandLineCase{"\"C:\\prog\\ZelViewer.exe\" C:\\data\\m.kvd", kModule, "C:\\prog", true, "C:\\data\\m.kvd"},
        CommandLineCase{"\"C:\\prog\\ZelViewer.exe\" \"C:\\data\\m.kvd\"", kModule, "C:\\prog", true,
                        "C:\\data\\m.kvd"},
        // A quoted argument keeps its blanks; an unquoted one ends at the first.
        CommandLineCase{"\"C:\\my prog\\ZelViewer.exe\" \"C:\\my data\\a b.kvd\"", kModule, "C:\\my prog", true,
                        "C:\\my data\\a b.kvd"},
        CommandLineCase{"\"C:\\prog\\ZelViewer.exe\" C:\\my data\\m.kvd", kModule, "C:\\prog", true, "C:\\my"},
        CommandLineCase{"\"C:\\prog\\ZelViewer.exe\" a.kvd b.kvd", kModule, "C:\\prog", true, "a.kvd"},
        CommandLineCase{"\"C:\\prog\\ZelViewer.exe\" \"a b.kvd\" c.kvd", kModule, "C:\\prog", true, "a b.kvd"},
        CommandLineCase{"\"C:\\prog\\ZelViewer.exe\" \"C:\\open end.kvd", kModule, "C:\\prog", true,
                        "C:\\open end.kvd"},
        CommandLineCase{"\"C:\\prog\\ZelViewer.exe\" \"\" a.kvd", kModule, "C:\\prog", true, "a.kvd"},
        CommandLineCase{"\"C:\\prog\\ZelViewer.exe\"m.kvd", kModule, "C:\\prog", true, "m.kvd"},
        // No quoted path with a backslash: the module file name tells.
        CommandLineCase{"ZelViewer.exe m.kvd", kModule, "C:\\Program Files\\Zel", true, "m.kvd"},
        CommandLineCase{"C:\\prog\\ZelViewer.exe m.kvd", kModule, "C:\\Program Files\\Zel", true, "m.kvd"},
        CommandLineCase{"\"C:\\prog\\ZelViewer.exe m.kvd", kModule, "C:\\Program Files\\Zel", false, ""},
        CommandLineCase{"ZelViewer", "ZelViewer.exe", ".", false, ""}));

TEST(CommandLineTest, KeepsAFileNameOfAnyLength) {
  const std::string name = "C:\\" + std::string(600, 'd') + "\\m.kvd";
  const BrowserCommandLine parsed = parseCommandLine("\"C:\\prog\\ZelViewer.exe\" \"" + name + "\"", kModule);
  EXPECT_TRUE(parsed.fileGiven);
  EXPECT_EQ(parsed.fileName, name);
}

struct NameCase {
  std::string name;
  NameCheck check;
};

class NameCheckTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameCheckTest, AcceptsKvdInAnyCaseWithinTheLimit) {
  EXPECT_EQ(checkFileName(GetParam().name), GetParam().check) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameCheckTest,
    ::testing::Values(NameCase{"C:\\d\\x.KVD", NameCheck::Ok}, NameCase{"x.Kvd", NameCheck::Ok},
                      NameCase{"x.kvD", NameCheck::Ok}, NameCase{".kvd", NameCheck::Ok},
                      NameCase{"x.kvd.bak", NameCheck::NotKvd}, NameCase{"x.kv", NameCheck::NotKvd},
                      NameCase{"kvd", NameCheck::NotKvd}, NameCase{"x_kvd", NameCheck::NotKvd},
                      NameCase{std::string(251, 'a') + ".kvd", NameCheck::Ok},
                      NameCase{std::string(252, 'a') + ".kvd", NameCheck::TooLong},
                      NameCase{std::string(300, 'a'), NameCheck::TooLong}));

struct ExportNameCase {
  const char* loaded;
  const char* exported;
};

class ExportNameTest : public ::testing::TestWithParam<ExportNameCase> {};

TEST_P(ExportNameTest, ReplacesTheExtension) {
  EXPECT_EQ(exportFileName(GetParam().loaded), GetParam().exported);
}

INSTANTIATE_TEST_SUITE_P(Names, ExportNameTest,
                         ::testing::Values(ExportNameCase{"C:\\d\\x.KVD", "C:\\d\\x.dif"},
                                           ExportNameCase{"a.b.Kvd", "a.b.dif"}));

}  // namespace
}  // namespace zel::browser
