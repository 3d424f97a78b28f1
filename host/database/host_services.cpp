// The host application services: the working drawing and its units context.
#include "database/database_impl.h"
#include "rx/rx_define.h"
#include "session/session.h"

CADHOST_RX_DEFINE_MEMBERS(AcDbHostApplicationServices, AcRxObject)

namespace {

/// The units of the working drawing: the distance formatter's selector is its linear
/// precision (LUPREC).
class WorkingDrawingUnits : public AcDbUnitsContext {
public:
    int unitsSelector() const override
    {
        return cadhost::workingDatabase()->impl().systemVariables().getShort("LUPREC");
    }
};

class HostApplicationServices : public AcDbHostApplicationServices {
public:
    AcDbDatabase* workingDatabase() const override { return cadhost::workingDatabase(); }
    const AcDbUnitsContext* unitsContext() const override { return &m_units; }

private:
    WorkingDrawingUnits m_units;
};

}  // namespace

AcDbHostApplicationServices* acdbHostApplicationServices()
{
    static HostApplicationServices theServices;
    return &theServices;
}
