#include "cadhost/cadhost_run.h"

#include "cadhost/command_session.h"
#include "cadhost/drawing_files.h"
#include "cadhost/file_paths.h"
#include "cadhost/host_commands.h"
#include "cadhost/loaded_module.h"
#include "cadhost/options.h"
#include "cadhost/report.h"
#include "cadhost/script_input.h"
#include "cadhost/terminal_input.h"
#include "database/system_variables.h"
#include "editor/editor.h"
#include "mfc/loaded_libraries.h"
#include "mfc/utf_text.h"
#include "serve/browser_session.h"
#include "serve/page_server.h"
#include "session/session.h"

#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <unistd.h>

namespace cadhost {

namespace {

const char* const kDefaultModuleName = "VelmoraArc.arx";
const char* const kStandardInputName = "<stdin>";

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
    CommandSession session(module, files, err);
    EditorConnection connection(out, &input, false);
    return session.run();
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
    std::istream* script = options.serve ? &std::cin : openScript(options, scriptFile, origin);
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

    // A page in a browser and a person at a terminal get a forgiving session; a script, from a
    // file or piped in, keeps the strict rule.
    ScriptInput scriptInput(*script, origin);
    std::unique_ptr<TerminalInput> terminal;
    std::unique_ptr<BrowserSession> browser;
    std::unique_ptr<PageServer> server;
    if (options.serve) {
        browser = std::make_unique<BrowserSession>(out, files.savePath);
        server = loadPageServer(folderOfPath(hostInstance()->path), *browser,
                                options.serveAddress, error);
        if (server == nullptr || !server->start(error)) {
            err << "cadhost: " << error << "\n";
            return kExitBadInput;
        }
        if (!options.serveAddress.isLoopback())
            err << "cadhost: warning: serving beyond this machine, without encryption: whoever "
                   "sees the address with its token can work in the session\n";
        out << "cadhost: the session is at " << server->pageUrl() << "\n" << std::flush;
    } else if (script == &std::cin && ::isatty(STDIN_FILENO) != 0) {
        terminal = openTerminalInput(folderOfPath(hostInstance()->path), out, historyFilePath(),
                                     err);
    }
    InputSource* input = &scriptInput;
    std::ostream* transcript = &out;
    if (browser) {
        input = browser.get();
        transcript = &browser->transcript();
    } else if (terminal) {
        input = terminal.get();
        transcript = &terminal->transcript();
    }
    int status = kExitSessionRan;
    LoadedModule module;
    CommandSession session(module, files, err);
    {
        EditorConnection connection(*transcript, input, terminal && terminal->showsInput());
        if (module.load(modulePath, error)) {
            if (terminal)
                terminal->setModuleCommands(module.commandNames());
            std::optional<ServeSignals> signals;
            if (browser)
                signals.emplace();
            status = session.run();
            module.unload();
        } else {
            err << "cadhost: " << error << "\n";
            status = kExitModuleNotLoaded;
        }
    }
    terminal.reset();
    if (browser)
        browser->finish();
    server.reset();
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
