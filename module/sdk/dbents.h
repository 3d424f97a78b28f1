// The host's curve and point entities. Points and angles are world coordinates and radians;
// an entity's plane is given by its normal, its object coordinate system by the arbitrary axis
// rule of the drawing format.
#pragma once
#include "dbmain.h"
#include <memory_resource>
#include <vector>

/// A curve: an entity with a start, an end and points along it.
class AcDbCurve : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbCurve);
    virtual Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const = 0;
    virtual Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const = 0;
    /// The point of the curve nearest to givenPoint (world); with extend, of the curve
    /// extended beyond its ends (lines and arcs).
    virtual Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& givenPoint,
                                                AcGePoint3d& pointOnCurve,
                                                bool extend = false) const = 0;
    virtual bool isClosed() const = 0;

protected:
    AcDbCurve() = default;
    AcDbCurve(const AcDbCurve&) = default;
};

class AcDbPoint : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbPoint);
    AcDbPoint();
    explicit AcDbPoint(const AcGePoint3d& position);
    AcGePoint3d position() const;
    Acad::ErrorStatus setPosition(const AcGePoint3d& position);

protected:
    AcDbObject* copyObject() const override;

private:
    AcGePoint3d m_position;
};

class AcDbLine : public AcDbCurve {
public:
    ACRX_DECLARE_MEMBERS(AcDbLine);
    AcDbLine();
    AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end);
    AcGePoint3d startPoint() const;
    AcGePoint3d endPoint() const;
    Acad::ErrorStatus setStartPoint(const AcGePoint3d& point);
    Acad::ErrorStatus setEndPoint(const AcGePoint3d& point);
    AcGeVector3d normal() const;
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);

    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& givenPoint, AcGePoint3d& pointOnCurve,
                                        bool extend = false) const override;
    bool isClosed() const override { return false; }

protected:
    AcDbObject* copyObject() const override;

private:
    AcGePoint3d m_start;
    AcGePoint3d m_end;
    AcGeVector3d m_normal;
};

/// A circular arc, counterclockwise about its normal from startAngle to endAngle; the angles
/// are measured in the object coordinate system of the normal.
class AcDbArc : public AcDbCurve {
public:
    ACRX_DECLARE_MEMBERS(AcDbArc);
    AcDbArc();
    AcDbArc(const AcGePoint3d& center, double radius, double startAngle, double endAngle);
    AcDbArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius, double startAngle,
            double endAngle);
    AcGePoint3d center() const;
    double radius() const;
    double startAngle() const;
    double endAngle() const;
    AcGeVector3d normal() const;
    Acad::ErrorStatus setCenter(const AcGePoint3d& center);
    Acad::ErrorStatus setRadius(double radius);
    Acad::ErrorStatus setStartAngle(double angle);
    Acad::ErrorStatus setEndAngle(double angle);
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    /// The geometric arc in world coordinates.
    AcGeCircArc3d geArc() const;

    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& givenPoint, AcGePoint3d& pointOnCurve,
                                        bool extend = false) const override;
    bool isClosed() const override { return false; }
    void getEcs(AcGeMatrix3d& ecs) const override;

protected:
    AcDbObject* copyObject() const override;

private:
    AcGePoint3d m_center;
    double m_radius;
    double m_startAngle;
    double m_endAngle;
    AcGeVector3d m_normal;
};

class AcDbCircle : public AcDbCurve {
public:
    ACRX_DECLARE_MEMBERS(AcDbCircle);
    AcDbCircle();
    AcDbCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius);
    AcGePoint3d center() const;
    double radius() const;
    AcGeVector3d normal() const;
    Acad::ErrorStatus setCenter(const AcGePoint3d& center);
    Acad::ErrorStatus setRadius(double radius);
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);

    /// Start and end are the point at angle 0 of the object coordinate system.
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& givenPoint, AcGePoint3d& pointOnCurve,
                                        bool extend = false) const override;
    bool isClosed() const override { return true; }
    void getEcs(AcGeMatrix3d& ecs) const override;

protected:
    AcDbObject* copyObject() const override;

private:
    AcGePoint3d m_center;
    double m_radius;
    AcGeVector3d m_normal;
};

/// A lightweight polyline: vertices (x, y) in its object coordinate system at its elevation,
/// with a bulge per vertex for the segment that starts there (tan of a quarter of the included
/// angle, positive counterclockwise about the normal).
class AcDbPolyline : public AcDbCurve {
public:
    ACRX_DECLARE_MEMBERS(AcDbPolyline);
    enum SegType { kLine = 0, kArc = 1, kCoincident = 2, kPoint = 3, kEmpty = 4 };

    AcDbPolyline();
    explicit AcDbPolyline(unsigned int numVerts);
    /// The host's, for the polylines of a drawing it reads: room for numVerts vertices, which
    /// are kept in vertexMemory; it must outlive the polyline. A copy keeps its own on the heap.
    AcDbPolyline(unsigned int numVerts, std::pmr::memory_resource* vertexMemory);

    Acad::ErrorStatus addVertexAt(unsigned int index, const AcGePoint2d& point, double bulge = 0.0,
                                  double startWidth = -1.0, double endWidth = -1.0);
    Acad::ErrorStatus removeVertexAt(unsigned int index);
    unsigned int numVerts() const;
    bool isOnlyLines() const;
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint2d& point) const;
    /// The vertex in world coordinates.
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint3d& point) const;
    Acad::ErrorStatus getBulgeAt(unsigned int index, double& bulge) const;
    Acad::ErrorStatus setPointAt(unsigned int index, const AcGePoint2d& point);
    Acad::ErrorStatus setBulgeAt(unsigned int index, double bulge);
    void setClosed(bool closed);
    bool isClosed() const override;
    double elevation() const;
    void setElevation(double elevation);
    AcGeVector3d normal() const;
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);

    /// The kind of segment index: a line or arc between distinct vertices, kCoincident for
    /// equal ends, kPoint for a single vertex, kEmpty past the last segment.
    SegType segType(unsigned int index) const;
    /// Whether pt2d (object coordinates) lies on segment index; param is then its polyline
    /// parameter (index plus the fraction along the segment).
    bool onSegAt(unsigned int index, const AcGePoint2d& pt2d, double& param) const;
    /// Segment index as a world arc; eInvalidInput unless it is an arc segment.
    Acad::ErrorStatus getArcSegAt(unsigned int index, AcGeCircArc3d& arc) const;
    /// Segment index as a world line segment; eInvalidInput unless it is a line segment.
    Acad::ErrorStatus getLineSegAt(unsigned int index, AcGeLineSeg3d& line) const;

    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getClosestPointTo(const AcGePoint3d& givenPoint, AcGePoint3d& pointOnCurve,
                                        bool extend = false) const override;
    void getEcs(AcGeMatrix3d& ecs) const override;

protected:
    AcDbObject* copyObject() const override;

private:
    struct Vertex {
        AcGePoint2d point;
        double bulge;
        double startWidth;
        double endWidth;
    };
    std::pmr::vector<Vertex> m_vertices;
    bool m_closed;
    double m_elevation;
    AcGeVector3d m_normal;
};
