// The host's architectural entities: the base class "AecDbEntity" and the wall, whose
// baseline runs from its start through a point between to its end, straight or curved.
#pragma once
#include "acge.h"
#include "dbmain.h"

/// The base class of the architecture library's entities.
class AecDbEntity : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AecDbEntity);

protected:
    AecDbEntity() = default;
    AecDbEntity(const AecDbEntity&) = default;
};

/// A wall: a baseline through three points; straight when the middle point lies on the chord.
class AecDbWall : public AecDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AecDbWall);
    AecDbWall();
    AecDbWall(const AcGePoint3d& start, const AcGePoint3d& middle, const AcGePoint3d& end);

    AcGePoint3d startPoint() const;
    /// A point of the baseline between its ends.
    AcGePoint3d midPoint() const;
    AcGePoint3d endPoint() const;
    Acad::ErrorStatus setPoints(const AcGePoint3d& start, const AcGePoint3d& middle,
                                const AcGePoint3d& end);
    /// Whether the baseline is a straight segment (the middle point on the chord).
    bool isStraight() const;
    /// The curved baseline; meaningful when !isStraight().
    AcGeCircArc3d baselineArc() const;

protected:
    AcDbObject* copyObject() const override;

private:
    AcGePoint3d m_start;
    AcGePoint3d m_middle;
    AcGePoint3d m_end;
};
