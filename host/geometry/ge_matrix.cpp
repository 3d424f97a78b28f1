// 4x4 affine matrices: products, inversion, coordinate systems and the arbitrary axis rule.
#include "acge.h"
#include <cmath>
#include <utility>

namespace {

/// The determinant of the upper-left 3x3 block.
double linearDeterminant(const AcGeMatrix3d& m)
{
    return m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1)) -
           m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0)) +
           m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
}

}  // namespace

const AcGeMatrix3d AcGeMatrix3d::kIdentity;

AcGeMatrix3d::AcGeMatrix3d()
{
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c)
            entry[r][c] = r == c ? 1.0 : 0.0;
}

bool AcGeMatrix3d::isSingular(const AcGeTol& tol) const
{
    return std::fabs(linearDeterminant(*this)) <= tol.equalVector();
}

AcGeMatrix3d& AcGeMatrix3d::invert()
{
    if (isSingular())
        return *this;
    // Gauss-Jordan elimination with partial pivoting on [M | I].
    double a[4][8];
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c) {
            a[r][c] = entry[r][c];
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    for (unsigned col = 0; col < 4; ++col) {
        unsigned pivot = col;
        for (unsigned r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        if (a[pivot][col] == 0.0)
            return *this;
        if (pivot != col)
            for (unsigned c = 0; c < 8; ++c)
                std::swap(a[pivot][c], a[col][c]);
        const double scale = a[col][col];
        for (unsigned c = 0; c < 8; ++c)
            a[col][c] /= scale;
        for (unsigned r = 0; r < 4; ++r) {
            if (r == col || a[r][col] == 0.0)
                continue;
            const double factor = a[r][col];
            for (unsigned c = 0; c < 8; ++c)
                a[r][c] -= factor * a[col][c];
        }
    }
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c)
            entry[r][c] = a[r][c + 4];
    return *this;
}

AcGeMatrix3d AcGeMatrix3d::inverse() const
{
    AcGeMatrix3d m = *this;
    return m.invert();
}

AcGeMatrix3d& AcGeMatrix3d::setCoordSystem(const AcGePoint3d& origin, const AcGeVector3d& xAxis,
                                           const AcGeVector3d& yAxis, const AcGeVector3d& zAxis)
{
    const AcGeVector3d* axes[3] = {&xAxis, &yAxis, &zAxis};
    for (unsigned c = 0; c < 3; ++c) {
        entry[0][c] = axes[c]->x;
        entry[1][c] = axes[c]->y;
        entry[2][c] = axes[c]->z;
        entry[3][c] = 0.0;
    }
    entry[0][3] = origin.x;
    entry[1][3] = origin.y;
    entry[2][3] = origin.z;
    entry[3][3] = 1.0;
    return *this;
}

void AcGeMatrix3d::getCoordSystem(AcGePoint3d& origin, AcGeVector3d& xAxis, AcGeVector3d& yAxis,
                                  AcGeVector3d& zAxis) const
{
    origin = AcGePoint3d(entry[0][3], entry[1][3], entry[2][3]);
    xAxis = AcGeVector3d(entry[0][0], entry[1][0], entry[2][0]);
    yAxis = AcGeVector3d(entry[0][1], entry[1][1], entry[2][1]);
    zAxis = AcGeVector3d(entry[0][2], entry[1][2], entry[2][2]);
}

AcGeMatrix3d AcGeMatrix3d::operator*(const AcGeMatrix3d& m) const
{
    AcGeMatrix3d product;
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (unsigned k = 0; k < 4; ++k)
                sum += entry[r][k] * m.entry[k][c];
            product.entry[r][c] = sum;
        }
    return product;
}

AcGeMatrix3d AcGeMatrix3d::planeToWorld(const AcGeVector3d& normal)
{
    AcGeMatrix3d m;
    // The world's own plane, where most entities lie: the rule below maps it to itself.
    if (normal.x == 0.0 && normal.y == 0.0 && normal.z == 1.0 && !std::signbit(normal.x) &&
        !std::signbit(normal.y))
        return m;
    const double length = normal.length();
    if (length == 0.0)
        return m;  // no plane: the world system
    const AcGeVector3d n = normal / length;
    // The drawing format's arbitrary axis rule: near the world Z axis the object x axis is
    // Wy x N, elsewhere Wz x N.
    constexpr double kNearZ = 1.0 / 64.0;
    AcGeVector3d ax = (std::fabs(n.x) < kNearZ && std::fabs(n.y) < kNearZ)
                          ? AcGeVector3d::kYAxis.crossProduct(n)
                          : AcGeVector3d::kZAxis.crossProduct(n);
    ax = ax / ax.length();
    AcGeVector3d ay = n.crossProduct(ax);
    ay = ay / ay.length();
    return m.setCoordSystem(AcGePoint3d::kOrigin, ax, ay, n);
}

AcGeMatrix3d AcGeMatrix3d::worldToPlane(const AcGeVector3d& normal)
{
    // planeToWorld is a rotation: its inverse is its transpose.
    const AcGeMatrix3d m = planeToWorld(normal);
    AcGeMatrix3d t;
    for (unsigned r = 0; r < 3; ++r)
        for (unsigned c = 0; c < 3; ++c)
            t.entry[r][c] = m.entry[c][r];
    return t;
}

AcGeMatrix3d AcGeMatrix3d::translation(const AcGeVector3d& v)
{
    AcGeMatrix3d m;
    m.entry[0][3] = v.x;
    m.entry[1][3] = v.y;
    m.entry[2][3] = v.z;
    return m;
}

AcGeMatrix3d AcGeMatrix3d::rotation(double angle, const AcGeVector3d& axis,
                                    const AcGePoint3d& center)
{
    const double length = axis.length();
    if (length == 0.0)
        return AcGeMatrix3d();
    const AcGeVector3d u = axis / length;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1.0 - c;
    AcGeMatrix3d r;
    r.entry[0][0] = t * u.x * u.x + c;
    r.entry[0][1] = t * u.x * u.y - s * u.z;
    r.entry[0][2] = t * u.x * u.z + s * u.y;
    r.entry[1][0] = t * u.x * u.y + s * u.z;
    r.entry[1][1] = t * u.y * u.y + c;
    r.entry[1][2] = t * u.y * u.z - s * u.x;
    r.entry[2][0] = t * u.x * u.z - s * u.y;
    r.entry[2][1] = t * u.y * u.z + s * u.x;
    r.entry[2][2] = t * u.z * u.z + c;
    const AcGeVector3d toCenter = center.asVector();
    return translation(toCenter) * r * translation(-toCenter);
}
