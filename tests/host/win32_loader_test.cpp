// Library loading: LoadLibraryW with the DLL start-up and reference counts, FreeLibrary with the
// shut-down, GetProcAddress, GetModuleFileNameW cut short, LoadStringW and CString::LoadString.
#include "afxwin.h"
#include "mfc/loaded_libraries.h"
#include "mfc/utf_text.h"
#include "session/recorder.h"
#include "session/session.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kFixtureDir = std::string(CADHOST_BIN_DIR) + "/fixtures/loader";
const std::string kModulePath = kFixtureDir + "/LoaderModule.arx";
const std::string kStringsPath = kFixtureDir + "/LoaderStrings.dll";
const std::string kPlainPath = kFixtureDir + "/PlainModule.arx";

std::u16string wide(const std::string& s)
{
    return cadhost::utf16FromUtf8(s);
}

/// A fresh folder under the system's temporary folder, removed with its contents afterwards.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "cadhost-loader-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        m_path = made != nullptr ? made : "";
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

class Win32LoaderTest : public ::testing::Test {
protected:
    void SetUp() override { cadhost::resetSession(); }
};

TEST_F(Win32LoaderTest, LoadingRunsTheStartUpAndCountsReferences)
{
    HMODULE module = LoadLibraryW(wide(kModulePath).c_str());
    ASSERT_NE(module, nullptr) << cadhost::lastLoaderError();
    // The application object's InitInstance loaded the resource library beside the module.
    ASSERT_EQ(module->loadedDuringStartup.size(), 1u);
    HMODULE strings = module->loadedDuringStartup[0];
    EXPECT_EQ(fs::path(strings->path), fs::canonical(kStringsPath));
    EXPECT_FALSE(strings->inResourceChain);
    EXPECT_TRUE(module->inResourceChain);
    EXPECT_NE(GetProcAddress(module, "fixture_point"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "no_such_export"), nullptr);

    HMODULE again = LoadLibraryW(wide(kModulePath).c_str());
    EXPECT_EQ(again, module);
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_TRUE(cadhost::isLiveInstance(module));
    EXPECT_TRUE(cadhost::isLiveInstance(strings));
    // The last reference runs ExitInstance, which frees the resource library.
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_FALSE(cadhost::isLiveInstance(module));
    EXPECT_FALSE(cadhost::isLiveInstance(strings));
    EXPECT_FALSE(FreeLibrary(module));
}

TEST_F(Win32LoaderTest, AMissingFileIsNotFound)
{
    EXPECT_EQ(LoadLibraryW(u"/no/such/folder/Missing.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
}

TEST_F(Win32LoaderTest, AFailedInitInstanceFailsTheLoadAfterItsMessageBox)
{
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::string copy = folder.path() + "/LoaderModule.arx";
    fs::copy_file(kModulePath, copy);
    // The resource library is beside the original, not beside the copy.
    EXPECT_EQ(LoadLibraryW(wide(copy).c_str()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
    const auto boxes = cadhost::recorder().ofKind(cadhost::RecordedEvent::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot load the fixture strings");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].style, MB_OK | MB_ICONERROR);
    EXPECT_FALSE(boxes[0].ownerIsMainWindow);
}

TEST_F(Win32LoaderTest, TheResourceLibraryComesFromTheModulesOwnFolder)
{
    TempFolder folder;
    fs::copy_file(kModulePath, folder.path() + "/LoaderModule.arx");
    fs::copy_file(kStringsPath, folder.path() + "/LoaderStrings.dll");
    const fs::path before = fs::current_path();
    fs::current_path(kFixtureDir);
    // A path written with backslashes names the same file.
    std::string windowsPath = folder.path() + "/LoaderModule.arx";
    for (char& c : windowsPath)
        if (c == '/')
            c = '\\';
    HMODULE module = LoadLibraryW(wide(windowsPath).c_str());
    fs::current_path(before);
    ASSERT_NE(module, nullptr) << cadhost::lastLoaderError();
    ASSERT_EQ(module->loadedDuringStartup.size(), 1u);
    EXPECT_EQ(fs::path(module->loadedDuringStartup[0]->path),
              fs::canonical(folder.path() + "/LoaderStrings.dll"));
    FreeLibrary(module);
}

TEST_F(Win32LoaderTest, AModuleWithoutApplicationObjectLoads)
{
    HMODULE plain = LoadLibraryW(wide(kPlainPath).c_str());
    ASSERT_NE(plain, nullptr) << cadhost::lastLoaderError();
    EXPECT_TRUE(plain->loadedDuringStartup.empty());
    EXPECT_NE(GetProcAddress(plain, "plain_hello"), nullptr);
    EXPECT_TRUE(FreeLibrary(plain));
}

TEST_F(Win32LoaderTest, ModuleFileNameIsTheAbsolutePath)
{
    HMODULE module = LoadLibraryW(wide(kModulePath).c_str());
    ASSERT_NE(module, nullptr);
    WCHAR name[1000];
    const DWORD length = GetModuleFileNameW(module, name, 1000);
    const std::u16string expected = wide(fs::canonical(kModulePath).string());
    EXPECT_EQ(length, expected.size());
    EXPECT_EQ(std::u16string(name), expected);
    FreeLibrary(module);
}

TEST_F(Win32LoaderTest, ModuleFileNameCutShortReportsTheSize)
{
    WCHAR full[1000];
    const DWORD length = GetModuleFileNameW(nullptr, full, 1000);
    ASSERT_GT(length, 10u);
    for (DWORD size : {DWORD(1), DWORD(5), DWORD(10), length}) {
        WCHAR buffer[1000];
        std::fill(buffer, buffer + 1000, u'#');
        EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, size), size);
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(std::u16string(buffer), std::u16string(full, size - 1));
        EXPECT_EQ(buffer[size], u'#');
    }
    WCHAR exact[1000];
    EXPECT_EQ(GetModuleFileNameW(nullptr, exact, length + 1), length);
    EXPECT_EQ(GetModuleFileNameW(nullptr, exact, 0), 0u);
}

TEST_F(Win32LoaderTest, AModuleWhoseNameDoesNotFitRefusesToLoadSilently)
{
    const std::string path = fs::canonical(kModulePath).string();
    cadhost::reportModuleFileNameAs(path, u"/" + std::u16string(600, u'd') + u"/LoaderModule.arx");
    HMODULE module = LoadLibraryW(wide(path).c_str());
    cadhost::reportModuleFileNameAs(path, u"");
    EXPECT_EQ(module, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
    EXPECT_EQ(cadhost::recorder().count(cadhost::RecordedEvent::Kind::MessageBox), 0u);
}

class Win32StringTest : public Win32LoaderTest {
protected:
    void SetUp() override
    {
        Win32LoaderTest::SetUp();
        m_strings = LoadLibraryW(wide(kStringsPath).c_str());
        ASSERT_NE(m_strings, nullptr);
    }
    void TearDown() override { FreeLibrary(m_strings); }
    HMODULE m_strings = nullptr;
};

TEST_F(Win32StringTest, LoadStringCopiesWhatFits)
{
    WCHAR buffer[64];
    EXPECT_EQ(LoadStringW(m_strings, 1, buffer, 64), 22);
    EXPECT_EQ(std::u16string(buffer), u"Hello from the fixture");
    EXPECT_EQ(LoadStringW(m_strings, 1, buffer, 6), 5);
    EXPECT_EQ(std::u16string(buffer), u"Hello");
    EXPECT_EQ(LoadStringW(m_strings, 999, buffer, 64), 0);
    EXPECT_EQ(buffer[0], u'\0');
    // The size of zero asks for the text itself.
    const WCHAR* text = nullptr;
    EXPECT_EQ(LoadStringW(m_strings, 2, reinterpret_cast<LPWSTR>(&text), 0), 15);
    EXPECT_EQ(std::u16string(text, 15), u"Fixture caption");
}

TEST_F(Win32StringTest, TheHostProgramHasNoStrings)
{
    WCHAR buffer[16];
    EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 16), 0);
}

TEST_F(Win32StringTest, CStringLoadsFromTheCurrentResourceHandle)
{
    AFX_MODULE_STATE* state = AfxGetModuleState();
    EXPECT_EQ(state->m_hCurrentResourceHandle, cadhost::hostInstance());
    CString text(u"stale");
    EXPECT_FALSE(text.LoadString(1));
    EXPECT_TRUE(text.IsEmpty());

    const HINSTANCE saved = AfxGetResourceHandle();
    AfxSetResourceHandle(m_strings);
    EXPECT_TRUE(text.LoadString(7));
    EXPECT_TRUE(text == u"Zkouška č. %d: %s");
    EXPECT_FALSE(text.LoadString(999));
    EXPECT_TRUE(text.IsEmpty());
    AfxSetResourceHandle(saved);
}

TEST_F(Win32StringTest, TheStringTableIsListedInItsOrder)
{
    const auto table = cadhost::stringTableOf(m_strings);
    ASSERT_EQ(table.size(), 7u);
    EXPECT_EQ(table[0].first, 1u);
    EXPECT_EQ(table[3].second, u"tab\there\\back\nline");
}

}  // namespace
