// The host's process-wide state: the working drawing, the editor and the record of events.
#pragma once
#include <memory>

class AcDbDatabase;

namespace cadhost {

class Recorder;
class Editor;

/// The record of the current session.
Recorder& recorder();
/// The editor: input queue, command line, current UCS, pick aperture.
Editor& editor();
/// The drawing the commands work on (never null: an empty drawing until one is opened).
AcDbDatabase* workingDatabase();
/// Makes db the working drawing; the previous one is destroyed.
void setWorkingDatabase(std::unique_ptr<AcDbDatabase> db);
/// Starts afresh: a new empty drawing, a new editor with no input and world UCS, an empty record.
void resetSession();

}  // namespace cadhost
