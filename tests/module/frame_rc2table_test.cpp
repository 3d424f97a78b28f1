// rc2table: a resource script's STRINGTABLE becomes the C++ source of a string table, with the
// identifiers' values from the header and the texts as UTF-16 literals; bad input fails with
// the file and line named, and nothing is written.
#include "module_test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

using namespace moduletest;

namespace {

constexpr char kHeader[] = "#pragma once\n"
                           "// identifiers\n"
                           "#define IDS_FIRST 17\n"
                           "#define IDS_SECOND 0x2A // hexadecimal\n";

struct ToolRun {
    int exitStatus;
    std::string errors;
    bool wroteOutput;
    std::string output;
};

ToolRun runTool(const std::string& script, const std::string& header = kHeader)
{
    const TemporaryFolder folder;
    const std::string scriptPath = folder.writeFile("Table.rc", script);
    const std::string headerPath = folder.writeFile("resource.h", header);
    const std::string outputPath = folder.path() + "/table.cpp";
    const std::string errorsPath = folder.path() + "/errors.txt";
    const std::string command = "'" + binDir() + "/rc2table' '" + scriptPath + "' '" +
                                headerPath + "' '" + outputPath + "' 2>'" + errorsPath + "'";
    const int status = std::system(command.c_str());
    ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", false, ""};
    std::ifstream errors(errorsPath);
    std::getline(errors, run.errors);
    std::ifstream output(outputPath);
    run.wroteOutput = static_cast<bool>(output);
    std::ostringstream text;
    text << output.rdbuf();
    run.output = text.str();
    return run;
}

TEST(Rc2Table, WritesTheEntriesInOrderWithTheirValuesAndAnEnd)
{
    const ToolRun run = runTool("// comment\n#include \"resource.h\"\n"
                                "LANGUAGE 5, 1\n"
                                "STRINGTABLE\nBEGIN\n"
                                "    IDS_SECOND \"\\nZadejte \"\"bod\"\": \"\n"
                                "    IDS_FIRST, \"Délka\\t\\\\ =\"\n"
                                "    3 \"𝄞\"\n"
                                "END\n");
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    const std::size_t second = run.output.find("{42, u\"\\nZadejte \\\"bod\\\": \"}");
    const std::size_t first = run.output.find("{17, u\"D\\u00E9lka\\t\\\\ =\"}");
    const std::size_t third = run.output.find("{3, u\"\\U0001D11E\"}");
    const std::size_t end = run.output.find("{0, nullptr}");
    EXPECT_NE(second, std::string::npos) << run.output;
    EXPECT_LT(second, first) << run.output;
    EXPECT_LT(first, third) << run.output;
    EXPECT_LT(third, end) << run.output;
    EXPECT_NE(end, std::string::npos) << run.output;
    EXPECT_NE(run.output.find("extern \"C\" const RESOURCE_STRING_ENTRY ResourceStringTable[]"),
              std::string::npos);
}

struct BadInput {
    const char* description;
    std::string script;
    std::string header;
    std::string where;  ///< "file:line" expected in the message
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.description; }

class Rc2TableRefuses : public ::testing::TestWithParam<BadInput> {};

TEST_P(Rc2TableRefuses, NamingFileAndLineAndWritingNothing)
{
    const BadInput& c = GetParam();
    const ToolRun run = runTool(c.script, c.header.empty() ? kHeader : c.header);
    EXPECT_NE(run.exitStatus, 0) << c.description;
    EXPECT_NE(run.errors.find(c.where), std::string::npos) << c.description << ": " << run.errors;
    EXPECT_FALSE(run.wroteOutput) << c.description;
}

const std::string kOk = "STRINGTABLE\nBEGIN\n IDS_FIRST \"a\"\nEND\n";

INSTANTIATE_TEST_SUITE_P(
    Frame, Rc2TableRefuses,
    ::testing::Values(
        BadInput{"unknown identifier", "STRINGTABLE\nBEGIN\n IDS_NONE \"a\"\nEND\n", "",
                 "Table.rc:3:"},
        BadInput{"unterminated string", "STRINGTABLE\nBEGIN\n IDS_FIRST \"a\nEND\n", "",
                 "Table.rc:3:"},
        BadInput{"unknown escape", "STRINGTABLE\nBEGIN\n\n IDS_FIRST \"a\\q\"\nEND\n", "",
                 "Table.rc:4:"},
        BadInput{"missing text", "STRINGTABLE\nBEGIN\n IDS_FIRST\nEND\n", "", "Table.rc:4:"},
        BadInput{"identifier twice",
                 "STRINGTABLE\nBEGIN\n IDS_FIRST \"a\"\n 17 \"b\"\nEND\n", "", "Table.rc:4:"},
        BadInput{"missing END", "STRINGTABLE\nBEGIN\n IDS_FIRST \"a\"\n", "", "Table.rc:"},
        BadInput{"invalid UTF-8", "STRINGTABLE\nBEGIN\n IDS_FIRST \"\xC3(\"\nEND\n", "",
                 "Table.rc:3:"},
        BadInput{"text outside the table", "STRINGTABLE\nBEGIN\nEND\nstray\n", "",
                 "Table.rc:4:"},
        BadInput{"no table at all", "// nothing\n", "", "Table.rc:"},
        BadInput{"value that is no number", kOk, "#define IDS_FIRST seventeen\n",
                 "resource.h:1:"},
        BadInput{"value out of range", kOk, "\n#define IDS_FIRST 70000\n", "resource.h:2:"},
        BadInput{"name defined twice", kOk, "#define IDS_FIRST 1\n#define IDS_FIRST 2\n",
                 "resource.h:2:"}));

}  // namespace
