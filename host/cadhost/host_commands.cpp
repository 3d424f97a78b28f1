#include "cadhost/host_commands.h"

#include "cadhost/file_paths.h"

#include "cadhost/drawing_files.h"
#include "cadhost/script_input.h"
#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "database/system_variables.h"
#include "dbents.h"
#include "editor/editor.h"
#include "mfc/utf_text.h"
#include "session/session.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

namespace cadhost {

namespace {

constexpr double kTwoPi = 6.283185307179586;

typedef std::vector<std::string> Words;

Words splitWords(const std::string& line)
{
    std::istringstream in(line);
    Words words;
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

bool parseNumberWord(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

/// The points of words[first...] in world coordinates; false (with error) for one that is not
/// a point.
bool worldPoints(const Words& words, std::size_t first, std::vector<AcGePoint3d>& points,
                 std::string& error)
{
    const Editor& ed = editor();
    for (std::size_t i = first; i < words.size(); ++i) {
        AcGePoint3d ucsPoint;
        if (!parsePoint(words[i], ucsPoint)) {
            error = "\"" + words[i] + "\" is not a point (x,y or x,y,z)";
            return false;
        }
        points.push_back(ed.ucsToWorld(ucsPoint));
    }
    return true;
}

/// Adds a new entity to model space; it is deleted when the drawing refuses it.
bool addToModelSpace(AcDbEntity* entity, std::string& error)
{
    AcDbObjectId id;
    const Acad::ErrorStatus es = workingDatabase()->impl().appendEntity(entity, id);
    if (es != Acad::eOk) {
        delete entity;
        error = "the drawing refused the entity (error status " + std::to_string(es) + ")";
        return false;
    }
    entity->close();
    return true;
}

/// The angle of a world point about centre in the object coordinate system of normal.
double planeAngle(const AcGePoint3d& point, const AcGePoint3d& center, const AcGeVector3d& normal)
{
    AcGeVector3d v = point - center;
    v.transformBy(AcGeMatrix3d::worldToPlane(normal));
    double angle = std::atan2(v.y, v.x);
    if (angle < 0.0)
        angle += kTwoPi;
    return angle;
}

double sweepFrom(double from, double to)
{
    double sweep = std::fmod(to - from, kTwoPi);
    if (sweep < 0.0)
        sweep += kTwoPi;
    return sweep;
}

typedef std::function<bool(const Words&, const std::string&, DrawingFilePolicy&, std::string&)>
    CommandRunner;

struct Command {
    const char* usage;
    std::vector<std::string> keywords;  ///< the literal words it takes after its name
    CommandRunner run;
};

bool needWords(const Words& words, std::size_t count, std::string& error)
{
    if (words.size() == count)
        return true;
    error = "wrong number of arguments";
    return false;
}

bool runSetvar(const Words& words, const std::string& line, std::string& error)
{
    if (words.size() < 3) {
        error = "a name and a value are needed";
        return false;
    }
    // The value is the rest of the line, so that a string value may hold blanks.
    const std::size_t nameAt = line.find(words[1], line.find(words[0]) + words[0].size());
    const std::string value = trimBlanks(line.substr(nameAt + words[1].size()));
    return systemVariables().setFromText(words[1], value, error);
}

bool runUcs(const Words& words, std::string& error)
{
    Editor& ed = editor();
    const std::string mode = words.size() > 1 ? lowerCase(words[1]) : std::string();
    if (mode == "world" && words.size() == 2) {
        ed.setUcsWorld();
        return true;
    }
    if (mode == "origin" && words.size() == 3) {
        AcGePoint3d origin;
        if (!parsePoint(words[2], origin)) {
            error = "\"" + words[2] + "\" is not a point (x,y or x,y,z)";
            return false;
        }
        ed.moveUcsOrigin(origin);
        return true;
    }
    if ((mode == "x" || mode == "y" || mode == "z") && words.size() == 3) {
        double degrees = 0.0;
        if (!parseNumberWord(words[2], degrees)) {
            error = "\"" + words[2] + "\" is not an angle in degrees";
            return false;
        }
        ed.rotateUcs(mode[0] - 'x', degrees);
        return true;
    }
    error = "unknown form";
    return false;
}

bool runPoint(const Words& words, std::string& error)
{
    std::vector<AcGePoint3d> p;
    if (!needWords(words, 2, error) || !worldPoints(words, 1, p, error))
        return false;
    return addToModelSpace(new AcDbPoint(p[0]), error);
}

bool runLine(const Words& words, std::string& error)
{
    std::vector<AcGePoint3d> p;
    if (!needWords(words, 3, error) || !worldPoints(words, 1, p, error))
        return false;
    AcDbLine* line = new AcDbLine(p[0], p[1]);
    line->setNormal(editor().ucs().zAxis);
    return addToModelSpace(line, error);
}

bool runCircle(const Words& words, std::string& error)
{
    std::vector<AcGePoint3d> p;
    if (!needWords(words, 3, error))
        return false;
    const Words centre(words.begin(), words.begin() + 2);
    if (!worldPoints(centre, 1, p, error))
        return false;
    double radius = 0.0;
    if (!parseNumberWord(words[2], radius) || !(radius > 0.0)) {
        error = "\"" + words[2] + "\" is not a positive radius";
        return false;
    }
    return addToModelSpace(new AcDbCircle(p[0], editor().ucs().zAxis, radius), error);
}

bool runArc(const Words& words, std::string& error)
{
    std::vector<AcGePoint3d> p;
    if (!needWords(words, 4, error) || !worldPoints(words, 1, p, error))
        return false;
    const AcGeCircArc3d through(p[0], p[1], p[2]);
    if (!(through.radius() > 0.0)) {
        error = "the three points lie on one line or coincide";
        return false;
    }
    // The arc lies in the UCS XY plane and runs counterclockwise about the UCS Z axis, from
    // the first point through the second when that is counterclockwise, else the other way.
    const AcGeVector3d normal = editor().ucs().zAxis;
    const AcGePoint3d centre = through.center();
    const double a1 = planeAngle(p[0], centre, normal);
    const double a2 = planeAngle(p[1], centre, normal);
    const double a3 = planeAngle(p[2], centre, normal);
    const bool counterclockwise = sweepFrom(a1, a2) < sweepFrom(a1, a3);
    const double start = counterclockwise ? a1 : a3;
    const double end = counterclockwise ? a3 : a1;
    return addToModelSpace(new AcDbArc(centre, normal, through.radius(), start, end), error);
}

bool runPline(const Words& words, std::string& error)
{
    std::size_t count = words.size();
    const bool closed = count > 1 && lowerCase(words.back()) == "closed";
    if (closed)
        --count;
    if (count < 3) {
        error = "at least two vertices are needed";
        return false;
    }
    const Editor& ed = editor();
    const AcGeVector3d normal = ed.ucs().zAxis;
    const AcGeMatrix3d toPlane = AcGeMatrix3d::worldToPlane(normal);
    AcDbPolyline* pline = new AcDbPolyline();
    pline->setNormal(normal);
    for (std::size_t i = 1; i < count; ++i) {
        AcGePoint3d vertex;
        const std::string& word = words[i];
        const std::size_t lastComma = word.rfind(',');
        const std::size_t firstComma = word.find(',');
        double bulge = 0.0;
        bool valid = false;
        if (firstComma != std::string::npos && lastComma != firstComma) {
            valid = parsePoint(word.substr(0, lastComma), vertex) &&
                    parseNumberWord(word.substr(lastComma + 1), bulge);
        } else {
            valid = parsePoint(word, vertex);
        }
        if (!valid) {
            delete pline;
            error = "\"" + word + "\" is not a vertex (x,y or x,y,bulge)";
            return false;
        }
        AcGePoint3d inPlane = ed.ucsToWorld(AcGePoint3d(vertex.x, vertex.y, 0.0));
        inPlane.transformBy(toPlane);
        if (i == 1)
            pline->setElevation(inPlane.z);
        pline->addVertexAt(static_cast<unsigned>(i - 1), AcGePoint2d(inPlane.x, inPlane.y), bulge);
    }
    pline->setClosed(closed);
    return addToModelSpace(pline, error);
}

bool runWall(const Words& words, std::string& error)
{
    std::vector<AcGePoint3d> p;
    if (!needWords(words, 4, error) || !worldPoints(words, 1, p, error))
        return false;
    return addToModelSpace(new AecDbWall(p[0], p[1], p[2]), error);
}

bool runDimstyle(const Words& words, std::string& error)
{
    if (!needWords(words, 2, error))
        return false;
    const AcDbObjectId id = workingDatabase()->impl().addDimStyle(utf16FromUtf8(words[1]));
    if (id.isNull()) {
        error = "the drawing refused the style name";
        return false;
    }
    return true;
}

bool runLayerkey(const Words& words, std::string& error)
{
    if (!needWords(words, 3, error))
        return false;
    workingDatabase()->impl().setLayerKey(utf16FromUtf8(words[1]), utf16FromUtf8(words[2]));
    return true;
}

bool runAperture(const Words& words, std::string& error)
{
    double aperture = 0.0;
    if (!needWords(words, 2, error))
        return false;
    if (!parseNumberWord(words[1], aperture) || !editor().setAperture(aperture)) {
        error = "\"" + words[1] + "\" is not a positive aperture";
        return false;
    }
    return true;
}

bool runOpen(const Words& words, DrawingFilePolicy& files, std::string& error)
{
    if (!needWords(words, 2, error) || !openDrawing(words[1], error))
        return false;
    files.inputDrawings.insert(absoluteFilePath(words[1]));
    return true;
}

bool runSave(const Words& words, DrawingFilePolicy& files, std::string& error)
{
    // Without a file name, the drawing that --save names.
    if (words.size() == 1) {
        if (files.savePath.empty()) {
            error = "no --save drawing was given: name the file to write";
            return false;
        }
        return saveDrawing(files.savePath, error);
    }
    if (!needWords(words, 2, error))
        return false;
    const std::string target = absoluteFilePath(words[1]);
    if (files.inputDrawings.count(target) != 0 && target != files.savePath) {
        error = words[1] + " is an input drawing; it is written over only when --save names it";
        return false;
    }
    return saveDrawing(words[1], error);
}

/// A runner for a command that needs only its words.
CommandRunner wordsOnly(bool (*run)(const Words&, std::string&))
{
    return [run](const Words& w, const std::string&, DrawingFilePolicy&, std::string& e) {
        return run(w, e);
    };
}

/// A runner for a command that reads or writes drawing files.
CommandRunner withFiles(bool (*run)(const Words&, DrawingFilePolicy&, std::string&))
{
    return [run](const Words& w, const std::string&, DrawingFilePolicy& f, std::string& e) {
        return run(w, f, e);
    };
}

const std::map<std::string, Command>& commands()
{
    static const std::map<std::string, Command> table = {
        {"setvar", {"setvar NAME VALUE", {},
                    [](const Words& w, const std::string& line, DrawingFilePolicy&,
                       std::string& e) { return runSetvar(w, line, e); }}},
        {"ucs", {"ucs world | ucs origin x,y,z | ucs x|y|z DEG", {"world", "origin", "x", "y", "z"},
                 wordsOnly(runUcs)}},
        {"point", {"point x,y[,z]", {}, wordsOnly(runPoint)}},
        {"line", {"line P1 P2", {}, wordsOnly(runLine)}},
        {"circle", {"circle CENTER RADIUS", {}, wordsOnly(runCircle)}},
        {"arc", {"arc P1 P2 P3", {}, wordsOnly(runArc)}},
        {"pline", {"pline x,y[,bulge] x,y[,bulge] ... [closed]", {"closed"}, wordsOnly(runPline)}},
        {"wall", {"wall P1 P2 P3", {}, wordsOnly(runWall)}},
        {"dimstyle", {"dimstyle NAME", {}, wordsOnly(runDimstyle)}},
        {"layerkey", {"layerkey KEY LAYER", {}, wordsOnly(runLayerkey)}},
        {"aperture", {"aperture R", {}, wordsOnly(runAperture)}},
        {"open", {"open FILE.dxf", {}, withFiles(runOpen)}},
        {"save", {"save [FILE.dxf]", {}, withFiles(runSave)}},
    };
    return table;
}

}  // namespace

std::vector<HostCommandInfo> hostCommands()
{
    std::vector<HostCommandInfo> infos;
    for (const auto& entry : commands())
        infos.push_back({entry.first, entry.second.usage, entry.second.keywords});
    return infos;
}

HostCommandResult runHostCommand(const std::string& line, DrawingFilePolicy& files,
                                 std::string& error)
{
    const Words words = splitWords(line);
    if (words.empty())
        return HostCommandResult::NotAHostCommand;
    const std::string name = lowerCase(words[0]);
    const auto found = commands().find(name);
    if (found == commands().end())
        return HostCommandResult::NotAHostCommand;
    std::string reason;
    if (found->second.run(words, line, files, reason))
        return HostCommandResult::Done;
    error = name + ": " + reason + " (expected: " + found->second.usage + ")";
    return HostCommandResult::Failed;
}

}  // namespace cadhost
