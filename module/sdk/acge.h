// The host's geometry library: tolerances, points, vectors, matrices, and the circular arc and
// line segment entities the module uses. Implemented by the host.
#pragma once
#include "adesk.h"

/// Tolerances for geometric comparisons: points within equalPoint are equal, vectors within
/// equalVector are equal or parallel.
class AcGeTol {
public:
    /// Default tolerances: equalPoint 1e-10, equalVector 1e-12.
    AcGeTol();
    double equalPoint() const { return m_equalPoint; }
    double equalVector() const { return m_equalVector; }
    void setEqualPoint(double value) { m_equalPoint = value; }
    void setEqualVector(double value) { m_equalVector = value; }

private:
    double m_equalPoint;
    double m_equalVector;
};

/// The geometry library's global context.
struct AcGeContext {
    /// The global tolerance that every geometry call uses when none is given.
    static AcGeTol gTol;
};

class AcGeMatrix3d;

class AcGePoint2d {
public:
    AcGePoint2d() : x(0.0), y(0.0) {}
    AcGePoint2d(double xx, double yy) : x(xx), y(yy) {}
    /// Whether the distance to p is at most tol.equalPoint().
    bool isEqualTo(const AcGePoint2d& p, const AcGeTol& tol = AcGeContext::gTol) const;
    double distanceTo(const AcGePoint2d& p) const;
    static const AcGePoint2d kOrigin;
    double x, y;
};

class AcGeVector3d {
public:
    AcGeVector3d() : x(0.0), y(0.0), z(0.0) {}
    AcGeVector3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

    static const AcGeVector3d kIdentity;
    static const AcGeVector3d kXAxis;
    static const AcGeVector3d kYAxis;
    static const AcGeVector3d kZAxis;

    /// Euclidean length sqrt(x*x + y*y + z*z).
    double length() const;
    /// x*x + y*y + z*z.
    double lengthSqrd() const;
    /// Whether the length is at most tol.equalVector().
    bool isZeroLength(const AcGeTol& tol = AcGeContext::gTol) const;
    /// Whether the unit vectors of this and v differ, or sum, to less than tol.equalVector()
    /// (so anti-parallel counts); false when either is of zero length.
    bool isParallelTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const;
    /// Whether the difference of this and v is at most tol.equalVector() long.
    bool isEqualTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const;
    /// The right-handed cross product this x v.
    AcGeVector3d crossProduct(const AcGeVector3d& v) const;
    double dotProduct(const AcGeVector3d& v) const;
    /// Scales this vector in place to unit length; a zero-length vector stays as it is.
    AcGeVector3d& normalize(const AcGeTol& tol = AcGeContext::gTol);
    /// A unit copy; a zero-length vector gives itself.
    AcGeVector3d normal(const AcGeTol& tol = AcGeContext::gTol) const;
    /// The component of this vector perpendicular to planeNormal.
    AcGeVector3d orthoProject(const AcGeVector3d& planeNormal) const;
    /// A vector perpendicular to this one (the host's arbitrary choice).
    AcGeVector3d perpVector() const;
    /// Applies the linear part of m in place.
    AcGeVector3d& transformBy(const AcGeMatrix3d& m);

    AcGeVector3d operator+(const AcGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
    AcGeVector3d operator-(const AcGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
    AcGeVector3d operator-() const { return {-x, -y, -z}; }
    AcGeVector3d operator*(double s) const { return {x * s, y * s, z * s}; }
    AcGeVector3d operator/(double s) const { return {x / s, y / s, z / s}; }
    AcGeVector3d& operator+=(const AcGeVector3d& v) { x += v.x; y += v.y; z += v.z; return *this; }
    AcGeVector3d& operator-=(const AcGeVector3d& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    AcGeVector3d& operator*=(double s) { x *= s; y *= s; z *= s; return *this; }
    bool operator==(const AcGeVector3d& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const AcGeVector3d& v) const { return !(*this == v); }

    double x, y, z;
};

inline AcGeVector3d operator*(double s, const AcGeVector3d& v) { return v * s; }

class AcGePoint3d {
public:
    AcGePoint3d() : x(0.0), y(0.0), z(0.0) {}
    AcGePoint3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

    static const AcGePoint3d kOrigin;

    double distanceTo(const AcGePoint3d& p) const;
    /// Whether the distance to p is at most tol.equalPoint().
    bool isEqualTo(const AcGePoint3d& p, const AcGeTol& tol = AcGeContext::gTol) const;
    /// Applies the affine transformation m in place.
    AcGePoint3d& transformBy(const AcGeMatrix3d& m);
    AcGeVector3d asVector() const { return {x, y, z}; }

    AcGeVector3d operator-(const AcGePoint3d& p) const { return {x - p.x, y - p.y, z - p.z}; }
    AcGePoint3d operator+(const AcGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
    AcGePoint3d operator-(const AcGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
    AcGePoint3d& operator+=(const AcGeVector3d& v) { x += v.x; y += v.y; z += v.z; return *this; }
    AcGePoint3d& operator-=(const AcGeVector3d& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    bool operator==(const AcGePoint3d& p) const { return x == p.x && y == p.y && z == p.z; }
    bool operator!=(const AcGePoint3d& p) const { return !(*this == p); }

    double x, y, z;
};

/// A 4x4 affine transformation acting on column vectors: p' = M * p.
class AcGeMatrix3d {
public:
    /// The identity.
    AcGeMatrix3d();
    static const AcGeMatrix3d kIdentity;

    /// Inverts this matrix in place; a singular matrix stays as it is.
    AcGeMatrix3d& invert();
    AcGeMatrix3d inverse() const;
    /// Whether the determinant of the linear part is zero within tol.equalVector().
    bool isSingular(const AcGeTol& tol = AcGeContext::gTol) const;
    /// Sets the matrix that maps the world axes onto the given frame at origin.
    AcGeMatrix3d& setCoordSystem(const AcGePoint3d& origin, const AcGeVector3d& xAxis,
                                 const AcGeVector3d& yAxis, const AcGeVector3d& zAxis);
    /// The frame of this matrix (its columns).
    void getCoordSystem(AcGePoint3d& origin, AcGeVector3d& xAxis, AcGeVector3d& yAxis,
                        AcGeVector3d& zAxis) const;
    AcGeMatrix3d operator*(const AcGeMatrix3d& m) const;

    /// The object coordinate system of a planar entity with this normal (the arbitrary axis
    /// rule of the drawing format): maps plane coordinates to world coordinates.
    static AcGeMatrix3d planeToWorld(const AcGeVector3d& normal);
    /// The inverse of planeToWorld.
    static AcGeMatrix3d worldToPlane(const AcGeVector3d& normal);
    static AcGeMatrix3d translation(const AcGeVector3d& v);
    /// The rotation by angle (radians, right-hand rule) about the axis through center.
    static AcGeMatrix3d rotation(double angle, const AcGeVector3d& axis,
                                 const AcGePoint3d& center = AcGePoint3d::kOrigin);

    double operator()(unsigned row, unsigned column) const { return entry[row][column]; }
    double& operator()(unsigned row, unsigned column) { return entry[row][column]; }

    double entry[4][4];
};

/// Base of the host's 3D curve entities.
class AcGeEntity3d {
public:
    virtual ~AcGeEntity3d() = default;
    /// Whether point lies on the entity within tol.equalPoint().
    virtual bool isOn(const AcGePoint3d& point, const AcGeTol& tol = AcGeContext::gTol) const = 0;
};

class AcGeCurve3d : public AcGeEntity3d {};

class AcGeLinearEnt3d : public AcGeCurve3d {};

/// A bounded straight segment.
class AcGeLineSeg3d : public AcGeLinearEnt3d {
public:
    AcGeLineSeg3d();
    AcGeLineSeg3d(const AcGePoint3d& start, const AcGePoint3d& end);
    AcGeLineSeg3d& set(const AcGePoint3d& start, const AcGePoint3d& end);
    AcGePoint3d startPoint() const { return m_start; }
    AcGePoint3d endPoint() const { return m_end; }
    double length() const;
    /// Whether point lies on the bounded segment within tol.equalPoint().
    bool isOn(const AcGePoint3d& point, const AcGeTol& tol = AcGeContext::gTol) const override;
    /// The point of the segment nearest to point.
    AcGePoint3d closestPointTo(const AcGePoint3d& point) const;

private:
    AcGePoint3d m_start;
    AcGePoint3d m_end;
};

/// A circular arc: centre, normal, reference vector (the direction of angle 0 in the plane),
/// radius, and start and end angle measured counterclockwise about the normal from the
/// reference vector, with startAng <= endAng.
class AcGeCircArc3d : public AcGeCurve3d {
public:
    /// The unit circle in the world XY plane.
    AcGeCircArc3d();
    AcGeCircArc3d(const AcGePoint3d& center, const AcGeVector3d& normal, const AcGeVector3d& refVec,
                  double radius, double startAngle, double endAngle);
    /// The arc from start through pointOnArc to end. Collinear or coincident points give a
    /// degenerate arc of radius 0 at start.
    AcGeCircArc3d(const AcGePoint3d& start, const AcGePoint3d& pointOnArc, const AcGePoint3d& end);

    AcGeCircArc3d& set(const AcGePoint3d& center, const AcGeVector3d& normal,
                       const AcGeVector3d& refVec, double radius, double startAngle,
                       double endAngle);
    AcGeCircArc3d& set(const AcGePoint3d& start, const AcGePoint3d& pointOnArc,
                       const AcGePoint3d& end);

    AcGePoint3d center() const { return m_center; }
    AcGeVector3d normal() const { return m_normal; }
    AcGeVector3d refVec() const { return m_refVec; }
    double radius() const { return m_radius; }
    double startAng() const { return m_startAngle; }
    double endAng() const { return m_endAngle; }
    AcGePoint3d startPoint() const;
    AcGePoint3d endPoint() const;
    /// The point at angle (radians) from the reference vector about the normal.
    AcGePoint3d evalPoint(double angle) const;
    /// Whether point lies on the bounded arc within tol.equalPoint().
    bool isOn(const AcGePoint3d& point, const AcGeTol& tol = AcGeContext::gTol) const override;
    /// The point of the bounded arc nearest to point.
    AcGePoint3d closestPointTo(const AcGePoint3d& point) const;
    double length() const;

private:
    AcGePoint3d m_center;
    AcGeVector3d m_normal;
    AcGeVector3d m_refVec;
    double m_radius;
    double m_startAngle;
    double m_endAngle;
};
