// Picking: the nearest entity within the aperture, ties to the one drawn last, erased entities
// skipped, changed entities found where they are now, exact distances, and the speed of one
// pick in a large drawing.
#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "database/picking.h"
#include "dbdim.h"
#include "dbents.h"
#include "session/recorder.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

class PickingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cadhost::resetSession();
        db = cadhost::workingDatabase();
    }
    AcDbObjectId add(AcDbEntity* entity)
    {
        AcDbObjectId id;
        EXPECT_EQ(db->impl().appendEntity(entity, id), Acad::eOk);
        entity->close();
        return id;
    }
    AcDbObjectId pick(double x, double y, double aperture)
    {
        return cadhost::pickEntity(*db, AcGePoint3d(x, y, 0), aperture);
    }
    AcDbDatabase* db = nullptr;
};

TEST_F(PickingTest, NearestWithinTheAperture)
{
    const AcDbObjectId line = add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0)));
    const AcDbObjectId circle = add(new AcDbCircle(AcGePoint3d(5, 5, 0), AcGeVector3d::kZAxis, 2));
    EXPECT_EQ(pick(5, 0.4, 0.5), line);
    EXPECT_EQ(pick(5, 2.6, 0.5), circle);  // 0.4 from the circle, 2.6 from the line
    EXPECT_TRUE(pick(5, 5, 0.5).isNull()) << "the centre is 2 from the circle";
    EXPECT_TRUE(pick(5, 0.6, 0.5).isNull());
    EXPECT_EQ(pick(5, 0.6, 0.6), line) << "a distance equal to the aperture hits";
    EXPECT_TRUE(pick(5, 0, -1).isNull());
}

TEST_F(PickingTest, EqualDistancesGoToTheEntityDrawnLast)
{
    add(new AcDbPoint(AcGePoint3d(1, 0, 0)));
    const AcDbObjectId later = add(new AcDbPoint(AcGePoint3d(-1, 0, 0)));
    EXPECT_EQ(pick(0, 0, 1.5), later);
}

TEST_F(PickingTest, ErasedEntitiesAreNotPickedUntilUnerased)
{
    const AcDbObjectId below = add(new AcDbPoint(AcGePoint3d(0, 0, 0)));
    const AcDbObjectId top = add(new AcDbPoint(AcGePoint3d(0, 0.1, 0)));
    AcDbObject* obj = nullptr;
    ASSERT_EQ(acdbOpenAcDbObject(obj, top, AcDb::kForWrite), Acad::eOk);
    obj->erase();
    obj->close();
    EXPECT_EQ(pick(0, 0.1, 0.5), below);
    ASSERT_EQ(acdbOpenAcDbObject(obj, top, AcDb::kForWrite, true), Acad::eOk);
    obj->erase(false);
    obj->close();
    EXPECT_EQ(pick(0, 0.1, 0.5), top);
}

TEST_F(PickingTest, MovedEntitiesAreFoundWhereTheyAreNow)
{
    // Enough entities that the index builds its tree, then one of them moves far away.
    for (int i = 0; i < 1000; ++i)
        add(new AcDbPoint(AcGePoint3d(i, 0, 0)));
    const AcDbObjectId mover = db->impl().modelSpaceIds()[500];
    ASSERT_EQ(pick(500, 0, 0.1), mover);
    ASSERT_GT(db->impl().spatialIndex().treeSize(), 0u);
    AcDbPoint* point = nullptr;
    ASSERT_EQ(acdbOpenObject(point, mover, AcDb::kForWrite), Acad::eOk);
    point->setPosition(AcGePoint3d(500, 300, 0));
    point->close();
    EXPECT_TRUE(pick(500, 0, 0.1).isNull());
    EXPECT_EQ(pick(500, 300, 0.1), mover);
}

TEST_F(PickingTest, ManyMovedEntitiesAreFoundAfterTheIndexIsRebuilt)
{
    for (int i = 0; i < 1000; ++i)
        add(new AcDbPoint(AcGePoint3d(i, 0, 0)));
    ASSERT_FALSE(pick(10, 0, 0.1).isNull());
    // More moves than the index checks one by one: the next pick rebuilds it.
    for (int i = 0; i < 1000; i += 2) {
        AcDbPoint* point = nullptr;
        ASSERT_EQ(acdbOpenObject(point, db->impl().modelSpaceIds()[i], AcDb::kForWrite),
                  Acad::eOk);
        point->setPosition(AcGePoint3d(i, 50, 0));
        point->close();
    }
    for (int i : {0, 2, 500, 998}) {
        EXPECT_EQ(pick(i, 50, 0.1), db->impl().modelSpaceIds()[i]) << i;
        EXPECT_TRUE(pick(i, 0, 0.1).isNull()) << i;
    }
    EXPECT_EQ(pick(501, 0, 0.1), db->impl().modelSpaceIds()[501]);
}

// Whatever was added and moved, in whatever order (the same entity again and again, handles
// falling or rising one by one), a pick finds what a look at every entity finds.
TEST_F(PickingTest, RandomMovesPickAsALookAtEveryEntity)
{
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        cadhost::resetSession();
        db = cadhost::workingDatabase();
        std::mt19937 random(seed);
        const auto coordinate = [&random] {
            return std::uniform_int_distribution<int>(0, 400)(random) / 4.0;
        };
        std::vector<AcGePoint3d> where;
        const auto addPoint = [&] {
            where.emplace_back(coordinate(), coordinate(), 0.0);
            add(new AcDbPoint(where.back()));
        };
        const auto move = [&](std::size_t i) {
            AcDbPoint* point = nullptr;
            ASSERT_EQ(acdbOpenObject(point, db->impl().modelSpaceIds()[i], AcDb::kForWrite),
                      Acad::eOk);
            where[i] = AcGePoint3d(coordinate(), coordinate(), 0.0);
            point->setPosition(where[i]);
            point->close();
        };
        for (int round = 0; round < 30; ++round) {
            const int burst = std::uniform_int_distribution<int>(0, 3)(random) == 0 ? 600 : 40;
            for (int k = 0; k < burst; ++k) {
                const int kind = std::uniform_int_distribution<int>(0, 3)(random);
                const std::size_t last = where.size() - (where.empty() ? 0 : 1);
                if (kind == 0 || where.empty())
                    addPoint();
                else if (kind == 1)
                    move(std::uniform_int_distribution<std::size_t>(0, last)(random));
                else if (kind == 2)
                    move(last);  // the same one again
                else
                    for (std::size_t i = std::uniform_int_distribution<std::size_t>(0, last)(random);
                         i <= last && i < 20 + last / 2; ++i)
                        move(i);  // a rising run
            }
            for (int k = 0; k < 10; ++k) {
                const AcGePoint3d at(coordinate(), coordinate(), 0.0);
                const double aperture = 2.0;
                AcDbObjectId expected;
                double best = aperture;
                for (std::size_t i = 0; i < where.size(); ++i)
                    if (at.distanceTo(where[i]) <= best) {
                        best = at.distanceTo(where[i]);
                        expected = db->impl().modelSpaceIds()[i];
                    }
                ASSERT_EQ(pick(at.x, at.y, aperture), expected) << "round " << round;
            }
        }
    }
}

TEST_F(PickingTest, DistancesAreExactForEachKind)
{
    const AcGePoint3d p(3, 4, 0);
    EXPECT_DOUBLE_EQ(cadhost::distanceToEntity(AcDbPoint(AcGePoint3d(0, 0, 0)), p), 5.0);
    EXPECT_DOUBLE_EQ(
        cadhost::distanceToEntity(AcDbLine(AcGePoint3d(-1, 0, 0), AcGePoint3d(1, 0, 0)), p),
        std::hypot(2.0, 4.0));
    EXPECT_DOUBLE_EQ(
        cadhost::distanceToEntity(AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 2), p),
        3.0);
    // The quarter arc from 90 to 180 degrees: nearest is its end at (0,2).
    EXPECT_DOUBLE_EQ(cadhost::distanceToEntity(
                         AcDbArc(AcGePoint3d(0, 0, 0), 2.0, 3.141592653589793 / 2,
                                 3.141592653589793),
                         p),
                     std::hypot(3.0, 2.0));
    AcDbPolyline pline;
    pline.addVertexAt(0, AcGePoint2d(0, 0));
    pline.addVertexAt(1, AcGePoint2d(3, 0));
    EXPECT_DOUBLE_EQ(cadhost::distanceToEntity(pline, p), 4.0);
    const AecDbWall curved(AcGePoint3d(-5, 0, 0), AcGePoint3d(0, 5, 0), AcGePoint3d(5, 0, 0));
    EXPECT_NEAR(cadhost::distanceToEntity(curved, p), 0.0, 1e-12);
    const AecDbWall straight(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0), AcGePoint3d(2, 0, 0));
    EXPECT_DOUBLE_EQ(cadhost::distanceToEntity(straight, p), std::hypot(1.0, 4.0));
    const AcDb3PointAngularDimension dim(AcGePoint3d(0, 0, 0), AcGePoint3d(3, 3, 0),
                                         AcGePoint3d(-3, 0, 0), AcGePoint3d(0, -3, 0));
    EXPECT_DOUBLE_EQ(cadhost::distanceToEntity(dim, p), 1.0);
}

TEST_F(PickingTest, ClosedEntitiesAreMeasuredWithoutBeingLeftOpen)
{
    AcDbPolyline* pline = new AcDbPolyline;
    pline->addVertexAt(0, AcGePoint2d(0, 0), 1.0);
    pline->addVertexAt(1, AcGePoint2d(10, 0));
    const AcDbObjectId id = add(pline);
    EXPECT_EQ(pick(5, -5, 0.01), id) << "the half circle below the chord";
    EXPECT_TRUE(db->impl().openObjectIds().empty());
    EXPECT_FALSE(db->impl().objectAt(id)->isReadEnabled());
}

TEST_F(PickingTest, OnePickInAMillionEntitiesTakesWellUnderAMillisecond)
{
    constexpr int kSide = 1000;  // a 1000 x 1000 grid of short lines, 1 unit apart
    for (int i = 0; i < kSide; ++i) {
        cadhost::recorder().clear();  // two events per entity: keep the record small
        for (int j = 0; j < kSide; ++j)
            add(new AcDbLine(AcGePoint3d(i, j, 0), AcGePoint3d(i + 0.5, j, 0)));
    }
    const AcDbObjectId expected = db->impl().modelSpaceIds()[777 * kSide + 333];
    ASSERT_EQ(pick(777.25, 333.1, 0.2), expected);  // builds the index
    const auto start = std::chrono::steady_clock::now();
    constexpr int kPicks = 100;
    int hits = 0;
    for (int k = 0; k < kPicks; ++k)
        hits += pick(100.25 + 8 * k, 900.05 - 7 * k, 0.2).isNull() ? 0 : 1;
    const double perPick = std::chrono::duration<double, std::milli>(
                               std::chrono::steady_clock::now() - start)
                               .count() /
                           kPicks;
    EXPECT_EQ(hits, kPicks);
    EXPECT_LT(perPick, 1.0) << perPick << " ms per pick";
}

}  // namespace
