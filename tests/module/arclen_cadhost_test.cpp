// oblouk_delka_m run by the cadhost program from a script, judged by its report: the printed
// result, the warning of a failed run, the picks that end it early, and the drawing left as it
// was, with entities that were there before untouched.
#include "module_test_support.h"

#include "resource.h"

#include <string>

using namespace moduletest;

namespace {

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void expectEveryHandleRestored(const nlohmann::json& report)
{
    ASSERT_TRUE(report.contains("commands"));
    for (const auto& command : report["commands"])
        EXPECT_TRUE(command["resourceHandleRestored"].get<bool>()) << command.dump();
}

TEST(ArcLengthInCadhost, PrintsTheLengthAndLeavesTheDrawingEmpty)
{
    const CadhostRun run = runCadhost({}, "oblouk_delka_m\n1,0\n0,1\n-1,0\n");
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    ASSERT_TRUE(run.report.is_object()) << run.transcript;
    const std::string line = run.report["commandLine"].get<std::string>();
    EXPECT_TRUE(endsWith(line, "\n1\n" + resourceText(IDS_ARC_LENGTH_LABEL) + " 3.1416")) << line;
    EXPECT_TRUE(run.report["entities"].empty()) << run.report.dump(1);
    EXPECT_TRUE(run.report["messageBoxes"].empty());
    expectEveryHandleRestored(run.report);
    EXPECT_NE(run.transcript.find(resourceText(IDS_PROMPT_ARC_END)), std::string::npos)
        << run.transcript;
}

TEST(ArcLengthInCadhost, TakesThePrecisionOfTheDrawingAndPicksInTheUcs)
{
    const CadhostRun run =
        runCadhost({"--set", "LUPREC=2"}, "ucs origin 10,20,30\nucs x 90\n"
                                          "oblouk_delka_m\n3,0\n0,-3\n0,3\n");
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    const std::string line = run.report["commandLine"].get<std::string>();
    EXPECT_TRUE(endsWith(line, resourceText(IDS_ARC_LENGTH_LABEL) + " 14.14")) << line;
    EXPECT_TRUE(run.report["entities"].empty());
}

TEST(ArcLengthInCadhost, WarnsWhenThePointsAreCollinear)
{
    const CadhostRun run = runCadhost({}, "oblouk_delka_m\n0,0\n1,0\n2,0\n");
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    const auto& boxes = run.report["messageBoxes"];
    ASSERT_EQ(boxes.size(), 1u) << run.report.dump(1);
    EXPECT_EQ(boxes[0]["owner"], "main");
    EXPECT_EQ(boxes[0]["caption"], resourceText(IDS_ARCLEN_CAPTION));
    EXPECT_EQ(boxes[0]["text"], resourceText(IDS_ARC_NOT_COMPUTABLE));
    EXPECT_EQ(boxes[0]["style"], 48);
    EXPECT_TRUE(run.report["entities"].empty());
    expectEveryHandleRestored(run.report);
}

TEST(ArcLengthInCadhost, EscapeAndEnterLeaveNoPointAndTouchNothingElse)
{
    const CadhostRun run = runCadhost({}, "point 5,5\n"
                                          "wall 0,0 5,1 10,0\n"
                                          "oblouk_delka_m\n1,0\n0,1\nESC\n"
                                          "oblouk_delka_m\n1,0\n\n"
                                          "oblouk_delka_m\n1,0\n0,1\n-1,0\n");
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    const auto& entities = run.report["entities"];
    ASSERT_EQ(entities.size(), 2u) << entities.dump(1);
    EXPECT_EQ(entities[0]["type"], "POINT");
    EXPECT_EQ(entities[0]["position"], nlohmann::json::array({5.0, 5.0, 0.0}));
    EXPECT_EQ(entities[1]["type"], "WALL");
    EXPECT_TRUE(run.report["messageBoxes"].empty());
    ASSERT_EQ(run.report["commands"].size(), 3u);
    expectEveryHandleRestored(run.report);
    // Only the last run got to the result line.
    const std::string line = run.report["commandLine"].get<std::string>();
    EXPECT_EQ(line.find("\n1\n"), line.rfind("\n1\n")) << line;
}

}  // namespace
