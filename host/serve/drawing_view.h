// The drawing as the page shows it, from above: each entity of model space as the shapes that
// draw it in the world XY plane, with its handle, type and layer, kept up to date from the
// session's record of database changes.
#pragma once
#include "dxf/dxf_writer.h"
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <unordered_map>

class AcDbEntity;

namespace cadhost {

/// The block style settings of dimension styles, read once and kept until forgotten.
class DimensionStyleCache {
public:
    /// The settings the writer draws a dimension of the named style with, in db.
    const DimensionBlockStyle& of(const AcDbDatabase& db, const std::u16string& styleName);
    void forget() { m_styles.clear(); }

private:
    std::map<std::u16string, DimensionBlockStyle> m_styles;
};

/// The view of one entity (open for read, or not in a drawing): "handle", "type" and "layer"
/// as the report names them, for a dimension "text" as it is shown, and its shapes in world XY:
/// "lines" [x1,y1,x2,y2], "arcs" [cx,cy,r,a0,a1] counterclockwise from angle a0 to a1 (radians;
/// a full circle when a1 - a0 is 2*pi), "polylines" [x,y,x,y,...], "fills" (filled polygons)
/// [x,y,x,y,...], "texts" [x,y,height,angle,text] (the middle of the text) and "points" [x,y].
/// A curve whose plane is not seen edge-on or face-on from above is drawn as a polyline.
nlohmann::json entityView(const AcDbEntity& entity, DimensionStyleCache& styles);

class DrawingView {
public:
    /// Brings the view up to date with the working drawing: every entity after a drawing was
    /// opened, else those that the session's events since the last update touched. Entities
    /// are opened for read on the way; that opening is no change. Call on the command thread,
    /// between commands or while one waits for input.
    void update();
    /// Forgets the dimension style settings read (a command may have added styles).
    void forgetStyles() { m_styles.forget(); }
    /// The view of an entity that is not in the drawing (a drag's), with the drawing's styles;
    /// without a handle, which it has none of.
    nlohmann::json viewOf(const AcDbEntity& entity);

    /// Counts up with each drawing opened.
    std::uint64_t generation() const { return m_generation; }
    /// Counts up with each update that changed the view.
    std::uint64_t revision() const { return m_revision; }
    /// {"generation", "revision", "entities": views in drawing order, "removed": handles}:
    /// what changed after revision of generation, or everything (nothing removed) for another
    /// generation.
    nlohmann::json changesSince(std::uint64_t generation, std::uint64_t revision) const;

private:
    struct Entry {
        std::uint64_t revision = 0;
        std::size_t order = 0;  ///< position in model space
        nlohmann::json view;    ///< null once the entity is gone
        std::string handle;     ///< of an entity gone
    };

    void rebuild();
    /// Describes the entity with this handle afresh; false when it cannot be opened now.
    bool refresh(std::uint64_t handle);

    const AcDbDatabase* m_database = nullptr;
    std::size_t m_nextEvent = 0;
    std::uint64_t m_generation = 0;
    std::uint64_t m_revision = 0;
    std::unordered_map<std::uint64_t, Entry> m_entries;
    std::set<std::uint64_t> m_unreadable;  ///< touched but open for write elsewhere: tried again
    DimensionStyleCache m_styles;
};

}  // namespace cadhost
