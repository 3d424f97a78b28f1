// oblouk_delka_m run in the loaded module with queued picks: the printed length with LUPREC
// decimals, the failures with their message boxes, Escape and Enter at the picks, a UCS that
// is not the world; no temporary point stays, and the resource handle is put back every time.
#include "module_test_support.h"

#include "ads/ads_names.h"
#include "database/system_variables.h"
#include "editor/editor.h"
#include "geometry/Primitives.h"
#include "resource.h"
#include "session/recorder.h"
#include "session/session.h"

#include <cmath>
#include <string>
#include <vector>

using namespace moduletest;
using Kind = cadhost::RecordedEvent::Kind;
using P = AcGePoint3d;

namespace {

/// One answer at a pick.
struct Answer {
    enum class Type { Point, Enter, Escape } type;
    P point;
};

Answer pick(double x, double y, double z = 0.0) { return {Answer::Type::Point, P(x, y, z)}; }
const Answer kEnter{Answer::Type::Enter, P()};
const Answer kEscape{Answer::Type::Escape, P()};

class ArcLengthCommand : public LoadedModuleTest {
protected:
    /// Runs the command with these answers and expects the resource handle to be put back.
    void run(const std::vector<Answer>& answers)
    {
        for (const Answer& answer : answers) {
            if (answer.type == Answer::Type::Point)
                queuePoint(answer.point.x, answer.point.y, answer.point.z);
            else if (answer.type == Answer::Type::Enter)
                queueEnter();
            else
                queueEscape();
        }
        const HINSTANCE before = currentResourceHandle();
        const std::size_t setsBefore = cadhost::selectionSetCount();
        ASSERT_TRUE(m_module.runCommand("oblouk_delka_m"));
        EXPECT_EQ(currentResourceHandle(), before);
        EXPECT_EQ(cadhost::selectionSetCount(), setsBefore) << "a selection set left behind";
    }
    void setPrecision(short decimals)
    {
        ASSERT_TRUE(cadhost::systemVariables().setShort("LUPREC", decimals));
    }
    std::size_t appendedPoints() const { return record().count(Kind::DbAppend); }
    /// The printed result line that the successful run ends with.
    std::string resultTail(const std::string& number) const
    {
        return "\n1\n" + resourceText(IDS_ARC_LENGTH_LABEL) + " " + number;
    }
};

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// ---- successful runs -----------------------------------------------------------------------

struct LengthCase {
    const char* description;
    P p1, p2, p3;
    short precision;
    const char* printed;
};

void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.description; }

class ArcLengthPrinted : public ArcLengthCommand,
                         public ::testing::WithParamInterface<LengthCase> {};

TEST_P(ArcLengthPrinted, PrintsTheRoundedLengthAndLeavesNoPoint)
{
    const LengthCase& c = GetParam();
    setPrecision(c.precision);
    run({pick(c.p1.x, c.p1.y, c.p1.z), pick(c.p2.x, c.p2.y, c.p2.z), pick(c.p3.x, c.p3.y, c.p3.z)});

    EXPECT_TRUE(endsWith(commandLine(), resultTail(c.printed))) << c.description << ":\n"
                                                                 << commandLine();
    EXPECT_EQ(record().count(Kind::MessageBox), 0u) << c.description;
    EXPECT_EQ(appendedPoints(), 3u) << c.description;
    EXPECT_EQ(liveEntityCount(), 0) << c.description;
}

const double kHalfRoot2 = std::sqrt(0.5);

INSTANTIATE_TEST_SUITE_P(
    ArcLen, ArcLengthPrinted,
    ::testing::Values(
        LengthCase{"quarter circle", P(1, 0, 0), P(kHalfRoot2, kHalfRoot2, 0), P(0, 1, 0), 4,
                   "1.5708"},
        LengthCase{"half circle", P(1, 0, 0), P(0, 1, 0), P(-1, 0, 0), 4, "3.1416"},
        LengthCase{"the long way round", P(1, 0, 0), P(0, -1, 0), P(0, 1, 0), 4, "4.7124"},
        LengthCase{"off the origin", P(3, 1, 5), P(1, 3, 5), P(-1, 1, 5), 4, "6.2832"},
        LengthCase{"out of the XY plane", P(3, 2, 3), P(1, 2 + 1.2, 3 + 1.6), P(-1, 2, 3), 2,
                   "6.28"},
        LengthCase{"clockwise third of a circle of radius 3", P(3, 0, 0),
                   P(3 * std::cos(-kPi / 3), 3 * std::sin(-kPi / 3), 0),
                   P(3 * std::cos(-2 * kPi / 3), 3 * std::sin(-2 * kPi / 3), 0), 3, "6.283"},
        LengthCase{"LUPREC 0", P(1, 0, 0), P(0, 1, 0), P(-1, 0, 0), 0, "3"},
        LengthCase{"LUPREC 8", P(1, 0, 0), P(0, 1, 0), P(-1, 0, 0), 8, "3.14159265"}));

/// A radius whose half circle is exactly 0.75 long in doubles: 7.5 tenths, a rounding tie.
double radiusOfTiedHalfCircle()
{
    double r = 0.75 / kPi;
    for (int step = 0; step < 1000; ++step, r = std::nextafter(r, 1.0))
        if (std::fabs(kPi) * r == 0.75)
            return r;
    return 0.0;
}

TEST_F(ArcLengthCommand, RoundsATieDownBeforePrinting)
{
    const double r = radiusOfTiedHalfCircle();
    ASSERT_NE(r, 0.0);
    ASSERT_EQ(0.75 * std::pow(10.0, 1), 7.5);
    setPrecision(1);
    run({pick(r, 0), pick(0, r), pick(-r, 0)});
    // Printing 0.75 with one decimal would give 0.8; the tie rounds down first.
    EXPECT_TRUE(endsWith(commandLine(), resultTail("0.7"))) << commandLine();
}

TEST_F(ArcLengthCommand, StoresThePicksInWorldCoordinates)
{
    cadhost::editor().moveUcsOrigin(P(1, 2, 3));
    cadhost::editor().rotateUcs(0, 90.0);
    const std::vector<P> picks = {P(1, 0, 0), P(0, 1, 0), P(-1, 0, 0)};
    std::vector<P> expected;
    for (const P& p : picks)
        expected.push_back(cadhost::editor().ucsToWorld(p));
    ASSERT_NE(expected[1], picks[1]);

    run({pick(1, 0), pick(0, 1), pick(-1, 0)});
    const std::vector<P> stored = erasedPointPositions();
    ASSERT_EQ(stored.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_LT(stored[i].distanceTo(expected[i]), 1e-12) << i << ": " << stored[i];
    EXPECT_TRUE(endsWith(commandLine(), resultTail("3.1416"))) << commandLine();
    EXPECT_EQ(liveEntityCount(), 0);
}

// ---- failures after the picks ----------------------------------------------------------------

struct FailureCase {
    const char* description;
    P p1, p2, p3;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.description; }

class ArcLengthNotComputable : public ArcLengthCommand,
                               public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ArcLengthNotComputable, WarnsThenErasesThePoints)
{
    const FailureCase& c = GetParam();
    run({pick(c.p1.x, c.p1.y, c.p1.z), pick(c.p2.x, c.p2.y, c.p2.z), pick(c.p3.x, c.p3.y, c.p3.z)});

    const auto boxes = record().ofKind(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u) << c.description;
    EXPECT_EQ(boxes[0].text, resourceText(IDS_ARC_NOT_COMPUTABLE)) << c.description;
    EXPECT_EQ(boxes[0].caption, resourceText(IDS_ARCLEN_CAPTION)) << c.description;
    EXPECT_EQ(boxes[0].style, 0x30u) << c.description;
    EXPECT_TRUE(boxes[0].ownerIsMainWindow) << c.description;
    EXPECT_EQ(liveEntityCount(), 0) << c.description;
    EXPECT_EQ(erasedPointPositions().size(), 3u) << c.description;

    // The box comes first, then the clean-up's print, and no result line.
    const auto& events = record().events();
    std::size_t boxAt = events.size();
    std::size_t printAt = events.size();
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].kind == Kind::MessageBox && boxAt == events.size())
            boxAt = i;
        if (events[i].kind == Kind::Prompt && events[i].text == "\n1")
            printAt = i;
    }
    EXPECT_LT(boxAt, printAt) << c.description;
    EXPECT_LT(printAt, events.size()) << c.description;
    EXPECT_EQ(commandLine().find(resourceText(IDS_ARC_LENGTH_LABEL)), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    ArcLen, ArcLengthNotComputable,
    ::testing::Values(FailureCase{"exactly collinear", P(0, 0, 0), P(1, 0, 0), P(2, 0, 0)},
                      FailureCase{"first equals second", P(1, 1, 0), P(1, 1, 0), P(2, 3, 0)},
                      FailureCase{"second equals third", P(1, 1, 0), P(2, 3, 0), P(2, 3, 0)},
                      FailureCase{"first equals third", P(1, 1, 0), P(2, 3, 0), P(1, 1, 0)}));

// ---- picks that end the command early ------------------------------------------------------

struct EarlyEndCase {
    const char* description;
    std::vector<Answer> answers;
    std::size_t pointsMade;
};

void PrintTo(const EarlyEndCase& c, std::ostream* os) { *os << c.description; }

class ArcLengthEndedAtAPick : public ArcLengthCommand,
                              public ::testing::WithParamInterface<EarlyEndCase> {};

TEST_P(ArcLengthEndedAtAPick, LeavesNothingInTheDrawingAndPrintsNothingMore)
{
    const EarlyEndCase& c = GetParam();
    run(c.answers);
    EXPECT_EQ(appendedPoints(), c.pointsMade) << c.description;
    EXPECT_EQ(liveEntityCount(), 0) << c.description;
    EXPECT_EQ(record().count(Kind::MessageBox), 0u) << c.description;
    EXPECT_EQ(commandLine().find("\n1"), std::string::npos) << c.description;
    EXPECT_EQ(commandLine().find(resourceText(IDS_ARC_LENGTH_LABEL)), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    ArcLen, ArcLengthEndedAtAPick,
    ::testing::Values(EarlyEndCase{"Escape at the first pick", {kEscape}, 0},
                      EarlyEndCase{"Escape at the second pick", {pick(1, 0), kEscape}, 1},
                      EarlyEndCase{"Escape at the third pick",
                                   {pick(1, 0), pick(0, 1), kEscape}, 2},
                      EarlyEndCase{"Enter at the first pick", {kEnter}, 0},
                      EarlyEndCase{"Enter at the second pick", {pick(1, 0), kEnter}, 1},
                      EarlyEndCase{"Enter at the third pick",
                                   {pick(1, 0), pick(0, 1), kEnter}, 2},
                      EarlyEndCase{"input running out", {pick(1, 0)}, 1}));

TEST_F(ArcLengthCommand, PromptsForTheThreePointsInTurn)
{
    run({pick(1, 0), pick(0, 1), pick(-1, 0)});
    const std::string start = resourceText(IDS_PROMPT_ARC_START);
    const std::string middle = resourceText(IDS_PROMPT_ARC_POINT);
    const std::string end = resourceText(IDS_PROMPT_ARC_END);
    ASSERT_FALSE(start.empty());
    const std::string& line = commandLine();
    const std::size_t first = line.find(start);
    const std::size_t second = line.find(middle);
    const std::size_t third = line.find(end);
    ASSERT_NE(first, std::string::npos) << line;
    EXPECT_LT(first, second) << line;
    EXPECT_LT(second, third) << line;
    EXPECT_NE(third, std::string::npos) << line;
}

}  // namespace
