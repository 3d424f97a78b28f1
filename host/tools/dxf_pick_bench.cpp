// Times one entity pick in a drawing of many entities (1,000,000 by default): the first pick,
// which builds the spatial index, and the mean of later picks at random points.
//
//     dxf_pick_bench [ENTITIES]
//
// Prints one JSON object: entities, firstPickMs, pickMs (mean), picks, hits.
#include "database/database_impl.h"
#include "database/picking.h"
#include "dbents.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

/// Appends count mixed entities on a grid 10 units apart.
void fill(AcDbDatabase& db, long count)
{
    for (long i = 0; i < count; ++i) {
        const double x = static_cast<double>(i % 1000) * 10.0;
        const double y = static_cast<double>(i / 1000) * 10.0;
        AcDbEntity* entity = nullptr;
        switch (i % 4) {
        case 0:
            entity = new AcDbLine(AcGePoint3d(x, y, 0.0), AcGePoint3d(x + 5.0, y + 3.0, 0.0));
            break;
        case 1:
            entity = new AcDbCircle(AcGePoint3d(x + 2.0, y + 2.0, 0.0), AcGeVector3d::kZAxis, 2.0);
            break;
        case 2:
            entity = new AcDbArc(AcGePoint3d(x + 2.0, y + 2.0, 0.0), 3.0, 0.0, 2.0);
            break;
        default:
            entity = new AcDbPoint(AcGePoint3d(x + 1.0, y + 1.0, 0.0));
            break;
        }
        AcDbObjectId id;
        if (db.impl().appendEntity(entity, id) != Acad::eOk) {
            std::fprintf(stderr, "dxf_pick_bench: the database refused entity %ld\n", i);
            std::exit(1);
        }
        entity->close();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    AcDbDatabase db;
    fill(db, count);
    const double extent = static_cast<double>(count < 1000 ? count : 1000) * 10.0;
    const double rows = static_cast<double>(count / 1000 + 1) * 10.0;

    Clock::time_point start = Clock::now();
    cadhost::pickEntity(db, AcGePoint3d(0.0, 0.0, 0.0), 1.0);
    const double firstPick = millisecondsSince(start);

    std::mt19937 random(7);
    std::uniform_real_distribution<double> across(0.0, extent);
    std::uniform_real_distribution<double> down(0.0, rows);
    const int picks = 1000;
    int hits = 0;
    start = Clock::now();
    for (int i = 0; i < picks; ++i)
        if (!cadhost::pickEntity(db, AcGePoint3d(across(random), down(random), 0.0), 0.5).isNull())
            ++hits;
    const double pick = millisecondsSince(start) / picks;
    std::printf("{\"entities\": %ld, \"firstPickMs\": %.3f, \"pickMs\": %.4f, \"picks\": %d, "
                "\"hits\": %d}\n",
                count, firstPick, pick, picks, hits);
    return 0;
}
