// Helpers of the arc dimension tests: a fresh session with the module's resource library, user
// actions for the host's input queue, entities put into the working drawing, and what the
// drawing holds afterwards.
#pragma once
#include "acge.h"
#include "dbmain.h"
#include "win32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class AcDbEntity;

namespace arcdimtest {

/// A new empty drawing, editor and record, the module's resource library loaded once, and a
/// known current resource handle (resourceHandleBefore()) so that tests can see it restored.
class ArcDimensionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    /// The current resource handle each test starts with.
    static HINSTANCE resourceHandleBefore();
};

/// A click (or typed point) at a point of the current UCS.
void queuePoint(double x, double y, double z = 0.0);
/// A cursor move without a click: one drag sample.
void queueCursor(double x, double y, double z = 0.0);
void queueEnter();
void queueEscape();

/// Appends entity to model space of the working drawing and closes it; its id.
AcDbObjectId addEntity(AcDbEntity* entity);

/// What a dimension of the drawing shows, read through its id.
struct DimensionSnapshot {
    AcGePoint3d center;
    AcGePoint3d xLine1;
    AcGePoint3d xLine2;
    AcGePoint3d arcPoint;
    double elevation = 0.0;
    std::u16string text;
    std::u16string layer;
    std::u16string style;
};

/// The dimensions of model space that are not erased, in drawing order.
std::vector<DimensionSnapshot> dimensionsInDrawing();
/// The number of model space entities that are not erased.
std::size_t liveEntityCount();
/// The ids of the objects still open for read or write.
std::vector<AcDbObjectId> openObjects();
/// Every command-line text since the test began.
std::string commandLine();
/// How often text was printed on the command line since the test began.
std::size_t timesPrinted(const std::u16string& text);
/// The text of the module's resource string id.
std::u16string resourceString(unsigned id);
/// The UTF-8 form of a wide text, for failure messages and comparisons with the record.
std::string utf8(const std::u16string& text);

}  // namespace arcdimtest
