// The four arc dimension commands run by the cadhost program from the scripts in
// tests/scripts, judged by the report: the dimensions the drawing holds and their texts, the
// messages, the warning boxes, and the resource handle after every command.
#include "module_test_support.h"

#include "resource.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace moduletest;

namespace {

std::string scriptText(const std::string& name)
{
    std::ifstream in(std::string(TEST_SOURCE_DIR) + "/scripts/" + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

CadhostRun runScript(const std::string& name)
{
    const std::string text = scriptText(name);
    EXPECT_FALSE(text.empty()) << name;
    return runCadhost({}, text);
}

std::vector<nlohmann::json> dimensions(const nlohmann::json& report)
{
    std::vector<nlohmann::json> found;
    for (const auto& entity : report["entities"])
        if (entity["type"] == "DIMENSION")
            found.push_back(entity);
    return found;
}

std::vector<std::string> texts(const std::vector<nlohmann::json>& dims)
{
    std::vector<std::string> found;
    for (const auto& d : dims)
        found.push_back(d["text"].get<std::string>());
    return found;
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

double distance(const nlohmann::json& point, double x, double y, double z)
{
    const double dx = point[0].get<double>() - x;
    const double dy = point[1].get<double>() - y;
    const double dz = point[2].get<double>() - z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void expectEveryHandleRestored(const nlohmann::json& report, std::size_t commands)
{
    ASSERT_EQ(report["commands"].size(), commands);
    for (const auto& command : report["commands"])
        EXPECT_TRUE(command["resourceHandleRestored"].get<bool>()) << command.dump();
}

TEST(ArcDimensionInCadhost, EveryCommandLeavesItsFinishedDimension)
{
    const CadhostRun run = runScript("arcdim_every_command.script");
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    const std::vector<nlohmann::json> dims = dimensions(run.report);
    EXPECT_EQ(texts(dims), (std::vector<std::string>{"15,708", "dl.=15,708, R=10", "10,472",
                                                     "dl.=10,472, R=10"}));
    ASSERT_EQ(dims.size(), 4u);
    for (const auto& d : dims) {
        EXPECT_EQ(d["dimType"], "angular3p");
        EXPECT_EQ(d["layer"], "Dimensions");
        EXPECT_EQ(d["style"], "ISO-25");
        EXPECT_LT(distance(d["center"], 0, 0, 0), 1e-9);
    }
    EXPECT_LT(distance(dims[2]["xLine1"], 9.659258262890683, 2.5881904510252074, 0), 1e-12);
    EXPECT_LT(distance(dims[3]["xLine2"], 2.5881904510252074, 9.659258262890683, 0), 1e-12);
    EXPECT_LT(distance(dims[3]["arcPoint"], 19, 19, 0), 1e-12);
    EXPECT_EQ(run.report["entities"].size(), 5u) << "the arc and four dimensions";
    EXPECT_TRUE(run.report["messageBoxes"].empty());
    expectEveryHandleRestored(run.report, 4);
}

TEST(ArcDimensionInCadhost, EachSourceKindAndTheMessagesOfTheWrongOnes)
{
    const CadhostRun run = runScript("arcdim_sources.script");
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    EXPECT_EQ(texts(dimensions(run.report)),
              (std::vector<std::string>{"47.12", "dl.=9.42, R=3.00", "25.13"}));
    const std::string line = run.report["commandLine"].get<std::string>();
    EXPECT_EQ(occurrences(line, resourceText(IDS_NOT_AN_ARC)), 2u) << line;
    EXPECT_EQ(occurrences(line, resourceText(IDS_ARC_NOT_IN_PLANE)), 1u) << line;
    // The circle's points were its extension points: no extension prompt after the drag.
    EXPECT_EQ(occurrences(line, resourceText(IDS_PROMPT_FIRST_EXT_POINT)), 1u);
    EXPECT_EQ(occurrences(line, resourceText(IDS_PROMPT_DIMENSION_LINE)), 3u);
    EXPECT_TRUE(run.report["messageBoxes"].empty());
    expectEveryHandleRestored(run.report, 4);
}

TEST(ArcDimensionInCadhost, CommandsEndedEarlyLeaveNothing)
{
    const CadhostRun run = runScript("arcdim_cancel.script");
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    EXPECT_TRUE(dimensions(run.report).empty()) << run.report["entities"].dump(1);
    EXPECT_EQ(run.report["entities"].size(), 1u);
    const auto& boxes = run.report["messageBoxes"];
    ASSERT_EQ(boxes.size(), 1u) << boxes.dump(1);
    EXPECT_EQ(boxes[0]["text"], resourceText(IDS_EXT_POINT_AT_CENTER));
    EXPECT_EQ(boxes[0]["caption"], resourceText(IDS_ARCDIM_CAPTION));
    EXPECT_EQ(boxes[0]["style"], 0x30);
    EXPECT_EQ(boxes[0]["owner"], "main");
    expectEveryHandleRestored(run.report, 4);
}

TEST(ArcDimensionInCadhost, APointBeyondTheArcIsReplacedWithAWarning)
{
    const CadhostRun run = runScript("arcdim_replaced_point.script");
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    const std::vector<nlohmann::json> dims = dimensions(run.report);
    ASSERT_EQ(dims.size(), 1u);
    EXPECT_EQ(dims[0]["text"], "dl.=10,472, R=10");
    EXPECT_LT(distance(dims[0]["xLine1"], 8.660254037844387, 5, 0), 1e-12);
    EXPECT_LT(distance(dims[0]["xLine2"], 0, 10, 0), 1e-9);
    const auto& boxes = run.report["messageBoxes"];
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]["text"], resourceText(IDS_EXT_POINT_REPLACED));
    EXPECT_EQ(boxes[0]["caption"], resourceText(IDS_ARCDIM_CAPTION));
    // The warning comes once both points are in, as the last thing of the command.
    const std::size_t secondPrompt = run.transcript.find(resourceText(IDS_PROMPT_SECOND_EXT_POINT));
    const std::size_t box = run.transcript.find(resourceText(IDS_EXT_POINT_REPLACED));
    ASSERT_NE(secondPrompt, std::string::npos);
    EXPECT_GT(box, secondPrompt);
    expectEveryHandleRestored(run.report, 1);
}

TEST(ArcDimensionInCadhost, EnterAtTheDragStillMeasuresBetweenTheExtensionPoints)
{
    const CadhostRun run = runScript("arcdim_enter_at_drag.script");
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    EXPECT_EQ(texts(dimensions(run.report)), (std::vector<std::string>{"dl.=10,472, R=10"}));
    EXPECT_TRUE(run.report["messageBoxes"].empty()) << run.report["messageBoxes"].dump(1);
    expectEveryHandleRestored(run.report, 1);
}

// The demo session as `make demo` runs it, on the bundled drawing. Its dimensions are those
// of the drawing's entities: arc radius 40 over 140 degrees, the polyline's arc segment of
// bulge 0.4 (radius 43.5 over 4 atan 0.4), the circle of radius 25 over 90 degrees, the
// mirrored arc of radius 30 between picks 80 degrees apart, the wall of radius 75 from the pick
// at 60 degrees to its end; texts with the drawing's LUPREC 3, DIMZIN 12 and DIMDSEP ','.
TEST(ArcDimensionInCadhost, TheDemoSessionDimensionsTheBundledDrawing)
{
    std::ifstream in(std::string(TEST_SOURCE_DIR) + "/../examples/demo.script");
    std::ostringstream script;
    script << in.rdbuf();
    ASSERT_FALSE(script.str().empty());
    const std::string drawing = std::string(TEST_SOURCE_DIR) + "/../examples/arcs.dxf";
    const CadhostRun before = runCadhost({"--drawing", drawing}, "");
    ASSERT_EQ(before.exitStatus, 0) << before.errors;
    const CadhostRun run = runCadhost({"--drawing", drawing}, script.str());
    ASSERT_EQ(run.exitStatus, 0) << run.errors;

    std::vector<std::string> commands;
    for (const auto& command : run.report["commands"]) {
        commands.push_back(command["name"].get<std::string>());
        EXPECT_TRUE(command["resourceHandleRestored"].get<bool>());
    }
    for (const char* name :
         {"oblouk_kota_m", "oblouk_kota2_m", "oblouk_kota3_m", "oblouk_kota4_m", "oblouk_delka_m"})
        EXPECT_NE(std::find(commands.begin(), commands.end(), name), commands.end()) << name;

    const std::vector<nlohmann::json> dims = dimensions(run.report);
    const std::size_t drawingDims = dimensions(before.report).size();
    ASSERT_EQ(dims.size(), drawingDims + 5) << "the cancelled drag adds nothing";
    const std::vector<nlohmann::json> added(dims.begin() + drawingDims, dims.end());
    EXPECT_EQ(texts(added), (std::vector<std::string>{"dl.=97,738, R=40", "66,208", "39,27",
                                                      "41,888", "dl.=108,817, R=75"}));
    // Each dimension is centred on the entity it measures, and its first extension line
    // point lies on that entity.
    const struct {
        double x, y, radius;
    } arcs[] = {{0, 0, 40}, {210, 11.5, 43.5}, {120, 0, 25}, {60, -70, 30}, {20, 35, 75}};
    for (std::size_t i = 0; i < added.size(); ++i) {
        EXPECT_LT(distance(added[i]["center"], arcs[i].x, arcs[i].y, 0), 1e-9) << i;
        EXPECT_NEAR(distance(added[i]["xLine1"], arcs[i].x, arcs[i].y, 0), arcs[i].radius, 1e-9)
            << i;
        EXPECT_EQ(added[i]["layer"], "Dimensions");
    }

    // The drawing's own entities stay, no temporary point is left, nothing else is added.
    EXPECT_EQ(run.report["entities"].size(), before.report["entities"].size() + 5);
    for (const auto& entity : run.report["entities"])
        EXPECT_NE(entity["type"], "POINT") << entity.dump();
    const std::string line = run.report["commandLine"].get<std::string>();
    EXPECT_EQ(occurrences(line, resourceText(IDS_NOT_AN_ARC_EXT)), 1u) << line;
    EXPECT_NE(line.find(" 97.738"), std::string::npos) << line;
    const auto& boxes = run.report["messageBoxes"];
    ASSERT_EQ(boxes.size(), 1u) << boxes.dump(1);
    EXPECT_EQ(boxes[0]["text"], resourceText(IDS_EXT_POINT_REPLACED));
}

}  // namespace
