// Arcs users meet every week, measured right, through the cadhost program as a user session:
// arcs longer than a half circle, extension points in opposite directions, a clockwise
// polyline half circle, nearly straight arcs, huge coordinates, drawings in national grid
// coordinates and lengths beyond the digits a double holds. Each row is a script and what the
// drawing or the command line must then show.
#include "module_test_support.h"

#include <cmath>
#include <string>
#include <vector>

using namespace moduletest;

namespace {

struct MeasuredCase {
    const char* name;
    std::string script;
    std::string expected;  ///< the dimension's text, or the printed length
};

void PrintTo(const MeasuredCase& c, std::ostream* os) { *os << c.name; }

/// The texts of the dimensions in the report's drawing.
std::vector<std::string> dimensionTexts(const nlohmann::json& report)
{
    std::vector<std::string> texts;
    for (const auto& entity : report["entities"])
        if (entity["type"] == "DIMENSION")
            texts.push_back(entity["text"].get<std::string>());
    return texts;
}

/// The lengths oblouk_delka_m printed, each after its label.
std::vector<std::string> printedLengths(const std::string& transcript)
{
    const std::string label = "Délka oblouku = ";
    std::vector<std::string> lengths;
    for (std::size_t at = transcript.find(label); at != std::string::npos;
         at = transcript.find(label, at + 1)) {
        const std::size_t from = at + label.size();
        lengths.push_back(transcript.substr(from, transcript.find('\n', from) - from));
    }
    return lengths;
}

const std::string kLongArc = "arc 10,0 -7.0710678118654755,7.0710678118654755 0,-10\n";

const MeasuredCase kCases[] = {
    // A 270 degree arc, Enter at the drag, two picks on it (30 and 200 degrees).
    {"PicksOnALongArcAfterEnter",
     kLongArc + "oblouk_kota3_m\n-7.0710678118654755,7.0710678118654755\n\n"
                "8.660254037844387,5\n-9.396926207859083,-3.420201433256687\n",
     "29,6706"},
    // The whole 270 degree arc, Enter at the drag.
    {"ALongArcWholeAfterEnter",
     kLongArc + "oblouk_kota_m\n-7.0710678118654755,7.0710678118654755\n\n", "47,1239"},
    // Extension points exactly opposite at unequal distances (225 and 45 degrees), the drag
    // click beside the start.
    {"OppositePicksAtUnequalDistances",
     kLongArc + "oblouk_kota3_m\n-7.0710678118654755,7.0710678118654755\n15,1\n-8,-8\n7,7\n",
     "31,4159"},
    // A clockwise polyline half circle, Enter at the drag, two picks on it.
    {"AClockwisePolylineHalfCircle",
     "pline 30,0 40,0,-1 40,6\noblouk_kota3_m\n37,3\n\n"
     "37.878679656440355,0.8786796564403576\n37.878679656440355,5.121320343559643\n",
     "4,7124"},
    // A polyline arc at national-grid coordinates, upside down, picked beside it.
    {"APolylineArcAtNationalGridCoordinates",
     "ucs x 180\npline 1718515.5170820996,1768312.0307929763,0.45762133878575434 "
     "1718501.393534023,1768050.804489039\noblouk_kota_m\n"
     "1718457.2881534635,1768120.1551771653\n\n",
     "296,7248"},
    // Nearly straight: about the way through the points, not 0 and not a full circle.
    {"ANearlyStraightArc", "oblouk_delka_m\n0,0\n1,0.000000000001\n2,0\n", "2.0000"},
    // Half a circle at a national-grid position in millimetres, radius 50 and 5.
    {"ANationalGridArcOfRadius50",
     "oblouk_delka_m\n-739999950.7596123,-1039999991.3175911\n-739999975.0,-1039999956.6987298\n"
     "-740000008.6824089,-1039999950.7596123\n",
     "78.5398"},
    {"ANationalGridArcOfRadius5",
     "oblouk_delka_m\n-739999995.0759612,-1039999999.1317592\n-739999997.5,-1039999995.669873\n"
     "-740000000.8682408,-1039999995.0759612\n",
     "7.8540"},
    // Half a circle of radius 1e200: a finite length, its digits beyond a double's zeros.
    {"AHalfCircleOfRadius1e200", "oblouk_delka_m\n1e200,0\n0,1e200\n-1e200,0\n",
     "314159265358979" + std::string(186, '0')},
    // LUPREC 8 on a length of about 3.14e15: no decimals a double does not hold.
    {"ALengthBeyondTheDigitsOfADouble",
     "setvar LUPREC 8\noblouk_delka_m\n1e15,0\n0,1e15\n-1e15,0\n", "3141592653589790"},
};

class ArcsMeasuredRight : public ::testing::TestWithParam<MeasuredCase> {};

TEST_P(ArcsMeasuredRight, ShowTheLengthOfThePickedArc)
{
    const MeasuredCase& c = GetParam();
    const CadhostRun run = runCadhost({}, c.script);
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    const bool arcDimension = c.script.find("oblouk_kota") != std::string::npos;
    const std::vector<std::string> shown =
        arcDimension ? dimensionTexts(run.report) : printedLengths(run.transcript);
    EXPECT_EQ(shown, std::vector<std::string>{c.expected}) << run.transcript;
    // Every pick lies on the arc: no point is replaced, no warning.
    EXPECT_TRUE(run.report["messageBoxes"].empty()) << run.transcript;
}

INSTANTIATE_TEST_SUITE_P(
    UserSessions, ArcsMeasuredRight, ::testing::ValuesIn(kCases),
    [](const ::testing::TestParamInfo<MeasuredCase>& info) {
        return std::string(info.param.name);
    });

TEST(ArcsMeasuredRight, OppositePicksLeaveTheDimensionArcOnThePickedArc)
{
    // The dimension line moves to the middle of the picked part, through 135 degrees.
    const CadhostRun run = runCadhost({}, kCases[2].script);
    ASSERT_EQ(run.exitStatus, 0) << run.errors;
    for (const auto& entity : run.report["entities"])
        if (entity["type"] == "DIMENSION") {
            const double x = entity["arcPoint"][0].get<double>();
            const double y = entity["arcPoint"][1].get<double>();
            EXPECT_NEAR(std::atan2(y, x) * 180.0 / 3.141592653589793, 135.0, 1e-9);
        }
}

}  // namespace
