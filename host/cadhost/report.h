// cadhost's JSON report of a session: the command line, message boxes, commands and the
// entities of model space.
#pragma once
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

class AcDbEntity;

namespace cadhost {

/// One module command the session ran.
struct CommandRun {
    std::string name;
    /// Whether the current resource handle after the command was the one before it.
    bool resourceHandleRestored = false;
};

/// The report of the session so far: the recorder's command line and message boxes, the
/// commands run, and model space (erased entities left out) in drawing order.
nlohmann::json buildReport(const std::vector<CommandRun>& commands);
/// One entity as the report lists it: handle, type, layer and its geometry in world coordinates.
nlohmann::json describeEntity(const AcDbEntity& entity);
/// Writes the report to path; false with the reason in error when it cannot be written.
bool writeReport(const std::string& path, const nlohmann::json& report, std::string& error);

}  // namespace cadhost
