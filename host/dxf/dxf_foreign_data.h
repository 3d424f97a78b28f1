// What a drawing file carries besides what the host models, kept with the drawing (in the
// database's foreign data slot) from reading to writing, so that a drawing read and written
// again loses nothing.
#pragma once
#include "dxf/dxf_document.h"
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace cadhost {

/// One entity of the file's ENTITIES section, in file order: an entity the host does not
/// model (carried as it is), or one it models (kept as the database entity with this handle,
/// plus the groups of it the host does not model).
struct DxfEntitySlot {
    /// The database handle of a modelled entity; 0 for an entity carried as it is.
    std::uint64_t modelHandle = 0;
    /// A carried entity: its whole record. A modelled one: its groups the host does not model
    /// (102 groups, colour, linetype, lineweight and the like, thickness, constant width), then its extended
    /// data (from the first 1001 group), without the host's own.
    DxfRecord record;
};

struct DxfForeignData {
    /// The file's version ($ACADVER).
    std::string version;
    /// The file's sections without its ENTITIES section (see entities) and without the blocks
    /// and block records of the dimensions the host models (it draws those afresh).
    DxfDocument document;
    /// The ENTITIES section, in file order.
    std::vector<DxfEntitySlot> entities;
    /// Handles of the file that no longer name anything written (the dimension blocks the
    /// host redraws); references to them are dropped.
    std::unordered_set<std::uint64_t> droppedHandles;
    /// File handles of modelled entities that got another handle in the database (the file's
    /// was taken), to the database handle; references to them follow.
    std::unordered_map<std::uint64_t, std::uint64_t> movedHandles;
};

/// The registered application whose extended data marks a wall's baseline.
constexpr const char* kWallApplication = "CADHOST_WALL";

}  // namespace cadhost
