// The entry point: kInitAppMsg leaves the application unlocked and able to work with several
// drawings; every other message, kUnloadAppMsg included, returns 0 and changes nothing.
#include "module_test_support.h"

#include "rx/applications.h"
#include "session/recorder.h"

using namespace moduletest;

namespace {

AcRxDynamicLinker* dynamicLinker()
{
    return AcRxDynamicLinker::cast(acrxSysRegistry()->at(ACRX_T("DynamicLinker")));
}

class EntryPoint : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_module.load(builtModulePath(), false));
        ASSERT_NE(dynamicLinker(), nullptr);
        // Locked, so that the unlocking done at initialisation shows.
        dynamicLinker()->lockApplication(m_module.appId());
    }
    const cadhost::ApplicationRecord& application() const
    {
        return *cadhost::findApplication(m_module.appId());
    }
    LoadedModule m_module;
};

TEST_F(EntryPoint, InitialisationUnlocksAndRegistersForSeveralDrawings)
{
    ASSERT_TRUE(application().locked);
    ASSERT_FALSE(application().mdiAware);
    EXPECT_EQ(m_module.sendMessage(AcRx::kInitAppMsg), AcRx::kRetOK);
    EXPECT_FALSE(application().locked);
    EXPECT_TRUE(application().mdiAware);
}

class OtherMessages : public EntryPoint, public ::testing::WithParamInterface<int> {};

TEST_P(OtherMessages, ReturnZeroAndChangeNothing)
{
    const std::size_t eventsBefore = record().events().size();
    EXPECT_EQ(m_module.sendMessage(GetParam()), 0);
    EXPECT_TRUE(application().locked);
    EXPECT_FALSE(application().mdiAware);
    EXPECT_EQ(record().events().size(), eventsBefore);
}

INSTANTIATE_TEST_SUITE_P(Frame, OtherMessages,
                         ::testing::Values(AcRx::kNullMsg, AcRx::kUnloadAppMsg,
                                           AcRx::kLoadDwgMsg, AcRx::kUnloadDwgMsg,
                                           AcRx::kInvkSubrMsg, AcRx::kCfgMsg, AcRx::kEndMsg,
                                           AcRx::kQuitMsg, AcRx::kSaveMsg,
                                           AcRx::kDependencyMsg, AcRx::kNoDependencyMsg,
                                           AcRx::kOleUnloadAppMsg, AcRx::kPreQuitMsg,
                                           AcRx::kInitDialogMsg, AcRx::kEndDialogMsg,
                                           AcRx::kSuspendMsg, 17, 1000, -1));

TEST_F(EntryPoint, TheModuleStaysReadyAfterTheUnloadMessage)
{
    m_module.sendMessage(AcRx::kInitAppMsg);
    EXPECT_EQ(m_module.sendMessage(AcRx::kUnloadAppMsg), 0);
    // The resource library is still there: the command still shows its Czech prompt.
    queueEscape();
    ASSERT_TRUE(m_module.runCommand("oblouk_delka_m"));
    EXPECT_NE(commandLine().find("oblouku: "), std::string::npos) << commandLine();
}

}  // namespace
