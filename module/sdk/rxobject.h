// The host's runtime class system, system registry and dynamic linker.
#pragma once
#include "acadstrc.h"
#include "adesk.h"

namespace AcRx {
enum AppMsgCode {
    kNullMsg = 0,
    kInitAppMsg = 1,
    kUnloadAppMsg = 2,
    kLoadDwgMsg = 3,
    kUnloadDwgMsg = 4,
    kInvkSubrMsg = 5,
    kCfgMsg = 6,
    kEndMsg = 7,
    kQuitMsg = 8,
    kSaveMsg = 9,
    kDependencyMsg = 10,
    kNoDependencyMsg = 11,
    kOleUnloadAppMsg = 12,
    kPreQuitMsg = 13,
    kInitDialogMsg = 14,
    kEndDialogMsg = 15,
    kSuspendMsg = 16
};
enum AppRetCode { kRetOK = 0, kRetError = 3 };
enum Ordering { kLessThan = -1, kEqual = 0, kGreaterThan = 1, kNotOrderable = 2 };
}  // namespace AcRx

class AcRxClass;

/// Declares the runtime class members of a host class: desc(), cast() and isA().
#define ACRX_DECLARE_MEMBERS(CLASS_NAME)                                              \
    static AcRxClass* desc();                                                         \
    static CLASS_NAME* cast(const AcRxObject* inPtr)                                  \
    {                                                                                 \
        return (inPtr == nullptr || !inPtr->isKindOf(CLASS_NAME::desc()))             \
                   ? nullptr                                                          \
                   : const_cast<CLASS_NAME*>(static_cast<const CLASS_NAME*>(inPtr));  \
    }                                                                                 \
    AcRxClass* isA() const override

/// The root of the host's runtime class hierarchy.
class AcRxObject {
public:
    virtual ~AcRxObject();
    static AcRxClass* desc();
    static AcRxObject* cast(const AcRxObject* inPtr) { return const_cast<AcRxObject*>(inPtr); }
    /// The object's own runtime class.
    virtual AcRxClass* isA() const;
    /// A new independent copy, or null when the class cannot be copied.
    virtual AcRxObject* clone() const;
    virtual Acad::ErrorStatus copyFrom(const AcRxObject* other);
    virtual bool isEqualTo(const AcRxObject* other) const;
    virtual AcRx::Ordering comparedTo(const AcRxObject* other) const;
    /// Whether the object's class is aClass or derives from it.
    bool isKindOf(const AcRxClass* aClass) const;
};

/// A runtime class: its name and its parent.
class AcRxClass : public AcRxObject {
public:
    AcRxClass(const ACHAR* name, AcRxClass* parent);
    ~AcRxClass() override;
    ACRX_DECLARE_MEMBERS(AcRxClass);
    const ACHAR* name() const;
    AcRxClass* myParent() const { return m_pParent; }
    /// Whether this class is other or derives from it.
    bool isDerivedFrom(const AcRxClass* other) const;

private:
    ACHAR* m_name;
    AcRxClass* m_pParent;
};

/// A dictionary of runtime objects by name.
class AcRxDictionary : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxDictionary);
    /// The entry under key, or null.
    virtual AcRxObject* at(const ACHAR* key) const = 0;
    /// Puts object under key and returns what was there before (null when nothing was).
    virtual AcRxObject* atPut(const ACHAR* key, AcRxObject* object) = 0;
    virtual Adesk::UInt32 numEntries() const = 0;
};

/// The host's system registry; "DynamicLinker" and "ClassDictionary" are among its entries.
AcRxDictionary* acrxSysRegistry();
/// The class dictionary (the registry's "ClassDictionary" entry).
AcRxDictionary* acrxClassDictionary();

/// The host's loader of application modules.
class AcRxDynamicLinker : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxDynamicLinker);
    /// Forbids unloading the application with this id; false for an unknown id.
    virtual bool lockApplication(void* appId) const = 0;
    /// Allows unloading the application with this id again; false for an unknown id.
    virtual bool unlockApplication(void* appId) const = 0;
    /// Whether the application with this id may be unloaded.
    virtual bool isApplicationLocked(const ACHAR* appName) const = 0;
    /// Marks the application with this id as able to work with several drawings.
    virtual bool registerAppMDIAware(void* appId) const = 0;
};

/// Marks the application with this id as able to work with several open drawings.
bool acrxRegisterAppMDIAware(void* appId);
