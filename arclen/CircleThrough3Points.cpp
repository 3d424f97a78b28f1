#include "arclen/CircleThrough3Points.h"

#include <cmath>
#include <utility>

namespace {

constexpr int kEquations = 4;
constexpr int kUnknowns = 3;

/// An overdetermined linear system A x = b for the centre x.
struct CentreSystem {
    double a[kEquations][kUnknowns];
    double b[kEquations];
};

double squaredLength(const AcGePoint3d& p) { return p.x * p.x + p.y * p.y + p.z * p.z; }

/// Sets row r to 2 * (to - from) with the right-hand side |to|^2 - |from|^2: the points of equal
/// distance to `from` and `to`.
void setBisectorRow(CentreSystem& system, int r, const AcGePoint3d& from, const AcGePoint3d& to)
{
    system.a[r][0] = 2.0 * (to.x - from.x);
    system.a[r][1] = 2.0 * (to.y - from.y);
    system.a[r][2] = 2.0 * (to.z - from.z);
    system.b[r] = squaredLength(to) - squaredLength(from);
}

/// Subtracts f times row k from row r.
void subtractRow(CentreSystem& system, int r, int k, double f)
{
    for (int c = 0; c < kUnknowns; ++c)
        system.a[r][c] -= f * system.a[k][c];
    system.b[r] -= f * system.b[k];
}

/// Gauss-Jordan elimination with partial pivoting over the first three columns; the solution
/// is left in b[0..2]. False when a pivot column is exactly zero.
bool solve(CentreSystem& system)
{
    for (int k = 0; k < kUnknowns; ++k) {
        int pivot = k;
        double largest = 0.0;
        for (int r = k; r < kEquations; ++r)
            if (std::fabs(system.a[r][k]) > largest) {
                largest = std::fabs(system.a[r][k]);
                pivot = r;
            }
        if (largest == 0.0)
            return false;
        if (pivot != k) {
            for (int c = 0; c < kUnknowns; ++c)
                std::swap(system.a[k][c], system.a[pivot][c]);
            std::swap(system.b[k], system.b[pivot]);
        }
        const double divisor = system.a[k][k];
        for (int c = 0; c < kUnknowns; ++c)
            system.a[k][c] /= divisor;
        system.b[k] /= divisor;
        for (int r = k + 1; r < kEquations; ++r)
            subtractRow(system, r, k, system.a[r][k]);
    }
    for (int k = kUnknowns - 1; k >= 0; --k)
        for (int r = k - 1; r >= 0; --r)
            subtractRow(system, r, k, system.a[r][k]);
    return true;
}

}  // namespace

bool circleThrough3Points(const AcGePoint3d& p1, const AcGePoint3d& p2, const AcGePoint3d& p3,
                          double& radius, AcGePoint3d& center)
{
    const AcGeVector3d firstToSecond = p2 - p1;
    const AcGeVector3d firstToThird = p3 - p1;
    if (firstToSecond.length() == 0.0 || firstToThird.length() == 0.0)
        return false;

    CentreSystem system{};
    setBisectorRow(system, 0, p1, p2);
    setBisectorRow(system, 1, p1, p3);
    setBisectorRow(system, 2, p2, p3);
    // The plane of the three points.
    const AcGeVector3d normal = firstToSecond.crossProduct(firstToThird);
    system.a[3][0] = normal.x;
    system.a[3][1] = normal.y;
    system.a[3][2] = normal.z;
    system.b[3] = normal.x * p1.x + normal.y * p1.y + normal.z * p1.z;

    if (!solve(system))
        return false;
    center = AcGePoint3d(system.b[0], system.b[1], system.b[2]);
    radius = (p1 - center).length();
    return true;
}
