// Loading the module: the resource library comes from the module's own folder, whatever the
// current folder is and however the module's file name separates its folders; without it, with
// a broken one, or when its path does not fit, the load is refused after one message box;
// unloading the module frees the library.
#include "module_test_support.h"

#include "mfc/loaded_libraries.h"
#include "session/recorder.h"
#include "session/session.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace moduletest;
using Kind = cadhost::RecordedEvent::Kind;

namespace {

constexpr char kRefusal[] = "Can`t load resource library";

/// Whether the file at path is mapped into this process (a loaded library is).
bool isMappedIntoProcess(const std::string& path)
{
    const std::string canonical = fs::weakly_canonical(path).string();
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.size() >= canonical.size() &&
            line.compare(line.size() - canonical.size(), canonical.size(), canonical) == 0)
            return true;
    return false;
}

/// The caption the platform shows for a message box given none.
constexpr char kDefaultCaption[] = "Error";

/// Expects exactly one message box, the refusal: no owner, default caption, error icon.
void expectOneRefusalBox()
{
    const auto boxes = record().ofKind(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kRefusal);
    EXPECT_FALSE(boxes[0].ownerIsMainWindow);
    EXPECT_EQ(boxes[0].caption, kDefaultCaption);
    EXPECT_EQ(boxes[0].style, 0x10u);
}

/// Makes GetModuleFileNameW report a chosen name for a module file while it lives.
class ReportedModuleName {
public:
    ReportedModuleName(const std::string& modulePath, const std::u16string& reportedName)
        : m_path(fs::canonical(modulePath).string())
    {
        cadhost::reportModuleFileNameAs(m_path, reportedName);
    }
    ~ReportedModuleName() { cadhost::reportModuleFileNameAs(m_path, u""); }
    ReportedModuleName(const ReportedModuleName&) = delete;
    ReportedModuleName& operator=(const ReportedModuleName&) = delete;

private:
    std::string m_path;
};

class ModuleLoading : public ::testing::Test {
protected:
    void SetUp() override { cadhost::resetSession(); }

    /// A folder holding copies of the module and, with the library, of the resource library.
    std::string copyModule(const TemporaryFolder& folder, bool withLibrary = true)
    {
        if (withLibrary)
            folder.copyIn(builtResourceLibraryPath());
        return folder.copyIn(builtModulePath());
    }

    TemporaryFolder m_moduleFolder;
    TemporaryFolder m_otherFolder;
    LoadedModule m_module;
};

TEST_F(ModuleLoading, FindsTheLibraryBesideTheModuleWhateverTheCurrentFolder)
{
    const std::string modulePath = copyModule(m_moduleFolder);
    const CurrentFolderScope elsewhere(m_otherFolder.path());

    ASSERT_TRUE(m_module.load(modulePath));
    EXPECT_EQ(record().count(Kind::MessageBox), 0u);
    EXPECT_TRUE(isMappedIntoProcess(m_moduleFolder.path() + "/VelmoraCsy.dll"));

    // The command's prompt comes from that library.
    queueEscape();
    ASSERT_TRUE(m_module.runCommand("oblouk_delka_m"));
    EXPECT_NE(commandLine().find("\nUrčete počáteční bod oblouku: "), std::string::npos)
        << commandLine();
}

TEST_F(ModuleLoading, DoesNotTakeTheLibraryFromTheCurrentFolder)
{
    const std::string modulePath = copyModule(m_moduleFolder, false);
    const std::string decoy = m_otherFolder.copyIn(builtResourceLibraryPath());
    const CurrentFolderScope besideTheDecoy(m_otherFolder.path());

    EXPECT_FALSE(m_module.load(modulePath));
    expectOneRefusalBox();
    EXPECT_FALSE(isMappedIntoProcess(decoy));
}

TEST_F(ModuleLoading, UnloadingTheModuleFreesTheLibrary)
{
    const std::string modulePath = copyModule(m_moduleFolder);
    const std::string library = m_moduleFolder.path() + "/VelmoraCsy.dll";
    ASSERT_TRUE(m_module.load(modulePath));
    ASSERT_TRUE(isMappedIntoProcess(library));
    m_module.unload();
    EXPECT_FALSE(isMappedIntoProcess(library));
}

TEST_F(ModuleLoading, RefusesALibraryFileCutShort)
{
    const std::string modulePath = copyModule(m_moduleFolder);
    const std::string library = m_moduleFolder.path() + "/VelmoraCsy.dll";
    fs::resize_file(library, fs::file_size(library) / 2);

    EXPECT_FALSE(m_module.load(modulePath));
    expectOneRefusalBox();
    EXPECT_FALSE(isMappedIntoProcess(library));
}

TEST_F(ModuleLoading, CadhostExitsWithOneWhenTheLibraryIsMissing)
{
    const std::string modulePath = copyModule(m_moduleFolder, false);
    const CadhostRun run = runCadhost({"--module", modulePath}, "");
    EXPECT_EQ(run.exitStatus, 1) << run.transcript << run.errors;
    EXPECT_NE(run.transcript.find(kRefusal), std::string::npos) << run.transcript;
}

TEST_F(ModuleLoading, CadhostLoadsTheModuleWithItsLibraryFromAnotherFolder)
{
    const std::string modulePath = copyModule(m_moduleFolder);
    const CadhostRun run = runCadhost({"--module", modulePath}, "");
    EXPECT_EQ(run.exitStatus, 0) << run.transcript << run.errors;
    EXPECT_EQ(run.transcript.find(kRefusal), std::string::npos) << run.transcript;
}

// ---- how the module's file name separates its folders ------------------------------------

struct SeparatorCase {
    const char* description;
    /// The reported module file name, built from the real folders: A is the module folder,
    /// S its sub-folder "sub" that holds the library; only there is a library.
    std::u16string (*reportedName)(const std::string& a);
};

void PrintTo(const SeparatorCase& c, std::ostream* os) { *os << c.description; }

std::u16string backslashed(const std::string& path)
{
    std::u16string text = wide(path);
    for (char16_t& c : text)
        if (c == u'/')
            c = u'\\';
    return text;
}

const SeparatorCase kSeparatorCases[] = {
    {"backslashes only", [](const std::string& a) { return backslashed(a + "/sub/x.arx"); }},
    {"forward slashes only", [](const std::string& a) { return wide(a + "/sub/x.arx"); }},
    {"a backslash after the last forward slash",
     [](const std::string& a) { return wide(a + "/sub") + u"\\x.arx"; }},
    {"a forward slash after the last backslash",
     [](const std::string& a) { return backslashed(a) + u"\\sub/x.arx"; }},
};

class ModuleFileNameSeparators : public ::testing::TestWithParam<SeparatorCase> {
protected:
    void SetUp() override { cadhost::resetSession(); }
};

TEST_P(ModuleFileNameSeparators, CutAfterTheLastSeparatorOfEitherKind)
{
    const TemporaryFolder folder;
    const std::string a = fs::canonical(folder.path()).string();
    const std::string sub = folder.makeFolder("sub");
    fs::copy_file(builtResourceLibraryPath(), sub + "/VelmoraCsy.dll");
    const std::string modulePath = folder.copyIn(builtModulePath());
    const ReportedModuleName reported(modulePath, GetParam().reportedName(a));

    LoadedModule module;
    EXPECT_TRUE(module.load(modulePath)) << GetParam().description;
    EXPECT_EQ(record().count(Kind::MessageBox), 0u) << GetParam().description;
    EXPECT_TRUE(isMappedIntoProcess(sub + "/VelmoraCsy.dll")) << GetParam().description;
}

INSTANTIATE_TEST_SUITE_P(Frame, ModuleFileNameSeparators, ::testing::ValuesIn(kSeparatorCases));

// ---- the 500-character path buffer -----------------------------------------------------------

/// A folder below base whose path, with its trailing '/', is exactly length characters long.
std::string folderOfLength(const std::string& base, std::size_t length)
{
    std::string folder = base;
    while (folder.size() + 1 < length) {
        const std::size_t room = length - folder.size() - 1;  // characters before the last '/'
        const std::size_t segment = std::min<std::size_t>(room > 200 ? 100 : room - 1, 200);
        folder += "/" + std::string(segment, 'd');
    }
    return folder + "/";
}

TEST_F(ModuleLoading, LoadsWhenFolderAndLibraryNameFillTheBufferExactly)
{
    const std::string modulePath = copyModule(m_moduleFolder);
    const std::string base = fs::canonical(m_otherFolder.path()).string();
    // 485 characters of folder, 14 of "VelmoraCsy.dll" and the terminating zero: 500.
    const std::string folder = folderOfLength(base, 485);
    ASSERT_EQ(folder.size(), 485u);
    fs::create_directories(folder);
    fs::copy_file(builtResourceLibraryPath(), folder + "VelmoraCsy.dll");
    const ReportedModuleName reported(modulePath, wide(folder + "v.arx"));

    EXPECT_TRUE(m_module.load(modulePath));
    EXPECT_EQ(record().count(Kind::MessageBox), 0u);
}

TEST_F(ModuleLoading, RefusesWhenTheLibraryNameDoesNotFitBesideTheFolder)
{
    const std::string modulePath = copyModule(m_moduleFolder);
    const std::string folder = std::string(1, '/') + std::string(484, 'd') + "/";
    ASSERT_EQ(folder.size(), 486u);
    const ReportedModuleName reported(modulePath, wide(folder + "v.arx"));

    EXPECT_FALSE(m_module.load(modulePath));
    expectOneRefusalBox();
}

TEST_F(ModuleLoading, RefusesWhenTheModuleFileNameIsCutShort)
{
    const std::string modulePath = copyModule(m_moduleFolder);
    const ReportedModuleName reported(
        modulePath, wide(fs::canonical(m_moduleFolder.path()).string() + "/" +
                         std::string(600, 'n') + ".arx"));

    EXPECT_FALSE(m_module.load(modulePath));
    expectOneRefusalBox();
}

TEST_F(ModuleLoading, RefusesAModuleFileNameWithoutAFolder)
{
    const std::string modulePath = copyModule(m_moduleFolder);
    const CurrentFolderScope besideTheLibrary(m_moduleFolder.path());
    const ReportedModuleName reported(modulePath, u"VelmoraArc.arx");

    EXPECT_FALSE(m_module.load(modulePath));
    expectOneRefusalBox();
}

}  // namespace
