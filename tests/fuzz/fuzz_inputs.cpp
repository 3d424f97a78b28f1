#include "fuzz_inputs.h"

#include "cadhost/host_commands.h"
#include "cadhost/script_input.h"
#include "database/database_impl.h"
#include "dxf/dxf_document.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_reader.h"
#include "dxf/dxf_writer.h"
#include "session/recorder.h"
#include "session/session.h"
#include <cctype>
#include <sstream>

namespace fuzzing {

namespace {

/// The number of entities in a drawing file's ENTITIES section.
std::size_t entitiesIn(const std::string& written)
{
    return cadhost::parseDxfDocument(cadhost::readDxfTags(written, "written.dxf"), "written.dxf")
        .entities.size();
}

/// db written, read again and written again: the broken invariant, empty when the drawing
/// written reads again and keeps its entities.
std::string writtenReadsAgain(const AcDbDatabase& db)
{
    const std::string written = cadhost::writeDxf(db);
    try {
        const std::string again = cadhost::writeDxf(*cadhost::readDxf(written, "written.dxf"));
        if (entitiesIn(again) != entitiesIn(written))
            return "the written drawing, read and written again, has another number of entities";
    } catch (const cadhost::DxfError& error) {
        return std::string("the host cannot read the drawing it wrote: ") + error.what();
    }
    return std::string();
}

/// A script line's first word in lower case.
std::string commandOf(const std::string& line)
{
    std::istringstream words(line);
    std::string word;
    words >> word;
    for (char& c : word)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word;
}

}  // namespace

std::string oneDrawing(const std::uint8_t* data, std::size_t size)
{
    // The session's record would grow from input to input.
    cadhost::recorder().clear();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<AcDbDatabase> db;
    try {
        db = cadhost::readDxf(bytes, "fuzz.dxf");
    } catch (const cadhost::DxfError& error) {
        if (error.file() != "fuzz.dxf")
            return std::string("an error that names another file: ") + error.what();
        return std::string();
    }
    return writtenReadsAgain(*db);
}

std::string oneScript(const std::uint8_t* data, std::size_t size)
{
    cadhost::resetSession();
    std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
    cadhost::ScriptInput input(lines, "fuzz.script");
    cadhost::DrawingFilePolicy files;
    cadhost::UserAction action;
    while (input.next(action)) {
        if (action.kind != cadhost::UserAction::Kind::Other)
            continue;  // with no command running, a point, Enter or Escape does nothing
        const std::string command = commandOf(action.text);
        if (command == "open" || command == "save")
            continue;
        std::string error;
        cadhost::runHostCommand(action.text, files, error);
    }
    return writtenReadsAgain(*cadhost::workingDatabase());
}

}  // namespace fuzzing
