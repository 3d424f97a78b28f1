// The entities the host models, made from the groups of their records: points, lines, arcs,
// circles, lightweight polylines, walls (a line or arc with the host's extended data) and
// three-point angular dimensions, in world coordinates.
#pragma once
#include "database/object_arena.h"
#include "dbmain.h"
#include "dxf/dxf_record_layouts.h"
#include <memory>
#include <string>
#include <vector>

namespace cadhost {

/// The largest coordinate, radius or distance a modelled entity may have.
constexpr double kDxfCoordinateLimit = 1e12;

/// Why an entity of a modelled kind cannot be modelled: the line and the reason.
struct DxfNotModelled {
    std::uint32_t line = 0;
    std::string reason;
};

/// An entity the reader made, in its arena when it has one.
using DxfReadEntity = std::unique_ptr<AcDbEntity, ObjectDeleter>;

/// Makes the host's entities of records, reusing its lists from record to record.
class DxfEntityReader {
public:
    /// A reader that makes its entities in arena (on the heap when it is null).
    explicit DxfEntityReader(ObjectArena* arena = nullptr) : m_arena(arena) {}

    /// What a dimension needs of the drawing: its style by name (made when missing) and the
    /// texts of the file.
    struct DimensionContext {
        AcDbDatabase::Impl* impl = nullptr;
        std::string codePage;
    };

    /// Whether the host models records of this type (the kind, not yet the record).
    static const DxfRecordLayout* layoutOf(std::string_view type) { return modelledLayoutOf(type); }

    /// The entity of a record of layout's kind, tags its groups up to the next record (numbers,
    /// when not null, the values of those whose codes hold reals, index for index) and line
    /// the line it starts at, and in layer the value of its layer group ("0" without one);
    /// null for one the host carries as it is (a dimension of another kind). A dimension is
    /// made only with a context. Throws DxfNotModelled for a record the host cannot model.
    DxfReadEntity read(const DxfTags& tags, const double* numbers, std::uint32_t line,
                       const DxfRecordLayout& layout, const DimensionContext* dimensions,
                       std::string_view& layer);

private:
    ObjectArena* m_arena;
    std::vector<const DxfTag*> m_groups;
    std::vector<const DxfTag*> m_vertexGroups;
    std::vector<const DxfTag*> m_extendedData;
};

}  // namespace cadhost
