// The root runtime object and runtime classes.
#include "rx/rx_define.h"
#include <cstring>

AcRxObject::~AcRxObject() = default;

AcRxClass* AcRxObject::desc()
{
    static AcRxClass* const theClass = cadhost::newRegisteredClass("AcRxObject", nullptr);
    return theClass;
}

AcRxClass* AcRxObject::isA() const
{
    return AcRxObject::desc();
}

AcRxObject* AcRxObject::clone() const
{
    return nullptr;
}

Acad::ErrorStatus AcRxObject::copyFrom(const AcRxObject*)
{
    return Acad::eNotApplicable;
}

bool AcRxObject::isEqualTo(const AcRxObject* other) const
{
    return other == this;
}

AcRx::Ordering AcRxObject::comparedTo(const AcRxObject* other) const
{
    return other == this ? AcRx::kEqual : AcRx::kNotOrderable;
}

bool AcRxObject::isKindOf(const AcRxClass* aClass) const
{
    return isA()->isDerivedFrom(aClass);
}

AcRxClass::AcRxClass(const ACHAR* name, AcRxClass* parent) : m_name(nullptr), m_pParent(parent)
{
    std::size_t length = 0;
    while (name != nullptr && name[length] != 0)
        ++length;
    m_name = new ACHAR[length + 1];
    for (std::size_t i = 0; i < length; ++i)
        m_name[i] = name[i];
    m_name[length] = 0;
}

AcRxClass::~AcRxClass()
{
    delete[] m_name;
}

CADHOST_RX_DEFINE_MEMBERS(AcRxClass, AcRxObject)

const ACHAR* AcRxClass::name() const
{
    return m_name;
}

bool AcRxClass::isDerivedFrom(const AcRxClass* other) const
{
    if (other == nullptr)
        return false;
    for (const AcRxClass* c = this; c != nullptr; c = c->m_pParent)
        if (c == other)
            return true;
    return false;
}
