// The handles of a saved drawing, on seeded random drawings whose carried and modelled records
// share handles, lie in any order, and are erased, changed or kept by the session.
//
// Invariants: every own handle written is unique; each live model space entity is written
// once, under its database handle; every carried record is written once; nothing erased is
// written.
#include "dbents.h"
#include "dxf/dxf_reader.h"
#include "dxf/dxf_writer.h"
#include "dxf_test_support.h"
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <sstream>

namespace {

/// A random file: points (modelled) and texts (carried) with handles from a small range, so
/// that many are shared, in random order.
std::string randomDrawing(std::mt19937& random, std::size_t& texts)
{
    const std::size_t count = 20 + random() % 60;
    std::uniform_int_distribution<std::uint64_t> handle(0x100, 0x100 + count);
    std::string entities;
    texts = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::ostringstream record;
        record << std::hex << std::uppercase;
        if (random() % 3 == 0) {
            record << "0\nTEXT\n5\n" << handle(random) << "\n10\n0\n20\n0\n40\n1\n1\nt\n";
            ++texts;
        } else {
            record << "0\nPOINT\n5\n" << handle(random) << std::dec << "\n10\n" << i
                   << "\n20\n0\n";
        }
        entities += record.str();
    }
    return dxftest::drawing("", entities);
}

TEST(DxfSavedHandles, RandomSharedHandlesAreWrittenOnceEachAndLiveEntitiesKeepTheirs)
{
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        std::size_t texts = 0;
        const std::string file = randomDrawing(random, texts);
        const auto db = cadhost::readDxf(file, "shared.dxf");
        // The session erases some points and changes others.
        for (const AcDbEntity* entity : dxftest::entities(*db)) {
            const unsigned what = random() % 4;
            if (what > 1)
                continue;
            AcDbObject* object = nullptr;
            ASSERT_EQ(acdbOpenAcDbObject(object, entity->objectId(), AcDb::kForWrite), Acad::eOk);
            if (what == 0)
                object->erase();
            else
                static_cast<AcDbPoint*>(object)->setPosition(AcGePoint3d(-1.0, -2.0, 0.0));
            object->close();
        }
        std::map<std::uint64_t, std::string> live;
        for (const AcDbEntity* entity : dxftest::entities(*db))
            live[entity->objectId().handle().value()] = "POINT";

        const cadhost::DxfDocument written =
            cadhost::parseDxfDocument(cadhost::writeDxf(*db), "out.dxf");
        std::set<std::uint64_t> handles;
        std::size_t textsWritten = 0;
        std::size_t pointsWritten = 0;
        for (const cadhost::DxfRecord& record : written.entities) {
            EXPECT_TRUE(handles.insert(record.handle()).second)
                << "handle " << std::hex << record.handle() << " written twice\n"
                << file;
            if (record.type() == "TEXT") {
                ++textsWritten;
                EXPECT_EQ(live.count(record.handle()), 0u) << "a text took a live handle\n" << file;
            } else {
                ++pointsWritten;
                EXPECT_EQ(live.count(record.handle()), 1u) << "a point lost its handle\n" << file;
            }
        }
        EXPECT_EQ(textsWritten, texts) << file;
        EXPECT_EQ(pointsWritten, live.size()) << file;
    }
}

}  // namespace
