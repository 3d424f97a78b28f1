// The four arc dimension commands end to end through the host's input queue: what the drawing
// holds afterwards and the text a user reads, the prompts, the warnings and their order.
#include "arcdim/ArcDimensionCommand.h"

#include "acedads.h"
#include "arcdim/KotaDP.h"
#include "arcdim_test_support.h"
#include "database/aec_wall.h"
#include "database/system_variables.h"
#include "dbents.h"
#include "editor/editor.h"
#include "resources/resource.h"
#include "session/recorder.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <regex>
#include <sstream>
#include <streambuf>

namespace {

using namespace arcdimtest;

constexpr double kHalfPi = 1.5707963267948966;
const double kDiagonal = 10.0 / std::sqrt(2.0);  // a point at 45 degrees on radius 10

/// A point at this angle (degrees) on a circle about the origin.
AcGePoint3d onCircle(double degrees, double radius)
{
    const double a = degrees * 3.141592653589793 / 180.0;
    return AcGePoint3d(radius * std::cos(a), radius * std::sin(a), 0.0);
}

void queue(const AcGePoint3d& p)
{
    queuePoint(p.x, p.y, p.z);
}

void addQuarterArc()
{
    addEntity(new AcDbArc(AcGePoint3d(0, 0, 0), 10.0, 0.0, kHalfPi));
}

std::vector<cadhost::RecordedEvent> messageBoxes()
{
    return cadhost::recorder().ofKind(cadhost::RecordedEvent::Kind::MessageBox);
}

/// The only dimension the drawing holds; fails the test when there is another number.
DimensionSnapshot onlyDimension()
{
    const std::vector<DimensionSnapshot> all = dimensionsInDrawing();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? DimensionSnapshot() : all.front();
}

using Command = ArcDimensionTest;

// --- each command on each kind of source -------------------------------------------------

struct CommandCase {
    const char* name;
    void (*command)();
    std::function<void()> drawAndAnswer;  ///< builds the source, queues the user's actions
    std::string text;                     ///< the dimension text, default drawing variables
};

std::ostream& operator<<(std::ostream& out, const CommandCase& c)
{
    return out << c.name;
}

class EveryCommand : public Command, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(EveryCommand, LeavesExactlyTheFinishedDimension)
{
    GetParam().drawAndAnswer();
    GetParam().command();
    const DimensionSnapshot dimension = onlyDimension();
    EXPECT_EQ(utf8(dimension.text), GetParam().text);
    EXPECT_EQ(utf8(dimension.layer), "Dimensions");
    EXPECT_TRUE(messageBoxes().empty());
    EXPECT_FALSE(cadhost::editor().hasInputError());
}

/// An arc of radius 10 from 0 to 90 degrees, the dimension line dragged to 45 degrees.
void arcPickedAndDragged()
{
    addQuarterArc();
    queuePoint(kDiagonal, kDiagonal);
    queueCursor(20, 3);
    queuePoint(13, 13);
}

/// The same arc, then extension points at 15 and 75 degrees: 60 degrees of it.
void arcWithExtensionPoints()
{
    arcPickedAndDragged();
    queue(onCircle(15, 10));
    queue(onCircle(75, 12));
}

/// A circle of radius 10 picked at 0 and 90 degrees (off the circle), dragged the long way.
void circleDraggedTheLongWay()
{
    addEntity(new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d(0, 0, 1), 10.0));
    queuePoint(-10, 0);
    queuePoint(20, 0);
    queuePoint(0, 5);
    queuePoint(-13, -13);
}

/// A polyline whose second segment is a half circle of radius 3 about (10, 3).
void polylineArcSegment()
{
    auto* polyline = new AcDbPolyline();
    polyline->addVertexAt(0, AcGePoint2d(0, 0), 0.0);
    polyline->addVertexAt(1, AcGePoint2d(10, 0), 1.0);
    polyline->addVertexAt(2, AcGePoint2d(10, 6), 0.0);
    addEntity(polyline);
    queuePoint(13, 3);
    queuePoint(15, 3);
}

/// A wall curved in a half circle of radius 8 about the origin.
void curvedWall()
{
    addEntity(new AecDbWall(AcGePoint3d(8, 0, 0), AcGePoint3d(0, 8, 0), AcGePoint3d(-8, 0, 0)));
    queuePoint(0, 8);
    queuePoint(0, 12);
}

INSTANTIATE_TEST_SUITE_P(
    ArcDimension, EveryCommand,
    ::testing::Values(
        CommandCase{"LengthOnArc", oblouk_kota_m, arcPickedAndDragged, "15,708"},
        CommandCase{"LengthAndRadiusOnArc", oblouk_kota2_m, arcPickedAndDragged,
                    "dl.=15,708, R=10"},
        CommandCase{"LengthBetweenPointsOnArc", oblouk_kota3_m, arcWithExtensionPoints,
                    "10,472"},
        CommandCase{"LengthAndRadiusBetweenPointsOnArc", oblouk_kota4_m, arcWithExtensionPoints,
                    "dl.=10,472, R=10"},
        CommandCase{"LengthOnCircle", oblouk_kota_m, circleDraggedTheLongWay, "47,1239"},
        CommandCase{"LengthAndRadiusOnCircle", oblouk_kota2_m, circleDraggedTheLongWay,
                    "dl.=47,1239, R=10"},
        CommandCase{"LengthBetweenPointsOnCircle", oblouk_kota3_m, circleDraggedTheLongWay,
                    "47,1239"},
        CommandCase{"LengthAndRadiusBetweenPointsOnCircle", oblouk_kota4_m,
                    circleDraggedTheLongWay, "dl.=47,1239, R=10"},
        CommandCase{"LengthOnPolyline", oblouk_kota_m, polylineArcSegment, "9,4248"},
        CommandCase{"LengthAndRadiusOnPolyline", oblouk_kota2_m, polylineArcSegment,
                    "dl.=9,4248, R=3"},
        CommandCase{"LengthOnWall", oblouk_kota_m, curvedWall, "25,1327"},
        CommandCase{"LengthAndRadiusOnWall", oblouk_kota2_m, curvedWall, "dl.=25,1327, R=8"}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST_F(Command, ExtensionPointsGiveTheDimensionItsExtensionLines)
{
    arcWithExtensionPoints();
    oblouk_kota3_m();
    const DimensionSnapshot dimension = onlyDimension();
    EXPECT_EQ(dimension.xLine1, onCircle(15, 10));
    EXPECT_EQ(dimension.xLine2, onCircle(75, 12));
    EXPECT_EQ(dimension.arcPoint, AcGePoint3d(13, 13, 0));
    EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_SELECT_ARC_EXT)), 1u);
    EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_FIRST_EXT_POINT)), 1u);
    EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_SECOND_EXT_POINT)), 1u);
}

TEST_F(Command, OnACircleTheTwoPointsAreAskedOnlyOnce)
{
    circleDraggedTheLongWay();
    oblouk_kota4_m();
    const DimensionSnapshot dimension = onlyDimension();
    EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_FIRST_EXT_POINT)), 1u);
    EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_SECOND_EXT_POINT)), 1u);
    EXPECT_NEAR(dimension.xLine1.distanceTo(AcGePoint3d(10, 0, 0)), 0.0, 1e-12);
    EXPECT_NEAR(dimension.xLine2.distanceTo(AcGePoint3d(0, 10, 0)), 0.0, 1e-12);
}

TEST_F(Command, WithoutExtensionPointsNoPointIsAskedForAnArc)
{
    for (void (*command)() : {oblouk_kota_m, oblouk_kota2_m}) {
        cadhost::resetSession();
        arcPickedAndDragged();
        command();
        EXPECT_EQ(dimensionsInDrawing().size(), 1u);
        EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_SELECT_ARC)), 1u);
        EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_FIRST_EXT_POINT)), 0u);
        EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_DIMENSION_LINE)), 1u);
    }
}

TEST_F(Command, TheNotAnArcMessageMatchesTheCommand)
{
    addEntity(new AcDbLine(AcGePoint3d(20, 0, 0), AcGePoint3d(30, 0, 0)));
    queuePoint(25, 0);
    queueEscape();
    oblouk_kota_m();
    queuePoint(25, 0);
    queueEscape();
    oblouk_kota3_m();
    EXPECT_EQ(timesPrinted(resourceString(IDS_NOT_AN_ARC)), 1u);
    EXPECT_EQ(timesPrinted(resourceString(IDS_NOT_AN_ARC_EXT)), 1u);
    EXPECT_TRUE(dimensionsInDrawing().empty());
}

// --- the dimension variables -----------------------------------------------------------

TEST_F(Command, DimlfacScalesBothNumbers)
{
    ASSERT_TRUE(cadhost::systemVariables().setReal("DIMLFAC", 2.0));
    arcPickedAndDragged();
    oblouk_kota2_m();
    EXPECT_EQ(utf8(onlyDimension().text), "dl.=31,4159, R=20");
}

TEST_F(Command, DimlfacTwoReadsLikeTheArcOfTwiceTheRadius)
{
    auto textOf = [](double radius, double factor) {
        cadhost::resetSession();
        EXPECT_TRUE(cadhost::systemVariables().setReal("DIMLFAC", factor));
        addEntity(new AcDbArc(AcGePoint3d(0, 0, 0), radius, 0.3, 2.0));
        queue(onCircle(60, radius));
        queue(onCircle(60, radius * 1.2));
        oblouk_kota2_m();
        return onlyDimension().text;
    };
    for (double radius : {0.5, 3.0, 77.25})
        EXPECT_EQ(utf8(textOf(radius, 2.0)), utf8(textOf(2.0 * radius, 1.0))) << radius;
}

TEST_F(Command, AnUnreadLinearFactorLeavesBothNumbersUnscaled)
{
    // A factor of zero, as when DIMLFAC could not be read, scales nothing.
    CKotaDP jig;
    jig.m_pResultDim = new AcDb3PointAngularDimension(
        AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0), AcGePoint3d(0, 10, 0), AcGePoint3d(7, 7, 0));
    jig.m_dimDsep = u'.';
    ASSERT_TRUE(jig.computeRadius());
    ASSERT_TRUE(jig.applyArcLengthText(2, false));
    ACHAR* text = jig.m_pResultDim->dimensionText();
    EXPECT_EQ(utf8(text), "dl.=15.7080, R=10.0000");
    acutDelString(text);
}

struct VariablesCase {
    short dimZin;
    const char16_t* dimDsep;
    short luprec;
    double radius;
    const char* text;
};

class DimensionVariables : public Command, public ::testing::WithParamInterface<VariablesCase> {};

TEST_P(DimensionVariables, ShapeTheText)
{
    const VariablesCase& c = GetParam();
    cadhost::SystemVariables& variables = cadhost::systemVariables();
    ASSERT_TRUE(variables.setShort("DIMZIN", c.dimZin));
    ASSERT_TRUE(variables.setString("DIMDSEP", c.dimDsep));
    ASSERT_TRUE(variables.setShort("LUPREC", c.luprec));
    addEntity(new AcDbArc(AcGePoint3d(0, 0, 0), c.radius, 0.0, kHalfPi));
    queue(onCircle(45, c.radius));
    queue(onCircle(45, c.radius * 1.5));
    oblouk_kota2_m();
    EXPECT_EQ(utf8(onlyDimension().text), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    ArcDimension, DimensionVariables,
    ::testing::Values(VariablesCase{0, u".", 4, 10.0, "dl.=15.7080, R=10.0000"},
                      VariablesCase{8, u".", 4, 10.0, "dl.=15.708, R=10"},
                      VariablesCase{8, u",", 2, 0.25, "dl.=0,39, R=0,25"},
                      VariablesCase{12, u",", 3, 0.25, "dl.=,393, R=,25"},
                      VariablesCase{4, u",", 3, 0.25, "dl.=,393, R=,250"},
                      VariablesCase{8, u",", 0, 10.0, "dl.=16, R=10"},
                      // An empty separator keeps the point instead of cutting the text.
                      VariablesCase{0, u"", 2, 10.0, "dl.=15.71, R=10.00"}));

// --- extension points: cancel, warnings -----------------------------------------------------

TEST_F(Command, EscapeOrEnterAtEitherExtensionPromptLeavesNothing)
{
    for (int prompt = 1; prompt <= 2; ++prompt) {
        for (bool escape : {true, false}) {
            cadhost::resetSession();
            arcPickedAndDragged();
            if (prompt == 2)
                queue(onCircle(20, 10));
            if (escape)
                queueEscape();
            else
                queueEnter();
            queuePoint(5, 5);  // no further prompt may take this
            oblouk_kota3_m();
            EXPECT_TRUE(dimensionsInDrawing().empty())
                << "prompt " << prompt << " escape " << escape;
            EXPECT_TRUE(messageBoxes().empty());
            EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_SECOND_EXT_POINT)),
                      prompt == 2 ? 1u : 0u);
            cadhost::UserAction left;
            EXPECT_TRUE(cadhost::editor().nextAction(left)) << "the command took more input";
        }
    }
}

TEST_F(Command, APointAtTheCentreWarnsAndLeavesNothing)
{
    arcPickedAndDragged();
    queuePoint(0, 0);
    queue(onCircle(30, 10));
    oblouk_kota4_m();
    EXPECT_TRUE(dimensionsInDrawing().empty());
    const std::vector<cadhost::RecordedEvent> boxes = messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, utf8(resourceString(IDS_EXT_POINT_AT_CENTER)));
    EXPECT_EQ(boxes[0].caption, utf8(resourceString(IDS_ARCDIM_CAPTION)));
    EXPECT_EQ(boxes[0].style, MB_OK | MB_ICONWARNING);
    EXPECT_TRUE(boxes[0].ownerIsMainWindow);
}

TEST_F(Command, DraggingAbandonedLeavesNothingAndNoWarning)
{
    addQuarterArc();
    queuePoint(kDiagonal, kDiagonal);
    queueCursor(20, 3);
    queueEscape();
    oblouk_kota4_m();
    EXPECT_TRUE(dimensionsInDrawing().empty());
    EXPECT_TRUE(messageBoxes().empty());
    EXPECT_EQ(timesPrinted(resourceString(IDS_PROMPT_FIRST_EXT_POINT)), 0u);
}

/// Calls back when a message box is written to the transcript, while it is still shown.
class MessageBoxProbe : public std::streambuf {
public:
    explicit MessageBoxProbe(std::function<void()> onBox) : m_onBox(std::move(onBox)) {}

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        if (std::string(text, static_cast<std::size_t>(count)).find("message box") !=
            std::string::npos)
            m_onBox();
        return count;
    }
    int overflow(int ch) override { return ch; }

private:
    std::function<void()> m_onBox;
};

TEST_F(Command, APointOutsideTheArcIsReplacedAndWarnedOfBeforeTheAppend)
{
    arcPickedAndDragged();
    queue(onCircle(30, 10));
    queue(onCircle(120, 10));

    CKotaDP jig;
    std::string textWhenWarned = "(no warning)";
    bool appendedWhenWarned = true;
    MessageBoxProbe probe([&] {
        ACHAR* text = jig.m_pResultDim->dimensionText();
        textWhenWarned = utf8(text);
        acutDelString(text);
        appendedWhenWarned = jig.m_pResultDim->isPersistent();
    });
    std::ostream transcript(&probe);
    cadhost::editor().setTranscript(&transcript);
    EXPECT_EQ(runArcDimension(jig, 1, true), 0);
    cadhost::editor().setTranscript(nullptr);

    EXPECT_EQ(textWhenWarned, "10,472");
    EXPECT_FALSE(appendedWhenWarned);
    const std::vector<cadhost::RecordedEvent> boxes = messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, utf8(resourceString(IDS_EXT_POINT_REPLACED)));
    EXPECT_EQ(boxes[0].caption, utf8(resourceString(IDS_ARCDIM_CAPTION)));
    EXPECT_EQ(boxes[0].style, MB_OK | MB_ICONWARNING);
    EXPECT_TRUE(boxes[0].ownerIsMainWindow);
    EXPECT_TRUE(jig.m_resultDimId.isValid());
    EXPECT_EQ(jig.m_pResultDim, nullptr);
}

TEST_F(Command, AReplacedPointStillCompletesTheCommand)
{
    arcPickedAndDragged();
    queue(onCircle(30, 10));
    queue(onCircle(120, 10));
    oblouk_kota4_m();
    const DimensionSnapshot dimension = onlyDimension();
    EXPECT_EQ(utf8(dimension.text), "dl.=10,472, R=10");
    EXPECT_EQ(dimension.xLine1, onCircle(30, 10));
    EXPECT_NEAR(dimension.xLine2.distanceTo(AcGePoint3d(0, 10, 0)), 0.0, 1e-12);
    EXPECT_EQ(messageBoxes().size(), 1u);
}

// Enter at the drag leaves the dimension line at the middle of the arc; the dimension spans
// the arc between the picked points, one of them on the end.
TEST_F(Command, EnterAtTheDragThenExtensionPointsMeasuresThePickedPart)
{
    struct EnterCase {
        double secondPick;  ///< degrees, on the arc
        const char* text;
    };
    for (const EnterCase& c : {EnterCase{75, "10,472"}, EnterCase{90, "13,09"}}) {
        cadhost::resetSession();
        addQuarterArc();
        queuePoint(kDiagonal, kDiagonal);
        queueEnter();
        queue(onCircle(15, 10));
        queue(onCircle(c.secondPick, 10));
        oblouk_kota3_m();
        EXPECT_EQ(utf8(onlyDimension().text), c.text) << c.secondPick;
        EXPECT_TRUE(messageBoxes().empty()) << c.secondPick;
    }
}

TEST_F(Command, TheDriverResultTellsHowTheCommandEnded)
{
    {
        CKotaDP jig;
        queueEscape();
        EXPECT_EQ(runArcDimension(jig, 1, false), 0);
    }
    {
        arcPickedAndDragged();
        CKotaDP jig;
        queueEscape();
        EXPECT_EQ(runArcDimension(jig, 1, true), -1);
    }
    EXPECT_TRUE(dimensionsInDrawing().empty());
}

}  // namespace
