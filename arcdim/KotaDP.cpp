// The arc dimension jig: construction, the drag callbacks and the command's clean-up.
#include "arcdim/KotaDP.h"

#include "acedads.h"
#include "module/ModuleApp.h"

CKotaDP::CKotaDP()
    : AcEdJig(),
      m_pDragDim(nullptr),
      m_dragDimId(AcDbObjectId::kNull),
      m_pResultDim(nullptr),
      m_resultDimId(AcDbObjectId::kNull),
      m_lastPoint(0.0, 0.0, 0.0),
      m_dimDec(0),
      m_dimRnd(0.0),
      m_dimZin(0),
      m_dimLfac(0.0),
      m_dimDsep(0),
      m_planeOrigin(AcGePoint3d::kOrigin),
      m_planeXAxis(AcGeVector3d::kXAxis),
      m_planeYAxis(AcGeVector3d::kYAxis),
      m_center(0.0, 0.0, 0.0),
      m_radius(0.0),
      m_pick1(0.0, 0.0, 0.0),
      m_pick2(0.0, 0.0, 0.0),
      m_pickedArc(),
      m_hOwnerWnd(adsw_acadMainWnd()),
      m_hSavedResource(nullptr)
{
    AFX_MODULE_STATE* state = AfxGetModuleState();
    m_hSavedResource = state->m_hCurrentResourceHandle;
    state->m_hCurrentResourceHandle = CModuleApp::instance().resourceLibrary();
}

CKotaDP::~CKotaDP()
{
    if (m_dragDimId.isValid()) {
        AcDbObjectPointer<AcDb3PointAngularDimension> dragged(m_dragDimId, AcDb::kForWrite);
        if (dragged)
            dragged->erase(true);
    } else {
        delete m_pDragDim;
    }
    m_pDragDim = nullptr;

    if (m_pResultDim != nullptr) {
        if (m_pResultDim->isPersistent()) {
            m_pResultDim->erase(true);
            m_pResultDim->close();
        } else {
            delete m_pResultDim;
        }
        m_pResultDim = nullptr;
    }

    // Restored even when it was null, so that no command leaves the library current.
    AfxGetModuleState()->m_hCurrentResourceHandle = m_hSavedResource;
}

AcEdJig::DragStatus CKotaDP::sampler()
{
    setUserInputControls(static_cast<UserInputControls>(
        kNullResponseAccepted | kAccept3dCoordinates | kAnyBlankTerminatesInput));
    AcGePoint3d point(0.0, 0.0, 0.0);
    const DragStatus status = acquirePoint(point);
    if (status != kNormal)
        return status;
    if (point.isEqualTo(m_lastPoint, AcGeContext::gTol))
        return kNoChange;
    m_lastPoint = point;
    return kNormal;
}

Adesk::Boolean CKotaDP::update()
{
    if (m_pDragDim == nullptr)
        return Adesk::kTrue;
    m_pDragDim->setArcPoint(isKnown(m_pickedArc) ? arcPointForCursor(m_pickedArc, m_lastPoint)
                                                 : m_lastPoint);
    return Adesk::kTrue;
}

AcDbEntity* CKotaDP::entity() const
{
    if (m_pDragDim != nullptr)
        return m_pDragDim;
    return m_pResultDim;
}
