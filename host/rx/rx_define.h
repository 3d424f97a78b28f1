// Defines the runtime class members that ACRX_DECLARE_MEMBERS declares, and the host's
// registration of runtime classes in the class dictionary.
#pragma once
#include "rxobject.h"

namespace cadhost {

/// A new runtime class, entered in the class dictionary under its name; it lives as long as
/// the process.
AcRxClass* newRegisteredClass(const char* name, AcRxClass* parent);

}  // namespace cadhost

/// Defines CLASS_NAME::desc() (a class named CLASS_NAME whose parent is PARENT_NAME's) and
/// CLASS_NAME::isA().
#define CADHOST_RX_DEFINE_MEMBERS(CLASS_NAME, PARENT_NAME)                              \
    AcRxClass* CLASS_NAME::desc()                                                       \
    {                                                                                   \
        static AcRxClass* const theClass =                                              \
            cadhost::newRegisteredClass(#CLASS_NAME, PARENT_NAME::desc());              \
        return theClass;                                                                \
    }                                                                                   \
    AcRxClass* CLASS_NAME::isA() const { return CLASS_NAME::desc(); }
