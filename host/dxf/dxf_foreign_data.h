// What a drawing file carries besides what the host models, kept with the drawing (in the
// database's foreign data slot) from reading to writing, so that a drawing read and written
// again loses nothing.
#pragma once
#include "dxf/dxf_document.h"
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <unordered_map>
#include <vector>

namespace cadhost {

struct DxfForeignData {
    DxfForeignData() = default;
    /// Foreign data whose model handles are kept in memory.
    explicit DxfForeignData(std::shared_ptr<std::pmr::memory_resource> memory)
        : modelHandleMemory(std::move(memory)), modelHandles(modelHandleMemory.get())
    {
    }

    /// The file's version ($ACADVER).
    std::string version;
    /// The file's sections; its ENTITIES section in file order, each entity the host does not
    /// model, or one it models as read. A modelled entity the session did not change is
    /// written as read; one it changed is written anew with the groups of its record that
    /// the host does not model.
    DxfDocument document;
    /// Where modelHandles is kept (the arena of a drawing read), as long as it is.
    std::shared_ptr<std::pmr::memory_resource> modelHandleMemory;
    /// For each entity of document.entities, the database handle of a modelled entity; 0 for
    /// an entity carried as it is.
    std::pmr::vector<std::uint64_t> modelHandles;
    /// File handles of modelled entities that got another handle in the database (the file's
    /// was taken), to the database handle; references to them follow.
    std::unordered_map<std::uint64_t, std::uint64_t> movedHandles;
};

/// The registered application whose extended data marks a wall's baseline.
constexpr const char* kWallApplication = "CADHOST_WALL";

}  // namespace cadhost
