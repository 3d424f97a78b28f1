// Message boxes: what is recorded and how the transcript shows them.
#include "acedads.h"
#include "editor/editor.h"
#include "session/recorder.h"
#include "session/session.h"
#include "win32.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

class Win32MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { cadhost::resetSession(); }
};

TEST_F(Win32MessageBoxTest, OwnerCaptionTextAndStyleAreRecorded)
{
    struct Case {
        HWND owner;
        const char16_t* caption;
        UINT style;
        bool ownerIsMain;
        const char* shownCaption;
    };
    const Case cases[] = {
        {adsw_acadMainWnd(), u"Kóta oblouku", MB_OK | MB_ICONWARNING, true, "Kóta oblouku"},
        {nullptr, nullptr, MB_OK | MB_ICONERROR, false, "Error"},
        {nullptr, u"", MB_OK, false, ""},
    };
    for (const Case& c : cases) {
        cadhost::resetSession();
        EXPECT_EQ(MessageBoxW(c.owner, u"Bod leží ve středu", c.caption, c.style), IDOK);
        const auto boxes = cadhost::recorder().ofKind(cadhost::RecordedEvent::Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Bod leží ve středu");
        EXPECT_EQ(boxes[0].caption, c.shownCaption);
        EXPECT_EQ(boxes[0].style, c.style);
        EXPECT_EQ(boxes[0].ownerIsMainWindow, c.ownerIsMain);
    }
}

TEST_F(Win32MessageBoxTest, TheTranscriptShowsABlockOnItsOwnLines)
{
    std::ostringstream transcript;
    cadhost::editor().setTranscript(&transcript);
    acedPrompt(u"\nSelect arc: ");
    MessageBoxW(adsw_acadMainWnd(), u"first line\nsecond line", u"Caption", MB_ICONWARNING);
    cadhost::editor().setTranscript(nullptr);
    EXPECT_EQ(transcript.str(),
              "\nSelect arc: \n"
              "+--- message box: Caption [warning] ---\n"
              "| first line\n"
              "| second line\n"
              "+--- [OK] ---\n");
    // A message box is not command-line text.
    EXPECT_EQ(cadhost::recorder().commandLine(), "\nSelect arc: ");
}

TEST_F(Win32MessageBoxTest, NullTextShowsAnEmptyBox)
{
    EXPECT_EQ(MessageBoxW(nullptr, nullptr, u"c", MB_OK), IDOK);
    EXPECT_EQ(cadhost::recorder().ofKind(cadhost::RecordedEvent::Kind::MessageBox)[0].text, "");
}

}  // namespace
