// Reading drawing files: world geometry of object coordinate system entities, the header
// variables and tables the host models, and clear errors for bad files.
#include "acedads.h"
#include "dbdim.h"
#include "dbents.h"
#include "database/aec_wall.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_document.h"
#include "dxf/dxf_mends.h"
#include "dxf/dxf_reader.h"
#include "dxf/dxf_writer.h"
#include "dxf_test_support.h"
#include <gtest/gtest.h>
#include <cmath>

namespace {

using cadhost::DxfError;
using cadhost::readDxf;

constexpr double kPi = 3.141592653589793;

TEST(DxfReader, MirroredArcComesInWithItsWorldCentre)
{
    const auto db = readDxf(dxftest::drawing("", "0\nARC\n8\nA\n10\n-60\n20\n-70\n30\n5\n40\n30\n"
                                                 "50\n200\n51\n340\n210\n0\n220\n0\n230\n-1\n"),
                            "mirrored.dxf");
    const auto found = dxftest::entities(*db);
    ASSERT_EQ(found.size(), 1u);
    const AcDbArc* arc = AcDbArc::cast(found[0]);
    ASSERT_NE(arc, nullptr);
    cadhost::InternalReadScope reading(*arc);
    // The arbitrary axis rule for -Z: object x is world -x, object z is world -z.
    EXPECT_NEAR(arc->center().x, 60.0, 1e-12);
    EXPECT_NEAR(arc->center().y, -70.0, 1e-12);
    EXPECT_NEAR(arc->center().z, -5.0, 1e-12);
    EXPECT_EQ(arc->normal(), AcGeVector3d(0.0, 0.0, -1.0));
    // The world start point is the object start point mirrored in x.
    AcGePoint3d start;
    ASSERT_EQ(arc->getStartPoint(start), Acad::eOk);
    EXPECT_NEAR(start.x, 60.0 - 30.0 * std::cos(200.0 * kPi / 180.0), 1e-9);
    EXPECT_NEAR(start.y, -70.0 + 30.0 * std::sin(200.0 * kPi / 180.0), 1e-9);
    EXPECT_EQ(std::u16string(arc->layer()), u"A");
}

struct OcsCase {
    const char* name;
    AcGeVector3d normal;
};

class DxfReaderOcs : public ::testing::TestWithParam<OcsCase> {};

TEST_P(DxfReaderOcs, CircleCentreIsTheObjectCentreThroughTheArbitraryAxisRule)
{
    const AcGeVector3d n = GetParam().normal;
    const std::string extrusion = "210\n" + std::to_string(n.x) + "\n220\n" + std::to_string(n.y) +
                                  "\n230\n" + std::to_string(n.z) + "\n";
    const auto db = readDxf(dxftest::drawing("", "0\nCIRCLE\n10\n3\n20\n4\n30\n5\n40\n2\n" + extrusion),
                            "ocs.dxf");
    const auto found = dxftest::entities(*db);
    ASSERT_EQ(found.size(), 1u);
    const AcDbCircle* circle = AcDbCircle::cast(found[0]);
    ASSERT_NE(circle, nullptr);
    AcGePoint3d expected(3.0, 4.0, 5.0);
    expected.transformBy(AcGeMatrix3d::planeToWorld(n));
    EXPECT_TRUE(circle->center().isEqualTo(expected, AcGeTol()));
    EXPECT_NEAR(circle->center().asVector().length(), std::sqrt(50.0), 1e-9);
    EXPECT_TRUE(circle->normal().isParallelTo(n));
    EXPECT_GT(circle->normal().dotProduct(n), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Normals, DxfReaderOcs,
                         ::testing::Values(OcsCase{"minusZ", {0.0, 0.0, -1.0}},
                                           OcsCase{"x", {1.0, 0.0, 0.0}},
                                           OcsCase{"nearZ", {0.01, 0.0, 1.0}},
                                           OcsCase{"slanted", {1.0, 2.0, 3.0}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DxfReader, PolylineKeepsBulgesElevationAndClosure)
{
    const auto db = readDxf(
        dxftest::drawing("", "0\nLWPOLYLINE\n90\n3\n70\n1\n38\n2.5\n10\n0\n20\n0\n42\n0.5\n"
                             "10\n10\n20\n0\n10\n10\n20\n10\n42\n-1\n210\n0\n220\n0\n230\n-1\n"),
        "pline.dxf");
    const auto found = dxftest::entities(*db);
    ASSERT_EQ(found.size(), 1u);
    const AcDbPolyline* polyline = AcDbPolyline::cast(found[0]);
    ASSERT_NE(polyline, nullptr);
    cadhost::InternalReadScope reading(*polyline);
    ASSERT_EQ(polyline->numVerts(), 3u);
    EXPECT_TRUE(polyline->isClosed());
    EXPECT_EQ(polyline->elevation(), 2.5);
    const double bulges[] = {0.5, 0.0, -1.0};
    for (unsigned i = 0; i < 3; ++i) {
        double bulge = 99.0;
        polyline->getBulgeAt(i, bulge);
        EXPECT_EQ(bulge, bulges[i]) << "vertex " << i;
    }
    AcGePoint3d world;
    polyline->getPointAt(1u, world);
    EXPECT_NEAR(world.x, -10.0, 1e-12);
    EXPECT_NEAR(world.z, -2.5, 1e-12);
}

// A polyline read keeps its vertices in the drawing's arena: they must grow there past the room
// the reader made, be written from there, and a copy must hold its own, alive after the
// drawing is gone (the sanitizer builds catch a copy that still points into the arena).
TEST(DxfReader, APolylineReadGrowsInItsDrawingAndACopyOutlivesTheDrawing)
{
    auto db = readDxf(dxftest::drawing("", "0\nLWPOLYLINE\n5\n2A\n90\n2\n10\n0\n20\n0\n10\n1\n20\n0\n"),
                      "pline.dxf");
    AcDbObject* object = nullptr;
    ASSERT_EQ(acdbOpenAcDbObject(object, db->impl().idOfHandle(AcDbHandle(0x2A)), AcDb::kForWrite),
              Acad::eOk);
    AcDbPolyline* polyline = AcDbPolyline::cast(object);
    ASSERT_NE(polyline, nullptr);
    for (unsigned i = 2; i < 40; ++i)
        ASSERT_EQ(polyline->addVertexAt(i, AcGePoint2d(i, i % 3)), Acad::eOk);
    ASSERT_EQ(polyline->removeVertexAt(0), Acad::eOk);
    std::unique_ptr<AcDbPolyline> copy(AcDbPolyline::cast(polyline->clone()));
    polyline->close();
    ASSERT_NE(copy, nullptr);

    const cadhost::DxfDocument saved = dxftest::written(*db);
    ASSERT_EQ(saved.entities.size(), 1u);
    std::vector<std::string> xs;
    for (const cadhost::DxfTag& tag : saved.entities[0].tags())
        if (tag.code == 10)
            xs.emplace_back(tag.value);
    ASSERT_EQ(xs.size(), 39u);
    EXPECT_EQ(xs.front(), "1.0");
    EXPECT_EQ(xs.back(), "39.0");

    db.reset();
    ASSERT_EQ(copy->addVertexAt(39, AcGePoint2d(-1, -1)), Acad::eOk);
    ASSERT_EQ(copy->numVerts(), 40u);
    for (unsigned i = 0; i < 39; ++i) {
        AcGePoint2d point;
        ASSERT_EQ(copy->getPointAt(i, point), Acad::eOk);
        EXPECT_EQ(point.x, i + 1) << "vertex " << i;
        EXPECT_EQ(point.y, i == 0 ? 0 : (i + 1) % 3) << "vertex " << i;
    }
}

TEST(DxfReader, AngularDimensionKeepsItsPointsTextAndStyle)
{
    const auto db = readDxf(
        dxftest::drawing("", "0\nDIMENSION\n8\nDims\n2\n*D7\n10\n0\n20\n12\n11\n0\n21\n13\n31\n4\n"
                             "70\n165\n1\ndl.=3,14\n3\nMy$2\n13\n10\n23\n0\n14\n-10\n24\n0\n15\n0\n"
                             "25\n0\n"),
        "dim.dxf");
    const auto found = dxftest::entities(*db);
    ASSERT_EQ(found.size(), 1u);
    auto* dimension = AcDb3PointAngularDimension::cast(found[0]);
    ASSERT_NE(dimension, nullptr);
    EXPECT_EQ(dimension->arcPoint(), AcGePoint3d(0.0, 12.0, 0.0));
    EXPECT_EQ(dimension->xLine1Point(), AcGePoint3d(10.0, 0.0, 0.0));
    EXPECT_EQ(dimension->xLine2Point(), AcGePoint3d(-10.0, 0.0, 0.0));
    EXPECT_EQ(dimension->centerPoint(), AcGePoint3d::kOrigin);
    EXPECT_EQ(dimension->elevation(), 4.0);
    EXPECT_FALSE(dimension->isUsingDefaultTextPosition());  // flag 128
    ACHAR* text = dimension->dimensionText();
    EXPECT_EQ(std::u16string(text), u"dl.=3,14");
    acutDelString(text);
    EXPECT_EQ(db->impl().dimStyleName(dimension->dimensionStyle()), u"My$2");
}

TEST(DxfReader, WallIsTheTaggedBaselineWithItsMiddlePoint)
{
    const auto db = readDxf(
        dxftest::drawing("", "0\nLINE\n10\n0\n20\n0\n11\n20\n21\n0\n1001\nCADHOST_WALL\n1000\nbaseline\n"
                             "1011\n5\n1021\n0\n1031\n0\n0\nLINE\n10\n0\n20\n5\n11\n1\n21\n5\n"),
        "wall.dxf");
    const auto found = dxftest::entities(*db);
    ASSERT_EQ(found.size(), 2u);
    const AecDbWall* wall = AecDbWall::cast(found[0]);
    ASSERT_NE(wall, nullptr);
    EXPECT_EQ(wall->midPoint(), AcGePoint3d(5.0, 0.0, 0.0));
    EXPECT_EQ(wall->endPoint(), AcGePoint3d(20.0, 0.0, 0.0));
    EXPECT_NE(AcDbLine::cast(found[1]), nullptr);  // untagged: an ordinary line
}

TEST(DxfReader, HeaderVariablesReachTheSystemVariables)
{
    const auto db = readDxf(dxftest::drawing("9\n$LUPREC\n70\n6\n9\n$DIMDSEP\n70\n46\n9\n$DIMLFAC\n40\n2.5\n"
                                             "9\n$DIMZIN\n70\n0\n",
                                             ""),
                            "header.dxf");
    const cadhost::SystemVariables& variables = db->impl().systemVariables();
    EXPECT_EQ(variables.getShort("LUPREC"), 6);
    EXPECT_EQ(variables.getReal("DIMLFAC"), 2.5);
    EXPECT_EQ(variables.getShort("DIMZIN"), 0);
    if (variables.typeOf("DIMDSEP") == cadhost::SystemVariables::Type::String)
        EXPECT_EQ(variables.getString("DIMDSEP"), u".");
    else
        EXPECT_EQ(variables.getShort("DIMDSEP"), '.');
}

TEST(DxfReader, AFolderOrAMissingFileIsAnErrorNamingIt)
{
    for (const std::string& path : {::testing::TempDir(), ::testing::TempDir() + "no_such_drawing.dxf"}) {
        try {
            cadhost::readDxfFile(path);
            FAIL() << "read " << path;
        } catch (const DxfError& error) {
            EXPECT_EQ(error.file(), path);
        }
    }
}

struct BadFile {
    const char* name;
    std::string contents;
    std::size_t line;   ///< the line the error must name
    const char* words;  ///< what the message must say
};

class DxfReaderBadInput : public ::testing::TestWithParam<BadFile> {};

TEST_P(DxfReaderBadInput, FailsWithTheFileAndLine)
{
    const BadFile& bad = GetParam();
    try {
        readDxf(bad.contents, "bad.dxf");
        FAIL() << "read without error";
    } catch (const DxfError& error) {
        EXPECT_EQ(error.file(), "bad.dxf");
        EXPECT_EQ(error.line(), bad.line) << error.what();
        EXPECT_NE(std::string(error.what()).find(bad.words), std::string::npos) << error.what();
        EXPECT_EQ(std::string(error.what()).rfind("bad.dxf:" + std::to_string(bad.line) + ": ", 0), 0u)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DxfReaderBadInput,
    ::testing::Values(
        BadFile{"empty", "", 1, "without EOF"},
        BadFile{"truncatedSection", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n1\n", 8, "not closed"},
        BadFile{"codeWithoutValue", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n", 7, "without its value"},
        BadFile{"codeNotANumber", "0\nSECTION\n2\nENTITIES\nX\nLINE\n", 5, "expected a group code"},
        BadFile{"unknownCode", "0\nSECTION\n2\nENTITIES\n5000\nLINE\n", 5, "unknown group code"},
        BadFile{"realNotANumber", dxftest::drawing("", "0\nPOINT\n10\n1,5\n20\n0\n"), 14, "not a finite number"},
        BadFile{"nan", dxftest::drawing("", "0\nPOINT\n10\nnan\n20\n0\n"), 14, "not a finite number"},
        BadFile{"infinity", dxftest::drawing("", "0\nPOINT\n10\n1e400\n20\n0\n"), 14, "not a finite number"},
        BadFile{"integerNotANumber", dxftest::drawing("", "0\nLWPOLYLINE\n70\nclosed\n"), 14, "not an integer"},
        BadFile{"integerOutOfRange", dxftest::drawing("", "0\nLWPOLYLINE\n70\n99999999\n"), 14, "out of range"},
        BadFile{"hugeHandle", dxftest::drawing("", "0\nPOINT\n5\nFFFFFFFFFFFFFFFF\n"), 14, "too large"},
        BadFile{"unknownVersion", dxftest::drawing("9\n$ACADVER\n1\nAC2099\n", ""), 8, "unknown drawing format version"},
        BadFile{"olderThanR12", "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC2.10\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n10\n\n", 8, "older than R12"},
        BadFile{"recordOutsideSection", "0\nLINE\n0\nEOF\n", 1, "expected a SECTION"},
        BadFile{"tableNotClosed", "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n2\nA\n0\nENDSEC\n0\nEOF\n", 13, "ENDTAB"},
        BadFile{"polylineWithoutSeqend", dxftest::drawing("", "0\nPOLYLINE\n66\n1\n0\nVERTEX\n10\n0\n20\n0\n"), 11, "SEQEND"},
        BadFile{"binary", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22), 1, "binary"}),
    [](const auto& info) { return std::string(info.param.name); });

struct MendedFile {
    const char* name;
    std::string contents;
    cadhost::DxfMendKind kind;
    std::size_t line;   ///< the line the warning names
    const char* words;  ///< what the warning says
};

class DxfReaderMends : public ::testing::TestWithParam<MendedFile> {};

/// The entity groups of a written drawing, of type, as "code=value;" text without handles,
/// owners and subclass markers.
std::vector<std::string> writtenEntities(const AcDbDatabase& db, const std::string& type)
{
    const auto document = cadhost::parseDxfDocument(cadhost::writeDxf(db), "written.dxf");
    std::vector<std::string> found;
    for (const cadhost::DxfRecord& record : document.entities) {
        if (record.type() != type)
            continue;
        std::string text;
        for (const cadhost::DxfTag& tag : record.tags())
            if (tag.code != 5 && tag.code != 330 && tag.code != 100)
                text += std::to_string(tag.code) + "=" + std::string(tag.value) + ";";
        found.push_back(text);
    }
    return found;
}

TEST_P(DxfReaderMends, ReadsWithOneWarningNamingTheLine)
{
    const MendedFile& mended = GetParam();
    std::vector<cadhost::DxfMend> mends;
    const auto db = readDxf(mended.contents, "mended.dxf", &mends);
    ASSERT_EQ(mends.size(), 1u);
    EXPECT_EQ(mends[0].kind, mended.kind);
    const std::string warning = cadhost::warningText(mends[0]);
    EXPECT_EQ(warning.rfind("mended.dxf:" + std::to_string(mended.line) + ": warning: ", 0), 0u)
        << warning;
    EXPECT_NE(warning.find(mended.words), std::string::npos) << warning;
    // An entity the host cannot model comes back as it was.
    if (mended.kind == cadhost::DxfMendKind::EntityCarried) {
        EXPECT_TRUE(dxftest::entities(*db).empty());
        const std::string marker = "ENTITIES\n0\n";
        const std::string type = mended.contents.substr(mended.contents.find(marker) + marker.size());
        EXPECT_EQ(writtenEntities(*db, type.substr(0, type.find('\n'))).size(), 1u);
    }
}

const char* const kLayerAndTextStyle =
    "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nSTYLE\n5\n3\n70\n1\n0\nSTYLE\n5\n11\n2\nStandard\n70\n0\n"
    "0\nENDTAB\n0\nTABLE\n2\nDIMSTYLE\n5\nA\n70\n1\n0\nDIMSTYLE\n105\n27\n2\nISO\n70\n0\n340\nSTANDARD\n"
    "0\nENDTAB\n0\nENDSEC\n0\nEOF\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, DxfReaderMends,
    ::testing::Values(
        MendedFile{"hugeCoordinate", dxftest::drawing("", "0\nLINE\n10\n0\n20\n0\n11\n1e300\n21\n0\n"), cadhost::DxfMendKind::EntityCarried, 18, "too large"},
        MendedFile{"zeroRadius", dxftest::drawing("", "0\nCIRCLE\n10\n0\n20\n0\n40\n0\n"), cadhost::DxfMendKind::EntityCarried, 18, "must be positive"},
        MendedFile{"missingCentre", dxftest::drawing("", "0\nCIRCLE\n40\n1\n"), cadhost::DxfMendKind::EntityCarried, 11, "has no centre"},
        MendedFile{"zeroExtrusion", dxftest::drawing("", "0\nCIRCLE\n10\n0\n20\n0\n40\n1\n210\n0\n220\n0\n230\n0\n"), cadhost::DxfMendKind::EntityCarried, 11, "no length"},
        MendedFile{"noVertices", dxftest::drawing("", "0\nLWPOLYLINE\n90\n0\n"), cadhost::DxfMendKind::EntityCarried, 11, "no vertices"},
        MendedFile{"pointerNotAHandle", dxftest::drawing("", "0\nPOINT\n330\nXYZ\n10\n0\n20\n0\n"), cadhost::DxfMendKind::PointerDropped, 14, "\"XYZ\", not a handle"},
        MendedFile{"pointerHoldsAName", kLayerAndTextStyle, cadhost::DxfMendKind::PointerResolved, 40, "points to the STYLE entry"},
        MendedFile{"precisionOutOfRange", dxftest::drawing("9\n$LUPREC\n70\n10\n", ""), cadhost::DxfMendKind::ValueClamped, 8, "$LUPREC 10 is out of range; 8 is used"},
        MendedFile{"separatorNotACharacter", dxftest::drawing("9\n$DIMDSEP\n70\n7\n", ""), cadhost::DxfMendKind::ValueIgnored, 8, "not the code of a character"},
        MendedFile{"headerNameEmpty", dxftest::drawing("9\n\n70\n1\n", ""), cadhost::DxfMendKind::HeaderVariableDropped, 6, "without a name"},
        MendedFile{"headerValueMissing", dxftest::drawing("9\n$LUPREC\n9\n$DIMZIN\n70\n0\n", ""), cadhost::DxfMendKind::HeaderVariableDropped, 6, "$LUPREC has no value"},
        MendedFile{"textAfterEof", dxftest::drawing("", "") + "\n\x1a trailing text\n", cadhost::DxfMendKind::DataAfterEnd, 16, "after EOF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DxfReader, BlankLinesAndAnEndOfFileByteAfterEofNeedNoMending)
{
    std::vector<cadhost::DxfMend> mends;
    readDxf(dxftest::drawing("", "0\nPOINT\n10\n1\n20\n2\n") + "\r\n\n\x1a", "dos.dxf", &mends);
    EXPECT_TRUE(mends.empty());
}

TEST(DxfReader, ADecimalSeparatorOfTheCodePageComesBack)
{
    // The writer stores a separator as the code of its character (233 for an e with acute in
    // ANSI_1252); the reader once refused every code above 126.
    for (const char* codePage : {"ANSI_1252", "ANSI_1250"}) {
        for (const char16_t separator : {u'\u00E9', u'\u010D', u'\u00B7'}) {
            auto db = readDxf(dxftest::drawing(std::string("9\n$DWGCODEPAGE\n3\n") + codePage + "\n", ""),
                              "sep.dxf");
            if (!db->impl().systemVariables().setString("DIMDSEP", std::u16string(1, separator)))
                continue;
            std::vector<cadhost::DxfMend> mends;
            const auto again = readDxf(cadhost::writeDxf(*db), "again.dxf", &mends);
            EXPECT_TRUE(mends.empty()) << codePage;
            EXPECT_EQ(again->impl().systemVariables().getString("DIMDSEP"), std::u16string(1, separator))
                << codePage << " " << static_cast<int>(separator);
        }
    }
}

}  // namespace
