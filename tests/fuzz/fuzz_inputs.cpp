#include "fuzz_inputs.h"

#include "cadhost/host_commands.h"
#include "cadhost/script_input.h"
#include "database/database_impl.h"
#include "dxf/dxf_foreign_data.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_reader.h"
#include "dxf/dxf_writer.h"
#include "session/recorder.h"
#include "session/session.h"
#include <cctype>
#include <sstream>

namespace fuzzing {

namespace {

/// The entities db is written with: those of the file it was read from (a drawing the
/// session did not change), or its model space.
std::size_t entitiesOf(const AcDbDatabase& db)
{
    if (const auto file = std::static_pointer_cast<const cadhost::DxfForeignData>(db.impl().foreignData))
        return file->document.entities.size();
    std::size_t count = 0;
    for (const AcDbObjectId& id : db.impl().modelSpaceIds())
        count += db.impl().objectAt(id)->isErased() ? 0 : 1;
    return count;
}

/// db written and read again: the broken invariant, empty when the drawing written reads
/// again with every entity, or the writer refuses it naming what it cannot write.
std::string writtenReadsAgain(const AcDbDatabase& db)
{
    std::string written;
    try {
        written = cadhost::writeDxf(db);
    } catch (const cadhost::DxfError&) {
        return std::string();  // an entity whose geometry a drawing file cannot hold
    }
    try {
        const auto again = cadhost::readDxf(written, "written.dxf");
        if (entitiesOf(*again) != entitiesOf(db))
            return "the written drawing reads again with another number of entities";
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
