// The spatial index of a drawing's model space: entity bounding boxes in a bounding volume
// tree, rebuilt when enough entities changed, so that a pick looks at a handful of entities.
#pragma once
#include "acge.h"
#include "database/huge_pages.h"
#include <cstddef>
#include <functional>
#include <vector>

class AcDbEntity;

namespace cadhost {

/// An axis-aligned box in world coordinates; empty until something is added.
struct Box3 {
    AcGePoint3d min{1.0, 1.0, 1.0};
    AcGePoint3d max{-1.0, -1.0, -1.0};

    bool isEmpty() const { return min.x > max.x; }
    /// Grows the box to hold point.
    void add(const AcGePoint3d& point);
    void add(const Box3& other);
    /// The distance from point to the box; 0 inside it.
    double distanceTo(const AcGePoint3d& point) const;
};

/// A box that holds all of the entity's geometry (empty for an entity without geometry).
Box3 boundingBox(const AcDbEntity& entity);

class SpatialIndex {
public:
    /// The entity of a handle, or null when it is gone; its drawing order.
    struct Entry {
        const AcDbEntity* entity = nullptr;
        std::size_t drawOrder = 0;
    };
    using Lookup = std::function<Entry(unsigned long long handle)>;
    /// The distance from the pick point to an entity's geometry.
    using Distance = std::function<double(const AcDbEntity& entity)>;

    /// Notes that the entity with this handle was added or may have changed. Opening for
    /// write and appending do this; host code that changes an entity without opening it must
    /// call it itself.
    void markChanged(unsigned long long handle);
    /// The handle of the entity (not erased) nearest to point within aperture, the one drawn
    /// last on equal distances; 0 when none is that near.
    unsigned long long nearest(const Lookup& lookup, const AcGePoint3d& point, double aperture,
                               const Distance& distance);
    /// How many entities the tree holds (the rest are waiting in the changed set).
    std::size_t treeSize() const { return m_items.size(); }

private:
    struct Item {
        Box3 box;
        unsigned long long handle;
    };
    /// A node of the binary tree: a leaf holds items [first, first + count); an inner node
    /// has the two children first and first + 1.
    struct Node {
        Box3 box;
        std::size_t first = 0;
        std::size_t count = 0;
        bool leaf = true;
    };
    void rebuild(const Lookup& lookup);
    /// Builds the subtree of items [first, last) into node.
    void build(std::size_t node, std::size_t first, std::size_t last);

    std::vector<Item> m_items;
    std::vector<Node> m_nodes;  ///< the root is node 0
    /// Handles added or changed since the last build, in the order noted (a handle may repeat).
    HugePageVector<unsigned long long> m_changed;
    std::size_t m_distinctChanged = 0;  ///< size of m_changed when it was last made distinct
    bool m_changedRising = true;        ///< whether m_changed rises from first to last
};

}  // namespace cadhost
