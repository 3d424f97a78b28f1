// The resource library's string table: every identifier the module uses is there and nothing
// else, prompts start on a new line and end with ": ", message box texts are sentences, and
// cadhost --strings lists the table.
#include "module_test_support.h"

#include "resource.h"

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

using namespace moduletest;

namespace {

enum class Role { Prompt, CommandLineMessage, BoxText, Caption, Label };

struct StringRole {
    unsigned id;
    Role role;
};

const StringRole kStrings[] = {
    {IDS_NO_DIMENSION, Role::BoxText},
    {IDS_EXT_POINT_AT_CENTER, Role::BoxText},
    {IDS_NOT_POINT_ENTITIES, Role::BoxText},
    {IDS_ARC_NOT_COMPUTABLE, Role::BoxText},
    {IDS_RESULT_NOT_PRINTABLE, Role::BoxText},
    {IDS_ARC_LENGTH_LABEL, Role::Label},
    {IDS_ARCDIM_CAPTION, Role::Caption},
    {IDS_PROMPT_FIRST_EXT_POINT, Role::Prompt},
    {IDS_PROMPT_SECOND_EXT_POINT, Role::Prompt},
    {IDS_PROMPT_SELECT_ARC, Role::Prompt},
    {IDS_PROMPT_ARC_START, Role::Prompt},
    {IDS_PROMPT_ARC_POINT, Role::Prompt},
    {IDS_PROMPT_ARC_END, Role::Prompt},
    {IDS_PROMPT_DIMENSION_LINE, Role::Prompt},
    {IDS_NOT_AN_ARC, Role::CommandLineMessage},
    {IDS_EXT_POINT_REPLACED, Role::BoxText},
    {IDS_ARCLEN_CAPTION, Role::Caption},
    {IDS_PROMPT_SELECT_ARC_EXT, Role::Prompt},
    {IDS_NOT_AN_ARC_EXT, Role::CommandLineMessage},
    {IDS_ARC_NOT_IN_PLANE, Role::CommandLineMessage},
};

bool startsWith(const std::string& text, const std::string& head)
{
    return text.compare(0, head.size(), head) == 0;
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(ResourceStrings, EachFitsItsRole)
{
    for (const StringRole& s : kStrings) {
        const std::string text = resourceText(s.id);
        ASSERT_FALSE(text.empty()) << "string " << s.id;
        switch (s.role) {
        case Role::Prompt:
            EXPECT_TRUE(startsWith(text, "\n")) << s.id << ": " << text;
            EXPECT_TRUE(endsWith(text, ": ")) << s.id << ": " << text;
            break;
        case Role::CommandLineMessage:
            EXPECT_TRUE(startsWith(text, "\n")) << s.id << ": " << text;
            EXPECT_TRUE(endsWith(text, ".")) << s.id << ": " << text;
            break;
        case Role::BoxText:
            EXPECT_TRUE(endsWith(text, ".")) << s.id << ": " << text;
            EXPECT_EQ(text.find('\n'), std::string::npos) << s.id << ": " << text;
            break;
        case Role::Caption:
        case Role::Label:
            EXPECT_EQ(text.find('\n'), std::string::npos) << s.id << ": " << text;
            EXPECT_FALSE(endsWith(text, " ")) << s.id << ": " << text;
            break;
        }
    }
}

TEST(ResourceStrings, CadhostListsExactlyTheModulesIdentifiers)
{
    const TemporaryFolder folder;
    const std::string listing = folder.path() + "/strings.txt";
    const std::string command = "'" + binDir() + "/cadhost' --strings >'" + listing + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(listing);
    std::set<unsigned> listed;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        const unsigned id = static_cast<unsigned>(std::stoul(line.substr(0, tab)));
        EXPECT_TRUE(listed.insert(id).second) << "listed twice: " << id;
        // Written with escapes: a prompt's new line shows as \n.
        EXPECT_EQ(line.find('\r'), std::string::npos);
        if (id == IDS_PROMPT_ARC_START) {
            EXPECT_TRUE(startsWith(line.substr(tab + 1), "\\n")) << line;
        }
    }
    std::set<unsigned> expected;
    for (const StringRole& s : kStrings)
        expected.insert(s.id);
    EXPECT_EQ(listed, expected);
}

}  // namespace
