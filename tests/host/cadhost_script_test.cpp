// cadhost's parsing: script lines, points, options and the escapes of --strings.
#include "cadhost/cadhost_run.h"
#include "cadhost/options.h"
#include "cadhost/script_input.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

using cadhost::UserAction;

TEST(CadhostScriptTest, LinesBecomeActions)
{
    struct Case {
        const char* line;
        bool isAction;
        UserAction::Kind kind;
        double x, y, z;
    };
    const Case cases[] = {
        {"# comment", false, UserAction::Kind::Enter, 0, 0, 0},
        {"   # indented comment", false, UserAction::Kind::Enter, 0, 0, 0},
        {"", true, UserAction::Kind::Enter, 0, 0, 0},
        {" \t\r", true, UserAction::Kind::Enter, 0, 0, 0},
        {"ESC", true, UserAction::Kind::Escape, 0, 0, 0},
        {"  esc ", true, UserAction::Kind::Escape, 0, 0, 0},
        {"1,2", true, UserAction::Kind::Point, 1, 2, 0},
        {" -1.5 , 2e1 ,3 ", true, UserAction::Kind::Point, -1.5, 20, 3},
        {"~4,5", true, UserAction::Kind::CursorMove, 4, 5, 0},
        {"~4,5,6", true, UserAction::Kind::CursorMove, 4, 5, 6},
        {"oblouk_kota_m", true, UserAction::Kind::Other, 0, 0, 0},
        {"1,2,3,4", true, UserAction::Kind::Other, 0, 0, 0},
        {"1", true, UserAction::Kind::Other, 0, 0, 0},
        {"1,", true, UserAction::Kind::Other, 0, 0, 0},
        {"1,x", true, UserAction::Kind::Other, 0, 0, 0},
        {"nan,1", true, UserAction::Kind::Other, 0, 0, 0},
        {"inf,1", true, UserAction::Kind::Other, 0, 0, 0},
        {"~", true, UserAction::Kind::Other, 0, 0, 0},
        {"~a,b", true, UserAction::Kind::Other, 0, 0, 0},
        {"ESCAPE", true, UserAction::Kind::Other, 0, 0, 0},
    };
    for (const Case& c : cases) {
        UserAction action;
        ASSERT_EQ(cadhost::parseScriptLine(c.line, "s.txt", 3, action), c.isAction) << c.line;
        if (!c.isAction)
            continue;
        EXPECT_EQ(action.kind, c.kind) << c.line;
        EXPECT_EQ(action.origin, "s.txt");
        EXPECT_EQ(action.line, 3);
        if (c.kind == UserAction::Kind::Point || c.kind == UserAction::Kind::CursorMove) {
            EXPECT_EQ(action.point, AcGePoint3d(c.x, c.y, c.z)) << c.line;
        }
    }
}

TEST(CadhostScriptTest, InputCountsLinesAndSkipsComments)
{
    std::istringstream in("\xEF\xBB\xBF# first\n1,1\n\n# again\r\nESC\r\n");
    cadhost::ScriptInput input(in, "file.script");
    UserAction action;
    ASSERT_TRUE(input.next(action));
    EXPECT_EQ(action.kind, UserAction::Kind::Point);
    EXPECT_EQ(action.line, 2);
    ASSERT_TRUE(input.next(action));
    EXPECT_EQ(action.kind, UserAction::Kind::Enter);
    EXPECT_EQ(action.line, 3);
    ASSERT_TRUE(input.next(action));
    EXPECT_EQ(action.kind, UserAction::Kind::Escape);
    EXPECT_EQ(action.line, 5);
    EXPECT_FALSE(input.next(action));
}

TEST(CadhostScriptTest, OptionsParse)
{
    cadhost::Options o;
    std::string error;
    ASSERT_TRUE(cadhost::parseOptions({"--module", "m.arx", "--drawing=d.dxf", "--save", "s.dxf",
                                       "--report", "r.json", "--set", "LUPREC=2", "--set",
                                       "DIMDSEP=.", "--aperture", "0.25", "run.script"},
                                      o, error))
        << error;
    EXPECT_EQ(o.modulePath, "m.arx");
    EXPECT_EQ(o.drawingPath, "d.dxf");
    EXPECT_EQ(o.savePath, "s.dxf");
    EXPECT_EQ(o.reportPath, "r.json");
    ASSERT_EQ(o.variables.size(), 2u);
    EXPECT_EQ(o.variables[1].first, "DIMDSEP");
    EXPECT_EQ(o.variables[1].second, ".");
    EXPECT_TRUE(o.hasAperture);
    EXPECT_EQ(o.aperture, 0.25);
    EXPECT_EQ(o.scriptPath, "run.script");
}

TEST(CadhostScriptTest, BadOptionsAreRefused)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},        {"-x"},
        {"--module"},       {"--set", "LUPREC"},
        {"--set", "=4"},    {"--aperture", "0"},
        {"--aperture", "-1"}, {"--aperture", "wide"},
        {"a.script", "b.script"}, {"--strings", "a.script"},
        {"--report="},
    };
    for (const auto& args : cases) {
        cadhost::Options o;
        std::string error;
        EXPECT_FALSE(cadhost::parseOptions(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(CadhostScriptTest, StandardInputIsTheDashOrNothing)
{
    cadhost::Options o;
    std::string error;
    ASSERT_TRUE(cadhost::parseOptions({"-"}, o, error));
    EXPECT_EQ(o.scriptPath, "-");
    cadhost::Options strings;
    ASSERT_TRUE(cadhost::parseOptions({"--strings", "--module", "x.arx"}, strings, error));
    EXPECT_TRUE(strings.listStrings);
}

TEST(CadhostScriptTest, ResourceTextEscapes)
{
    EXPECT_EQ(cadhost::escapeResourceText("a\tb\nc\\d"), "a\\tb\\nc\\\\d");
    EXPECT_EQ(cadhost::escapeResourceText("plain ž"), "plain ž");
}

}  // namespace
