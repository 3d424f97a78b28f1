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
#include <memory>
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

/// written, the text db is written as, read again: the broken invariant, empty when it reads
/// again with every entity.
std::string readsAgain(const std::string& written, const AcDbDatabase& db)
{
    try {
        const auto again = cadhost::readDxf(written, "written.dxf");
        if (entitiesOf(*again) != entitiesOf(db))
            return "the written drawing reads again with another number of entities";
    } catch (const cadhost::DxfError& error) {
        return std::string("the host cannot read the drawing it wrote: ") + error.what();
    }
    return std::string();
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
    return readsAgain(written, db);
}

/// What reading a drawing file's bytes gives.
struct Reading {
    /// The error, or the mends and the text the drawing is written as (or the writer's
    /// refusal), for comparing readings.
    std::string outcome;
    std::unique_ptr<AcDbDatabase> db;  ///< null when the bytes do not read
    std::string written;               ///< empty when the writer refuses the drawing
};

/// Reads bytes, an ENTITIES section of splitFrom bytes or more in two parts at once.
Reading readingOf(const std::string& bytes, std::size_t splitFrom)
{
    Reading reading;
    std::vector<cadhost::DxfMend> mends;
    try {
        reading.db = cadhost::readDxf(bytes, "fuzz.dxf", &mends, splitFrom);
    } catch (const cadhost::DxfError& error) {
        reading.outcome = std::string("error: ") + error.file() + ": " + error.what();
        return reading;
    }
    for (const cadhost::DxfMend& mend : mends)
        reading.outcome += cadhost::warningText(mend) + "\n";
    try {
        reading.written = cadhost::writeDxf(*reading.db);
        reading.outcome += reading.written;
    } catch (const cadhost::DxfError& error) {
        reading.outcome += std::string("refused: ") + error.what();
    }
    return reading;
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
    const Reading inOnePart = readingOf(bytes, std::string::npos);
    // Read in two parts at once wherever a part can begin, the drawing is the same.
    if (readingOf(bytes, 0).outcome != inOnePart.outcome)
        return "the drawing read in two parts at once differs from the drawing read in one";
    if (inOnePart.db == nullptr) {
        if (inOnePart.outcome.rfind("error: fuzz.dxf: ", 0) != 0)
            return "an error that names another file: " + inOnePart.outcome;
        return std::string();
    }
    if (inOnePart.written.empty())
        return std::string();  // an entity whose geometry a drawing file cannot hold
    return readsAgain(inOnePart.written, *inOnePart.db);
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
