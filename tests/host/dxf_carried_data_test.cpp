// What a drawing carries that the host does not model comes back whole and linked: handles
// told apart by group code and object kind, R12 records in the structure an R2000 reader
// requires, links mended in files from other programs, and time linear in the file's size.
//
// Invariants: every written pointer names a record of the written file and no own handle is
// held twice; a draw-order table comes back as it was; a carried record keeps each of its
// groups, in its subclass.
#include "dxf/dxf_handles.h"
#include "dxf/dxf_mends.h"
#include "dxf/dxf_reader.h"
#include "dxf_test_support.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <map>

namespace {

using cadhost::readDxf;
using dxftest::groups;

/// A drawing of version R2000 with model space, the given entities and objects after the
/// root dictionary (handle C).
std::string r2000(const std::string& entities, const std::string& objects)
{
    return groups({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"}, {0, "ENDSEC"},
                   {0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "BLOCK_RECORD"}, {5, "1"},
                   {330, "0"}, {100, "AcDbSymbolTable"}, {70, "1"}, {0, "BLOCK_RECORD"}, {5, "1F"},
                   {330, "1"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"},
                   {2, "*Model_Space"}, {102, "{ACAD_XDICTIONARY"}, {360, "2A"}, {102, "}"},
                   {0, "ENDTAB"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}}) +
           entities +
           groups({{0, "ENDSEC"}, {0, "SECTION"}, {2, "OBJECTS"}, {0, "DICTIONARY"}, {5, "C"},
                   {330, "0"}, {100, "AcDbDictionary"}, {281, "1"}}) +
           objects + groups({{0, "ENDSEC"}, {0, "EOF"}});
}

std::string text(const char* handle)
{
    return groups({{0, "TEXT"}, {5, handle}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"},
                   {100, "AcDbText"}, {10, "0"}, {20, "0"}, {40, "1"}, {1, handle},
                   {100, "AcDbText"}});
}

std::string line(const char* handle)
{
    return groups({{0, "LINE"}, {5, handle}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"},
                   {100, "AcDbLine"}, {10, "0"}, {20, "0"}, {11, "5"}, {21, "5"}});
}

/// The groups of the first record of type in records, from its first subclass marker on.
std::vector<std::string> subclassGroups(const cadhost::DxfRecords& records,
                                        const std::string& type)
{
    for (const cadhost::DxfRecord& record : records) {
        if (record.type() != type)
            continue;
        std::vector<std::string> found;
        bool inSubclass = false;
        for (const cadhost::DxfTag& tag : record.tags()) {
            inSubclass = inSubclass || tag.code == 100;
            if (inSubclass)
                found.push_back(std::to_string(tag.code) + " " + std::string(tag.value));
        }
        return found;
    }
    return {};
}

struct RoleCase {
    const char* name;
    std::string groups;     ///< one record
    std::string expected;   ///< the role of each group that holds a handle: O own, R pointer, S sort key
};

class DxfHandleRoles : public ::testing::TestWithParam<RoleCase> {};

TEST_P(DxfHandleRoles, FollowGroupCodeAndObjectKind)
{
    const cadhost::DxfTags tags = cadhost::readDxfTags(GetParam().groups, "roles.dxf");
    std::string roles;
    cadhost::forEachHandle(tags, [&roles](const cadhost::DxfTag&, cadhost::DxfHandleRole role) {
        roles += role == cadhost::DxfHandleRole::Own         ? 'O'
                 : role == cadhost::DxfHandleRole::Reference ? 'R'
                                                             : 'S';
    });
    EXPECT_EQ(roles, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DxfHandleRoles,
    ::testing::Values(
        RoleCase{"entity", groups({{0, "LINE"}, {5, "2A"}, {102, "{ACAD_REACTORS"}, {330, "30"}, {102, "}"},
                                   {330, "1F"}, {100, "AcDbEntity"}, {347, "40"}, {1001, "APP"},
                                   {1005, "2B"}, {1000, "5"}}), "ORRRR"},
        RoleCase{"drawOrder", groups({{0, "SORTENTSTABLE"}, {5, "2B"}, {330, "2A"}, {100, "AcDbSortentsTable"},
                                      {330, "1F"}, {331, "20"}, {5, "22"}, {331, "22"}, {5, "20"}}), "ORRRSRS"},
        RoleCase{"dimensionStyleOfR12", groups({{0, "DIMSTYLE"}, {2, "ISO"}, {105, "27"}, {5, "ARCHTICK"},
                                                {340, "11"}}), "OR"},
        RoleCase{"xrecordData", groups({{0, "XRECORD"}, {5, "50"}, {330, "2A"}, {100, "AcDbXrecord"},
                                        {280, "1"}, {5, "51"}, {340, "52"}}), "ORR"},
        RoleCase{"polylineWithVertices", groups({{0, "POLYLINE"}, {5, "60"}, {8, "0"}, {0, "VERTEX"}, {8, "0"},
                                                 {5, "61"}, {330, "60"}, {0, "SEQEND"}, {5, "62"}}), "OORO"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DxfCarriedData, SortHandlesOfADrawOrderTableAreValuesNotHandles)
{
    // The sort handles (group 5 after the table's marker) equal the handles of other
    // entities; taken for own handles, they were renumbered as duplicates and the pointers
    // to those entities went to the new numbers, which name nothing.
    const std::string drawing = r2000(
        text("20") + line("21") + text("22"),
        groups({{0, "DICTIONARY"}, {5, "2A"}, {330, "1F"}, {100, "AcDbDictionary"}, {281, "1"},
                {3, "ACAD_SORTENTS"}, {360, "2B"}, {0, "SORTENTSTABLE"}, {5, "2B"}, {330, "2A"},
                {100, "AcDbSortentsTable"}, {330, "1F"}, {331, "20"}, {5, "22"}, {331, "22"},
                {5, "20"}, {331, "21"}, {5, "21"}}));
    const auto db = readDxf(drawing, "sortents.dxf");
    const cadhost::DxfDocument before = dxftest::parsed(drawing);
    const cadhost::DxfDocument after = dxftest::written(*db);
    EXPECT_EQ(subclassGroups(after.objects, "SORTENTSTABLE"),
              subclassGroups(before.objects, "SORTENTSTABLE"));
    std::vector<std::uint64_t> handles;
    for (const cadhost::DxfRecord& entity : after.entities)
        handles.push_back(entity.handle());
    EXPECT_EQ(handles, (std::vector<std::uint64_t>{0x20, 0x21, 0x22}));
    EXPECT_EQ(dxftest::brokenHandles(after), std::vector<std::string>{});
}

TEST(DxfCarriedData, AHandleHeldTwiceIsRenamedAndPointersKeepItsFirstHolder)
{
    // The second TEXT 20 is renamed; the dictionary's pointer to 20 meant the first.
    const auto db = readDxf(r2000(text("20") + text("20"),
                                  groups({{0, "DICTIONARY"}, {5, "2A"}, {330, "1F"},
                                          {100, "AcDbDictionary"}, {3, "FIRST"}, {350, "20"}})),
                            "twice.dxf");
    const cadhost::DxfDocument after = dxftest::written(*db);
    ASSERT_EQ(after.entities.size(), 2u);
    EXPECT_EQ(after.entities[0].handle(), 0x20u);
    EXPECT_NE(after.entities[1].handle(), 0x20u);
    EXPECT_EQ(after.entities[1].find(1)->value, "20");
    const auto dictionary = std::find_if(after.objects.begin(), after.objects.end(),
                                         [](const cadhost::DxfRecord& r) { return r.handle() == 0x2A; });
    ASSERT_NE(dictionary, after.objects.end());
    EXPECT_EQ(dictionary->tagList().back().value, "20");
    EXPECT_EQ(dxftest::brokenHandles(after), std::vector<std::string>{});
}

TEST(DxfCarriedData, BlockRecordsAndObjectsOfAnR12DrawingWithR2000ObjectsStayLinked)
{
    // As a drawing library writes it: R12 tables without handles, block records pointing to
    // layouts whose block record pointers name handles nothing has, objects without owners.
    const std::string drawing =
        groups({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1009"}, {0, "ENDSEC"},
                {0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "BLOCK_RECORD"}, {70, "2"},
                {0, "BLOCK_RECORD"}, {2, "*Model_Space"}, {340, "22"}, {0, "BLOCK_RECORD"},
                {2, "*Paper_Space"}, {340, "1E"}, {0, "ENDTAB"}, {0, "ENDSEC"}, {0, "SECTION"},
                {2, "ENTITIES"}, {0, "POLYLINE"}, {8, "P"}, {66, "1"}, {70, "8"}, {0, "VERTEX"},
                {8, "P"}, {10, "1"}, {20, "2"}, {30, "3"}, {70, "32"}, {0, "SEQEND"}, {0, "ENDSEC"},
                {0, "SECTION"}, {2, "OBJECTS"}, {0, "DICTIONARY"}, {5, "C"}, {100, "AcDbDictionary"},
                {3, "ACAD_LAYOUT"}, {350, "1A"}, {0, "DICTIONARY"}, {5, "1A"},
                {100, "AcDbDictionary"}, {3, "Layout1"}, {350, "1E"}, {3, "Model"}, {350, "22"},
                {0, "LAYOUT"}, {5, "1E"}, {100, "AcDbPlotSettings"}, {100, "AcDbLayout"},
                {1, "Layout1"}, {330, "1B"}, {0, "LAYOUT"}, {5, "22"}, {100, "AcDbPlotSettings"},
                {100, "AcDbLayout"}, {1, "Model"}, {330, "1F"}, {0, "ENDSEC"}, {0, "EOF"}});
    std::vector<cadhost::DxfMend> mends;
    const auto db = readDxf(drawing, "hybrid.dxf", &mends);
    std::map<cadhost::DxfMendKind, int> counts;
    for (const cadhost::DxfMend& mend : mends)
        ++counts[mend.kind];
    EXPECT_EQ(counts[cadhost::DxfMendKind::BlockRecordLinked], 2);
    EXPECT_EQ(counts[cadhost::DxfMendKind::OwnerGiven], 3);
    const cadhost::DxfDocument after = dxftest::written(*db);
    EXPECT_EQ(dxftest::brokenHandles(after), std::vector<std::string>{});
    // Each space's block record and layout point to each other.
    std::map<std::uint64_t, std::uint64_t> layoutOfRecord;
    for (const cadhost::DxfRecord& record : after.table("BLOCK_RECORD")->entries)
        if (const auto layout = record.find(340)) {
            std::uint64_t value = 0;
            cadhost::parseHandle(layout->value, value);
            layoutOfRecord[record.handle()] = value;
        }
    for (const cadhost::DxfRecord& object : after.objects) {
        if (object.type() != "LAYOUT")
            continue;
        const std::string pointer = subclassGroups({object}, "LAYOUT").back();
        std::uint64_t record = 0;
        cadhost::parseHandle(pointer.substr(4), record);
        EXPECT_EQ(layoutOfRecord[record], object.handle()) << pointer;
    }
}

/// The subclass markers an R2000 reader requires of each kind of record an R12 file holds.
const std::map<std::string, std::string>& markersOfKind()
{
    static const std::map<std::string, std::string> markers = {
        {"LINE", "AcDbEntity AcDbLine"},
        {"TEXT", "AcDbEntity AcDbText AcDbText"},
        {"INSERT", "AcDbEntity AcDbBlockReference"},
        {"ATTRIB", "AcDbEntity AcDbText AcDbAttribute"},
        {"ATTDEF", "AcDbEntity AcDbText AcDbAttributeDefinition"},
        {"SEQEND", "AcDbEntity"},
        {"POLYLINE", "AcDbEntity AcDb3dPolyline"},
        {"VERTEX", "AcDbEntity AcDbVertex AcDb3dPolylineVertex"},
        {"SOLID", "AcDbEntity AcDbTrace"},
        {"DIMENSION", "AcDbEntity AcDbDimension AcDbAlignedDimension AcDbRotatedDimension"},
        {"BLOCK", "AcDbEntity AcDbBlockBegin"},
        {"ENDBLK", "AcDbEntity AcDbBlockEnd"},
        {"LAYER", "AcDbSymbolTableRecord AcDbLayerTableRecord"},
        {"STYLE", "AcDbSymbolTableRecord AcDbTextStyleTableRecord"},
        {"TABLE", "AcDbSymbolTable"}};
    return markers;
}

TEST(DxfCarriedData, RecordsOfAnR12DrawingAreWrittenWithTheSubclassMarkersOfTheirKind)
{
    const std::string drawing =
        groups({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1009"}, {0, "ENDSEC"},
                {0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LAYER"}, {70, "1"}, {0, "LAYER"},
                {2, "Walls"}, {70, "0"}, {62, "1"}, {6, "CONTINUOUS"}, {0, "ENDTAB"}, {0, "TABLE"},
                {2, "STYLE"}, {70, "1"}, {0, "STYLE"}, {2, "NOTES"}, {70, "0"}, {40, "0"},
                {41, "1"}, {3, "txt"}, {0, "ENDTAB"}, {0, "ENDSEC"}, {0, "SECTION"},
                {2, "BLOCKS"}, {0, "BLOCK"}, {8, "0"}, {2, "TAG"}, {70, "2"}, {10, "0"}, {20, "0"},
                {3, "TAG"}, {0, "ATTDEF"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {1, "x"},
                {3, "Which?"}, {2, "WHICH"}, {70, "0"}, {73, "0"}, {0, "ENDBLK"}, {8, "0"},
                {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}, {8, "Walls"},
                {62, "3"}, {39, "2"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "1"}, {0, "TEXT"},
                {8, "0"}, {10, "1"}, {20, "2"}, {40, "2.5"}, {1, "note"}, {7, "NOTES"}, {72, "1"},
                {11, "1"}, {21, "2"}, {73, "2"}, {0, "INSERT"}, {8, "0"}, {66, "1"}, {2, "TAG"},
                {10, "5"}, {20, "5"}, {0, "ATTRIB"}, {8, "0"}, {10, "5"}, {20, "5"}, {40, "1"},
                {1, "A"}, {2, "WHICH"}, {70, "0"}, {0, "SEQEND"}, {8, "0"}, {0, "POLYLINE"},
                {8, "0"}, {66, "1"}, {70, "8"}, {0, "VERTEX"}, {8, "0"}, {10, "1"}, {20, "1"},
                {30, "1"}, {70, "32"}, {0, "VERTEX"}, {8, "0"}, {10, "2"}, {20, "1"}, {30, "0"},
                {70, "32"}, {0, "SEQEND"}, {8, "0"}, {0, "SOLID"}, {8, "0"}, {10, "0"}, {20, "0"},
                {11, "1"}, {21, "0"}, {12, "0"}, {22, "1"}, {13, "1"}, {23, "1"}, {0, "DIMENSION"},
                {8, "0"}, {2, "*D1"}, {10, "0"}, {20, "1"}, {11, "0.5"}, {21, "1"}, {70, "0"},
                {1, ""}, {13, "0"}, {23, "0"}, {14, "1"}, {24, "0"}, {50, "0"}, {1001, "ACAD"},
                {1000, "kept"}, {0, "ENDSEC"}, {0, "EOF"}});
    const auto db = readDxf(drawing, "r12.dxf");
    const cadhost::DxfDocument before = dxftest::parsed(drawing);
    const cadhost::DxfDocument after = dxftest::written(*db);
    EXPECT_EQ(cadhost::documentVersion(after), "AC1015");

    // Each (sub)record has the markers of its kind and every group it had, in its subclass.
    std::map<std::string, int> checked;
    const auto check = [&](const cadhost::DxfTags& tags, const cadhost::DxfTags& original) {
        for (std::size_t start = 0, from = 0; start < tags.size(); ++start) {
            if (tags[start].code != 0)
                continue;
            const std::string type(tags[start].value);
            const auto expected = markersOfKind().find(type);
            ASSERT_NE(expected, markersOfKind().end()) << type;
            EXPECT_EQ(dxftest::markersOf(tags, start), expected->second) << type;
            ++checked[type];
            while (from < original.size() && original[from].value != type)
                ++from;
            std::vector<std::string> had;
            std::vector<std::string> has;
            for (std::size_t i = from + 1; i < original.size() && original[i].code != 0; ++i)
                had.push_back(std::to_string(original[i].code) + "=" + std::string(original[i].value));
            for (std::size_t i = start + 1; i < tags.size() && tags[i].code != 0; ++i)
                if (tags[i].code != 5 && tags[i].code != 330 && tags[i].code != 100)
                    has.push_back(std::to_string(tags[i].code) + "=" + std::string(tags[i].value));
            std::sort(had.begin(), had.end());
            std::sort(has.begin(), has.end());
            EXPECT_EQ(has, had) << type;
            ++from;
        }
    };
    ASSERT_EQ(after.entities.size(), before.entities.size());
    for (std::size_t i = 0; i < before.entities.size(); ++i)
        check(after.entities[i].tagList(), before.entities[i].tagList());
    const auto block = std::find_if(after.blocks.begin(), after.blocks.end(),
                                    [](const cadhost::DxfBlock& b) { return b.name == "TAG"; });
    ASSERT_NE(block, after.blocks.end());
    check(block->begin.tagList(), before.blocks[0].begin.tagList());
    check(block->entities[0].tagList(), before.blocks[0].entities[0].tagList());
    for (const char* name : {"LAYER", "STYLE"}) {
        const cadhost::DxfTable* table = after.table(name);
        EXPECT_EQ(dxftest::markersOf(table->head.tagList()), "AcDbSymbolTable") << name;
        for (const cadhost::DxfRecord& entry : table->entries)
            EXPECT_EQ(dxftest::markersOf(entry.tagList()), markersOfKind().at(name)) << name;
    }
    // The second AcDbText holds the vertical alignment; AcDbAttribute the tag.
    const cadhost::DxfTags textTags = after.entities[1].tagList();
    EXPECT_EQ(textTags.back().code, 73);
    EXPECT_EQ(checked["VERTEX"], 2);
    EXPECT_EQ(checked["ATTRIB"], 1);
    EXPECT_EQ(dxftest::brokenHandles(after), std::vector<std::string>{});
}

/// An R12 polyline of n vertices without handles.
std::string longPolyline(int n)
{
    std::string entities = groups({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "0"}});
    for (int i = 0; i < n; ++i)
        entities += "0\nVERTEX\n8\n0\n10\n" + std::to_string(i) + "\n20\n" + std::to_string(i % 7) + "\n";
    return dxftest::drawing("", entities + "0\nSEQEND\n");
}

/// n layers, a line on each.
std::string manyLayers(int n)
{
    std::string layers = groups({{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LAYER"}});
    std::string lines;
    for (int i = 0; i < n; ++i) {
        const std::string name = "Layer" + std::to_string(i);
        layers += "0\nLAYER\n2\n" + name + "\n70\n0\n";
        lines += "0\nLINE\n8\n" + name + "\n10\n0\n20\n" + std::to_string(i) + "\n11\n1\n21\n0\n";
    }
    return layers + groups({{0, "ENDTAB"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}}) + lines +
           groups({{0, "ENDSEC"}, {0, "EOF"}});
}

struct GrowingDrawing {
    const char* name;
    std::string (*make)(int n);
    int n;
};

class DxfLinearTime : public ::testing::TestWithParam<GrowingDrawing> {};

/// The seconds a load and save of drawing takes, the best of three.
double loadAndSaveSeconds(const std::string& drawing)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const std::string written = cadhost::writeDxf(*readDxf(drawing, "growing.dxf"));
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        EXPECT_GT(written.size(), drawing.size());
    }
    return best;
}

TEST_P(DxfLinearTime, LoadAndSaveOfTwiceTheDrawingTakeAtMostAboutTwiceTheTime)
{
    // Each vertex got its handle and owner by an insertion into the middle of the record's
    // groups (24 s for 6,937 vertices in this build); each entity looked its layer up among
    // all layers by name.
    const GrowingDrawing& growing = GetParam();
    const double single = loadAndSaveSeconds(growing.make(growing.n));
    const double twice = loadAndSaveSeconds(growing.make(2 * growing.n));
    EXPECT_LT(twice, 3.0 * single) << single << " s, then " << twice << " s";
}

INSTANTIATE_TEST_SUITE_P(Shapes, DxfLinearTime,
                         ::testing::Values(GrowingDrawing{"polylineVertices", longPolyline, 8000},
                                           GrowingDrawing{"layersWithALineEach", manyLayers, 1500}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
