// The C++ peer of make bench: dxflib's parse of a drawing file with callbacks that only count
// what they are given (no model is built), timed inside the program.
//
//     dxflib_parse_bench FILE.dxf
//
// Prints one JSON object: entities (the callbacks for graphical entities), parseSeconds.
#include <dl_creationadapter.h>
#include <dl_dxf.h>
#include <chrono>
#include <cstdio>

namespace {

/// Counts the entities dxflib hands over.
class EntityCounter : public DL_CreationAdapter {
public:
    long count = 0;
    void addPoint(const DL_PointData&) override { ++count; }
    void addLine(const DL_LineData&) override { ++count; }
    void addArc(const DL_ArcData&) override { ++count; }
    void addCircle(const DL_CircleData&) override { ++count; }
    void addPolyline(const DL_PolylineData&) override { ++count; }
    void addText(const DL_TextData&) override { ++count; }
    void addMText(const DL_MTextData&) override { ++count; }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: dxflib_parse_bench FILE.dxf\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    EntityCounter counter;
    DL_Dxf dxf;
    if (!dxf.in(argv[1], &counter)) {
        std::fprintf(stderr, "dxflib_parse_bench: %s cannot be read\n", argv[1]);
        return 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("{\"entities\": %ld, \"parseSeconds\": %.6f}\n", counter.count, seconds);
    return 0;
}
