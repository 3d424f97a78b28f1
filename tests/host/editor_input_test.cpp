// The editor's input handling: prompts answered from the queue, statuses of acedGetPoint,
// the input error of a wrong action, echo and transcript, and the UCS conversions.
#include "acedads.h"
#include "editor/editor.h"
#include "session/recorder.h"
#include "session/session.h"

#include <gtest/gtest.h>
#include <cmath>
#include <sstream>

namespace {

using cadhost::UserAction;

UserAction action(UserAction::Kind kind, double x = 0.0, double y = 0.0, double z = 0.0,
                  const std::string& text = "")
{
    UserAction a;
    a.kind = kind;
    a.point = AcGePoint3d(x, y, z);
    a.text = text;
    a.origin = "test.script";
    a.line = 7;
    return a;
}

class EditorInputTest : public ::testing::Test {
protected:
    void SetUp() override { cadhost::resetSession(); }
    cadhost::Editor& editor() { return cadhost::editor(); }
};

TEST_F(EditorInputTest, GetPointAnswersEachKindOfAction)
{
    struct Case {
        UserAction::Kind kind;
        int expectedStatus;
    };
    const Case cases[] = {
        {UserAction::Kind::Point, RTNORM},
        {UserAction::Kind::Enter, RTNONE},
        {UserAction::Kind::Escape, RTCAN},
    };
    for (const Case& c : cases) {
        cadhost::resetSession();
        editor().queueAction(action(c.kind, 1.5, -2.0, 3.0, "1.5,-2,3"));
        ads_point p = {9.0, 9.0, 9.0};
        EXPECT_EQ(acedGetPoint(nullptr, u"\nPoint: ", p), c.expectedStatus);
        if (c.expectedStatus == RTNORM) {
            EXPECT_EQ(p[X], 1.5);
            EXPECT_EQ(p[Y], -2.0);
            EXPECT_EQ(p[Z], 3.0);
        }
        EXPECT_FALSE(editor().hasInputError());
    }
}

TEST_F(EditorInputTest, GetPointIsCancelledWhenInputRunsOut)
{
    ads_point p = {0.0, 0.0, 0.0};
    EXPECT_EQ(acedGetPoint(nullptr, u"\nPoint: ", p), RTCAN);
    EXPECT_FALSE(editor().hasInputError());
}

TEST_F(EditorInputTest, CursorMovesDoNotAnswerAPointPrompt)
{
    editor().queueAction(action(UserAction::Kind::CursorMove, 5.0, 5.0));
    editor().queueAction(action(UserAction::Kind::Point, 1.0, 2.0));
    ads_point p = {0.0, 0.0, 0.0};
    EXPECT_EQ(acedGetPoint(nullptr, u"", p), RTNORM);
    EXPECT_EQ(p[X], 1.0);
    EXPECT_EQ(p[Y], 2.0);
}

TEST_F(EditorInputTest, OtherTextIsAnInputErrorAnsweredAsEscapeUntilCleared)
{
    editor().queueAction(action(UserAction::Kind::Other, 0, 0, 0, "hello"));
    editor().queueAction(action(UserAction::Kind::Point, 1.0, 2.0));
    ads_point p = {0.0, 0.0, 0.0};
    EXPECT_EQ(acedGetPoint(nullptr, u"", p), RTCAN);
    ASSERT_TRUE(editor().hasInputError());
    EXPECT_EQ(editor().inputError().origin, "test.script");
    EXPECT_EQ(editor().inputError().line, 7);
    EXPECT_EQ(editor().inputError().text, "hello");
    EXPECT_NE(editor().inputError().expected.find("point"), std::string::npos);
    // The command keeps being cancelled, and the waiting point is not consumed.
    EXPECT_EQ(acedGetPoint(nullptr, u"", p), RTCAN);
    editor().clearInputError();
    EXPECT_EQ(acedGetPoint(nullptr, u"", p), RTNORM);
}

/// Actions from a person, who is answered and asked again after a mistake.
class ForgivingInput : public cadhost::InputSource {
public:
    explicit ForgivingInput(std::vector<UserAction> actions) : m_actions(std::move(actions)) {}
    bool next(UserAction& a) override
    {
        if (m_next == m_actions.size())
            return false;
        a = m_actions[m_next++];
        return true;
    }
    bool forgivesMistakes() const override { return true; }

private:
    std::vector<UserAction> m_actions;
    std::size_t m_next = 0;
};

TEST_F(EditorInputTest, AForgivingSourceIsAnsweredAndTheSamePromptAskedAgain)
{
    std::ostringstream transcript;
    editor().setTranscript(&transcript);
    ForgivingInput input({action(UserAction::Kind::Other, 0, 0, 0, "hello"),
                          action(UserAction::Kind::Other, 0, 0, 0, "1,2,3,4"),
                          action(UserAction::Kind::Point, 1.0, 2.0, 0.0, "1,2")});
    editor().setInputSource(&input);
    ads_point p = {0.0, 0.0, 0.0};
    EXPECT_EQ(acedGetPoint(nullptr, u"\nFirst: ", p), RTNORM);
    EXPECT_EQ(p[X], 1.0);
    EXPECT_FALSE(editor().hasInputError());
    // Without a forgiving source (a script) a mistake is not answered: it ends the command.
    editor().setInputSource(nullptr);
    EXPECT_FALSE(editor().answerMistake("never shown"));
    editor().setTranscript(nullptr);
    EXPECT_EQ(transcript.str(),
              "\nFirst: hello\nPoint or option keyword required.\nFirst: 1,2,3,4\nInvalid point."
              "\nFirst: 1,2");
    EXPECT_EQ(cadhost::recorder().count(cadhost::RecordedEvent::Kind::Input), 3u);
}

TEST_F(EditorInputTest, PromptsAndEchoesGoToTranscriptAndRecordApart)
{
    std::ostringstream transcript;
    editor().setTranscript(&transcript);
    editor().queueAction(action(UserAction::Kind::Point, 1.0, 2.0, 0.0, "1,2"));
    editor().queueAction(action(UserAction::Kind::Escape, 0, 0, 0, "ESC"));
    ads_point p;
    acedGetPoint(nullptr, u"\nFirst: ", p);
    acedGetPoint(nullptr, u"\nSecond: ", p);
    acutPrintf(u"\n%s=%d", u"x", 3);
    editor().finishTranscript();
    editor().setTranscript(nullptr);
    EXPECT_EQ(transcript.str(), "\nFirst: 1,2\nSecond: *Cancel*\nx=3\n");
    // The record's command line holds what the host printed, never the user's input.
    EXPECT_EQ(cadhost::recorder().commandLine(), "\nFirst: \nSecond: \nx=3");
    EXPECT_EQ(cadhost::recorder().count(cadhost::RecordedEvent::Kind::Input), 2u);
}

TEST_F(EditorInputTest, InteractiveSessionLeavesEchoToTheTerminal)
{
    std::ostringstream transcript;
    editor().setTranscript(&transcript);
    editor().setInteractive(true);
    editor().queueAction(action(UserAction::Kind::Point, 1.0, 2.0, 0.0, "1,2"));
    ads_point p;
    acedGetPoint(nullptr, u"\nFirst: ", p);
    editor().setTranscript(nullptr);
    EXPECT_EQ(transcript.str(), "\nFirst: ");
}

TEST_F(EditorInputTest, AcutPrintfPrintsWideArguments)
{
    acutPrintf(u"%s %.*f %ld", u"délka", 2, 3.14159, 12345678901L);
    EXPECT_EQ(cadhost::recorder().commandLine(), "délka 3.14 12345678901");
}

TEST_F(EditorInputTest, MainWindowIsStableAndNotNull)
{
    EXPECT_NE(adsw_acadMainWnd(), nullptr);
    EXPECT_EQ(adsw_acadMainWnd(), adsw_acadMainWnd());
}

TEST_F(EditorInputTest, ApertureMustBePositive)
{
    const double before = editor().aperture();
    EXPECT_FALSE(editor().setAperture(0.0));
    EXPECT_FALSE(editor().setAperture(-1.0));
    EXPECT_FALSE(editor().setAperture(std::nan("")));
    EXPECT_EQ(editor().aperture(), before);
    EXPECT_TRUE(editor().setAperture(2.5));
    EXPECT_EQ(editor().aperture(), 2.5);
}

// --- UCS ---

void expectNear(const ads_point a, const AcGePoint3d& b)
{
    EXPECT_NEAR(a[X], b.x, 1e-12);
    EXPECT_NEAR(a[Y], b.y, 1e-12);
    EXPECT_NEAR(a[Z], b.z, 1e-12);
}

TEST_F(EditorInputTest, UcsRotationAboutZTurnsTheXAxisTowardsY)
{
    editor().rotateUcs(2, 90.0);
    ads_point ucs = {1.0, 0.0, 0.0};
    ads_point world;
    ASSERT_TRUE(acdbUcs2Wcs(ucs, world, false));
    expectNear(world, AcGePoint3d(0.0, 1.0, 0.0));
}

TEST_F(EditorInputTest, UcsRotationAboutXTurnsYTowardsZ)
{
    editor().rotateUcs(0, 90.0);
    ads_point ucs = {0.0, 1.0, 0.0};
    ads_point world;
    acdbUcs2Wcs(ucs, world, false);
    expectNear(world, AcGePoint3d(0.0, 0.0, 1.0));
}

TEST_F(EditorInputTest, UcsRotationAboutYTurnsZTowardsX)
{
    editor().rotateUcs(1, 90.0);
    ads_point ucs = {0.0, 0.0, 1.0};
    ads_point world;
    acdbUcs2Wcs(ucs, world, false);
    expectNear(world, AcGePoint3d(1.0, 0.0, 0.0));
}

TEST_F(EditorInputTest, UcsOriginIsGivenInTheCurrentUcs)
{
    editor().rotateUcs(2, 90.0);
    editor().moveUcsOrigin(AcGePoint3d(10.0, 0.0, 0.0));
    // Ten units along the rotated X axis is ten units along world Y.
    ads_point ucs = {0.0, 0.0, 0.0};
    ads_point world;
    acdbUcs2Wcs(ucs, world, false);
    expectNear(world, AcGePoint3d(0.0, 10.0, 0.0));
}

TEST_F(EditorInputTest, VectorsIgnoreTheUcsOrigin)
{
    editor().moveUcsOrigin(AcGePoint3d(5.0, 6.0, 7.0));
    ads_point v = {1.0, 2.0, 3.0};
    ads_point world;
    acdbUcs2Wcs(v, world, true);
    expectNear(world, AcGePoint3d(1.0, 2.0, 3.0));
    acdbUcs2Wcs(v, world, false);
    expectNear(world, AcGePoint3d(6.0, 8.0, 10.0));
}

TEST_F(EditorInputTest, ConversionsRoundTripInMovedAndRotatedSystems)
{
    struct Ucs {
        double origin[3];
        int axis1;
        double degrees1;
        int axis2;
        double degrees2;
    };
    const Ucs systems[] = {
        {{0, 0, 0}, 2, 30.0, 0, 0.0},
        {{12.5, -3.0, 4.0}, 0, 90.0, 2, 45.0},
        {{-100.0, 250.0, 0.5}, 1, -60.0, 0, 135.0},
        {{1e6, 1e6, 0}, 2, 180.0, 1, 10.0},
    };
    const AcGePoint3d points[] = {{0, 0, 0}, {1, 2, 3}, {-7.25, 0.5, 100.0}, {1e5, -1e5, 3}};
    for (const Ucs& s : systems) {
        cadhost::resetSession();
        editor().rotateUcs(s.axis1, s.degrees1);
        editor().moveUcsOrigin(AcGePoint3d(s.origin[0], s.origin[1], s.origin[2]));
        editor().rotateUcs(s.axis2, s.degrees2);
        const cadhost::UcsFrame& f = editor().ucs();
        // The frame stays orthonormal and right-handed.
        EXPECT_NEAR(f.xAxis.length(), 1.0, 1e-12);
        EXPECT_NEAR(f.yAxis.length(), 1.0, 1e-12);
        EXPECT_NEAR(f.xAxis.dotProduct(f.yAxis), 0.0, 1e-12);
        EXPECT_TRUE(f.xAxis.crossProduct(f.yAxis).isEqualTo(f.zAxis, AcGeTol()));
        for (const AcGePoint3d& p : points) {
            ads_point ucs = {p.x, p.y, p.z};
            ads_point world;
            ads_point back;
            acdbUcs2Wcs(ucs, world, false);
            acdbWcs2Ucs(world, back, false);
            const double scale = 1.0 + std::fabs(p.x) + std::fabs(p.y) + std::fabs(s.origin[0]);
            EXPECT_NEAR(back[X], p.x, 1e-12 * scale);
            EXPECT_NEAR(back[Y], p.y, 1e-12 * scale);
            EXPECT_NEAR(back[Z], p.z, 1e-12 * scale);
            // Distances are kept: the UCS is a rigid motion.
            const AcGePoint3d w(world[X], world[Y], world[Z]);
            const AcGePoint3d o = editor().ucsToWorld(AcGePoint3d::kOrigin);
            EXPECT_NEAR(w.distanceTo(o), p.asVector().length(), 1e-9 * scale);
        }
    }
}

TEST_F(EditorInputTest, ConversionMayWorkInPlace)
{
    editor().moveUcsOrigin(AcGePoint3d(1.0, 1.0, 1.0));
    ads_point p = {1.0, 2.0, 3.0};
    acdbUcs2Wcs(p, p, false);
    expectNear(p, AcGePoint3d(2.0, 3.0, 4.0));
}

TEST_F(EditorInputTest, UcsWorldResetsEverything)
{
    editor().rotateUcs(0, 33.0);
    editor().moveUcsOrigin(AcGePoint3d(4.0, 5.0, 6.0));
    editor().setUcsWorld();
    ads_point p = {1.0, 2.0, 3.0};
    ads_point world;
    acdbUcs2Wcs(p, world, false);
    expectNear(world, AcGePoint3d(1.0, 2.0, 3.0));
}

}  // namespace
