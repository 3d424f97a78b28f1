// The arc dimension jig: the state of one arc dimension command and the host jig through which
// the user drags the dimension line into place.
#pragma once
#include "acedjig.h"
#include "afxwin.h"
#include "arcdim/PickedArc.h"
#include "dbdim.h"

/// One arc dimension command's shared state and its drag. The four arc dimension commands each
/// construct one as a local; its destructor removes from the drawing, or frees, every dimension
/// the command did not finish and switches the resource handle back.
///
/// The fields are the command's shared state: the selection, the formatting, the fitting and the
/// driver read and write them directly, in this order.
class CKotaDP : public AcEdJig {
public:
    /// A jig with no dimension, the world XY plane as working plane, the host's main window as
    /// owner of its warnings and the module's resource library as current resource handle.
    CKotaDP();
    /// Erases the dragged dimension from the drawing, deletes whatever was never appended and
    /// restores the resource handle that was current at construction.
    ~CKotaDP() override;
    CKotaDP(const CKotaDP&) = delete;
    CKotaDP& operator=(const CKotaDP&) = delete;

    /// Acquires the dragged point; kNoChange when it equals the last accepted one.
    DragStatus sampler() override;
    /// Puts the dragged dimension's arc point at the last accepted point, or where the picked
    /// arc lets the dimension line pass for it (arcPointForCursor); always true.
    Adesk::Boolean update() override;
    /// The dimension being dragged, else the result dimension, else null.
    AcDbEntity* entity() const override;

    /// Asks for an arc source until one in the working plane is picked, keeps its arc as the
    /// picked arc, then creates and drags a dimension on it with the dimension line at the
    /// arc's middle; true when the drag was accepted and the result dimension exists.
    bool pickArcAndDragDimension(const ACHAR* selectionPrompt, const ACHAR* dragPrompt,
                                 const ACHAR* notAnArcMessage, AcGePoint3d& start,
                                 AcGePoint3d& end, bool& isCircle);

    /// Reads DIMDEC, DIMRND, DIMZIN, DIMLFAC and DIMDSEP; 0 when all were read, 2 when one failed
    /// (that one and the later ones keep their values).
    int readDimensionVariables();
    /// The value as the drawing's dimensions would show it: scaled by DIMLFAC, formatted as a
    /// distance with no more significant digits than a double holds, zeros suppressed as
    /// DIMZIN asks, decimal point as DIMDSEP names.
    void formatDimensionValue(CString& text, double value) const;

    /// Caches the result dimension's centre and the distance to its second extension line point;
    /// false when there is no result dimension.
    bool computeRadius();
    /// The angle the result dimension spans, its own measurement when allowed and available,
    /// else from its points as the host draws it; needs a result dimension.
    double measureSweep(bool useMeasurement) const;
    /// Sets the result dimension's text to the arc length (mode 1) or the arc length and radius
    /// (any other mode); false when there is no result dimension or no finite length.
    bool applyArcLengthText(int mode, bool useMeasurement);

    AcDb3PointAngularDimension* m_pDragDim;    ///< dragged; owned until appended
    AcDbObjectId m_dragDimId;                  ///< the dragged dimension once appended
    AcDb3PointAngularDimension* m_pResultDim;  ///< copy the command finishes; owned until appended
    AcDbObjectId m_resultDimId;                ///< the result dimension once appended
    AcGePoint3d m_lastPoint;                   ///< last point accepted by sampler (world)
    Adesk::Int32 m_dimDec;                     ///< DIMDEC, kept only
    double m_dimRnd;                           ///< DIMRND, kept only
    Adesk::Int32 m_dimZin;                     ///< DIMZIN: bit 8 trailing, bit 4 leading zeros
    double m_dimLfac;                          ///< DIMLFAC: scale of every number (0: none)
    ACHAR m_dimDsep;                           ///< first unit of DIMDSEP: the decimal separator
    AcGePoint3d m_planeOrigin;                 ///< working plane: origin (read by nothing)
    AcGeVector3d m_planeXAxis;                 ///< working plane: first axis
    AcGeVector3d m_planeYAxis;                 ///< working plane: second axis
    AcGePoint3d m_center;                      ///< centre of the result dimension (world)
    double m_radius;                           ///< distance from the centre to E as created
    AcGePoint3d m_pick1;                       ///< first extension point (world)
    AcGePoint3d m_pick2;                       ///< second extension point (world)
    PickedArc m_pickedArc;                     ///< the arc the dimension must span (world)
    HWND m_hOwnerWnd;                          ///< owner of the warning boxes
    HINSTANCE m_hSavedResource;                ///< resource handle restored by the destructor
};
