// The resource scope: it makes the module's resource library current and puts the previous
// handle back on every way out, also out of nested scopes, early returns and exceptions.
#include "module_test_support.h"

#include "afxwin.h"
#include "module/ModuleApp.h"
#include "module/ModuleResourceScope.h"

#include "mfc/loaded_libraries.h"
#include "session/recorder.h"
#include "session/session.h"

#include <stdexcept>

using namespace moduletest;

namespace {

/// Keeps a distinct current resource handle for a test and restores the real one afterwards.
class ResourceScope : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_application.isStarted());
        ASSERT_NE(CModuleApp::instance().resourceLibrary(), nullptr);
        m_original = currentResourceHandle();
        AfxGetModuleState()->m_hCurrentResourceHandle = marker();
    }
    void TearDown() override { AfxGetModuleState()->m_hCurrentResourceHandle = m_original; }
    /// A handle value that no library has, to recognise in the module state.
    HINSTANCE marker() { return reinterpret_cast<HINSTANCE>(&m_markerStorage); }

    StartedApplication m_application;
    HINSTANCE m_original = nullptr;
    int m_markerStorage = 0;
};

/// Opens a scope and leaves it early when asked; whether the library was current inside.
bool useScope(bool leaveEarly, HINSTANCE library)
{
    const CModuleResourceScope scope;
    const bool libraryCurrent = currentResourceHandle() == library;
    if (leaveEarly)
        return libraryCurrent;
    return libraryCurrent && currentResourceHandle() == library;
}

TEST_F(ResourceScope, MakesTheLibraryCurrentAndRestoresOnEveryReturn)
{
    const HINSTANCE library = CModuleApp::instance().resourceLibrary();
    for (bool leaveEarly : {false, true}) {
        EXPECT_TRUE(useScope(leaveEarly, library));
        EXPECT_EQ(currentResourceHandle(), marker()) << "leave early: " << leaveEarly;
    }
}

TEST_F(ResourceScope, NestedScopesRestoreInTurn)
{
    {
        const CModuleResourceScope outer;
        AfxGetModuleState()->m_hCurrentResourceHandle = nullptr;
        {
            const CModuleResourceScope inner;
        }
        EXPECT_EQ(currentResourceHandle(), nullptr);
    }
    EXPECT_EQ(currentResourceHandle(), marker());
}

TEST_F(ResourceScope, RestoresWhenAnExceptionLeavesIt)
{
    try {
        const CModuleResourceScope scope;
        throw std::runtime_error("leaving");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(currentResourceHandle(), marker());
}

TEST(ModuleApp, ExitingFreesTheLibraryAndForgetsItsHandle)
{
    cadhost::resetSession();
    HINSTANCE library = nullptr;
    {
        const StartedApplication application;
        ASSERT_TRUE(application.isStarted());
        library = CModuleApp::instance().resourceLibrary();
        ASSERT_NE(library, nullptr);
        WCHAR text[64] = {};
        EXPECT_GT(LoadStringW(library, 37, text, 64), 0);
    }
    EXPECT_EQ(CModuleApp::instance().resourceLibrary(), nullptr);
    EXPECT_FALSE(cadhost::isLiveInstance(library));
    EXPECT_EQ(record().count(cadhost::RecordedEvent::Kind::MessageBox), 0u);
}

}  // namespace
