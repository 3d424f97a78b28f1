#include "session/session.h"

#include "dbmain.h"
#include "editor/editor.h"
#include "session/recorder.h"

namespace cadhost {

namespace {

/// The working drawing when the process ends. Its objects are not ended one by one, a walk
/// over every object of a large drawing: the system takes the process's memory back whole.
/// Held here, it stays reachable, so leak checkers do not report it.
AcDbDatabase* volatile drawingAtExit = nullptr;

/// The session's process-wide parts, created on first use.
struct Session {
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    /// Runs only as the process ends.
    ~Session() { drawingAtExit = database.release(); }

    std::unique_ptr<Recorder> recorder;
    std::unique_ptr<Editor> editor;
    std::unique_ptr<AcDbDatabase> database;
};

Session& session()
{
    static Session theSession;
    return theSession;
}

}  // namespace

Recorder& recorder()
{
    Session& s = session();
    if (!s.recorder)
        s.recorder = std::make_unique<Recorder>();
    return *s.recorder;
}

Editor& editor()
{
    Session& s = session();
    if (!s.editor)
        s.editor = std::make_unique<Editor>();
    return *s.editor;
}

AcDbDatabase* workingDatabase()
{
    Session& s = session();
    if (!s.database)
        s.database = std::make_unique<AcDbDatabase>();
    return s.database.get();
}

void setWorkingDatabase(std::unique_ptr<AcDbDatabase> db)
{
    Session& s = session();
    // The new drawing becomes current before the old one goes, so nothing that the old
    // drawing's destruction does finds the working drawing missing.
    std::unique_ptr<AcDbDatabase> previous = std::move(s.database);
    s.database = std::move(db);
    previous.reset();
}

void resetSession()
{
    setWorkingDatabase(std::make_unique<AcDbDatabase>());
    Session& s = session();
    s.editor = std::make_unique<Editor>();
    recorder().clear();
}

}  // namespace cadhost
