// arc_verify: random user sessions of the five arc commands, run in this process through the
// stand-in as cadhost runs a script, each checked against an independent reference. Prints
// the number of sessions and of mismatches by kind, and for every mismatch the script that
// reproduces it with cadhost. Exit status 0 when nothing disagreed.
//
//   arc_verify [--arcdim N] [--arclen N] [--seed S]
#include "arcdim_differential.h"
#include "arclen_differential.h"

#include "cadhost/cadhost_run.h"
#include "cadhost/loaded_module.h"
#include "mfc/utf_text.h"
#include "resource.h"
#include "session/session.h"
#include "win32.h"

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

struct Options {
    long arcDimensionSessions = 2000;
    long arcLengthSessions = 2000;
    unsigned long long seed = 1;
};

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--arcdim")
            options.arcDimensionSessions = std::atol(value);
        else if (name == "--arclen")
            options.arcLengthSessions = std::atol(value);
        else if (name == "--seed")
            options.seed = std::strtoull(value, nullptr, 10);
        else
            return false;
    }
    return argc % 2 == 1;
}

/// The folder of this program, where the build puts the module beside it.
std::string programFolder()
{
    char path[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string self(path, length > 0 ? static_cast<std::size_t>(length) : 0);
    return self.substr(0, self.find_last_of('/'));
}

std::string moduleText(const cadhost::LoadedModule& module, unsigned id)
{
    WCHAR buffer[512] = {};
    LoadStringW(module.librariesLoadedAtStartup().front(), id, buffer, 512);
    return cadhost::utf8FromUtf16(buffer);
}

/// The seed of case number index of a run: distinct for every run seed and index.
unsigned long long caseSeed(unsigned long long runSeed, long index, int family)
{
    return runSeed * 1000003ULL * 4 + static_cast<unsigned long long>(index) * 4 + family;
}

/// Counts the mismatches of a run and prints each with its reproducing script.
class Tally {
public:
    void add(const std::string& command, unsigned long long seed, const std::string& script,
             const std::vector<verify::Mismatch>& found)
    {
        if (found.empty())
            return;
        ++m_failedSessions;
        std::cout << "\n== mismatch in " << command << " (case seed " << seed << ")\n";
        for (const verify::Mismatch& m : found) {
            ++m_byKind[m.kind];
            std::cout << "   " << m.kind << ": " << m.detail << "\n";
        }
        std::cout << "-- reproduce with: build/bin/cadhost SCRIPT --report r.json, SCRIPT:\n"
                  << script << "-- end of script\n";
    }
    long failedSessions() const { return m_failedSessions; }
    const std::map<std::string, long>& byKind() const { return m_byKind; }

private:
    long m_failedSessions = 0;
    std::map<std::string, long> m_byKind;
};

/// Runs one script as a fresh session.
void runSession(cadhost::LoadedModule& module, const std::string& script)
{
    cadhost::resetSession();
    std::istringstream in(script);
    std::ostringstream transcript;
    std::ostringstream errors;
    if (cadhost::runScriptSession(module, in, "case.script", transcript, errors) != 0)
        std::cout << "script refused: " << errors.str();
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::cerr << "usage: arc_verify [--arcdim N] [--arclen N] [--seed S]\n";
        return 2;
    }
    cadhost::LoadedModule module;
    std::string error;
    if (!module.load(programFolder() + "/VelmoraArc.arx", error)) {
        std::cerr << "arc_verify: " << error << "\n";
        return 2;
    }
    const verify::ModuleTexts texts{moduleText(module, IDS_EXT_POINT_REPLACED),
                                    moduleText(module, IDS_ARC_NOT_COMPUTABLE),
                                    moduleText(module, IDS_ARC_LENGTH_LABEL)};

    const auto began = std::chrono::steady_clock::now();
    Tally tally;
    for (long i = 0; i < options.arcDimensionSessions; ++i) {
        const unsigned long long seed = caseSeed(options.seed, i, 0);
        const verify::ArcDimensionCase c = verify::makeArcDimensionCase(seed);
        runSession(module, c.script);
        tally.add("an arc dimension command", seed, c.script,
                  verify::checkArcDimensionCase(c, texts));
    }
    for (long i = 0; i < options.arcLengthSessions; ++i) {
        const unsigned long long seed = caseSeed(options.seed, i, 1);
        const verify::ArcLengthCase c = verify::makeArcLengthCase(seed);
        runSession(module, c.script);
        tally.add("oblouk_delka_m", seed, c.script, verify::checkArcLengthCase(c, texts));
    }
    module.unload();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    std::cout << "\nsessions: " << options.arcDimensionSessions << " arc dimension, "
              << options.arcLengthSessions << " three-point arc length (seed " << options.seed
              << ", " << seconds << " s)\n";
    std::cout << "mismatching sessions: " << tally.failedSessions() << "\n";
    std::cout << "mismatches by kind:";
    if (tally.byKind().empty())
        std::cout << " none";
    for (const auto& [kind, count] : tally.byKind())
        std::cout << "\n  " << kind << ": " << count;
    std::cout << "\n";
    return tally.failedSessions() == 0 ? 0 : 1;
}
