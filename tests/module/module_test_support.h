// Shared helpers of the module's tests: the module loaded into the test process as the host
// loads it, the user's input queued for its commands, temporary folders for copies of the
// build outputs, runs of the cadhost program, and printing of host values.
#pragma once
#include "acge.h"
#include "rxobject.h"
#include "win32.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

namespace cadhost {
class Recorder;
}

namespace moduletest {

/// The folder of the build outputs (cadhost, VelmoraArc.arx, VelmoraCsy.dll).
std::string binDir();
/// The built module, build/bin/VelmoraArc.arx.
std::string builtModulePath();
/// The built resource library, build/bin/VelmoraCsy.dll.
std::string builtResourceLibraryPath();

/// A new empty folder that is removed with its contents when the object goes.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return m_path; }
    /// Copies file into the folder (under its own name unless one is given); the copy's path.
    std::string copyIn(const std::string& file, const std::string& name = "") const;
    /// Makes the sub-folder relative (and its parents); its path.
    std::string makeFolder(const std::string& relative) const;
    /// Writes text into the file name of the folder; its path.
    std::string writeFile(const std::string& name, const std::string& text) const;

private:
    std::string m_path;
};

/// Makes dir the current folder while the object lives.
class CurrentFolderScope {
public:
    explicit CurrentFolderScope(const std::string& dir);
    ~CurrentFolderScope();
    CurrentFolderScope(const CurrentFolderScope&) = delete;
    CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

private:
    std::string m_previous;
};

/// A module loaded through LoadLibraryW, registered with the host's dynamic linker under its
/// instance handle as the application id, as the host loads an application module.
class LoadedModule {
public:
    LoadedModule() = default;
    ~LoadedModule() { unload(); }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    /// Loads the module file (UTF-8 path); with initialise, sends kInitAppMsg. False when the
    /// load fails.
    bool load(const std::string& path, bool initialise = true);
    /// Sends kUnloadAppMsg and frees the library; nothing when none is loaded.
    void unload();
    bool isLoaded() const { return m_hModule != nullptr; }
    HMODULE handle() const { return m_hModule; }
    /// The application id the host passes to the module.
    void* appId() const { return m_hModule; }
    /// Calls acrxEntryPoint with the message.
    int sendMessage(int message) const;
    /// Calls the exported command; false when the module does not export it.
    bool runCommand(const char* exportName) const;

private:
    HMODULE m_hModule = nullptr;
};

/// Queues the user's actions for the commands the test runs.
void queuePoint(double x, double y, double z = 0.0);
void queueEnter();
void queueEscape();

/// The record of the current session.
cadhost::Recorder& record();
/// Everything printed on the command line so far (UTF-8).
std::string commandLine();
/// The entities of the working drawing's model space that are not erased.
int liveEntityCount();
/// The text of a string of the built resource library (UTF-8); empty when it has none.
std::string resourceText(unsigned id);
/// The positions of the POINT entities of model space that are erased, in drawing order.
std::vector<AcGePoint3d> erasedPointPositions();
/// The current resource handle of the current module state.
HINSTANCE currentResourceHandle();

/// Starts the application object linked into the test program as the DLL start-up would
/// (its module file is the test program, so the library comes from the build's bin folder)
/// and ends it when the object goes, so that code called directly loads the Czech strings. An
/// application object already started is ended first.
class StartedApplication {
public:
    StartedApplication();
    ~StartedApplication();
    StartedApplication(const StartedApplication&) = delete;
    StartedApplication& operator=(const StartedApplication&) = delete;
    bool isStarted() const { return m_started; }

private:
    bool m_started;
};

/// A fresh host session with the built module loaded and initialised; unloaded afterwards.
class LoadedModuleTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    LoadedModule m_module;
};

/// What a run of the cadhost program gave.
struct CadhostRun {
    int exitStatus = -1;
    std::string transcript;  ///< standard output
    std::string errors;      ///< standard error
    nlohmann::json report;   ///< the --report file; null when none was written
};

/// Runs build/bin/cadhost with the arguments and the script text (written to a file and given
/// as the last argument), with --report into a temporary file.
CadhostRun runCadhost(const std::vector<std::string>& arguments, const std::string& script);

/// The UTF-16 text of a UTF-8 string, and back.
std::u16string wide(const std::string& utf8);
std::string narrow(const std::u16string& text);

}  // namespace moduletest

/// Prints a vector as (x, y, z) in test failure messages.
inline std::ostream& operator<<(std::ostream& os, const AcGeVector3d& v)
{
    return os << '(' << v.x << ", " << v.y << ", " << v.z << ')';
}

/// Prints a point as (x, y, z) in test failure messages.
inline std::ostream& operator<<(std::ostream& os, const AcGePoint3d& p)
{
    return os << '(' << p.x << ", " << p.y << ", " << p.z << ')';
}
