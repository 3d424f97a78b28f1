#include "cadhost/options.h"

#include <cmath>
#include <cstdlib>

namespace cadhost {

namespace {

bool takesValue(const std::string& name)
{
    return name == "--module" || name == "--drawing" || name == "--save" || name == "--report" ||
           name == "--set" || name == "--aperture";
}

bool applyOption(const std::string& name, const std::string& value, Options& options,
                 std::string& error)
{
    if (value.empty()) {
        error = name + " needs a value";
        return false;
    }
    if (name == "--module") {
        options.modulePath = value;
    } else if (name == "--drawing") {
        options.drawingPath = value;
    } else if (name == "--save") {
        options.savePath = value;
    } else if (name == "--report") {
        options.reportPath = value;
    } else if (name == "--set") {
        const std::size_t equals = value.find('=');
        if (equals == std::string::npos || equals == 0) {
            error = "--set needs NAME=VALUE, got \"" + value + "\"";
            return false;
        }
        options.variables.emplace_back(value.substr(0, equals), value.substr(equals + 1));
    } else if (name == "--aperture") {
        char* end = nullptr;
        const double aperture = std::strtod(value.c_str(), &end);
        if (end != value.c_str() + value.size() || !std::isfinite(aperture) || !(aperture > 0.0)) {
            error = "--aperture needs a positive number, got \"" + value + "\"";
            return false;
        }
        options.hasAperture = true;
        options.aperture = aperture;
    }
    return true;
}

}  // namespace

std::string usageText()
{
    return "usage: cadhost [--module FILE] [--drawing FILE.dxf] [--save FILE.dxf]\n"
           "               [--report FILE.json] [--set NAME=VALUE]... [--aperture R] [SCRIPT | -]\n"
           "       cadhost --serve [ADDRESS:]PORT [--module FILE] [--drawing FILE.dxf] [--save FILE.dxf]\n"
           "               [--report FILE.json] [--set NAME=VALUE]... [--aperture R]\n"
           "       cadhost --strings [--module FILE]\n";
}

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error)
{
    bool haveScript = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--strings") {
            options.listStrings = true;
            continue;
        }
        if (arg == "--serve" || arg.compare(0, 8, "--serve=") == 0) {
            // The address is optional: the next argument is it unless it is an option.
            std::string value = arg.size() > 8 ? arg.substr(8) : std::string("127.0.0.1:8765");
            if (arg == "--serve" && i + 1 < args.size() && !args[i + 1].empty() &&
                args[i + 1][0] != '-')
                value = args[++i];
            if (!parseServeAddress(value, options.serveAddress, error))
                return false;
            options.serve = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.showHelp = true;
            continue;
        }
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const std::size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            if (!takesValue(name)) {
                error = "unknown option " + name;
                return false;
            }
            std::string value;
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                error = name + " needs a value";
                return false;
            }
            if (!applyOption(name, value, options, error))
                return false;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        }
        if (haveScript) {
            error = "only one script may be given (\"" + options.scriptPath + "\", \"" + arg + "\")";
            return false;
        }
        haveScript = true;
        options.scriptPath = arg;
    }
    if (options.serve && (haveScript || options.listStrings)) {
        error = "--serve takes no script and no --strings: the page gives the input";
        return false;
    }
    if (options.listStrings && (haveScript || !options.drawingPath.empty() ||
                                !options.savePath.empty() || !options.reportPath.empty() ||
                                !options.variables.empty() || options.hasAperture)) {
        error = "--strings takes only --module";
        return false;
    }
    return true;
}

}  // namespace cadhost
