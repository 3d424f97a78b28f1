// The calculator of the three-point arc length: reads the three picked points back from their
// temporary POINT entities, finds the circle through them and prints the arc's length.
#pragma once
#include "acge.h"
#include "adesk.h"

class CAloneCadFunc;

class CArcLen {
public:
    /// Results of compute.
    enum ComputeResult { kComputed = 0, kCannotCompute = 2, kNotThreePoints = 3 };
    /// Results of printLength.
    enum PrintResult { kPrinted = 0, kNoOutputCopy = 2 };

    /// A calculator reaching the host through cadFunc (not owned); points and radius zero,
    /// four decimals.
    explicit CArcLen(CAloneCadFunc* cadFunc);
    virtual ~CArcLen();
    CArcLen(const CArcLen&) = delete;
    CArcLen& operator=(const CArcLen&) = delete;

    /// Reads the precision and the three points and finds the circle through them.
    int compute();
    /// Takes the number of decimals from "LUPREC"; false when it cannot be read.
    bool readPrecision();
    /// Prints "label length" with the precision's decimals, or fewer where a double holds no
    /// more digits: the length of the arc from the first point through the second to the third.
    int printLength(const ACHAR* label);

    const AcGePoint3d& firstPoint() const { return m_pt1; }
    const AcGePoint3d& secondPoint() const { return m_pt2; }
    const AcGePoint3d& thirdPoint() const { return m_pt3; }
    const AcGePoint3d& center() const { return m_center; }
    double radius() const { return m_radius; }
    int precision() const { return m_precision; }

private:
    CAloneCadFunc* m_pCadFunc;
    AcGePoint3d m_pt1;
    AcGePoint3d m_pt2;
    AcGePoint3d m_pt3;
    AcGePoint3d m_center;
    double m_radius;
    int m_precision;
};
