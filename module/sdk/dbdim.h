// The host's dimension entities.
#pragma once
#include "dbmain.h"
#include <string>

/// A dimension: a measured value shown as text, in a dimension style.
class AcDbDimension : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbDimension);

    /// The text override: "" shows the measured value; "<>" within it stands for that value.
    /// The returned copy is the caller's to free with acutDelString.
    ACHAR* dimensionText() const;
    Acad::ErrorStatus setDimensionText(const ACHAR* text);
    /// The measured value (radians for angular dimensions).
    virtual Acad::ErrorStatus measurement(double& value) = 0;
    double elevation() const;
    Acad::ErrorStatus setElevation(double elevation);
    AcGeVector3d normal() const;
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    AcDbObjectId dimensionStyle() const;
    Acad::ErrorStatus setDimensionStyle(AcDbObjectId styleId);
    /// The text position (world); the host places it on the dimension line by default.
    AcGePoint3d textPosition() const;
    Acad::ErrorStatus setTextPosition(const AcGePoint3d& position);
    bool isUsingDefaultTextPosition() const;

protected:
    AcDbDimension();
    AcDbDimension(const AcDbDimension&) = default;

private:
    std::basic_string<ACHAR> m_text;
    double m_elevation;
    AcGeVector3d m_normal;
    AcDbObjectId m_dimStyleId;
    AcGePoint3d m_textPosition;
    bool m_defaultTextPosition;
};

/// An angular dimension given by its vertex, a point on each extension line and a point the
/// dimension arc passes through.
class AcDb3PointAngularDimension : public AcDbDimension {
public:
    ACRX_DECLARE_MEMBERS(AcDb3PointAngularDimension);
    AcDb3PointAngularDimension();
    /// A null dimStyle means the working database's current dimension style.
    AcDb3PointAngularDimension(const AcGePoint3d& centerPoint, const AcGePoint3d& xLine1Point,
                               const AcGePoint3d& xLine2Point, const AcGePoint3d& arcPoint,
                               const ACHAR* dimText = nullptr,
                               AcDbObjectId dimStyle = AcDbObjectId::kNull);

    AcGePoint3d centerPoint() const;
    AcGePoint3d xLine1Point() const;
    AcGePoint3d xLine2Point() const;
    AcGePoint3d arcPoint() const;
    Acad::ErrorStatus setCenterPoint(const AcGePoint3d& point);
    Acad::ErrorStatus setXLine1Point(const AcGePoint3d& point);
    Acad::ErrorStatus setXLine2Point(const AcGePoint3d& point);
    Acad::ErrorStatus setArcPoint(const AcGePoint3d& point);

    /// The angle from the first to the second extension line, on the side of the arc point.
    Acad::ErrorStatus measurement(double& value) override;

protected:
    AcDbObject* copyObject() const override;

private:
    AcGePoint3d m_centerPoint;
    AcGePoint3d m_xLine1Point;
    AcGePoint3d m_xLine2Point;
    AcGePoint3d m_arcPoint;
};
