// The arc length text of an arc dimension: the angle the result dimension spans times the
// radius, alone or with the radius, in place of the angle an angular dimension would show.
#include "arcdim/KotaDP.h"

#include "geometry/Primitives.h"

#include <cmath>

namespace {

/// The mode whose text is the arc length alone; every other mode adds the radius.
constexpr int kLengthOnlyMode = 1;

}  // namespace

bool CKotaDP::computeRadius()
{
    if (m_pResultDim == nullptr)
        return false;
    m_center = m_pResultDim->centerPoint();
    m_radius = (m_pResultDim->xLine2Point() - m_center).length();
    return true;
}

double CKotaDP::measureSweep(bool useMeasurement) const
{
    if (useMeasurement) {
        double measured = 0.0;
        if (m_pResultDim->measurement(measured) == Acad::eOk)
            return measured;
    }
    const AcGeVector3d toFirst = m_pResultDim->xLine1Point() - m_center;
    const AcGeVector3d toSecond = m_pResultDim->xLine2Point() - m_center;
    const AcGeVector3d toArcPoint = m_pResultDim->arcPoint() - m_center;
    // Extension lines in one direction span nothing, or the whole circle when the arc point
    // lies elsewhere.
    if (isSameDirection(toFirst, toSecond))
        return isSameDirection(toFirst, toArcPoint) ? 0.0 : kTwoPi;
    // Otherwise the way the host draws it, from the first extension line to the second on the arc
    // point's side, about the picked arc's normal (the working plane's when none was picked),
    // with no line a hair from parallel or opposite taken as such.
    const AcGeVector3d normal = isKnown(m_pickedArc) ? m_pickedArc.normal
                                                     : m_planeXAxis.crossProduct(m_planeYAxis);
    const double between = turnAbout(normal, toFirst, toSecond);
    return turnAbout(normal, toFirst, toArcPoint) <= between ? between : kTwoPi - between;
}

bool CKotaDP::applyArcLengthText(int mode, bool useMeasurement)
{
    if (m_pResultDim == nullptr)
        return false;
    const double length = std::fabs(measureSweep(useMeasurement) * m_radius);
    // A degenerate dimension has no length to show; the driver warns instead.
    if (!std::isfinite(length))
        return false;
    CString lengthText;
    formatDimensionValue(lengthText, length);

    CString text;
    if (mode == kLengthOnlyMode) {
        text.Format(ACRX_T("%s"), lengthText.GetString());
    } else {
        CString radiusText;
        formatDimensionValue(radiusText, m_radius);
        text.Format(ACRX_T("dl.=%s, R=%s"), lengthText.GetString(), radiusText.GetString());
    }
    m_pResultDim->setDimensionText(text);
    return true;
}
