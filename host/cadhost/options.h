// cadhost's command-line options.
#pragma once
#include "serve/request_guard.h"
#include <string>
#include <utility>
#include <vector>

namespace cadhost {

struct Options {
    std::string modulePath;  ///< empty: VelmoraArc.arx beside the cadhost program
    std::string drawingPath;
    std::string savePath;
    std::string reportPath;
    std::vector<std::pair<std::string, std::string>> variables;  ///< --set NAME=VALUE, in order
    bool hasAperture = false;
    double aperture = 0.0;
    std::string scriptPath;  ///< "-" or empty: standard input
    bool serve = false;          ///< --serve: the session runs for a page in a browser
    ServeAddress serveAddress;   ///< where --serve serves
    bool listStrings = false;
    bool showHelp = false;
};

/// The usage text.
std::string usageText();
/// Parses the arguments after the program name ("--name VALUE" or "--name=VALUE"); false with
/// the reason in error for an unknown option, a missing or bad value or a second script.
bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

}  // namespace cadhost
