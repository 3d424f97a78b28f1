// The groups of a modelled entity that the host keeps without modelling them (colour,
// linetype, thickness, a polyline's widths, application groups, extended data, groups of
// later versions), taken from the record read and put back where they were when the host
// writes the entity anew.
#pragma once
#include "dxf/dxf_document.h"
#include "dxf/dxf_record_layouts.h"
#include <set>
#include <utility>
#include <vector>

namespace cadhost {

/// A kept group and its place: its subclass and vertex (see DxfGroupPlace), and the code of
/// the modelled group it followed there (0: none; -1: it goes at the end of its subclass).
struct DxfKeptGroup {
    DxfTag tag;
    std::size_t subclass = DxfGroupPlace::kHead;
    int vertex = -1;
    int after = 0;
};

struct DxfKeptGroups {
    /// Application groups (subclass kHead) and subclass groups, in the order read.
    std::vector<DxfKeptGroup> groups;
    /// The extended data, without that of the host's own application (a wall's).
    DxfTags extendedData;
    /// The modelled groups the record had, as (code, vertex): the writer writes a group of a
    /// default value (a zero bulge, an elevation of 0) where the record had one.
    std::set<std::pair<int, int>> modelledPresent;

    bool had(int code, int vertex = -1) const { return modelledPresent.count({code, vertex}) != 0; }
};

/// What the host keeps of record, a modelled entity of layout as read.
DxfKeptGroups keptGroupsOf(const DxfRecord& record, const DxfRecordLayout& layout);

/// The record of a modelled entity: modelled, the groups the host writes (group 0, handle,
/// owner, then each subclass of layout: its marker and modelled groups, a polyline's
/// vertices from group 10 on), with kept merged in where each was: application groups after
/// the handle, a subclass's groups after the modelled group they followed, a vertex's with
/// its vertex (dropped when the entity has that vertex no more), extended data last.
DxfRecord withKeptGroups(const DxfTags& modelled, const DxfKeptGroups& kept,
                         const DxfRecordLayout& layout);

}  // namespace cadhost
