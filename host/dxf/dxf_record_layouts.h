// The subclasses of the records the host knows, with the group codes each holds and which of
// them the host models: one table that the reader (what a modelled entity's geometry is
// read from), the writer (where the groups the host keeps go) and the upgrade of R12 records
// to the R2000 structure (subclass markers) all go by.
#pragma once
#include "dxf/dxf_tags.h"
#include <cstdint>
#include <string_view>
#include <vector>

namespace cadhost {

/// One group code of a subclass, and whether the host models its value.
struct DxfGroupSpec {
    int code = 0;
    bool modelled = false;
};

/// A subclass of a kind of record: its marker and the group codes that belong to it.
struct DxfSubclassLayout {
    DxfSubclassLayout(std::string_view marker, std::vector<DxfGroupSpec> groups,
                      std::vector<DxfGroupSpec> vertexGroups)
        : marker(marker), groups(std::move(groups)), vertexGroups(std::move(vertexGroups))
    {
    }

    std::string_view marker;
    std::vector<DxfGroupSpec> groups;
    /// Groups repeated once per vertex (a lightweight polyline's), starting with group 10.
    std::vector<DxfGroupSpec> vertexGroups;

    /// Whether the subclass lists code among its groups (or, inside a vertex, among
    /// vertexGroups first); modelled tells whether the host models it there.
    bool holds(int code, bool inVertex, bool& modelled) const;
    /// Whether code is one of the groups repeated per vertex.
    bool isVertexCode(int code) const { return flagsOf(code) & kVertexGroup; }

    /// Builds the lookup of codes; called once the groups are complete.
    void index();

private:
    enum : std::uint8_t { kGroup = 1, kModelled = 2, kVertexGroup = 4, kVertexModelled = 8 };
    std::uint8_t flagsOf(int code) const
    {
        return code >= 0 && static_cast<std::size_t>(code) < m_flags.size()
                   ? m_flags[static_cast<std::size_t>(code)]
                   : 0;
    }
    std::vector<std::uint8_t> m_flags;
};

/// The subclasses of a kind of record, in the order they are written. A group of no listed
/// subclass goes to the main one.
struct DxfRecordLayout {
    DxfRecordLayout(std::string_view type, std::vector<DxfSubclassLayout> subclasses,
                    std::size_t mainSubclass)
        : type(type), subclasses(std::move(subclasses)), mainSubclass(mainSubclass)
    {
    }

    std::string_view type;
    std::vector<DxfSubclassLayout> subclasses;
    std::size_t mainSubclass = 0;

    /// The index of the subclass code belongs to.
    std::size_t subclassOf(int code) const;
    /// The index of the subclass with this marker, looked for from subclass from on; npos when
    /// the layout has none.
    std::size_t subclassNamed(std::string_view marker, std::size_t from) const;
    /// Builds the lookups of codes; called once the subclasses are complete.
    void index();

private:
    std::vector<std::uint8_t> m_subclassOf;
};

/// Where one group of a record of a known layout belongs.
struct DxfGroupPlace {
    static constexpr std::size_t kHead = static_cast<std::size_t>(-1);
    enum class Kind {
        OwnHandle,         ///< the record's handle
        ApplicationGroup,  ///< a group of a 102 application group ("{ACAD_REACTORS" ... "}")
        Owner,             ///< the owner pointer before the subclasses
        Marker,            ///< a subclass marker of the layout
        Group,             ///< a group of a subclass (or of a marker the layout does not know)
    };
    Kind kind = Kind::Group;
    /// The subclass of a Group; kHead before the first subclass.
    std::size_t subclass = kHead;
    /// The vertex (0, 1, ...) of a vertex's group; -1 otherwise.
    int vertex = -1;
    /// Whether the host models the group's value.
    bool modelled = false;
    /// Whether the group is a marker the layout does not know, or follows one in its subclass.
    bool foreign = false;
};

/// Follows the own groups of one record of a layout (after group 0, up to its extended
/// data), with or without subclass markers, and says where each belongs.
class DxfGroupWalker {
public:
    DxfGroupWalker(const DxfRecordLayout& layout, bool hasMarkers)
        : m_layout(layout), m_hasMarkers(hasMarkers)
    {
    }
    /// The place of the next group.
    DxfGroupPlace next(const DxfTag& tag);

private:
    const DxfRecordLayout& m_layout;
    bool m_hasMarkers;
    std::size_t m_subclass = DxfGroupPlace::kHead;
    int m_vertex = -1;
    bool m_inApplicationGroup = false;
    bool m_ownerSeen = false;
    bool m_inForeign = false;
};

/// The layout of the (sub)record tags[begin, end): by its type (group 0) and, for polylines,
/// vertices, block references and dimensions, by its flags; null for a kind the host does
/// not know.
const DxfRecordLayout* recordLayoutOf(const DxfTags& tags, std::size_t begin, std::size_t end);
/// The layout of an entity the host models, by its type ("LINE", "LWPOLYLINE", "DIMENSION"
/// for a three-point angular dimension, ...); null for others.
const DxfRecordLayout* modelledLayoutOf(std::string_view type);

/// Whether the (sub)record tags[begin, end) has subclass markers (100 groups).
bool hasSubclassMarkers(const DxfTags& tags, std::size_t begin, std::size_t end);
/// Appends to out the (sub)record tags[begin, end), written without subclass markers (R12),
/// with the markers of layout: its group 0, own handle, application groups (102) and owner
/// first, then each subclass with its groups in their order in the record, then its
/// extended data.
void appendWithSubclassMarkers(const DxfTags& tags, std::size_t begin, std::size_t end,
                               const DxfRecordLayout& layout, DxfTags& out);

}  // namespace cadhost
