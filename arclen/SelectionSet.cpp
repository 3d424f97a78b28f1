#include "arclen/SelectionSet.h"

#include "acedads.h"

bool isClearName(const ads_name& name) { return name[0] == 0 && name[1] == 0; }

int createEmptySelectionSet(ads_name& name)
{
    const int status = acedSSAdd(nullptr, nullptr, name);
    if (status != RTNORM)
        name[0] = name[1] = 0;
    return status;
}

void releaseSelectionSet(ads_name& name)
{
    if (!isClearName(name))
        acedSSFree(name);
    name[0] = name[1] = 0;
}

CSelectionSetGuard::CSelectionSetGuard() : m_name{0, 0}
{
    createEmptySelectionSet(m_name);
}

CSelectionSetGuard::~CSelectionSetGuard() { releaseSelectionSet(m_name); }
