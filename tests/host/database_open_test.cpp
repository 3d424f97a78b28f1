// Opening and closing database objects: the reader and writer rules, erased objects, class
// filters, bad ids, erasure, and the record of database events.
#include "database/database_impl.h"
#include "dbents.h"
#include "session/recorder.h"
#include "session/session.h"

#include <gtest/gtest.h>

namespace {

class DatabaseOpenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cadhost::resetSession();
        db = cadhost::workingDatabase();
        auto* point = new AcDbPoint(AcGePoint3d(1, 2, 3));
        ASSERT_EQ(db->impl().appendEntity(point, pointId), Acad::eOk);
        ASSERT_EQ(point->close(), Acad::eOk);
    }

    AcDbDatabase* db = nullptr;
    AcDbObjectId pointId;
};

/// An opening that is already there, the one asked for next, and what that gives.
struct OpenCase {
    const char* what;
    int readersBefore;
    bool writerBefore;
    AcDb::OpenMode mode;
    Acad::ErrorStatus expected;
};

class OpenRulesTest : public DatabaseOpenTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenRulesTest, ReadersShareWritersExclude)
{
    const OpenCase& c = GetParam();
    std::vector<AcDbObject*> held;
    for (int i = 0; i < c.readersBefore; ++i) {
        AcDbObject* obj = nullptr;
        ASSERT_EQ(acdbOpenAcDbObject(obj, pointId, AcDb::kForRead), Acad::eOk);
        held.push_back(obj);
    }
    if (c.writerBefore) {
        AcDbObject* obj = nullptr;
        ASSERT_EQ(acdbOpenAcDbObject(obj, pointId, AcDb::kForWrite), Acad::eOk);
        held.push_back(obj);
    }
    AcDbObject* obj = reinterpret_cast<AcDbObject*>(1);
    EXPECT_EQ(acdbOpenAcDbObject(obj, pointId, c.mode), c.expected) << c.what;
    if (c.expected == Acad::eOk) {
        ASSERT_NE(obj, nullptr);
        EXPECT_EQ(obj->isWriteEnabled(), c.mode == AcDb::kForWrite);
        EXPECT_TRUE(obj->isReadEnabled());
        held.push_back(obj);
    } else {
        EXPECT_EQ(obj, nullptr) << "a failed open gives no object";
    }
    for (AcDbObject* o : held)
        EXPECT_EQ(o->close(), Acad::eOk);
    EXPECT_TRUE(db->impl().openObjectIds().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Openings, OpenRulesTest,
    ::testing::Values(OpenCase{"read when closed", 0, false, AcDb::kForRead, Acad::eOk},
                      OpenCase{"read beside readers", 3, false, AcDb::kForRead, Acad::eOk},
                      OpenCase{"write when closed", 0, false, AcDb::kForWrite, Acad::eOk},
                      OpenCase{"write beside a reader", 1, false, AcDb::kForWrite,
                               Acad::eWasOpenedForRead},
                      OpenCase{"read beside the writer", 0, true, AcDb::kForRead,
                               Acad::eWasOpenedForWrite},
                      OpenCase{"second writer", 0, true, AcDb::kForWrite,
                               Acad::eWasOpenedForWrite}));

TEST_F(DatabaseOpenTest, ClosingTheLastReaderAllowsAWriter)
{
    AcDbObject* r1 = nullptr;
    AcDbObject* r2 = nullptr;
    AcDbObject* w = nullptr;
    ASSERT_EQ(acdbOpenAcDbObject(r1, pointId, AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(acdbOpenAcDbObject(r2, pointId, AcDb::kForRead), Acad::eOk);
    r1->close();
    EXPECT_EQ(acdbOpenAcDbObject(w, pointId, AcDb::kForWrite), Acad::eWasOpenedForRead);
    r2->close();
    EXPECT_EQ(acdbOpenAcDbObject(w, pointId, AcDb::kForWrite), Acad::eOk);
    w->close();
}

TEST_F(DatabaseOpenTest, ClosingAClosedObjectFails)
{
    AcDbObject* obj = db->impl().objectAt(pointId);
    EXPECT_EQ(obj->close(), Acad::eNotOpenForRead);
}

TEST_F(DatabaseOpenTest, BadIdsAreRefused)
{
    AcDbObject* obj = nullptr;
    EXPECT_EQ(acdbOpenAcDbObject(obj, AcDbObjectId::kNull, AcDb::kForRead), Acad::eNullObjectId);
    EXPECT_EQ(acdbOpenAcDbObject(obj, AcDbObjectId(db, 999999), AcDb::kForRead),
              Acad::eUnknownHandle);
    EXPECT_FALSE(AcDbObjectId(db, 999999).isValid());
    EXPECT_TRUE(pointId.isValid());
}

TEST_F(DatabaseOpenTest, IdsOfADestroyedDatabaseAreInvalid)
{
    AcDbObjectId stale = pointId;
    cadhost::resetSession();
    EXPECT_FALSE(stale.isValid());
    AcDbObject* obj = nullptr;
    EXPECT_EQ(acdbOpenAcDbObject(obj, stale, AcDb::kForRead), Acad::eUnknownHandle);
}

TEST_F(DatabaseOpenTest, ClassFilterRefusesOtherClasses)
{
    AcDbObject* obj = nullptr;
    EXPECT_EQ(acdbOpenAcDbObject(obj, pointId, AcDb::kForRead, AcDbLine::desc()),
              Acad::eNotThatKindOfClass);
    EXPECT_EQ(obj, nullptr);
    ASSERT_EQ(acdbOpenAcDbObject(obj, pointId, AcDb::kForRead, AcDbEntity::desc()), Acad::eOk);
    obj->close();
    AcDbLine* line = nullptr;
    EXPECT_EQ(acdbOpenObject(line, pointId, AcDb::kForRead), Acad::eNotThatKindOfClass);
    AcDbEntity* ent = nullptr;
    EXPECT_EQ(acdbOpenAcDbEntity(ent, db->impl().layerId(u"0"), AcDb::kForRead),
              Acad::eNotThatKindOfClass);
}

TEST_F(DatabaseOpenTest, ErasedObjectsOpenOnlyWhenAskedFor)
{
    AcDbObject* obj = nullptr;
    ASSERT_EQ(acdbOpenAcDbObject(obj, pointId, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(obj->erase(), Acad::eOk);
    EXPECT_EQ(obj->erase(), Acad::eWasErased);
    obj->close();
    EXPECT_TRUE(pointId.isErased());
    EXPECT_EQ(acdbOpenAcDbObject(obj, pointId, AcDb::kForRead), Acad::eWasErased);
    ASSERT_EQ(acdbOpenAcDbObject(obj, pointId, AcDb::kForWrite, true), Acad::eOk);
    EXPECT_EQ(obj->erase(false), Acad::eOk);
    obj->close();
    EXPECT_FALSE(pointId.isErased());
}

TEST_F(DatabaseOpenTest, EraseNeedsWriteAndADatabase)
{
    AcDbObject* obj = nullptr;
    ASSERT_EQ(acdbOpenAcDbObject(obj, pointId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(obj->erase(), Acad::eNotOpenForWrite);
    obj->close();
    EXPECT_FALSE(pointId.isErased());
    AcDbPoint loose;
    EXPECT_EQ(loose.erase(), Acad::eNotInDatabase);
}

TEST_F(DatabaseOpenTest, AppendedEntityStaysOpenForWriteUntilClosed)
{
    auto* line = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    AcDbObjectId id;
    ASSERT_EQ(db->impl().appendEntity(line, id), Acad::eOk);
    EXPECT_TRUE(line->isPersistent());
    EXPECT_TRUE(line->isWriteEnabled());
    EXPECT_EQ(line->ownerId(), db->currentSpaceId());
    EXPECT_EQ(std::u16string(line->layer()), u"0");
    ASSERT_EQ(db->impl().openObjectIds().size(), 1u);
    EXPECT_EQ(db->impl().openObjectIds()[0], id);
    AcDbObjectId again;
    EXPECT_EQ(db->impl().appendEntity(line, again), Acad::eAlreadyInDb);
    line->close();
    EXPECT_TRUE(db->impl().openObjectIds().empty());
    EXPECT_EQ(db->impl().modelSpaceIds().back(), id);
}

TEST_F(DatabaseOpenTest, HandlesAreUniqueAndSeedable)
{
    auto* a = new AcDbPoint;
    AcDbObjectId idA;
    db->impl().appendEntity(a, idA);
    a->close();
    EXPECT_NE(idA.handle(), pointId.handle());
    db->impl().seedNextHandle(0x500);
    auto* b = new AcDbPoint;
    AcDbObjectId idB;
    db->impl().appendEntity(b, idB);
    b->close();
    EXPECT_EQ(idB.handle().value(), 0x500u);
    db->impl().seedNextHandle(2);  // below handles in use: raised above them
    EXPECT_GT(db->impl().nextHandle(), 0x500u);
    auto* c = new AcDbPoint;
    AcDbObjectId idC;
    EXPECT_EQ(db->impl().appendEntityWithHandle(c, AcDbHandle(0x500), idC), Acad::eDuplicateKey);
    EXPECT_FALSE(c->isPersistent());
    delete c;
    EXPECT_EQ(db->impl().objectByHandle(AcDbHandle(0x500)), db->impl().objectAt(idB));
}

TEST_F(DatabaseOpenTest, EventsAreRecorded)
{
    using Kind = cadhost::RecordedEvent::Kind;
    cadhost::recorder().clear();
    AcDbObject* obj = nullptr;
    acdbOpenAcDbObject(obj, pointId, AcDb::kForWrite);
    obj->erase();
    obj->erase(false);
    obj->close();
    auto* loose = new AcDbPoint;
    loose->close();  // not in a database: deleted
    const auto& events = cadhost::recorder().events();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].kind, Kind::DbOpen);
    EXPECT_EQ(events[0].text, "write");
    EXPECT_EQ(events[0].caption, "AcDbPoint");
    EXPECT_EQ(events[0].handle, pointId.handle().value());
    EXPECT_EQ(events[1].kind, Kind::DbErase);
    EXPECT_EQ(events[2].kind, Kind::DbUnerase);
    EXPECT_EQ(events[3].kind, Kind::DbClose);
    EXPECT_EQ(events[4].kind, Kind::DbDelete);
}

TEST_F(DatabaseOpenTest, ObjectPointerClosesWhenItGoesOutOfScope)
{
    {
        AcDbObjectPointer<AcDbPoint> point(pointId, AcDb::kForWrite);
        ASSERT_EQ(point.openStatus(), Acad::eOk);
        EXPECT_EQ(point->setPosition(AcGePoint3d(7, 8, 9)), Acad::eOk);
        EXPECT_FALSE(db->impl().openObjectIds().empty());
    }
    EXPECT_TRUE(db->impl().openObjectIds().empty());
    AcDbObjectPointer<AcDbPoint> reread(pointId, AcDb::kForRead);
    EXPECT_EQ(reread->position(), AcGePoint3d(7, 8, 9));
}

}  // namespace
