// The cadhost program run as a user runs it, on the loader fixture module and the scripts of
// tests/scripts: exit statuses, the transcript, error messages and the report.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kCadhost = std::string(CADHOST_BIN_DIR) + "/cadhost";
const std::string kFixtureDir = std::string(CADHOST_BIN_DIR) + "/fixtures/loader";
const std::string kModule = kFixtureDir + "/LoaderModule.arx";
const std::string kScripts = std::string(TEST_SOURCE_DIR) + "/scripts";

std::string quote(const std::string& arg)
{
    std::string quoted = "'";
    for (char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// One run of cadhost in a folder of its own.
class CadhostRun {
public:
    CadhostRun()
    {
        std::string pattern = (fs::temp_directory_path() / "cadhost-run-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        m_folder = made != nullptr ? made : "";
    }
    ~CadhostRun()
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    CadhostRun(const CadhostRun&) = delete;
    CadhostRun& operator=(const CadhostRun&) = delete;

    const fs::path& folder() const { return m_folder; }
    fs::path reportPath() const { return m_folder / "report.json"; }

    /// Runs cadhost with args, standard input from stdinFile (or nothing); the exit status.
    int run(const std::vector<std::string>& args, const std::string& stdinFile = "")
    {
        std::string command = quote(kCadhost);
        for (const std::string& arg : args)
            command += " " + quote(arg);
        command += " < " + (stdinFile.empty() ? std::string("/dev/null") : quote(stdinFile));
        command += " > " + quote((m_folder / "out.txt").string());
        command += " 2> " + quote((m_folder / "err.txt").string());
        const int raw = std::system(command.c_str());
        out = readFile(m_folder / "out.txt");
        err = readFile(m_folder / "err.txt");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    nlohmann::json report() const { return nlohmann::json::parse(readFile(reportPath())); }

    std::string out;
    std::string err;

private:
    fs::path m_folder;
};

std::string script(const char* name)
{
    return kScripts + "/" + name;
}

void expectPoint(const nlohmann::json& p, double x, double y, double z)
{
    ASSERT_EQ(p.size(), 3u);
    EXPECT_NEAR(p[0].get<double>(), x, 1e-9);
    EXPECT_NEAR(p[1].get<double>(), y, 1e-9);
    EXPECT_NEAR(p[2].get<double>(), z, 1e-9);
}

TEST(CadhostEndToEndTest, ASessionRunsEveryKindOfLine)
{
    CadhostRun r;
    ASSERT_EQ(r.run({"--module", kModule, "--report", r.reportPath().string(),
                     script("loader_session.script")}),
              0)
        << r.err;
    EXPECT_EQ(r.err, "");
    // The transcript echoes the input after its prompt; the report's command line does not.
    EXPECT_NE(r.out.find("\nFixture point: 1,2,3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("world 98,1,3"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nCommand: fixture_point"), std::string::npos);
    EXPECT_NE(r.out.find("Zkouška č. 42: úspěch"), std::string::npos);
    const nlohmann::json report = r.report();
    const std::string commandLine = report["commandLine"];
    EXPECT_NE(commandLine.find("\nFixture point: \n"), std::string::npos) << commandLine;
    EXPECT_EQ(commandLine.find("Fixture point: 1,2,3"), std::string::npos);
    EXPECT_NE(commandLine.find("pick status 5100, errno 0, kind AcDbCircle"), std::string::npos);

    ASSERT_EQ(report["messageBoxes"].size(), 1u);
    EXPECT_EQ(report["messageBoxes"][0]["owner"], "main");
    EXPECT_EQ(report["messageBoxes"][0]["caption"], "Fixture caption");
    EXPECT_EQ(report["messageBoxes"][0]["text"], "Hello from the fixture");
    EXPECT_EQ(report["messageBoxes"][0]["style"], 48);

    const std::vector<std::pair<std::string, bool>> expectedCommands = {
        {"fixture_point", true}, {"fixture_pick", true}, {"fixture_box", true},
        {"fixture_format", true}, {"fixture_drag", true}, {"fixture_leaky", false},
        {"fixture_drag_null", true}};
    ASSERT_EQ(report["commands"].size(), expectedCommands.size());
    for (std::size_t i = 0; i < expectedCommands.size(); ++i) {
        EXPECT_EQ(report["commands"][i]["name"], expectedCommands[i].first);
        EXPECT_EQ(report["commands"][i]["resourceHandleRestored"], expectedCommands[i].second);
    }
}

TEST(CadhostEndToEndTest, EntitiesAreReportedInWorldCoordinates)
{
    CadhostRun r;
    ASSERT_EQ(r.run({"--module", kModule, "--report", r.reportPath().string(),
                     script("loader_session.script")}),
              0)
        << r.err;
    const nlohmann::json entities = r.report()["entities"];
    // Drawn with the UCS at (100, 0, 0) turned by 90 degrees: UCS x is world y.
    std::vector<std::string> types;
    for (const auto& e : entities)
        types.push_back(e["type"]);
    const std::vector<std::string> expected = {"POINT", "LINE", "CIRCLE", "ARC", "LWPOLYLINE",
                                               "WALL", "LINE"};
    ASSERT_EQ(types, expected);
    expectPoint(entities[0]["position"], 100.0, 1.0, 0.0);
    expectPoint(entities[1]["start"], 100.0, 0.0, 0.0);
    expectPoint(entities[1]["end"], 100.0, 2.0, 0.0);
    expectPoint(entities[2]["center"], 100.0, 0.0, 0.0);
    EXPECT_EQ(entities[2]["radius"], 5.0);
    expectPoint(entities[3]["center"], 100.0, 0.0, 0.0);
    EXPECT_NEAR(entities[3]["startAngle"].get<double>(), 3.141592653589793 / 2, 1e-12);
    EXPECT_NEAR(entities[3]["endAngle"].get<double>(), 3 * 3.141592653589793 / 2, 1e-12);
    EXPECT_EQ(entities[4]["closed"], true);
    ASSERT_EQ(entities[4]["vertices"].size(), 3u);
    EXPECT_EQ(entities[4]["vertices"][1][2], 1.0);
    expectPoint(entities[4]["worldVertices"][2], 96.0, 4.0, 0.0);
    expectPoint(entities[5]["middle"], 95.0, 5.0, 0.0);
    // The dragged line of fixture_drag ends at the click; the cancelled drag added nothing.
    expectPoint(entities[6]["end"], 97.0, 3.0, 0.0);
    // Handles are unique hex numbers.
    EXPECT_NE(entities[0]["handle"], entities[1]["handle"]);
    for (const auto& e : entities)
        EXPECT_EQ(e["handle"].get<std::string>().find_first_not_of("0123456789ABCDEF"),
                  std::string::npos);
}

TEST(CadhostEndToEndTest, ArcsFollowTheUcsPlane)
{
    CadhostRun r;
    const fs::path scriptFile = r.folder() / "tilted.script";
    std::ofstream(scriptFile) << "ucs x 90\narc 1,0 0,1 -1,0\narc -1,0 0,1 1,0\npline 0,0 1,0\n";
    ASSERT_EQ(r.run({"--module", kModule, "--report", r.reportPath().string(), scriptFile.string()}),
              0)
        << r.err;
    const nlohmann::json entities = r.report()["entities"];
    ASSERT_EQ(entities.size(), 3u);
    // The UCS Z axis is world -Y; both arcs run counterclockwise about it over the top.
    for (int i = 0; i < 2; ++i) {
        expectPoint(entities[i]["normal"], 0.0, -1.0, 0.0);
        const double sweep = entities[i]["endAngle"].get<double>() -
                             entities[i]["startAngle"].get<double>();
        EXPECT_NEAR(std::fmod(sweep + 2 * 3.141592653589793, 2 * 3.141592653589793),
                    3.141592653589793, 1e-12);
    }
    expectPoint(entities[2]["normal"], 0.0, -1.0, 0.0);
    expectPoint(entities[2]["worldVertices"][1], 1.0, 0.0, 0.0);
}

TEST(CadhostEndToEndTest, ABadLineInACommandCancelsItAndEndsTheSession)
{
    CadhostRun r;
    const std::string file = script("bad_line_in_drag.script");
    ASSERT_EQ(r.run({"--module", kModule, "--report", r.reportPath().string(), file}), 2);
    EXPECT_NE(r.err.find(file + ":4:"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("fixture_point"), std::string::npos);
    EXPECT_NE(r.err.find("expected a cursor move"), std::string::npos) << r.err;
    // The drag was answered as by Escape, and the module was unloaded properly.
    EXPECT_NE(r.out.find("drag status -4"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("fixture: unload"), std::string::npos);
    const nlohmann::json report = r.report();
    EXPECT_TRUE(report["entities"].empty());
    ASSERT_EQ(report["commands"].size(), 1u);
    EXPECT_EQ(report["commands"][0]["resourceHandleRestored"], true);
}

TEST(CadhostEndToEndTest, LinesThatCannotRunNameTheirFileAndLine)
{
    struct Case {
        const char* script;
        int line;
        const char* says;
    };
    const Case cases[] = {
        {"unknown_command.script", 3, "unknown command"},
        {"bad_host_command.script", 1, "expected: circle CENTER RADIUS"},
        {"point_without_command.script", 2, "no command is waiting"},
    };
    for (const Case& c : cases) {
        CadhostRun r;
        const std::string file = script(c.script);
        EXPECT_EQ(r.run({"--module", kModule, file}), 2) << c.script;
        EXPECT_NE(r.err.find(file + ":" + std::to_string(c.line) + ":"), std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

TEST(CadhostEndToEndTest, HelpListsTheModulesCommandsAndQuitEndsTheScriptAndSaves)
{
    CadhostRun r;
    const fs::path scriptFile = r.folder() / "help.script";
    std::ofstream(scriptFile) << "help\ncircle 0,0 1\nQUIT\ncircle 5,5 1\n";
    const fs::path saved = r.folder() / "saved.dxf";
    ASSERT_EQ(r.run({"--module", kModule, "--save", saved.string(), "--report",
                     r.reportPath().string(), scriptFile.string()}),
              0)
        << r.err;
    for (const char* command : {"fixture_point", "fixture_pick", "fixture_drag", "fixture_drag_null",
                                "fixture_box", "fixture_leaky", "fixture_format", "fixture_luprec"})
        EXPECT_NE(r.out.find("\n  " + std::string(command)), std::string::npos) << command;
    EXPECT_EQ(r.out.find("acrxEntryPoint"), std::string::npos);
    EXPECT_EQ(r.out.find("DllMain"), std::string::npos);
    EXPECT_NE(r.out.find("\n  circle CENTER RADIUS"), std::string::npos) << r.out;
    EXPECT_EQ(r.report()["entities"].size(), 1u);
    EXPECT_TRUE(fs::exists(saved));
}

TEST(CadhostEndToEndTest, AScriptThatEndsInACommandCancelsIt)
{
    CadhostRun r;
    ASSERT_EQ(r.run({"--module", kModule, script("input_runs_out.script")}), 0) << r.err;
    EXPECT_NE(r.out.find("point status -5002"), std::string::npos) << r.out;
}

TEST(CadhostEndToEndTest, StandardInputIsAScriptToo)
{
    CadhostRun r;
    ASSERT_EQ(r.run({"--module", kModule, "-"}, script("input_runs_out.script")), 0) << r.err;
    EXPECT_NE(r.out.find("point status -5002"), std::string::npos) << r.out;
    CadhostRun implicit;
    ASSERT_EQ(implicit.run({"--module", kModule}, script("input_runs_out.script")), 0);
    EXPECT_EQ(implicit.out, r.out);
}

TEST(CadhostEndToEndTest, TheApertureOptionWidensPicks)
{
    CadhostRun narrow;
    ASSERT_EQ(narrow.run({"--module", kModule, script("pick_with_aperture.script")}), 0);
    EXPECT_NE(narrow.out.find("pick status -5001, errno 7"), std::string::npos) << narrow.out;
    CadhostRun wide;
    ASSERT_EQ(wide.run({"--module", kModule, "--aperture", "2", script("pick_with_aperture.script")}),
              0);
    EXPECT_NE(wide.out.find("pick status 5100"), std::string::npos) << wide.out;
}

TEST(CadhostEndToEndTest, SystemVariablesFromOptionsAndScript)
{
    CadhostRun r;
    ASSERT_EQ(r.run({"--module", kModule, "--set", "LUPREC=2", script("luprec.script")}), 0)
        << r.err;
    EXPECT_NE(r.out.find("LUPREC 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("LUPREC 6"), std::string::npos) << r.out;
    CadhostRun refused;
    EXPECT_EQ(refused.run({"--module", kModule, "--set", "LUPREC=99", script("luprec.script")}), 2);
    EXPECT_NE(refused.err.find("LUPREC"), std::string::npos);
}

TEST(CadhostEndToEndTest, AModuleThatCannotLoadGivesStatusOne)
{
    CadhostRun r;
    // Without its resource library beside it the module's start-up fails after a message box.
    const fs::path lonely = r.folder() / "LoaderModule.arx";
    fs::copy_file(kModule, lonely);
    EXPECT_EQ(r.run({"--module", lonely.string(), "--report", r.reportPath().string(),
                     script("input_runs_out.script")}),
              1);
    EXPECT_NE(r.out.find("Cannot load the fixture strings"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[error]"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(lonely.string()), std::string::npos) << r.err;
    // The report still tells of the one message box, and that no command ran.
    const nlohmann::json report = r.report();
    ASSERT_EQ(report["messageBoxes"].size(), 1u);
    EXPECT_EQ(report["messageBoxes"][0]["owner"], "none");
    EXPECT_EQ(report["messageBoxes"][0]["caption"], "Error");
    EXPECT_EQ(report["messageBoxes"][0]["style"], 16);
    EXPECT_TRUE(report["commands"].empty());

    CadhostRun missing;
    EXPECT_EQ(missing.run({"--module", "/no/such/Module.arx", script("input_runs_out.script")}), 1);
    EXPECT_NE(missing.err.find("/no/such/Module.arx"), std::string::npos);
}

TEST(CadhostEndToEndTest, BadUsageAndUnreadableScriptsGiveStatusTwo)
{
    CadhostRun usage;
    EXPECT_EQ(usage.run({"--bogus"}), 2);
    EXPECT_NE(usage.err.find("usage:"), std::string::npos);
    CadhostRun unreadable;
    EXPECT_EQ(unreadable.run({"--module", kModule, "/no/such.script"}), 2);
    EXPECT_NE(unreadable.err.find("/no/such.script"), std::string::npos);
}

TEST(CadhostEndToEndTest, StringsListsTheResourceLibraryWithEscapes)
{
    CadhostRun r;
    ASSERT_EQ(r.run({"--strings", "--module", kModule}), 0) << r.err;
    // What the module prints while it loads is no part of the list.
    EXPECT_NE(r.err.find("fixture: init"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("1\tHello from the fixture\n"), 0u) << r.out;
    EXPECT_NE(r.out.find("\n3\t\\nFixture point: \n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n4\ttab\\there\\\\back\\nline\n"), std::string::npos) << r.out;
    // One line per string.
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 7);
}

TEST(CadhostEndToEndTest, TheInputDrawingIsWrittenOnlyWhenSaveNamesIt)
{
    CadhostRun r;
    const fs::path drawing = r.folder() / "in.dxf";
    const fs::path made = r.folder() / "make.script";
    std::ofstream(made) << "circle 0,0 5\nsave " << drawing.string() << "\n";
    ASSERT_EQ(r.run({"--module", kModule, made.string()}), 0) << r.err;
    const std::string original = readFile(drawing);
    ASSERT_FALSE(original.empty());

    const fs::path overwrite = r.folder() / "overwrite.script";
    std::ofstream(overwrite) << "line 0,0 1,1\nsave " << drawing.string() << "\n";
    EXPECT_EQ(r.run({"--module", kModule, "--drawing", drawing.string(), overwrite.string()}), 2);
    EXPECT_NE(r.err.find(overwrite.string() + ":2:"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(drawing), original);

    const fs::path copy = r.folder() / "out.dxf";
    const fs::path add = r.folder() / "add.script";
    std::ofstream(add) << "line 0,0 1,1\n";
    ASSERT_EQ(r.run({"--module", kModule, "--drawing", drawing.string(), "--save", copy.string(),
                     "--report", r.reportPath().string(), add.string()}),
              0)
        << r.err;
    EXPECT_EQ(readFile(drawing), original);
    EXPECT_EQ(r.report()["entities"].size(), 2u);

    // The saved copy reads back with both entities.
    ASSERT_EQ(r.run({"--module", kModule, "--drawing", copy.string(), "--report",
                     r.reportPath().string(), script("input_runs_out.script")}),
              0)
        << r.err;
    const nlohmann::json entities = r.report()["entities"];
    ASSERT_EQ(entities.size(), 2u);
    EXPECT_EQ(entities[0]["type"], "CIRCLE");
    EXPECT_EQ(entities[1]["type"], "LINE");
}

TEST(CadhostEndToEndTest, AnUnreadableDrawingGivesStatusTwo)
{
    CadhostRun r;
    const fs::path drawing = r.folder() / "broken.dxf";
    std::ofstream(drawing) << "this is no drawing\n";
    EXPECT_EQ(r.run({"--module", kModule, "--drawing", drawing.string(),
                     script("input_runs_out.script")}),
              2);
    EXPECT_NE(r.err.find(drawing.string()), std::string::npos) << r.err;
    EXPECT_EQ(readFile(drawing), "this is no drawing\n");
    CadhostRun missing;
    EXPECT_EQ(missing.run({"--module", kModule, "--drawing", "/no/such.dxf",
                           script("input_runs_out.script")}),
              2);
    EXPECT_NE(missing.err.find("/no/such.dxf"), std::string::npos) << missing.err;
}

}  // namespace
