// Writing and reading again gives the same model; what the host does not model comes back.
#include "acedads.h"
#include "database/aec_wall.h"
#include "dbdim.h"
#include "dbents.h"
#include "dxf/dxf_document.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_reader.h"
#include "dxf/dxf_text.h"
#include "dxf/dxf_writer.h"
#include "dxf_test_support.h"
#include "mfc/utf_text.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <fstream>
#include <sstream>

namespace {

using cadhost::readDxf;
using cadhost::writeDxf;

void append(AcDbDatabase& db, AcDbEntity* entity, const char16_t* layer = u"0")
{
    entity->setLayer(db.impl().layerIdCreating(layer));
    AcDbObjectId id;
    ASSERT_EQ(db.impl().appendEntity(entity, id), Acad::eOk);
    entity->close();
}

/// A text of every entity's type, layer and geometry, for comparing models.
std::string describe(const AcDbDatabase& db)
{
    std::ostringstream out;
    out.precision(17);
    const auto point = [&out](const AcGePoint3d& p) { out << " (" << p.x << "," << p.y << "," << p.z << ")"; };
    const auto vector = [&out](const AcGeVector3d& v) { out << " <" << v.x << "," << v.y << "," << v.z << ">"; };
    for (const AcDbEntity* entity : dxftest::entities(db)) {
        cadhost::InternalReadScope reading(*entity);
        out << cadhost::utf8FromUtf16(entity->layer()) << ":";
        if (auto* p = AcDbPoint::cast(entity)) {
            out << "POINT";
            point(p->position());
        } else if (auto* l = AcDbLine::cast(entity)) {
            out << "LINE";
            point(l->startPoint());
            point(l->endPoint());
            vector(l->normal());
        } else if (auto* a = AcDbArc::cast(entity)) {
            AcGePoint3d s, e;
            a->getStartPoint(s);
            a->getEndPoint(e);
            out << "ARC r=" << a->radius();
            point(a->center());
            point(s);
            point(e);
            vector(a->normal());
        } else if (auto* c = AcDbCircle::cast(entity)) {
            out << "CIRCLE r=" << c->radius();
            point(c->center());
            vector(c->normal());
        } else if (auto* pl = AcDbPolyline::cast(entity)) {
            out << "LWPOLYLINE closed=" << pl->isClosed() << " elevation=" << pl->elevation();
            for (unsigned i = 0; i < pl->numVerts(); ++i) {
                AcGePoint2d v;
                double bulge = 0.0;
                pl->getPointAt(i, v);
                pl->getBulgeAt(i, bulge);
                out << " [" << v.x << "," << v.y << "," << bulge << "]";
            }
            vector(pl->normal());
        } else if (auto* w = AecDbWall::cast(entity)) {
            out << "WALL";
            point(w->startPoint());
            point(w->midPoint());
            point(w->endPoint());
        } else if (auto* d = AcDb3PointAngularDimension::cast(entity)) {
            ACHAR* text = d->dimensionText();
            out << "DIMENSION \"" << cadhost::utf8FromUtf16(text) << "\" style="
                << cadhost::utf8FromUtf16(db.impl().dimStyleName(d->dimensionStyle()))
                << " elevation=" << d->elevation();
            acutDelString(text);
            point(d->centerPoint());
            point(d->xLine1Point());
            point(d->xLine2Point());
            point(d->arcPoint());
            vector(d->normal());
            if (!d->isUsingDefaultTextPosition()) {
                out << " text at";
                point(d->textPosition());
            }
        }
        out << "\n";
    }
    return out.str();
}

/// Rounds every number in a description to 9 significant digits (angles go through degrees).
std::string rounded(const std::string& description)
{
    std::string out;
    for (std::size_t i = 0; i < description.size();) {
        const char c = description[i];
        if ((c >= '0' && c <= '9') || (c == '-' && i + 1 < description.size() && description[i + 1] >= '0' && description[i + 1] <= '9')) {
            std::size_t used = 0;
            double value = std::stod(description.substr(i), &used);
            if (std::fabs(value) < 1e-9)
                value = 0.0;
            char text[32];
            std::snprintf(text, sizeof text, "%.9g", value);
            out += text;
            i += used;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

std::unique_ptr<AcDbDatabase> modelOfEveryKind()
{
    auto db = std::make_unique<AcDbDatabase>();
    append(*db, new AcDbPoint(AcGePoint3d(1.0, 2.0, 3.0)));
    append(*db, new AcDbLine(AcGePoint3d(0.1, 0.2, 0.3), AcGePoint3d(1e6, -2.5, 0.0)), u"Lines");
    append(*db, new AcDbArc(AcGePoint3d(5.0, 6.0, 0.0), 2.5, 0.3, 4.0));
    append(*db, new AcDbArc(AcGePoint3d(-60.0, 70.0, -2.0), AcGeVector3d(0.0, 0.0, -1.0), 30.0, 0.5, 2.5));
    append(*db, new AcDbArc(AcGePoint3d(1.0, 1.0, 1.0), AcGeVector3d(1.0, 2.0, 3.0).normal(), 4.0, 1.0, 2.0));
    append(*db, new AcDbCircle(AcGePoint3d(3.0, 4.0, 5.0), AcGeVector3d(0.6, 0.0, 0.8), 7.0), u"Kruhy č.1");
    auto* polyline = new AcDbPolyline();
    polyline->addVertexAt(0, AcGePoint2d(0.0, 0.0), 0.5);
    polyline->addVertexAt(1, AcGePoint2d(10.0, 0.0), 0.0);
    polyline->addVertexAt(2, AcGePoint2d(10.0, 10.0), -1.0);
    polyline->setClosed(true);
    polyline->setElevation(1.5);
    polyline->setNormal(AcGeVector3d(0.0, 0.0, -1.0));
    append(*db, polyline);
    append(*db, new AecDbWall(AcGePoint3d(0.0, 20.0, 0.0), AcGePoint3d(10.0, 25.0, 0.0), AcGePoint3d(20.0, 20.0, 0.0)));
    append(*db, new AecDbWall(AcGePoint3d(20.0, 40.0, 0.0), AcGePoint3d(10.0, 45.0, 0.0), AcGePoint3d(0.0, 40.0, 0.0)));
    append(*db, new AecDbWall(AcGePoint3d(0.0, 30.0, 0.0), AcGePoint3d(5.0, 30.0, 0.0), AcGePoint3d(20.0, 30.0, 0.0)));
    const AcDbObjectId child = db->impl().addDimStyle(u"ISO-25$2");
    auto* dimension = new AcDb3PointAngularDimension(AcGePoint3d(5.0, 6.0, 0.0), AcGePoint3d(8.0, 6.0, 0.0),
                                                     AcGePoint3d(5.0, 9.0, 0.0), AcGePoint3d(7.0, 8.0, 0.0),
                                                     u"dl.=3,93, R=2,5", child);
    append(*db, dimension, u"Dimensions");
    auto* placed = new AcDb3PointAngularDimension(AcGePoint3d(0.0, 0.0, 2.0), AcGePoint3d(0.0, 5.0, 2.0),
                                                  AcGePoint3d(5.0, 0.0, 2.0), AcGePoint3d(-4.0, -4.0, 2.0));
    placed->setNormal(AcGeVector3d(0.0, 0.0, -1.0));
    placed->setElevation(-2.0);
    placed->setTextPosition(AcGePoint3d(-6.0, -6.0, 2.0));
    append(*db, placed, u"Dimensions");
    return db;
}

TEST(DxfRoundTrip, WriteThenReadGivesTheSameModel)
{
    const auto db = modelOfEveryKind();
    const std::string first = describe(*db);
    const auto again = readDxf(writeDxf(*db), "written.dxf");
    EXPECT_EQ(rounded(describe(*again)), rounded(first));
    const auto third = readDxf(writeDxf(*again), "written-again.dxf");
    EXPECT_EQ(rounded(describe(*third)), rounded(first));
}

TEST(DxfRoundTrip, HandlesOfTheDatabaseAreTheHandlesOfTheFile)
{
    const auto db = modelOfEveryKind();
    const auto again = readDxf(writeDxf(*db), "written.dxf");
    const auto before = dxftest::entities(*db);
    const auto after = dxftest::entities(*again);
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(before[i]->handle().value(), after[i]->handle().value()) << "entity " << i;
}

TEST(DxfRoundTrip, EveryHandleWrittenIsUniqueAndBelowTheSeed)
{
    const auto db = modelOfEveryKind();
    const cadhost::DxfDocument written =
        cadhost::parseDxfDocument(cadhost::readDxfTags(writeDxf(*db), "written.dxf"), "written.dxf");
    std::set<std::uint64_t> handles;
    std::size_t count = 0;
    const auto note = [&](const cadhost::DxfRecord& record) {
        for (const cadhost::DxfTag& tag : record.tags)
            if (tag.code == 5 || tag.code == 105) {
                std::uint64_t value = 0;
                ASSERT_TRUE(cadhost::parseHandle(tag.value, value));
                handles.insert(value);
                ++count;
            }
    };
    for (const auto& table : written.tables) {
        note(table.head);
        for (const auto& entry : table.entries)
            note(entry);
    }
    for (const auto& block : written.blocks) {
        note(block.begin);
        note(block.end);
        for (const auto& entity : block.entities)
            note(entity);
    }
    for (const auto& entity : written.entities)
        note(entity);
    for (const auto& object : written.objects)
        note(object);
    EXPECT_EQ(handles.size(), count);
    std::uint64_t seed = 0;
    cadhost::parseHandle(written.headerVariable("$HANDSEED")->values.front().value, seed);
    EXPECT_GT(seed, *handles.rbegin());
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

/// The records of a section of type, with their handles and owners left out.
std::vector<std::string> recordsOfType(const std::vector<cadhost::DxfRecord>& records, const std::string& type)
{
    std::vector<std::string> found;
    for (const cadhost::DxfRecord& record : records) {
        if (record.type() != type)
            continue;
        std::string text;
        for (const cadhost::DxfTag& tag : record.tags)
            if (tag.code != 5 && tag.code != 330)
                text += std::to_string(tag.code) + "=" + tag.value + ";";
        found.push_back(text);
    }
    return found;
}

TEST(DxfRoundTrip, EntitiesTheHostDoesNotModelComeBackUnchanged)
{
    const std::string path = std::string(TEST_SOURCE_DIR) + "/../examples/arcs.dxf";
    const std::string original = readFile(path);
    ASSERT_FALSE(original.empty()) << path;
    const auto db = readDxf(original, path);
    const std::string written = writeDxf(*db);
    const auto before = cadhost::parseDxfDocument(cadhost::readDxfTags(original, path), path);
    const auto after = cadhost::parseDxfDocument(cadhost::readDxfTags(written, "written.dxf"), "written.dxf");
    for (const char* type : {"TEXT", "HATCH", "SPLINE"}) {
        EXPECT_FALSE(recordsOfType(before.entities, type).empty()) << type;
        EXPECT_EQ(recordsOfType(after.entities, type), recordsOfType(before.entities, type)) << type;
    }
    for (const char* type : {"MATERIAL", "MLEADERSTYLE", "VISUALSTYLE", "LAYOUT"})
        EXPECT_EQ(recordsOfType(after.objects, type), recordsOfType(before.objects, type)) << type;
    // The modelled entities' colours, linetypes and extended data come back as well.
    EXPECT_EQ(rounded(describe(*readDxf(written, "written.dxf"))), rounded(describe(*db)));
}

TEST(DxfRoundTrip, AFileWithOnlyEntitiesGetsTheStructureOfACompleteDrawing)
{
    const auto db = readDxf(dxftest::drawing("", "0\nTEXT\n8\nNotes\n10\n1\n20\n2\n40\n2.5\n1\nhello\n"
                                                 "0\nCIRCLE\n8\nA\n10\n0\n20\n0\n40\n3\n"),
                            "bare.dxf");
    const auto written = cadhost::parseDxfDocument(cadhost::readDxfTags(writeDxf(*db), "out.dxf"), "out.dxf");
    EXPECT_EQ(cadhost::documentVersion(written), "AC1015");
    for (const char* table : {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID", "DIMSTYLE", "BLOCK_RECORD"})
        EXPECT_NE(written.table(table), nullptr) << table;
    ASSERT_FALSE(written.objects.empty());
    EXPECT_EQ(written.objects.front().type(), "DICTIONARY");
    ASSERT_EQ(written.entities.size(), 2u);
    EXPECT_EQ(written.entities[0].type(), "TEXT");  // the carried text keeps its place
    EXPECT_NE(written.entities[0].find(5), nullptr);   // and now has a handle
    EXPECT_NE(written.entities[0].find(330), nullptr); // and an owner
}

TEST(DxfRoundTrip, ModelledEntitiesKeepWhatTheHostDoesNotModelOfThem)
{
    const auto db = readDxf(dxftest::drawing("", "0\nLINE\n5\n2A\n8\nL\n62\n3\n6\nDASHED\n370\n50\n39\n1.5\n"
                                                 "10\n0\n20\n0\n11\n1\n21\n1\n1001\nACAD\n1000\nnote\n"),
                            "kept.dxf");
    const auto written = cadhost::parseDxfDocument(cadhost::readDxfTags(writeDxf(*db), "out.dxf"), "out.dxf");
    ASSERT_EQ(written.entities.size(), 1u);
    const cadhost::DxfRecord& line = written.entities.front();
    EXPECT_EQ(line.handle(), 0x2Au);
    for (const auto& [code, value] : std::vector<std::pair<int, std::string>>{
             {62, "3"}, {6, "DASHED"}, {370, "50"}, {39, "1.5"}, {1001, "ACAD"}, {1000, "note"}}) {
        ASSERT_NE(line.find(code), nullptr) << code;
        EXPECT_EQ(line.find(code)->value, value) << code;
    }
}

TEST(DxfRoundTrip, PolylineKeepsItsConstantWidth)
{
    const auto db = readDxf(dxftest::drawing("", "0\nLWPOLYLINE\n90\n2\n70\n0\n43\n0.35\n10\n0\n20\n0\n10\n5\n20\n0\n"),
                            "width.dxf");
    const auto written = cadhost::parseDxfDocument(cadhost::readDxfTags(writeDxf(*db), "out.dxf"), "out.dxf");
    ASSERT_EQ(written.entities.size(), 1u);
    ASSERT_NE(written.entities[0].find(43), nullptr);
    EXPECT_EQ(written.entities[0].find(43)->value, "0.35");
}

TEST(DxfRoundTrip, PaperSpaceEntitiesAreCarriedNotModelled)
{
    const auto db = readDxf(dxftest::drawing("", "0\nCIRCLE\n67\n1\n10\n0\n20\n0\n40\n3\n"
                                                 "0\nCIRCLE\n10\n0\n20\n0\n40\n4\n"),
                            "spaces.dxf");
    EXPECT_EQ(dxftest::entities(*db).size(), 1u);
    const auto written = cadhost::parseDxfDocument(cadhost::readDxfTags(writeDxf(*db), "out.dxf"), "out.dxf");
    ASSERT_EQ(written.entities.size(), 2u);
    EXPECT_EQ(written.entities[0].find(67)->value, "1");
    EXPECT_EQ(written.entities[0].find(40)->value, "3");
}

TEST(DxfRoundTrip, EachDimensionHasABlockOfGraphics)
{
    const auto db = modelOfEveryKind();
    const auto written = cadhost::parseDxfDocument(cadhost::readDxfTags(writeDxf(*db), "out.dxf"), "out.dxf");
    const auto dimensions = std::count_if(written.entities.begin(), written.entities.end(),
                                          [](const cadhost::DxfRecord& r) { return r.type() == "DIMENSION"; });
    ASSERT_EQ(dimensions, 2);
    for (const cadhost::DxfRecord& record : written.entities) {
        if (record.type() != "DIMENSION")
            continue;
        const std::string name = record.find(2)->value;
        const auto block = std::find_if(written.blocks.begin(), written.blocks.end(),
                                        [&name](const cadhost::DxfBlock& b) { return b.name == name; });
        ASSERT_NE(block, written.blocks.end()) << name;
        EXPECT_EQ(recordsOfType(block->entities, "ARC").size(), 1u);
        EXPECT_EQ(recordsOfType(block->entities, "SOLID").size(), 2u);
        EXPECT_EQ(recordsOfType(block->entities, "MTEXT").size(), 1u);
        // Three-point angular with a block of its own; 128 when the text was placed by hand.
        EXPECT_TRUE(record.find(70)->value == "37" || record.find(70)->value == "165");
    }
}

TEST(DxfRoundTrip, ReadingTheWrittenDimensionAgainRedrawsOneBlock)
{
    const auto db = modelOfEveryKind();
    const auto again = readDxf(writeDxf(*db), "written.dxf");
    const auto written = cadhost::parseDxfDocument(cadhost::readDxfTags(writeDxf(*again), "out.dxf"), "out.dxf");
    const auto dimensionBlocks = std::count_if(written.blocks.begin(), written.blocks.end(),
                                               [](const cadhost::DxfBlock& b) { return b.name.rfind("*D", 0) == 0; });
    EXPECT_EQ(dimensionBlocks, 2);
}

TEST(DxfRoundTrip, ASecondSessionAddsNothingToTheStructure)
{
    const auto db = modelOfEveryKind();
    const std::string first = writeDxf(*db);
    const std::string second = writeDxf(*readDxf(first, "first.dxf"));
    const auto a = cadhost::parseDxfDocument(cadhost::readDxfTags(first, "first.dxf"), "first.dxf");
    const auto b = cadhost::parseDxfDocument(cadhost::readDxfTags(second, "second.dxf"), "second.dxf");
    EXPECT_EQ(a.objects.size(), b.objects.size());
    EXPECT_EQ(a.classes.size(), b.classes.size());
    EXPECT_EQ(a.blocks.size(), b.blocks.size());
    ASSERT_EQ(a.tables.size(), b.tables.size());
    for (std::size_t i = 0; i < a.tables.size(); ++i)
        EXPECT_EQ(a.tables[i].entries.size(), b.tables[i].entries.size()) << a.tables[i].name;
}

TEST(DxfRoundTrip, DuplicateHandlesOfAFileBecomeUnique)
{
    const auto db = readDxf(dxftest::drawing("", "0\nTEXT\n5\nAB\n1\none\n0\nTEXT\n5\nAB\n1\ntwo\n"
                                                 "0\nPOINT\n5\nAB\n10\n0\n20\n0\n"),
                            "duplicates.dxf");
    const auto written = cadhost::parseDxfDocument(cadhost::readDxfTags(writeDxf(*db), "out.dxf"), "out.dxf");
    std::set<std::uint64_t> handles;
    for (const cadhost::DxfRecord& record : written.entities)
        handles.insert(record.handle());
    EXPECT_EQ(handles.size(), 3u);
    EXPECT_EQ(handles.count(0), 0u);
}

TEST(DxfRoundTrip, LayerNamesOfTheFilesCodePageStayOneLayer)
{
    const std::string file =
        "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$DWGCODEPAGE\n3\nANSI_1250\n0\nENDSEC\n"
        "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n5\n2\n70\n1\n0\nLAYER\n5\n10\n2\nK\xE8ty\n70\n0\n62\n3\n"
        "0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nLINE\n5\n20\n8\nK\xE8ty\n10\n0\n20\n0\n11\n1\n21\n0\n"
        "0\nENDSEC\n0\nEOF\n";
    const auto db = readDxf(file, "cp1250.dxf");
    const auto found = dxftest::entities(*db);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(std::u16string(found[0]->layer()), u"Kčty");
    const auto written = cadhost::parseDxfDocument(cadhost::readDxfTags(writeDxf(*db), "out.dxf"), "out.dxf");
    std::size_t named = 0;
    for (const cadhost::DxfRecord& layer : written.table("LAYER")->entries)
        if (cadhost::decodeDxfText(layer.find(2)->value, "ANSI_1250") == u"Kčty")
            ++named;
    EXPECT_EQ(named, 1u);
    EXPECT_EQ(written.headerVariable("$DWGCODEPAGE")->values.front().value, "ANSI_1250");
}

TEST(DxfRoundTrip, UnknownSectionsComeBackUnderTheirWholeName)
{
    // A section named like a known one up to a zero byte stays a section of its own (found by
    // fuzzing: the name was cut at the zero and the section read back as ENTITIES).
    const std::string name("ENTITIES\0x", 10);
    const std::string file = "0\nSECTION\n2\n" + name + "\n0\nPOLYLINE\n0\nENDSEC\n0\nEOF\n";
    const auto db = readDxf(file, "odd.dxf");
    const auto written = cadhost::parseDxfDocument(cadhost::readDxfTags(writeDxf(*db), "out.dxf"), "out.dxf");
    ASSERT_EQ(written.otherSections.size(), 1u);
    EXPECT_EQ(written.otherSections.front().name, name);
    EXPECT_TRUE(written.entities.empty());
}

TEST(DxfRoundTrip, SavingLeavesNoTemporaryFileAndFailsWholeOnABadPath)
{
    const auto db = modelOfEveryKind();
    const std::string path = ::testing::TempDir() + "dxf_round_trip_saved.dxf";
    cadhost::writeDxfFile(*db, path);
    EXPECT_EQ(readFile(path), writeDxf(*db));
    EXPECT_THROW(cadhost::writeDxfFile(*db, ::testing::TempDir() + "no/such/folder/x.dxf"), cadhost::DxfError);
    std::remove(path.c_str());
}

}  // namespace
