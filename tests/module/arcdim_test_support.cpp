#include "arcdim_test_support.h"

#include "acedads.h"
#include "afxwin.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "editor/editor.h"
#include "mfc/utf_text.h"
#include "module/ModuleApp.h"
#include "session/recorder.h"
#include "session/session.h"

namespace arcdimtest {

namespace {

/// A handle no library has: what the host's current resource handle is when a test begins.
HINSTANCE sentinelResourceHandle()
{
    static int marker = 0;
    return reinterpret_cast<HINSTANCE>(&marker);
}

/// The module's application object in this test program loads its resource library from the
/// program's folder, where the build puts VelmoraCsy.dll, as a loaded module would.
void ensureResourceLibrary()
{
    CModuleApp& app = CModuleApp::instance();
    if (app.resourceLibrary() == nullptr) {
        ASSERT_TRUE(app.InitInstance()) << "VelmoraCsy.dll beside the test program";
    }
}

void queue(cadhost::UserAction::Kind kind, const AcGePoint3d& point, const std::string& text)
{
    cadhost::UserAction action;
    action.kind = kind;
    action.point = point;
    action.text = text;
    cadhost::editor().queueAction(action);
}

std::string pointText(double x, double y, double z)
{
    return std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(z);
}

}  // namespace

void ArcDimensionTest::SetUp()
{
    cadhost::resetSession();
    ensureResourceLibrary();
    AfxGetModuleState()->m_hCurrentResourceHandle = sentinelResourceHandle();
}

void ArcDimensionTest::TearDown()
{
    EXPECT_EQ(AfxGetModuleState()->m_hCurrentResourceHandle, sentinelResourceHandle())
        << "the command left another resource handle current";
    EXPECT_TRUE(openObjects().empty()) << "objects left open";
    cadhost::resetSession();
}

HINSTANCE ArcDimensionTest::resourceHandleBefore()
{
    return sentinelResourceHandle();
}

void queuePoint(double x, double y, double z)
{
    queue(cadhost::UserAction::Kind::Point, AcGePoint3d(x, y, z), pointText(x, y, z));
}

void queueCursor(double x, double y, double z)
{
    queue(cadhost::UserAction::Kind::CursorMove, AcGePoint3d(x, y, z), "~" + pointText(x, y, z));
}

void queueEnter()
{
    queue(cadhost::UserAction::Kind::Enter, AcGePoint3d::kOrigin, "");
}

void queueEscape()
{
    queue(cadhost::UserAction::Kind::Escape, AcGePoint3d::kOrigin, "ESC");
}

AcDbObjectId addEntity(AcDbEntity* entity)
{
    AcDbObjectId id;
    EXPECT_EQ(cadhost::workingDatabase()->impl().appendEntity(entity, id), Acad::eOk);
    entity->close();
    return id;
}

std::vector<DimensionSnapshot> dimensionsInDrawing()
{
    std::vector<DimensionSnapshot> found;
    AcDbDatabase::Impl& db = cadhost::workingDatabase()->impl();
    for (const AcDbObjectId& id : db.modelSpaceIds()) {
        const auto* dimension = AcDb3PointAngularDimension::cast(db.objectAt(id));
        if (dimension == nullptr || dimension->isErased())
            continue;
        DimensionSnapshot shot;
        shot.center = dimension->centerPoint();
        shot.xLine1 = dimension->xLine1Point();
        shot.xLine2 = dimension->xLine2Point();
        shot.arcPoint = dimension->arcPoint();
        shot.elevation = dimension->elevation();
        ACHAR* text = dimension->dimensionText();
        shot.text = text != nullptr ? text : u"";
        acutDelString(text);
        shot.layer = dimension->layer();
        shot.style = db.dimStyleName(dimension->dimensionStyle());
        found.push_back(shot);
    }
    return found;
}

std::size_t liveEntityCount()
{
    std::size_t count = 0;
    AcDbDatabase::Impl& db = cadhost::workingDatabase()->impl();
    for (const AcDbObjectId& id : db.modelSpaceIds()) {
        const AcDbObject* object = db.objectAt(id);
        if (object != nullptr && !object->isErased())
            ++count;
    }
    return count;
}

std::vector<AcDbObjectId> openObjects()
{
    return cadhost::workingDatabase()->impl().openObjectIds();
}

std::string commandLine()
{
    return cadhost::recorder().commandLine();
}

std::size_t timesPrinted(const std::u16string& text)
{
    const std::string wanted = utf8(text);
    std::size_t count = 0;
    for (const cadhost::RecordedEvent& e :
         cadhost::recorder().ofKind(cadhost::RecordedEvent::Kind::Prompt))
        if (e.text == wanted)
            ++count;
    return count;
}

std::u16string resourceString(unsigned id)
{
    WCHAR buffer[1024] = {};
    LoadStringW(CModuleApp::instance().resourceLibrary(), id, buffer, 1024);
    return buffer;
}

std::string utf8(const std::u16string& text)
{
    return cadhost::utf8FromUtf16(text);
}

}  // namespace arcdimtest
