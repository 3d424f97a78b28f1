#include "cadhost/cadhost_run.h"

#include "afxwin.h"
#include "cadhost/drawing_files.h"
#include "cadhost/file_paths.h"
#include "cadhost/host_commands.h"
#include "cadhost/loaded_module.h"
#include "cadhost/options.h"
#include "cadhost/report.h"
#include "cadhost/script_input.h"
#include "database/system_variables.h"
#include "editor/editor.h"
#include "mfc/loaded_libraries.h"
#include "mfc/utf_text.h"
#include "session/recorder.h"
#include "session/session.h"

#include <fstream>
#include <iostream>
#include <unistd.h>

namespace cadhost {

namespace {

const char* const kDefaultModuleName = "VelmoraArc.arx";
const char* const kStandardInputName = "<stdin>";

/// Where a message is about: "FILE:LINE" or "FILE".
std::string place(const std::string& file, int line)
{
    return line > 0 ? file + ":" + std::to_string(line) : file;
}

std::string defaultModulePath()
{
    return folderOfPath(hostInstance()->path) + "/" + kDefaultModuleName;
}

/// Connects the editor to the session's output and input for the session's lifetime.
class EditorConnection {
public:
    EditorConnection(std::ostream& out, InputSource* input, bool interactive)
    {
        Editor& ed = editor();
        ed.setTranscript(&out);
        ed.setInputSource(input);
        ed.setInteractive(interactive);
    }
    ~EditorConnection()
    {
        Editor& ed = editor();
        ed.finishTranscript();
        ed.setTranscript(nullptr);
        ed.setInputSource(nullptr);
        ed.setInteractive(false);
    }
    EditorConnection(const EditorConnection&) = delete;
    EditorConnection& operator=(const EditorConnection&) = delete;
};

int listStrings(const std::string& modulePath, std::ostream& out, std::ostream& err)
{
    LoadedModule module;
    std::string error;
    {
        // Standard output carries the list alone; the module's own output goes with the errors.
        EditorConnection connection(err, nullptr, false);
        if (!module.load(modulePath, error)) {
            err << "cadhost: " << error << "\n";
            return kExitModuleNotLoaded;
        }
    }
    for (HMODULE library : module.librariesLoadedAtStartup())
        for (const auto& entry : stringTableOf(library))
            out << entry.first << '\t' << escapeResourceText(utf8FromUtf16(entry.second)) << '\n';
    EditorConnection connection(err, nullptr, false);
    module.unload();
    return kExitSessionRan;
}

/// One session over a script: the state the script's lines act on.
class ScriptSession {
public:
    ScriptSession(LoadedModule& module, DrawingFilePolicy& files, std::ostream& err)
        : m_module(module), m_files(files), m_err(err)
    {
    }

    /// Runs every line of the editor's input; the exit status.
    int run(bool interactive)
    {
        Editor& ed = editor();
        for (;;) {
            if (interactive)
                ed.printUtf8("\nCommand: ");
            UserAction action;
            if (!ed.nextAction(action))
                return kExitSessionRan;
            switch (action.kind) {
            case UserAction::Kind::Enter:
            case UserAction::Kind::Escape:
            case UserAction::Kind::CursorMove:
                break;  // with no command running these do nothing
            case UserAction::Kind::Point:
                m_err << place(action.origin, action.line) << ": bad script line \""
                      << action.text
                      << "\": a point, but no command is waiting for one (expected a command, "
                         "an empty line or ESC)\n";
                return kExitBadInput;
            case UserAction::Kind::Other:
                if (!interactive)
                    ed.printUtf8("\nCommand: ");
                ed.echo(action.text);
                if (!runCommandLine(action))
                    return kExitBadInput;
                break;
            }
        }
    }

    const std::vector<CommandRun>& commandsRun() const { return m_commands; }

private:
    /// Runs a module or host command; false (message given) when the script cannot go on.
    bool runCommandLine(const UserAction& action)
    {
        const std::string& line = action.text;
        const std::string name = line.substr(0, line.find_first_of(" \t"));
        if (LoadedModule::CommandFunction command =
                name == line ? m_module.findCommand(name) : nullptr)
            return runModuleCommand(name, command);
        std::string error;
        switch (runHostCommand(line, m_files, error)) {
        case HostCommandResult::Done:
            return true;
        case HostCommandResult::Failed:
            m_err << place(action.origin, action.line) << ": " << error << "\n";
            return false;
        case HostCommandResult::NotAHostCommand:
            break;
        }
        m_err << place(action.origin, action.line) << ": bad script line \"" << line
              << "\": unknown command (expected a command of the module or of the host)\n";
        return false;
    }

    bool runModuleCommand(const std::string& name, LoadedModule::CommandFunction command)
    {
        Editor& ed = editor();
        const HINSTANCE resourceBefore = AfxGetModuleState()->m_hCurrentResourceHandle;
        recorder().record({RecordedEvent::Kind::CommandStart, name, {}, 0, false, 0});
        try {
            command();
        } catch (...) {
            // A module must throw nothing into the host; if one does, the session still goes on.
            m_err << "cadhost: command " << name << " ended with an exception\n";
        }
        recorder().record({RecordedEvent::Kind::CommandEnd, name, {}, 0, false, 0});
        const HINSTANCE resourceAfter = AfxGetModuleState()->m_hCurrentResourceHandle;
        m_commands.push_back({name, resourceAfter == resourceBefore});
        if (!ed.hasInputError())
            return true;
        const InputError& bad = ed.inputError();
        m_err << place(bad.origin, bad.line) << ": bad script line \"" << bad.text
              << "\": command " << name << " expected " << bad.expected
              << "; the command was cancelled\n";
        ed.clearInputError();
        return false;
    }

    LoadedModule& m_module;
    DrawingFilePolicy& m_files;
    std::ostream& m_err;
    std::vector<CommandRun> m_commands;
};

/// Opens the script: the file, or standard input for "-" or none.
std::istream* openScript(const Options& options, std::ifstream& file, std::string& origin)
{
    if (options.scriptPath.empty() || options.scriptPath == "-") {
        origin = kStandardInputName;
        return &std::cin;
    }
    origin = options.scriptPath;
    file.open(options.scriptPath, std::ios::binary);
    return file ? &file : nullptr;
}

}  // namespace

int runScriptSession(LoadedModule& module, std::istream& script, const std::string& origin,
                     std::ostream& out, std::ostream& err)
{
    ScriptInput input(script, origin);
    DrawingFilePolicy files;
    ScriptSession session(module, files, err);
    EditorConnection connection(out, &input, false);
    return session.run(false);
}

std::string escapeResourceText(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\\':
            escaped += "\\\\";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

int runCadhost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    Options options;
    std::string error;
    if (!parseOptions(args, options, error)) {
        err << "cadhost: " << error << "\n" << usageText();
        return kExitBadInput;
    }
    if (options.showHelp) {
        out << usageText();
        return kExitSessionRan;
    }
    const std::string modulePath =
        options.modulePath.empty() ? defaultModulePath() : options.modulePath;
    if (options.listStrings)
        return listStrings(modulePath, out, err);

    std::ifstream scriptFile;
    std::string origin;
    std::istream* script = openScript(options, scriptFile, origin);
    if (script == nullptr) {
        err << options.scriptPath << ": cannot read the script\n";
        return kExitBadInput;
    }

    DrawingFilePolicy files;
    if (!options.savePath.empty())
        files.savePath = absoluteFilePath(options.savePath);
    if (!options.drawingPath.empty()) {
        if (!openDrawing(options.drawingPath, error)) {
            err << error << "\n";
            return kExitBadInput;
        }
        files.inputDrawings.insert(absoluteFilePath(options.drawingPath));
    }
    for (const auto& variable : options.variables)
        if (!systemVariables().setFromText(variable.first, variable.second, error)) {
            err << "--set " << variable.first << "=" << variable.second << ": " << error << "\n";
            return kExitBadInput;
        }
    if (options.hasAperture)
        editor().setAperture(options.aperture);

    const bool interactive = script == &std::cin && ::isatty(STDIN_FILENO) != 0;
    ScriptInput input(*script, origin);
    int status = kExitSessionRan;
    LoadedModule module;
    ScriptSession session(module, files, err);
    {
        EditorConnection connection(out, &input, interactive);
        if (module.load(modulePath, error)) {
            status = session.run(interactive);
            module.unload();
        } else {
            err << "cadhost: " << error << "\n";
            status = kExitModuleNotLoaded;
        }
    }
    if (status == kExitSessionRan && !options.savePath.empty() &&
        !saveDrawing(options.savePath, error)) {
        err << error << "\n";
        status = kExitBadInput;
    }
    // The report tells what happened, also when the module refused to load or a line was bad.
    if (!options.reportPath.empty() &&
        !writeReport(options.reportPath, buildReport(session.commandsRun()), error)) {
        err << error << "\n";
        status = kExitBadInput;
    }
    return status;
}

}  // namespace cadhost
