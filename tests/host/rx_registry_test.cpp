// Runtime classes and the system registry: class names and parents, kind tests and casts,
// the class dictionary, and the dynamic linker's record of applications.
#include "aecexports.h"
#include "database/aec_wall.h"
#include "dbdim.h"
#include "dbents.h"
#include "rx/applications.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ClassCase {
    const char16_t* name;
    const char16_t* parent;
};

class ClassDictionaryTest : public ::testing::TestWithParam<ClassCase> {};

TEST_P(ClassDictionaryTest, HoldsTheClassWithItsParent)
{
    const ClassCase& c = GetParam();
    AcRxDictionary* classes = AcRxDictionary::cast(acrxSysRegistry()->at(u"ClassDictionary"));
    ASSERT_NE(classes, nullptr);
    AcRxClass* found = AcRxClass::cast(classes->at(c.name));
    ASSERT_NE(found, nullptr) << std::string(c.name, c.name + std::u16string(c.name).size());
    EXPECT_EQ(std::u16string(found->name()), c.name);
    ASSERT_NE(found->myParent(), nullptr);
    EXPECT_EQ(std::u16string(found->myParent()->name()), c.parent);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, ClassDictionaryTest,
    ::testing::Values(ClassCase{u"AcDbObject", u"AcRxObject"},
                      ClassCase{u"AcDbEntity", u"AcDbObject"},
                      ClassCase{u"AcDbCurve", u"AcDbEntity"},
                      ClassCase{u"AcDbPoint", u"AcDbEntity"},
                      ClassCase{u"AcDbLine", u"AcDbCurve"},
                      ClassCase{u"AcDbArc", u"AcDbCurve"},
                      ClassCase{u"AcDbCircle", u"AcDbCurve"},
                      ClassCase{u"AcDbPolyline", u"AcDbCurve"},
                      ClassCase{u"AcDbDimension", u"AcDbEntity"},
                      ClassCase{u"AcDb3PointAngularDimension", u"AcDbDimension"},
                      ClassCase{u"AcDbDatabase", u"AcRxObject"},
                      ClassCase{u"AcRxDictionary", u"AcRxObject"},
                      ClassCase{u"AcRxDynamicLinker", u"AcRxObject"},
                      ClassCase{u"AcDbHostApplicationServices", u"AcRxObject"},
                      ClassCase{u"AecDbEntity", u"AcDbEntity"},
                      ClassCase{u"AecDbWall", u"AecDbEntity"}));

TEST(RuntimeClasses, KindTestsAndCasts)
{
    AcDbArc arc;
    const AcRxObject* object = &arc;
    EXPECT_EQ(object->isA(), AcDbArc::desc());
    EXPECT_TRUE(object->isKindOf(AcDbCurve::desc()));
    EXPECT_TRUE(object->isKindOf(AcRxObject::desc()));
    EXPECT_FALSE(object->isKindOf(AcDbCircle::desc()));
    EXPECT_EQ(AcDbCurve::cast(object), &arc);
    EXPECT_EQ(AcDbCircle::cast(object), nullptr);
    EXPECT_EQ(AcDbArc::cast(nullptr), nullptr);
    EXPECT_TRUE(AcDbArc::desc()->isDerivedFrom(AcDbEntity::desc()));
    EXPECT_FALSE(AcDbEntity::desc()->isDerivedFrom(AcDbArc::desc()));
    EXPECT_FALSE(AcDbArc::desc()->isDerivedFrom(nullptr));
}

TEST(RuntimeClasses, CurvedObjectClassIsTheWall)
{
    AecDbWall wall(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0), AcGePoint3d(2, 0, 0));
    EXPECT_EQ(AecArchBase_2053_curveObjectClass(), AecDbWall::desc());
    EXPECT_TRUE(wall.isKindOf(AcRxClass::cast(acrxClassDictionary()->at(u"AecDbEntity"))));
    AcGePoint3d start, middle, end;
    EXPECT_EQ(AecArchBase_2156_startPoint(&wall, &start), &start);
    AecArchBase_2112_midPoint(&wall, &middle);
    AecArchBase_2061_endPoint(&wall, &end);
    EXPECT_EQ(start, AcGePoint3d(0, 0, 0));
    EXPECT_EQ(middle, AcGePoint3d(1, 1, 0));
    EXPECT_EQ(end, AcGePoint3d(2, 0, 0));
    AcDbPoint notAWall;
    AcGePoint3d untouched(7, 7, 7);
    AecArchBase_2156_startPoint(&notAWall, &untouched);
    EXPECT_EQ(untouched, AcGePoint3d(7, 7, 7));
}

TEST(DynamicLinker, LocksAndMdiAwarenessOfRegisteredApplications)
{
    AcRxDynamicLinker* linker = AcRxDynamicLinker::cast(acrxSysRegistry()->at(u"DynamicLinker"));
    ASSERT_NE(linker, nullptr);
    int appToken = 0;
    void* appId = &appToken;
    EXPECT_FALSE(linker->lockApplication(appId)) << "not registered";
    EXPECT_FALSE(acrxRegisterAppMDIAware(appId));
    cadhost::registerApplication(appId, u"Sample.arx");
    ASSERT_NE(cadhost::findApplication(appId), nullptr);
    EXPECT_FALSE(cadhost::findApplication(appId)->locked);
    EXPECT_TRUE(linker->lockApplication(appId));
    EXPECT_TRUE(cadhost::findApplication(appId)->locked);
    EXPECT_TRUE(linker->isApplicationLocked(u"Sample.arx"));
    EXPECT_TRUE(linker->unlockApplication(appId));
    EXPECT_FALSE(linker->isApplicationLocked(u"Sample.arx"));
    EXPECT_TRUE(acrxRegisterAppMDIAware(appId));
    EXPECT_TRUE(cadhost::findApplication(appId)->mdiAware);
    cadhost::unregisterApplication(appId);
    EXPECT_EQ(cadhost::findApplication(appId), nullptr);
}

TEST(SystemRegistry, UnknownKeysGiveNull)
{
    EXPECT_EQ(acrxSysRegistry()->at(u"NoSuchEntry"), nullptr);
    EXPECT_EQ(acrxSysRegistry()->at(nullptr), nullptr);
    EXPECT_GE(acrxClassDictionary()->numEntries(), 16u);
}

}  // namespace
