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
#include <filesystem>
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
        cadhost::parseDxfDocument(writeDxf(*db), "written.dxf");
    std::set<std::uint64_t> handles;
    std::size_t count = 0;
    const auto note = [&](const cadhost::DxfRecord& record) {
        for (const cadhost::DxfTag& tag : record.tags())
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
std::vector<std::string> recordsOfType(const cadhost::DxfRecords& records, const std::string& type)
{
    std::vector<std::string> found;
    for (const cadhost::DxfRecord& record : records) {
        if (record.type() != type)
            continue;
        std::string text;
        for (const cadhost::DxfTag& tag : record.tags())
            if (tag.code != 5 && tag.code != 330)
                text += std::to_string(tag.code) + "=" + std::string(tag.value) + ";";
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
    const auto before = cadhost::parseDxfDocument(original, path);
    const auto after = cadhost::parseDxfDocument(written, "written.dxf");
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
    const auto written = cadhost::parseDxfDocument(writeDxf(*db), "out.dxf");
    EXPECT_EQ(cadhost::documentVersion(written), "AC1015");
    for (const char* table : {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID", "DIMSTYLE", "BLOCK_RECORD"})
        EXPECT_NE(written.table(table), nullptr) << table;
    ASSERT_FALSE(written.objects.empty());
    EXPECT_EQ(written.objects.front().type(), "DICTIONARY");
    ASSERT_EQ(written.entities.size(), 2u);
    EXPECT_EQ(written.entities[0].type(), "TEXT");  // the carried text keeps its place
    EXPECT_NE(written.entities[0].find(5), std::nullopt);   // and now has a handle
    EXPECT_NE(written.entities[0].find(330), std::nullopt); // and an owner
}

TEST(DxfRoundTrip, ModelledEntitiesKeepWhatTheHostDoesNotModelOfThem)
{
    const auto db = readDxf(dxftest::drawing("", "0\nLINE\n5\n2A\n8\nL\n62\n3\n6\nDASHED\n370\n50\n39\n1.5\n"
                                                 "10\n0\n20\n0\n11\n1\n21\n1\n1001\nACAD\n1000\nnote\n"),
                            "kept.dxf");
    const auto written = cadhost::parseDxfDocument(writeDxf(*db), "out.dxf");
    ASSERT_EQ(written.entities.size(), 1u);
    const cadhost::DxfRecord& line = written.entities.front();
    EXPECT_EQ(line.handle(), 0x2Au);
    for (const auto& [code, value] : std::vector<std::pair<int, std::string>>{
             {62, "3"}, {6, "DASHED"}, {370, "50"}, {39, "1.5"}, {1001, "ACAD"}, {1000, "note"}}) {
        ASSERT_NE(line.find(code), std::nullopt) << code;
        EXPECT_EQ(line.find(code)->value, value) << code;
    }
}

TEST(DxfRoundTrip, PolylineKeepsItsConstantWidth)
{
    const auto db = readDxf(dxftest::drawing("", "0\nLWPOLYLINE\n90\n2\n70\n0\n43\n0.35\n10\n0\n20\n0\n10\n5\n20\n0\n"),
                            "width.dxf");
    const auto written = cadhost::parseDxfDocument(writeDxf(*db), "out.dxf");
    ASSERT_EQ(written.entities.size(), 1u);
    ASSERT_NE(written.entities[0].find(43), std::nullopt);
    EXPECT_EQ(written.entities[0].find(43)->value, "0.35");
}

TEST(DxfRoundTrip, PaperSpaceEntitiesAreCarriedNotModelled)
{
    const auto db = readDxf(dxftest::drawing("", "0\nCIRCLE\n67\n1\n10\n0\n20\n0\n40\n3\n"
                                                 "0\nCIRCLE\n10\n0\n20\n0\n40\n4\n"),
                            "spaces.dxf");
    EXPECT_EQ(dxftest::entities(*db).size(), 1u);
    const auto written = cadhost::parseDxfDocument(writeDxf(*db), "out.dxf");
    ASSERT_EQ(written.entities.size(), 2u);
    EXPECT_EQ(written.entities[0].find(67)->value, "1");
    EXPECT_EQ(written.entities[0].find(40)->value, "3");
}

TEST(DxfRoundTrip, EachDimensionHasABlockOfGraphics)
{
    const auto db = modelOfEveryKind();
    const auto written = cadhost::parseDxfDocument(writeDxf(*db), "out.dxf");
    const auto dimensions = std::count_if(written.entities.begin(), written.entities.end(),
                                          [](const cadhost::DxfRecord& r) { return r.type() == "DIMENSION"; });
    ASSERT_EQ(dimensions, 2);
    for (const cadhost::DxfRecord& record : written.entities) {
        if (record.type() != "DIMENSION")
            continue;
        const std::string name(record.find(2)->value);
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

TEST(DxfRoundTrip, ReadingTheWrittenDimensionAgainKeepsOneBlock)
{
    const auto db = modelOfEveryKind();
    const auto again = readDxf(writeDxf(*db), "written.dxf");
    const auto written = cadhost::parseDxfDocument(writeDxf(*again), "out.dxf");
    const auto dimensionBlocks = std::count_if(written.blocks.begin(), written.blocks.end(),
                                               [](const cadhost::DxfBlock& b) { return b.name.rfind("*D", 0) == 0; });
    EXPECT_EQ(dimensionBlocks, 2);
}

TEST(DxfRoundTrip, ASecondSessionAddsNothingToTheStructure)
{
    const auto db = modelOfEveryKind();
    const std::string first = writeDxf(*db);
    const std::string second = writeDxf(*readDxf(first, "first.dxf"));
    const auto a = cadhost::parseDxfDocument(first, "first.dxf");
    const auto b = cadhost::parseDxfDocument(second, "second.dxf");
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
    const auto written = cadhost::parseDxfDocument(writeDxf(*db), "out.dxf");
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
    const auto written = cadhost::parseDxfDocument(writeDxf(*db), "out.dxf");
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
    const auto written = cadhost::parseDxfDocument(writeDxf(*db), "out.dxf");
    ASSERT_EQ(written.otherSections.size(), 1u);
    EXPECT_EQ(written.otherSections.front().name, name);
    EXPECT_TRUE(written.entities.empty());
}

TEST(DxfRoundTrip, AnEntityOfGeometryThatIsNotFiniteIsNotWritten)
{
    // A wall through points near the largest double once got a centre of NaN, written as
    // "-nan", which no reader takes (found by fuzzing the script reader).
    auto db = std::make_unique<AcDbDatabase>();
    append(*db, new AecDbWall(AcGePoint3d(0.0, 0.0, 0.0), AcGePoint3d(1e308, 0.0, 0.0),
                              AcGePoint3d(-1e308, 1.0, 0.0)));
    try {
        writeDxf(*db);
        FAIL() << "written";
    } catch (const cadhost::DxfError& error) {
        EXPECT_NE(std::string(error.what()).find("is not finite"), std::string::npos) << error.what();
    }
}

TEST(DxfRoundTrip, ASavedFileIsTheWrittenTextOrTheFileAsItWas)
{
    // Saving streams the text into a temporary file chunk by chunk: the file saved is the whole
    // text, and a save that fails part way leaves the file as it was and no temporary file.
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(::testing::TempDir()) / "dxf_round_trip_saving";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string path = (folder / "saved.dxf").string();

    const auto db = modelOfEveryKind();
    for (int i = 0; i < 12000; ++i)  // well over one chunk of the file's sink
        append(*db, new AcDbLine(AcGePoint3d(i, 0.5 * i, 0.0), AcGePoint3d(i + 1.25, -i, 3.0)));
    cadhost::writeDxfFile(*db, path);
    const std::string saved = readFile(path);
    EXPECT_GT(saved.size(), std::size_t{1} << 20);
    EXPECT_EQ(saved, writeDxf(*db));

    append(*db, new AecDbWall(AcGePoint3d(0.0, 0.0, 0.0), AcGePoint3d(1e308, 0.0, 0.0),
                              AcGePoint3d(-1e308, 1.0, 0.0)));
    EXPECT_THROW(cadhost::writeDxfFile(*db, path), cadhost::DxfError);
    EXPECT_THROW(cadhost::writeDxfFile(*db, (folder / "no/such/folder/x.dxf").string()),
                 cadhost::DxfError);
    EXPECT_EQ(readFile(path), saved);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    fs::remove_all(folder);
}

}  // namespace

namespace {

using dxftest::groups;

/// Groups as "code=value" texts, numbers to ten digits, without the handle, owner, markers and
/// the codes in skipped; sorted, for comparing the groups of two records.
std::vector<std::string> groupTexts(const cadhost::DxfRecord& record, const std::set<int>& skipped)
{
    std::vector<std::string> texts;
    bool ownerSeen = false;
    int applicationGroup = 0;
    const cadhost::DxfTags tags = record.tagList();
    for (std::size_t i = 1; i < tags.size(); ++i) {
        const cadhost::DxfTag& tag = tags[i];
        if (tag.code == 102)
            applicationGroup = tag.value == "}" ? 0 : 1;
        const bool owner = tag.code == 330 && !ownerSeen && applicationGroup == 0;
        ownerSeen = ownerSeen || owner;
        if (tag.code == 5 || tag.code == 100 || owner || skipped.count(tag.code) != 0)
            continue;
        std::string value(tag.value);
        double number = 0.0;
        if (cadhost::valueKindOf(tag.code) == cadhost::DxfValueKind::Real && cadhost::parseReal(value, number)) {
            char text[32];
            std::snprintf(text, sizeof text, "%.10g", std::fabs(number) < 1e-12 ? 0.0 : number);
            value = text;
        }
        texts.push_back(std::to_string(tag.code) + "=" + value);
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

struct ModelledRecord {
    const char* name;
    std::string groups;    ///< the entity's groups from its handle on
    std::set<int> derived; ///< groups the host computes afresh when it writes the entity anew
};

class DxfModelledGroups : public ::testing::TestWithParam<ModelledRecord> {};

const std::string kCommonGroups =
    groups({{5, "2A"}, {102, "{ACAD_REACTORS"}, {330, "1F"}, {102, "}"}, {330, "1F"}, {100, "AcDbEntity"},
            {67, "0"}, {8, "Walls"}, {6, "DASHED"}, {62, "3"}, {370, "50"}, {48, "2.0"}, {60, "0"},
            {420, "255"}, {440, "33554432"}, {284, "1"}});
const std::string kExtendedData =
    groups({{1001, "OTHERAPP"}, {1000, "kept"}, {1070, "5"}, {1040, "1.5"}});

TEST_P(DxfModelledGroups, EveryGroupComesBackAsReadAndWhenWrittenAnew)
{
    // The widths of a polyline's vertices (40, 41) were read and then left out by the writer;
    // with one table of each modelled entity's groups, reader and writer cannot disagree.
    const ModelledRecord& modelled = GetParam();
    const std::string drawing = dxftest::drawing(
        groups({{9, "$ACADVER"}, {1, "AC1015"}}), modelled.groups);
    auto db = readDxf(drawing, "modelled.dxf");
    ASSERT_EQ(dxftest::entities(*db).size(), 1u);
    const cadhost::DxfDocument read = dxftest::parsed(drawing);
    const cadhost::DxfRecord& original = read.entities.front();

    const cadhost::DxfDocument asRead = dxftest::written(*db);
    ASSERT_EQ(asRead.entities.size(), 1u);
    EXPECT_EQ(asRead.entities.front().tagList().size(), original.tagList().size());
    EXPECT_EQ(groupTexts(asRead.entities.front(), {}), groupTexts(original, {}));

    dxftest::touch(*db, dxftest::entities(*db).front()->handle().value());
    const cadhost::DxfDocument anew = dxftest::written(*db);
    ASSERT_EQ(anew.entities.size(), 1u);
    EXPECT_EQ(groupTexts(anew.entities.front(), modelled.derived), groupTexts(original, modelled.derived));
    EXPECT_EQ(dxftest::markersOf(anew.entities.front().tagList()), dxftest::markersOf(original.tagList()));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DxfModelledGroups,
    ::testing::Values(
        ModelledRecord{"point", "0\nPOINT\n" + kCommonGroups +
                                    groups({{100, "AcDbPoint"}, {10, "1"}, {20, "2"}, {30, "3"}, {39, "2"},
                                            {210, "0"}, {220, "0"}, {230, "1"}, {50, "30"}}) + kExtendedData, {}},
        ModelledRecord{"line", "0\nLINE\n" + kCommonGroups +
                                   groups({{100, "AcDbLine"}, {39, "1.5"}, {10, "0"}, {20, "0"}, {30, "0"},
                                           {11, "4"}, {21, "3"}, {31, "0"}, {210, "0"}, {220, "0"}, {230, "1"}}) +
                                   kExtendedData, {}},
        ModelledRecord{"circle", "0\nCIRCLE\n" + kCommonGroups +
                                     groups({{100, "AcDbCircle"}, {39, "1"}, {10, "5"}, {20, "6"}, {30, "0"},
                                             {40, "2"}, {210, "0"}, {220, "0"}, {230, "-1"}}) + kExtendedData, {}},
        ModelledRecord{"arc", "0\nARC\n" + kCommonGroups +
                                  groups({{100, "AcDbCircle"}, {39, "1"}, {10, "5"}, {20, "6"}, {30, "0"}, {40, "2"},
                                          {210, "0"}, {220, "0"}, {230, "1"}, {100, "AcDbArc"}, {50, "10"}, {51, "80"}}) +
                                  kExtendedData, {}},
        ModelledRecord{"polylineWidths", "0\nLWPOLYLINE\n" + kCommonGroups +
                                             groups({{100, "AcDbPolyline"}, {90, "3"}, {70, "129"}, {38, "1"}, {39, "0.5"},
                                                     {10, "0"}, {20, "0"}, {91, "1"}, {40, "1.5"}, {41, "2.5"}, {42, "0.5"},
                                                     {10, "1"}, {20, "0"}, {91, "2"}, {40, "2.5"}, {41, "1.5"},
                                                     {10, "1"}, {20, "1"}, {91, "3"}, {42, "0"},
                                                     {210, "0"}, {220, "0"}, {230, "1"}}) + kExtendedData, {}},
        ModelledRecord{"polylineConstantWidth", "0\nLWPOLYLINE\n" + kCommonGroups +
                                                    groups({{100, "AcDbPolyline"}, {90, "2"}, {70, "0"}, {43, "0.35"},
                                                            {10, "0"}, {20, "0"}, {10, "5"}, {20, "0"}}), {}},
        ModelledRecord{"wall", "0\nLINE\n" + kCommonGroups +
                                   groups({{100, "AcDbLine"}, {10, "0"}, {20, "0"}, {30, "0"}, {11, "20"}, {21, "0"},
                                           {31, "0"}, {1001, "CADHOST_WALL"}, {1000, "baseline"}, {1011, "5"},
                                           {1021, "0"}, {1031, "0"}}) + kExtendedData, {}},
        ModelledRecord{"angularDimension", "0\nDIMENSION\n" + kCommonGroups +
                                               groups({{100, "AcDbDimension"}, {280, "0"}, {2, "*D1"}, {10, "0"}, {20, "12"},
                                                       {30, "0"}, {11, "0"}, {21, "13"}, {31, "0"}, {70, "37"}, {71, "5"},
                                                       {72, "1"}, {41, "1"}, {42, "3.141592653589793"}, {73, "0"}, {74, "0"},
                                                       {75, "0"}, {1, "dl.=<>"}, {53, "0.5"}, {51, "0"}, {210, "0"},
                                                       {220, "0"}, {230, "1"}, {3, "Standard"},
                                                       {100, "AcDb3PointAngularDimension"}, {13, "10"}, {23, "0"}, {33, "0"},
                                                       {14, "-10"}, {24, "0"}, {34, "0"}, {15, "0"}, {25, "0"}, {35, "0"},
                                                       {16, "0"}, {26, "12"}, {36, "0"}}) + kExtendedData,
                                               {2, 11, 21, 31, 42}}),
    [](const auto& info) { return std::string(info.param.name); });

/// A drawing of code page ANSI_1252 (R2004) with the layer "tracé" (a byte E9), current, and
/// a polyline on it.
std::string drawingWithALayerOfTheCodePage()
{
    return groups({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1018"}, {9, "$DWGCODEPAGE"},
                   {3, "ANSI_1252"}, {9, "$CLAYER"}, {8, "trac\xE9"}, {0, "ENDSEC"}, {0, "SECTION"},
                   {2, "TABLES"}, {0, "TABLE"}, {2, "LAYER"}, {5, "2"}, {330, "0"}, {100, "AcDbSymbolTable"},
                   {70, "1"}, {0, "LAYER"}, {5, "10"}, {330, "2"}, {100, "AcDbSymbolTableRecord"},
                   {100, "AcDbLayerTableRecord"}, {2, "trac\xE9"}, {70, "0"}, {62, "5"}, {6, "Continuous"},
                   {0, "ENDTAB"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}, {0, "LWPOLYLINE"}, {5, "20"},
                   {100, "AcDbEntity"}, {8, "trac\xE9"}, {100, "AcDbPolyline"}, {90, "2"}, {70, "0"},
                   {10, "0"}, {20, "0"}, {10, "5"}, {20, "0"}, {0, "ENDSEC"}, {0, "EOF"}});
}

TEST(DxfRoundTrip, EntitiesWrittenAnewStayOnTheirLayerOfANonAsciiName)
{
    // The name was written as "trac\U+00E9" while the layer table kept the byte: the
    // entities left their layer.
    auto db = readDxf(drawingWithALayerOfTheCodePage(), "cp1252.dxf");
    dxftest::touch(*db, 0x20);
    append(*db, new AcDbLine(AcGePoint3d(0.0, 1.0, 0.0), AcGePoint3d(5.0, 1.0, 0.0)), u"trac\u00E9");
    const cadhost::DxfDocument after = dxftest::written(*db);
    ASSERT_EQ(after.entities.size(), 2u);
    for (const cadhost::DxfRecord& entity : after.entities)
        EXPECT_EQ(entity.find(8)->value, "trac\xE9") << entity.type();
    EXPECT_EQ(after.headerValue("$CLAYER")->value, "trac\xE9");
    EXPECT_EQ(after.table("LAYER")->entries.size(), 3u);  // tracé, and the host's 0 and Defpoints
}

/// An R2000 drawing with a three-point angular dimension whose style leaves the text height
/// out, in a drawing whose $DIMTXT is 0.18, and the dimension's block.
std::string drawingWithADimension()
{
    return groups({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"}, {9, "$DIMTXT"},
                   {40, "0.18"}, {9, "$DIMASZ"}, {40, "0.18"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "TABLES"},
                   {0, "TABLE"}, {2, "DIMSTYLE"}, {5, "A"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "1"},
                   {0, "DIMSTYLE"}, {105, "27"}, {330, "A"}, {100, "AcDbSymbolTableRecord"},
                   {100, "AcDbDimStyleTableRecord"}, {2, "Standard"}, {70, "0"}, {0, "ENDTAB"},
                   {0, "TABLE"}, {2, "BLOCK_RECORD"}, {5, "1"}, {330, "0"}, {100, "AcDbSymbolTable"},
                   {70, "1"}, {0, "BLOCK_RECORD"}, {5, "40"}, {330, "1"}, {100, "AcDbSymbolTableRecord"},
                   {100, "AcDbBlockTableRecord"}, {2, "*D1"}, {0, "ENDTAB"}, {0, "ENDSEC"},
                   {0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {5, "41"}, {330, "40"}, {100, "AcDbEntity"},
                   {8, "0"}, {100, "AcDbBlockBegin"}, {2, "*D1"}, {70, "1"}, {10, "0"}, {20, "0"}, {30, "0"},
                   {3, "*D1"}, {1, ""}, {0, "ARC"}, {5, "42"}, {330, "40"}, {100, "AcDbEntity"}, {8, "0"},
                   {100, "AcDbCircle"}, {10, "0"}, {20, "0"}, {30, "0"}, {40, "12"}, {100, "AcDbArc"},
                   {50, "0"}, {51, "180"}, {0, "MTEXT"}, {5, "43"}, {330, "40"}, {100, "AcDbEntity"},
                   {8, "0"}, {100, "AcDbMText"}, {10, "0"}, {20, "12.2"}, {30, "0"}, {40, "0.18"},
                   {1, "180"}, {0, "ENDBLK"}, {5, "44"}, {330, "40"}, {100, "AcDbEntity"}, {8, "0"},
                   {100, "AcDbBlockEnd"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"},
                   {0, "DIMENSION"}, {5, "50"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbDimension"},
                   {2, "*D1"}, {10, "0"}, {20, "12"}, {30, "0"}, {11, "0"}, {21, "12.2"}, {31, "0"},
                   {70, "37"}, {3, "Standard"}, {100, "AcDb3PointAngularDimension"}, {13, "10"},
                   {23, "0"}, {33, "0"}, {14, "-10"}, {24, "0"}, {34, "0"}, {15, "0"}, {25, "0"},
                   {35, "0"}, {0, "ENDSEC"}, {0, "EOF"}});
}

const cadhost::DxfBlock* blockNamed(const cadhost::DxfDocument& document, const std::string& name)
{
    for (const cadhost::DxfBlock& block : document.blocks)
        if (block.name == name)
            return &block;
    return nullptr;
}

TEST(DxfRoundTrip, ADimensionKeepsItsBlockUnlessTheSessionChangedIt)
{
    auto db = readDxf(drawingWithADimension(), "dimension.dxf");
    const cadhost::DxfDocument asRead = dxftest::written(*db);
    ASSERT_EQ(asRead.entities.size(), 1u);
    EXPECT_EQ(asRead.entities[0].find(2)->value, "*D1");
    const cadhost::DxfBlock* kept = blockNamed(asRead, "*D1");
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(kept->entities.size(), 2u);
    EXPECT_EQ(kept->entities[0].handle(), 0x42u);  // the block read, not one drawn afresh
    EXPECT_EQ(dxftest::brokenHandles(asRead), std::vector<std::string>{});

    // Changed, it is drawn afresh in the sizes its style leaves to the header: 0.18, not 2.5.
    dxftest::touch(*db, 0x50);
    const cadhost::DxfDocument anew = dxftest::written(*db);
    const std::string name(anew.entities[0].find(2)->value);
    const cadhost::DxfBlock* drawn = blockNamed(anew, name);
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(dxftest::brokenHandles(anew), std::vector<std::string>{});
    std::size_t blocksOfDimensions = 0;
    for (const cadhost::DxfBlock& block : anew.blocks)
        blocksOfDimensions += block.name.rfind("*D", 0) == 0 ? 1 : 0;
    EXPECT_EQ(blocksOfDimensions, 1u);
    for (const cadhost::DxfRecord& entity : drawn->entities) {
        if (entity.type() == "MTEXT") {
            EXPECT_EQ(entity.find(40)->value, "0.18");
        }
    }
    EXPECT_NE(drawn->entities[0].handle(), 0x42u);
}

}  // namespace

TEST(DxfRoundTrip, AnEntityKeptAsReadIsSavedWithItsHandleAsTheWriterWritesHandles)
{
    for (const std::string written : {"1A3", "1a3", "01A3", " 1A3", "1A3 "}) {
        SCOPED_TRACE("handle \"" + written + "\"");
        const std::string text = dxftest::drawing(
            "  9\n$ACADVER\n  1\nAC1015\n",
            "  0\nLINE\n  5\n" + written +
                "\n  8\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n1.0\n 21\n0.0\n 31\n0.0\n");
        const cadhost::DxfDocument saved = dxftest::written(*readDxf(text, "handles.dxf"));
        ASSERT_EQ(saved.entities.size(), 1u);
        const auto handle = saved.entities.front().find(5);
        ASSERT_TRUE(handle.has_value());
        EXPECT_EQ(handle->value, "1A3");
    }
}
