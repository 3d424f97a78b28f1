// The jig's drag loop over the user's actions: samples, updates, the final click, Enter with
// and without null responses, Escape, no-change samples, the UCS of acquired points, append.
#include "acedjig.h"
#include "database/database_impl.h"
#include "dbents.h"
#include "editor/editor.h"
#include "session/recorder.h"
#include "session/session.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using cadhost::UserAction;

/// Drags a line's end; records what the host asked of it.
class RecordingJig : public AcEdJig {
public:
    explicit RecordingJig(UserInputControls controls) : m_controls(controls) {}
    ~RecordingJig() override { delete m_pLine; }
    RecordingJig(const RecordingJig&) = delete;
    RecordingJig& operator=(const RecordingJig&) = delete;

    DragStatus sampler() override
    {
        setUserInputControls(m_controls);
        AcGePoint3d point;
        const DragStatus status = acquirePoint(point);
        samples.push_back(status);
        if (status != kNormal)
            return status;
        if (point.isEqualTo(last))
            return kNoChange;
        last = point;
        return kNormal;
    }
    Adesk::Boolean update() override
    {
        updates.push_back(last);
        if (m_pLine != nullptr)
            m_pLine->setEndPoint(last);
        return Adesk::kTrue;
    }
    AcDbEntity* entity() const override { return m_pLine; }

    AcDbLine* m_pLine = new AcDbLine(AcGePoint3d::kOrigin, AcGePoint3d(1.0, 0.0, 0.0));
    std::vector<DragStatus> samples;
    std::vector<AcGePoint3d> updates;
    AcGePoint3d last;

private:
    UserInputControls m_controls;
};

class JigDragTest : public ::testing::Test {
protected:
    void SetUp() override { cadhost::resetSession(); }

    void queue(UserAction::Kind kind, double x = 0.0, double y = 0.0, double z = 0.0)
    {
        UserAction a;
        a.kind = kind;
        a.point = AcGePoint3d(x, y, z);
        a.text = "input";
        cadhost::editor().queueAction(a);
    }
    static constexpr AcEdJig::UserInputControls kAcceptNull = AcEdJig::kNullResponseAccepted;
    static constexpr AcEdJig::UserInputControls kNoControls =
        static_cast<AcEdJig::UserInputControls>(0);
};

TEST_F(JigDragTest, CursorMovesAreSamplesAndAClickEndsTheDrag)
{
    queue(UserAction::Kind::CursorMove, 1.0, 1.0);
    queue(UserAction::Kind::CursorMove, 2.0, 2.0);
    queue(UserAction::Kind::Point, 3.0, 4.0);
    RecordingJig jig(kAcceptNull);
    EXPECT_EQ(jig.drag(), AcEdJig::kNormal);
    EXPECT_EQ(jig.samples.size(), 3u);
    ASSERT_EQ(jig.updates.size(), 3u);
    EXPECT_EQ(jig.updates.back(), AcGePoint3d(3.0, 4.0, 0.0));
    EXPECT_EQ(cadhost::recorder().count(cadhost::RecordedEvent::Kind::JigRedraw), 3u);
}

TEST_F(JigDragTest, ASampleWithoutChangeIsNotUpdated)
{
    queue(UserAction::Kind::CursorMove, 2.0, 2.0);
    queue(UserAction::Kind::CursorMove, 2.0, 2.0);
    queue(UserAction::Kind::Point, 2.0, 2.0);
    RecordingJig jig(kAcceptNull);
    // The final click repeats the last sample: its status is the drag's.
    EXPECT_EQ(jig.drag(), AcEdJig::kNoChange);
    EXPECT_EQ(jig.samples.size(), 3u);
    EXPECT_EQ(jig.updates.size(), 1u);
}

TEST_F(JigDragTest, EndStatusesByInput)
{
    struct Case {
        const char* name;
        std::vector<UserAction::Kind> inputs;
        AcEdJig::UserInputControls controls;
        AcEdJig::DragStatus expected;
        std::size_t samples;
    };
    const Case cases[] = {
        {"escape", {UserAction::Kind::CursorMove, UserAction::Kind::Escape}, kAcceptNull,
         AcEdJig::kCancel, 2},
        {"enter accepted", {UserAction::Kind::CursorMove, UserAction::Kind::Enter}, kAcceptNull,
         AcEdJig::kNull, 2},
        {"enter ignored, then a click",
         {UserAction::Kind::Enter, UserAction::Kind::Enter, UserAction::Kind::Point}, kNoControls,
         AcEdJig::kNormal, 1},
        {"enter ignored, then escape", {UserAction::Kind::Enter, UserAction::Kind::Escape},
         kNoControls, AcEdJig::kCancel, 1},
        {"input runs out", {UserAction::Kind::CursorMove}, kAcceptNull, AcEdJig::kCancel, 2},
        {"nothing at all", {}, kAcceptNull, AcEdJig::kCancel, 1},
    };
    for (const Case& c : cases) {
        cadhost::resetSession();
        double x = 1.0;
        for (UserAction::Kind kind : c.inputs)
            queue(kind, x++, 1.0);
        RecordingJig jig(c.controls);
        EXPECT_EQ(jig.drag(), c.expected) << c.name;
        EXPECT_EQ(jig.samples.size(), c.samples) << c.name;
    }
}

TEST_F(JigDragTest, AnIgnoredEnterGoesOnWithTheNextCursorMove)
{
    queue(UserAction::Kind::Enter);
    queue(UserAction::Kind::CursorMove, 5.0, 0.0);
    queue(UserAction::Kind::Point, 6.0, 0.0);
    RecordingJig jig(kNoControls);
    EXPECT_EQ(jig.drag(), AcEdJig::kNormal);
    ASSERT_EQ(jig.updates.size(), 2u);
    EXPECT_EQ(jig.updates[0], AcGePoint3d(5.0, 0.0, 0.0));
}

TEST_F(JigDragTest, AcquiredPointsAreInWorldCoordinates)
{
    cadhost::editor().moveUcsOrigin(AcGePoint3d(100.0, 0.0, 0.0));
    cadhost::editor().rotateUcs(2, 90.0);
    queue(UserAction::Kind::Point, 1.0, 0.0, 0.0);
    RecordingJig jig(kAcceptNull);
    EXPECT_EQ(jig.drag(), AcEdJig::kNormal);
    EXPECT_TRUE(jig.last.isEqualTo(AcGePoint3d(100.0, 1.0, 0.0)));
}

TEST_F(JigDragTest, ZOfAPointCountsOnlyWith3dInput)
{
    queue(UserAction::Kind::Point, 1.0, 2.0, 3.0);
    RecordingJig flat(kAcceptNull);
    flat.drag();
    EXPECT_EQ(flat.last, AcGePoint3d(1.0, 2.0, 0.0));

    queue(UserAction::Kind::Point, 1.0, 2.0, 3.0);
    RecordingJig deep(static_cast<AcEdJig::UserInputControls>(AcEdJig::kNullResponseAccepted |
                                                               AcEdJig::kAccept3dCoordinates));
    deep.drag();
    EXPECT_EQ(deep.last, AcGePoint3d(1.0, 2.0, 3.0));
}

TEST_F(JigDragTest, AcquirePointOutsideADragFails)
{
    RecordingJig jig(kAcceptNull);
    AcGePoint3d point(7.0, 7.0, 7.0);
    EXPECT_NE(jig.acquirePoint(point), AcEdJig::kNormal);
    EXPECT_EQ(point, AcGePoint3d(7.0, 7.0, 7.0));
}

TEST_F(JigDragTest, TheDragPromptIsFormattedAndShown)
{
    RecordingJig jig(kAcceptNull);
    jig.setDispPrompt(u"\n%s %d: ", u"Táhni", 2);
    EXPECT_EQ(std::u16string(jig.dispPrompt()), u"\nTáhni 2: ");
    jig.drag();
    EXPECT_EQ(cadhost::recorder().commandLine(), "\nTáhni 2: ");
}

TEST_F(JigDragTest, AppendAddsTheEntityClosedAndOnlyOnce)
{
    RecordingJig jig(kAcceptNull);
    const AcDbObjectId id = jig.append();
    ASSERT_FALSE(id.isNull());
    EXPECT_EQ(jig.m_pLine->objectId(), id);
    const auto& modelSpace = cadhost::workingDatabase()->impl().modelSpaceIds();
    ASSERT_EQ(modelSpace.size(), 1u);
    EXPECT_EQ(modelSpace[0], id);
    // It was closed: it opens for write now.
    AcDbObject* object = nullptr;
    ASSERT_EQ(acdbOpenAcDbObject(object, id, AcDb::kForWrite), Acad::eOk);
    object->close();
    // An entity already in the drawing is not appended again.
    EXPECT_TRUE(jig.append().isNull());
    EXPECT_EQ(cadhost::workingDatabase()->impl().modelSpaceIds().size(), 1u);
    jig.m_pLine = nullptr;  // the drawing owns it now
}

TEST_F(JigDragTest, AppendWithoutAnEntityGivesTheNullId)
{
    RecordingJig jig(kAcceptNull);
    delete jig.m_pLine;
    jig.m_pLine = nullptr;
    EXPECT_TRUE(jig.append().isNull());
    EXPECT_TRUE(cadhost::workingDatabase()->impl().modelSpaceIds().empty());
}

}  // namespace
