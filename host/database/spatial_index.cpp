// The spatial index: a bounding volume tree over entity boxes, built by median splits, with
// the entities changed since the last build checked one by one until the next build.
#include "database/spatial_index.h"
#include "database/aec_wall.h"
#include "database/object_state.h"
#include "dbdim.h"
#include "dbents.h"
#include <algorithm>
#include <cmath>
#include <limits>

namespace cadhost {

namespace {

/// Leaves hold at most this many entities.
constexpr std::size_t kLeafSize = 8;
/// The tree is rebuilt at the next pick once more entities than this changed.
constexpr std::size_t kMaxChanged = 256;

/// Grows box by the whole circle of this centre, normal and radius: along world axis i a
/// circle reaches r * sqrt(1 - n_i^2) from its centre.
void addCircle(Box3& box, const AcGePoint3d& center, const AcGeVector3d& normal, double radius)
{
    const AcGeVector3d n = normal.normal();
    const AcGeVector3d reach(radius * std::sqrt(std::max(0.0, 1.0 - n.x * n.x)),
                             radius * std::sqrt(std::max(0.0, 1.0 - n.y * n.y)),
                             radius * std::sqrt(std::max(0.0, 1.0 - n.z * n.z)));
    box.add(center - reach);
    box.add(center + reach);
}

void addPolyline(Box3& box, const AcDbPolyline& pline)
{
    for (unsigned int i = 0; i < pline.numVerts(); ++i) {
        AcGePoint3d vertex;
        pline.getPointAt(i, vertex);
        box.add(vertex);
        AcGeCircArc3d arc;
        if (pline.segType(i) == AcDbPolyline::kArc && pline.getArcSegAt(i, arc) == Acad::eOk)
            addCircle(box, arc.center(), arc.normal(), arc.radius());
    }
}

double centerOf(const Box3& box, int axis)
{
    switch (axis) {
    case 0:
        return box.min.x + box.max.x;
    case 1:
        return box.min.y + box.max.y;
    default:
        return box.min.z + box.max.z;
    }
}

}  // namespace

void Box3::add(const AcGePoint3d& point)
{
    if (isEmpty()) {
        min = max = point;
        return;
    }
    min = AcGePoint3d(std::min(min.x, point.x), std::min(min.y, point.y), std::min(min.z, point.z));
    max = AcGePoint3d(std::max(max.x, point.x), std::max(max.y, point.y), std::max(max.z, point.z));
}

void Box3::add(const Box3& other)
{
    if (!other.isEmpty()) {
        add(other.min);
        add(other.max);
    }
}

double Box3::distanceTo(const AcGePoint3d& point) const
{
    if (isEmpty())
        return std::numeric_limits<double>::infinity();
    const double dx = std::max({min.x - point.x, 0.0, point.x - max.x});
    const double dy = std::max({min.y - point.y, 0.0, point.y - max.y});
    const double dz = std::max({min.z - point.z, 0.0, point.z - max.z});
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

Box3 boundingBox(const AcDbEntity& entity)
{
    const InternalReadScope reading(entity);
    Box3 box;
    if (const auto* point = AcDbPoint::cast(&entity)) {
        box.add(point->position());
    } else if (const auto* line = AcDbLine::cast(&entity)) {
        box.add(line->startPoint());
        box.add(line->endPoint());
    } else if (const auto* arc = AcDbArc::cast(&entity)) {
        addCircle(box, arc->center(), arc->normal(), arc->radius());
    } else if (const auto* circle = AcDbCircle::cast(&entity)) {
        addCircle(box, circle->center(), circle->normal(), circle->radius());
    } else if (const auto* pline = AcDbPolyline::cast(&entity)) {
        addPolyline(box, *pline);
    } else if (const auto* dim = AcDb3PointAngularDimension::cast(&entity)) {
        box.add(dim->centerPoint());
        box.add(dim->xLine1Point());
        box.add(dim->xLine2Point());
        box.add(dim->arcPoint());
    } else if (const auto* wall = AecDbWall::cast(&entity)) {
        box.add(wall->startPoint());
        box.add(wall->endPoint());
        if (!wall->isStraight()) {
            const AcGeCircArc3d arc = wall->baselineArc();
            addCircle(box, arc.center(), arc.normal(), arc.radius());
        }
    }
    return box;
}

void SpatialIndex::markChanged(unsigned long long handle)
{
    if (!m_changed.empty() && m_changed.back() == handle)
        return;
    m_changedRising = m_changedRising && (m_changed.empty() || m_changed.back() < handle);
    m_changed.push_back(handle);
    // Entities changed again and again without a pick in between are kept once; handles noted
    // in rising order (the entities of a drawing read) are distinct already.
    if (m_changed.size() > 2 * m_distinctChanged + kMaxChanged) {
        if (!m_changedRising) {
            std::sort(m_changed.begin(), m_changed.end());
            m_changed.erase(std::unique(m_changed.begin(), m_changed.end()), m_changed.end());
            m_changedRising = true;
        }
        m_distinctChanged = m_changed.size();
    }
}

void SpatialIndex::rebuild(const Lookup& lookup)
{
    std::vector<unsigned long long> handles;
    handles.reserve(m_items.size() + m_changed.size());
    for (const Item& item : m_items)
        handles.push_back(item.handle);
    handles.insert(handles.end(), m_changed.begin(), m_changed.end());
    m_changed.clear();
    m_distinctChanged = 0;
    m_changedRising = true;
    std::sort(handles.begin(), handles.end());
    handles.erase(std::unique(handles.begin(), handles.end()), handles.end());
    m_items.clear();
    for (unsigned long long handle : handles) {
        const Entry entry = lookup(handle);
        if (entry.entity == nullptr)
            continue;  // gone from the drawing
        Box3 box = boundingBox(*entry.entity);
        if (!box.isEmpty())
            m_items.push_back(Item{box, handle});
    }
    m_nodes.clear();
    if (m_items.empty())
        return;
    m_nodes.reserve(2 * (m_items.size() / kLeafSize + 1));
    m_nodes.emplace_back();
    build(0, 0, m_items.size());
}

void SpatialIndex::build(std::size_t node, std::size_t first, std::size_t last)
{
    if (last - first <= kLeafSize) {
        Box3 box;
        for (std::size_t i = first; i < last; ++i)
            box.add(m_items[i].box);
        m_nodes[node].box = box;
        m_nodes[node].leaf = true;
        m_nodes[node].first = first;
        m_nodes[node].count = last - first;
        return;
    }
    // Split at the median of the box centres along the axis where the centres spread most.
    double low[3] = {centerOf(m_items[first].box, 0), centerOf(m_items[first].box, 1),
                     centerOf(m_items[first].box, 2)};
    double high[3] = {low[0], low[1], low[2]};
    for (std::size_t i = first + 1; i < last; ++i)
        for (int axis = 0; axis < 3; ++axis) {
            const double c = centerOf(m_items[i].box, axis);
            low[axis] = std::min(low[axis], c);
            high[axis] = std::max(high[axis], c);
        }
    const double spread[3] = {high[0] - low[0], high[1] - low[1], high[2] - low[2]};
    const int axis = static_cast<int>(std::max_element(spread, spread + 3) - spread);
    const std::size_t middle = first + (last - first) / 2;
    std::nth_element(m_items.begin() + first, m_items.begin() + middle, m_items.begin() + last,
                     [axis](const Item& a, const Item& b) {
                         return centerOf(a.box, axis) < centerOf(b.box, axis);
                     });
    const std::size_t children = m_nodes.size();
    m_nodes.emplace_back();
    m_nodes.emplace_back();
    build(children, first, middle);
    build(children + 1, middle, last);
    Box3 box = m_nodes[children].box;
    box.add(m_nodes[children + 1].box);
    m_nodes[node].box = box;
    m_nodes[node].leaf = false;
    m_nodes[node].first = children;
    m_nodes[node].count = 2;
}

unsigned long long SpatialIndex::nearest(const Lookup& lookup, const AcGePoint3d& point,
                                         double aperture, const Distance& distance)
{
    if (!(aperture >= 0.0))
        return 0;
    if (m_changed.size() > kMaxChanged)
        rebuild(lookup);
    unsigned long long best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    std::size_t bestOrder = 0;
    auto consider = [&](unsigned long long handle) {
        const Entry entry = lookup(handle);
        if (entry.entity == nullptr || entry.entity->isErased())
            return;
        const double d = distance(*entry.entity);
        if (!(d <= aperture))
            return;
        if (best == 0 || d < bestDistance || (d == bestDistance && entry.drawOrder > bestOrder)) {
            best = handle;
            bestDistance = d;
            bestOrder = entry.drawOrder;
        }
    };
    for (unsigned long long handle : m_changed)
        consider(handle);
    if (m_nodes.empty())
        return best;
    std::vector<std::size_t> stack{0};
    while (!stack.empty()) {
        const Node& node = m_nodes[stack.back()];
        stack.pop_back();
        // Equal distances are kept: the entity drawn last wins a tie.
        if (node.box.distanceTo(point) > std::min(aperture, bestDistance))
            continue;
        if (node.leaf) {
            for (std::size_t i = node.first; i < node.first + node.count; ++i)
                if (m_items[i].box.distanceTo(point) <= std::min(aperture, bestDistance))
                    consider(m_items[i].handle);
        } else {
            stack.push_back(node.first);
            stack.push_back(node.first + 1);
        }
    }
    return best;
}

}  // namespace cadhost
