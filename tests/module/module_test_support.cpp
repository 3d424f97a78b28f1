#include "module_test_support.h"

#include "database/database_impl.h"
#include "editor/editor.h"
#include "mfc/utf_text.h"
#include "rx/applications.h"
#include "session/recorder.h"
#include "session/session.h"

#include "afxwin.h"
#include "dbents.h"
#include "dbmain.h"
#include "module/ModuleApp.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace moduletest {

namespace {

typedef AcRx::AppRetCode (*EntryPointFunction)(AcRx::AppMsgCode, void*);
typedef void (*CommandFunction)();

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// text as one argument of a POSIX shell.
std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void queueAction(cadhost::UserAction::Kind kind, const AcGePoint3d& point, const std::string& text)
{
    cadhost::UserAction action;
    action.kind = kind;
    action.point = point;
    action.text = text;
    cadhost::editor().queueAction(action);
}

}  // namespace

std::string binDir() { return CADHOST_BIN_DIR; }
std::string builtModulePath() { return binDir() + "/VelmoraArc.arx"; }
std::string builtResourceLibraryPath() { return binDir() + "/VelmoraCsy.dll"; }

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (fs::temp_directory_path() / "velmora-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    m_path = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::string TemporaryFolder::copyIn(const std::string& file, const std::string& name) const
{
    const fs::path fileName = name.empty() ? fs::path(file).filename() : fs::path(name);
    const fs::path target = fs::path(m_path) / fileName;
    fs::copy_file(file, target, fs::copy_options::overwrite_existing);
    return target.string();
}

std::string TemporaryFolder::makeFolder(const std::string& relative) const
{
    const fs::path folder = fs::path(m_path) / relative;
    fs::create_directories(folder);
    return folder.string();
}

std::string TemporaryFolder::writeFile(const std::string& name, const std::string& text) const
{
    const std::string path = (fs::path(m_path) / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

CurrentFolderScope::CurrentFolderScope(const std::string& dir)
    : m_previous(fs::current_path().string())
{
    fs::current_path(dir);
}

CurrentFolderScope::~CurrentFolderScope()
{
    std::error_code ignored;
    fs::current_path(m_previous, ignored);
}

bool LoadedModule::load(const std::string& path, bool initialise)
{
    unload();
    m_hModule = LoadLibraryW(wide(path).c_str());
    if (m_hModule == nullptr)
        return false;
    cadhost::registerApplication(appId(), wide(fs::path(path).filename().string()));
    if (initialise)
        sendMessage(AcRx::kInitAppMsg);
    return true;
}

void LoadedModule::unload()
{
    if (m_hModule == nullptr)
        return;
    sendMessage(AcRx::kUnloadAppMsg);
    cadhost::unregisterApplication(appId());
    FreeLibrary(m_hModule);
    m_hModule = nullptr;
}

int LoadedModule::sendMessage(int message) const
{
    const auto entryPoint =
        reinterpret_cast<EntryPointFunction>(GetProcAddress(m_hModule, "acrxEntryPoint"));
    if (entryPoint == nullptr)
        return -1;
    return entryPoint(static_cast<AcRx::AppMsgCode>(message), appId());
}

bool LoadedModule::runCommand(const char* exportName) const
{
    const auto command = reinterpret_cast<CommandFunction>(GetProcAddress(m_hModule, exportName));
    if (command == nullptr)
        return false;
    command();
    return true;
}

void queuePoint(double x, double y, double z)
{
    std::ostringstream text;
    text << x << ',' << y << ',' << z;
    queueAction(cadhost::UserAction::Kind::Point, AcGePoint3d(x, y, z), text.str());
}

void queueEnter() { queueAction(cadhost::UserAction::Kind::Enter, AcGePoint3d(), ""); }
void queueEscape() { queueAction(cadhost::UserAction::Kind::Escape, AcGePoint3d(), "ESC"); }

cadhost::Recorder& record() { return cadhost::recorder(); }
std::string commandLine() { return cadhost::recorder().commandLine(); }

int liveEntityCount()
{
    int count = 0;
    for (const AcDbObjectId& id : cadhost::workingDatabase()->impl().modelSpaceIds())
        if (!id.isErased())
            ++count;
    return count;
}

std::string resourceText(unsigned id)
{
    const HMODULE library = LoadLibraryW(wide(builtResourceLibraryPath()).c_str());
    if (library == nullptr)
        return {};
    WCHAR text[1024] = {};
    LoadStringW(library, id, text, 1024);
    FreeLibrary(library);
    return narrow(text);
}

std::vector<AcGePoint3d> erasedPointPositions()
{
    std::vector<AcGePoint3d> positions;
    for (const AcDbObjectId& id : cadhost::workingDatabase()->impl().modelSpaceIds()) {
        if (!id.isErased())
            continue;
        AcDbObject* object = nullptr;
        if (acdbOpenAcDbObject(object, id, AcDb::kForRead, true) != Acad::eOk)
            continue;
        if (const AcDbPoint* point = AcDbPoint::cast(object))
            positions.push_back(point->position());
        object->close();
    }
    return positions;
}

HINSTANCE currentResourceHandle() { return AfxGetModuleState()->m_hCurrentResourceHandle; }

StartedApplication::StartedApplication()
{
    // Start from an application object that holds no library, whoever started it before.
    if (CModuleApp::instance().resourceLibrary() != nullptr)
        CModuleApp::instance().ExitInstance();
    CModuleApp::instance().m_hInstance = nullptr;
    m_started = CModuleApp::instance().InitInstance() != FALSE;
}

StartedApplication::~StartedApplication() { CModuleApp::instance().ExitInstance(); }

void LoadedModuleTest::SetUp()
{
    cadhost::resetSession();
    ASSERT_TRUE(m_module.load(builtModulePath())) << builtModulePath();
}

void LoadedModuleTest::TearDown() { m_module.unload(); }

CadhostRun runCadhost(const std::vector<std::string>& arguments, const std::string& script)
{
    const TemporaryFolder folder;
    const std::string scriptPath = folder.writeFile("session.script", script);
    const std::string reportPath = folder.path() + "/report.json";
    const std::string outPath = folder.path() + "/stdout.txt";
    const std::string errPath = folder.path() + "/stderr.txt";
    std::string command = shellQuoted(binDir() + "/cadhost") + " --report " +
                          shellQuoted(reportPath);
    for (const std::string& argument : arguments)
        command += " " + shellQuoted(argument);
    command += " " + shellQuoted(scriptPath) + " >" + shellQuoted(outPath) + " 2>" +
               shellQuoted(errPath);
    const int status = std::system(command.c_str());

    CadhostRun run;
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.transcript = readFile(outPath);
    run.errors = readFile(errPath);
    const std::string report = readFile(reportPath);
    if (!report.empty())
        run.report = nlohmann::json::parse(report, nullptr, false);
    return run;
}

std::u16string wide(const std::string& utf8) { return cadhost::utf16FromUtf8(utf8); }
std::string narrow(const std::u16string& text) { return cadhost::utf8FromUtf16(text); }

}  // namespace moduletest
