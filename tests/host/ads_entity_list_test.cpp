// Entity lists and names: making points, lines, circles and arcs from lists, the last entity,
// erasing and undeleting, reading lists back, and selection sets.
#include "acedads.h"
#include "ads/ads_names.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "dbents.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

const resbuf* find(const resbuf* list, int code)
{
    for (; list != nullptr; list = list->rbnext)
        if (list->restype == code)
            return list;
    return nullptr;
}

/// Frees a list when it goes out of scope.
struct ListGuard {
    explicit ListGuard(resbuf* l) : list(l) {}
    ~ListGuard() { acutRelRb(list); }
    ListGuard(const ListGuard&) = delete;
    ListGuard& operator=(const ListGuard&) = delete;
    resbuf* list;
};

class EntityListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cadhost::resetSession();
        db = cadhost::workingDatabase();
    }
    int makePoint(double x, double y, double z)
    {
        ads_point p = {x, y, z};
        ListGuard list(acutBuildList(RTDXF0, u"POINT", 10, p, RTNONE));
        return acdbEntMake(list.list);
    }
    AcDbDatabase* db = nullptr;
};

TEST_F(EntityListTest, EntMakePointAppendsAClosedPointToModelSpace)
{
    ASSERT_EQ(makePoint(1, 2, 3), RTNORM);
    ASSERT_EQ(db->impl().modelSpaceIds().size(), 1u);
    EXPECT_TRUE(db->impl().openObjectIds().empty());
    ads_name last;
    ASSERT_EQ(acdbEntLast(last), RTNORM);
    AcDbObjectId id;
    ASSERT_EQ(acdbGetObjectId(id, last), Acad::eOk);
    EXPECT_EQ(id, db->impl().modelSpaceIds()[0]);
    AcDbPoint* point = nullptr;
    ASSERT_EQ(acdbOpenObject(point, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(point->position(), AcGePoint3d(1, 2, 3));
    point->close();
}

TEST_F(EntityListTest, EntGetDescribesThePoint)
{
    ASSERT_EQ(makePoint(4, 5, 6), RTNORM);
    ads_name last;
    acdbEntLast(last);
    ListGuard list(acdbEntGet(last));
    ASSERT_NE(list.list, nullptr);
    EXPECT_EQ(list.list->restype, -1);
    EXPECT_EQ(list.list->resval.rlname[0], last[0]);
    EXPECT_EQ(list.list->resval.rlname[1], last[1]);
    const resbuf* type = find(list.list, 0);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(std::u16string(type->resval.rstring), u"POINT");
    const resbuf* layer = find(list.list, 8);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(std::u16string(layer->resval.rstring), u"0");
    const resbuf* position = find(list.list, 10);
    ASSERT_NE(position, nullptr);
    EXPECT_EQ(position->resval.rpoint[0], 4.0);
    EXPECT_EQ(position->resval.rpoint[2], 6.0);
    EXPECT_TRUE(db->impl().openObjectIds().empty());
}

TEST_F(EntityListTest, EntMakeLineCircleArcAndLayer)
{
    ads_point a = {0, 0, 0}, b = {3, 4, 0}, c = {1, 1, 0};
    ListGuard line(acutBuildList(RTDXF0, u"LINE", 8, u"Lines", 10, a, 11, b, RTNONE));
    ASSERT_EQ(acdbEntMake(line.list), RTNORM);
    EXPECT_FALSE(db->impl().layerId(u"Lines").isNull()) << "the named layer is made";
    ListGuard circle(acutBuildList(RTDXF0, u"CIRCLE", 10, c, 40, 2.0, RTNONE));
    ASSERT_EQ(acdbEntMake(circle.list), RTNORM);
    ListGuard arc(acutBuildList(RTDXF0, u"ARC", 10, c, 40, 2.0, 50, 0.0, 51, kPi, RTNONE));
    ASSERT_EQ(acdbEntMake(arc.list), RTNORM);
    const auto& ids = db->impl().modelSpaceIds();
    ASSERT_EQ(ids.size(), 3u);
    const auto* madeLine = AcDbLine::cast(db->impl().objectAt(ids[0]));
    ASSERT_NE(madeLine, nullptr);
    EXPECT_EQ(std::u16string(madeLine->layer()), u"Lines");
    EXPECT_EQ(madeLine->endPoint(), AcGePoint3d(3, 4, 0));
    EXPECT_NE(AcDbCircle::cast(db->impl().objectAt(ids[1])), nullptr);
    const auto* madeArc = AcDbArc::cast(db->impl().objectAt(ids[2]));
    ASSERT_NE(madeArc, nullptr);
    EXPECT_NEAR(madeArc->endAngle(), kPi, 1e-15);
}

TEST_F(EntityListTest, EntMakeCircleCentreIsInObjectCoordinates)
{
    ads_point center = {1, 2, 3}, normal = {0, 0, -1};
    ListGuard circle(acutBuildList(RTDXF0, u"CIRCLE", 10, center, 40, 1.0, 210, normal, RTNONE));
    ASSERT_EQ(acdbEntMake(circle.list), RTNORM);
    const auto* made = AcDbCircle::cast(db->impl().objectAt(db->impl().modelSpaceIds()[0]));
    ASSERT_NE(made, nullptr);
    // The object system of -Z has x = -X, y = +Y, z = -Z.
    EXPECT_EQ(made->center(), AcGePoint3d(-1, 2, -3));
}

TEST_F(EntityListTest, EntGetNamesEveryKindAndItsStringsAreFreedWithTheList)
{
    auto* pline = new AcDbPolyline;
    pline->addVertexAt(0, AcGePoint2d(0, 0), 0.5);
    pline->addVertexAt(1, AcGePoint2d(4, 0));
    struct Made {
        AcDbEntity* entity;
        const char16_t* type;
        int geometryCode;  ///< a group the list must carry
    } made[] = {
        {new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)), u"LINE", 11},
        {new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 2.0), u"CIRCLE", 40},
        {new AcDbArc(AcGePoint3d(0, 0, 0), 2.0, 0.0, 1.0), u"ARC", 51},
        {pline, u"LWPOLYLINE", 42},
        {new AcDb3PointAngularDimension(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0),
                                        AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0), u"dl.=<>"),
         u"DIMENSION", 15},
    };
    for (const Made& m : made) {
        AcDbObjectId id;
        ASSERT_EQ(db->impl().appendEntity(m.entity, id), Acad::eOk);
        m.entity->close();
        ads_name name;
        acdbGetAdsName(name, id);
        ListGuard list(acdbEntGet(name));
        ASSERT_NE(list.list, nullptr);
        const resbuf* type = find(list.list, 0);
        ASSERT_NE(type, nullptr);
        EXPECT_EQ(std::u16string(type->resval.rstring), m.type);
        EXPECT_NE(find(list.list, m.geometryCode), nullptr) << m.geometryCode;
    }
    EXPECT_TRUE(db->impl().openObjectIds().empty());
}

TEST_F(EntityListTest, EntMakeRefusesIncompleteOrUnknownLists)
{
    ads_point p = {0, 0, 0};
    ListGuard noPoint(acutBuildList(RTDXF0, u"POINT", RTNONE));
    EXPECT_EQ(acdbEntMake(noPoint.list), RTERROR);
    ListGuard unknown(acutBuildList(RTDXF0, u"SPLINE", 10, p, RTNONE));
    EXPECT_EQ(acdbEntMake(unknown.list), RTERROR);
    ListGuard badRadius(acutBuildList(RTDXF0, u"CIRCLE", 10, p, 40, -1.0, RTNONE));
    EXPECT_EQ(acdbEntMake(badRadius.list), RTERROR);
    EXPECT_EQ(acdbEntMake(nullptr), RTERROR);
    EXPECT_TRUE(db->impl().modelSpaceIds().empty());
    ads_name last;
    EXPECT_EQ(acdbEntLast(last), RTERROR);
}

TEST_F(EntityListTest, EntDelErasesAndASecondCallUndeletes)
{
    ASSERT_EQ(makePoint(0, 0, 0), RTNORM);
    ASSERT_EQ(makePoint(1, 0, 0), RTNORM);
    ads_name second;
    acdbEntLast(second);
    ASSERT_EQ(acdbEntDel(second), RTNORM);
    AcDbObjectId id;
    acdbGetObjectId(id, second);
    EXPECT_TRUE(id.isErased());
    EXPECT_EQ(acdbEntGet(second), nullptr) << "an erased entity has no list";
    ads_name last;
    ASSERT_EQ(acdbEntLast(last), RTNORM);
    EXPECT_NE(last[1], second[1]) << "the last entity that is not erased";
    ASSERT_EQ(acdbEntDel(second), RTNORM);
    EXPECT_FALSE(id.isErased());
    EXPECT_TRUE(db->impl().openObjectIds().empty());
}

TEST_F(EntityListTest, NamesOfNothingAreRefused)
{
    ads_name bogus = {12345, 1};
    AcDbObjectId id;
    EXPECT_EQ(acdbGetObjectId(id, bogus), Acad::eInvalidAdsName);
    EXPECT_EQ(acdbEntDel(bogus), RTERROR);
    EXPECT_EQ(acdbEntGet(bogus), nullptr);
    ads_name name;
    EXPECT_EQ(acdbGetAdsName(name, AcDbObjectId::kNull), Acad::eNullObjectId);
}

TEST_F(EntityListTest, AdsNameRoundTrip)
{
    const AcDbObjectId layer = db->impl().layerId(u"0");
    ads_name name;
    ASSERT_EQ(acdbGetAdsName(name, layer), Acad::eOk);
    AcDbObjectId back;
    ASSERT_EQ(acdbGetObjectId(back, name), Acad::eOk);
    EXPECT_EQ(back, layer);
}

TEST_F(EntityListTest, SelectionSetsHoldEntitiesUntilFreed)
{
    const std::size_t before = cadhost::selectionSetCount();
    ads_name set;
    ASSERT_EQ(acedSSAdd(nullptr, nullptr, set), RTNORM);
    long length = -1;
    ASSERT_EQ(acedSSLength(set, &length), RTNORM);
    EXPECT_EQ(length, 0);
    makePoint(0, 0, 0);
    ads_name first;
    acdbEntLast(first);
    makePoint(1, 1, 1);
    ads_name second;
    acdbEntLast(second);
    ads_name same;
    ASSERT_EQ(acedSSAdd(first, set, same), RTNORM);
    EXPECT_EQ(same[0], set[0]);
    EXPECT_EQ(same[1], set[1]);
    ASSERT_EQ(acedSSAdd(second, set, same), RTNORM);
    ASSERT_EQ(acedSSAdd(first, set, same), RTNORM);  // already there: not added twice
    acedSSLength(set, &length);
    EXPECT_EQ(length, 2);
    ads_name member;
    ASSERT_EQ(acedSSName(set, 1, member), RTNORM);
    EXPECT_EQ(member[1], second[1]);
    EXPECT_EQ(acedSSName(set, 2, member), RTERROR);
    EXPECT_EQ(acedSSName(set, -1, member), RTERROR);
    ads_name other;
    ASSERT_EQ(acedSSAdd(first, nullptr, other), RTNORM) << "a new set with one entity";
    EXPECT_NE(other[1], set[1]);
    EXPECT_EQ(cadhost::selectionSetCount(), before + 2);
    EXPECT_EQ(acedSSFree(set), RTNORM);
    EXPECT_EQ(acedSSFree(set), RTERROR) << "a freed set name is no longer valid";
    EXPECT_EQ(acedSSLength(set, &length), RTERROR);
    EXPECT_EQ(acedSSAdd(first, set, same), RTERROR);
    EXPECT_EQ(acedSSFree(other), RTNORM);
    EXPECT_EQ(cadhost::selectionSetCount(), before);
}

TEST_F(EntityListTest, SelectionSetNamesAreNotEntityNames)
{
    ads_name set;
    acedSSAdd(nullptr, nullptr, set);
    AcDbObjectId id;
    EXPECT_EQ(acdbGetObjectId(id, set), Acad::eInvalidAdsName);
    EXPECT_EQ(acedSSAdd(set, nullptr, set), RTERROR);
    acedSSFree(set);
}

}  // namespace
