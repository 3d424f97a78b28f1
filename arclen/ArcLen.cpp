#include "arclen/ArcLen.h"

#include "afxwin.h"
#include "arclen/AloneCadFunc.h"
#include "arclen/CircleThrough3Points.h"
#include "arclen/ResultBuffers.h"
#include "geometry/Primitives.h"
#include "geometry/SignificantDigits.h"

#include <cmath>

namespace {

constexpr short kEntityTypeGroup = 0;
constexpr short kPositionGroup = 10;

/// Whether an entity definition list describes a POINT (its type compared case-insensitively).
bool isPointDefinition(resbuf* definition)
{
    const resbuf* type = findByGroupCode(definition, kEntityTypeGroup);
    return type != nullptr && type->resval.rstring != nullptr &&
           CString(type->resval.rstring).CompareNoCase(ACRX_T("POINT")) == 0;
}

}  // namespace

CArcLen::CArcLen(CAloneCadFunc* cadFunc) : m_pCadFunc(cadFunc), m_radius(0.0), m_precision(4) {}

CArcLen::~CArcLen() = default;

int CArcLen::compute()
{
    if (m_pCadFunc == nullptr || !readPrecision())
        return kCannotCompute;

    CHostResultBuffer definition(m_pCadFunc->nextEntityData());
    if (!definition)
        return kNotThreePoints;
    AcGePoint3d* const points[] = {&m_pt1, &m_pt2, &m_pt3};
    for (int i = 0; i < 3 && definition; ++i) {
        if (!isPointDefinition(definition.get()))
            return kNotThreePoints;
        readPointByGroupCode(findByGroupCode(definition.get(), kEntityTypeGroup), *points[i],
                             kPositionGroup);
        definition.reset(i < 2 ? m_pCadFunc->nextEntityData() : nullptr);
    }
    return circleThrough3Points(m_pt1, m_pt2, m_pt3, m_radius, m_center) ? kComputed
                                                                          : kCannotCompute;
}

bool CArcLen::readPrecision()
{
    resbuf* record = nullptr;
    if (!newResultBuffer(record, 0))
        return false;
    const CModuleResultBuffer owned(record);
    if (m_pCadFunc->getVar(ACRX_T("LUPREC"), record) != RTNORM)
        return false;
    m_precision = record->resval.rint;
    return true;
}

int CArcLen::printLength(const ACHAR* label)
{
    if (m_pCadFunc == nullptr)
        return kNoOutputCopy;
    // The sweep from the points themselves: vectors from a far centre, as a nearly straight arc
    // has, are too close to parallel to tell its angle.
    const double sweep = sweepThrough3Points(m_pt1, m_pt2, m_pt3);
    double length = std::fabs(sweep) * m_radius;
    const double scaled = length * std::pow(10.0, m_precision);
    // A length too large to scale has no decimals to round away.
    if (m_precision != 0 && std::isfinite(scaled))
        length = roundNearest(scaled) / std::pow(10.0, m_precision);

    CString number;
    number.Format(ACRX_T("%.*f"), m_precision, length);
    limitSignificantDigits(number, kDoubleSignificantDigits);
    CString text;
    text.Format(ACRX_T("%s %s"), label, number.GetString());
    ACHAR* copy = acutNewString(text.GetString());
    if (copy == nullptr)
        return kNoOutputCopy;
    m_pCadFunc->prompt(copy);
    acutDelString(copy);
    return kPrinted;
}
