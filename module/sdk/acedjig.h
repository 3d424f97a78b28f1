// The host's jig: an entity dragged under the cursor, driven by the module's sampler.
#pragma once
#include "dbmain.h"
#include <string>

class AcDbEntity;
class AcDbDimDataPtrArray;

class AcEdJig : public AcRxObject {
public:
    enum DragStatus {
        kModeless = -17,
        kNoChange = -6,
        kCancel = -4,
        kOther = -3,
        kNull = -1,
        kNormal = 0,
        kKW1 = 1, kKW2, kKW3, kKW4, kKW5, kKW6, kKW7, kKW8, kKW9
    };
    enum UserInputControls {
        kGovernedByOrthoMode = 0x1,
        kNullResponseAccepted = 0x2,
        kDontEchoCancelForCtrlC = 0x4,
        kDontUpdateLastPoint = 0x8,
        kNoDwgLimitsChecking = 0x10,
        kNoZeroResponseAccepted = 0x20,
        kNoNegativeResponseAccepted = 0x40,
        kAccept3dCoordinates = 0x80,
        kAcceptMouseUpAsPoint = 0x100,
        kAnyBlankTerminatesInput = 0x200,
        kInitialBlankTerminatesInput = 0x400,
        kAcceptOtherInputString = 0x800
    };

    AcEdJig();
    ~AcEdJig() override;

    /// Drags entity(): calls sampler() for each cursor move, update() after each kNormal, and
    /// returns when the user clicks, presses Enter or Escape: the last sampler status, except
    /// that Escape gives kCancel.
    DragStatus drag();
    /// Acquires the next cursor point (world coordinates) under the user input controls.
    virtual DragStatus sampler();
    virtual Adesk::Boolean update();
    /// The entity drawn during the drag and added by append().
    virtual AcDbEntity* entity() const;
    /// Adds entity() to the current space of the working drawing, closes it, returns its id
    /// (the null id when it could not be added).
    AcDbObjectId append();

    const ACHAR* dispPrompt() const;
    /// Sets the prompt shown during the drag (printf-style, %s takes an ACHAR string).
    void setDispPrompt(const ACHAR* format, ...);
    UserInputControls userInputControls() const;
    void setUserInputControls(UserInputControls controls);
    /// The cursor point of the current sample, world coordinates.
    DragStatus acquirePoint(AcGePoint3d& point);
    /// The same, with a rubber band from base.
    DragStatus acquirePoint(AcGePoint3d& point, const AcGePoint3d& base);

    virtual AcDbDimDataPtrArray* dimData(const double dimScale);
    virtual Acad::ErrorStatus setDimValue(const void* dimData, const double dimValue);

private:
    std::basic_string<ACHAR> m_dispPrompt;
    UserInputControls m_userInputControls;
};
