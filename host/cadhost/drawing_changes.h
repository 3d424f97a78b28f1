// What a command changed in the drawing, read from the session's record: the line an
// interactive session shows after each command.
#pragma once
#include <cstddef>
#include <string>

namespace cadhost {

/// One line that says what the events recorded from index firstEvent on did to model space:
/// the entities added, erased and modified, counted by type, a dimension with its text
/// ("1 dimension added (text "15,708")"); empty when there is none.
/// Entities that came and went within those events (temporary points, a dragged dimension)
/// are not counted; an entity opened for write counts as modified.
std::string summarizeDrawingChanges(std::size_t firstEvent);

}  // namespace cadhost
