#include "arclen/AloneCadFunc.h"

CAloneCadFunc::CAloneCadFunc(ads_name& selectionSet) : m_selectionSet(selectionSet), m_nextIndex(0)
{
}

CAloneCadFunc::~CAloneCadFunc() = default;

int CAloneCadFunc::prompt(const ACHAR* text) const { return acedPrompt(text); }

int CAloneCadFunc::getVar(const ACHAR* name, resbuf* result) const
{
    return acedGetVar(name, result);
}

resbuf* CAloneCadFunc::nextEntityData()
{
    long length = 0;
    if (acedSSLength(m_selectionSet, &length) != RTNORM || m_nextIndex >= length)
        return nullptr;
    ads_name entity = {0, 0};
    if (acedSSName(m_selectionSet, m_nextIndex, entity) != RTNORM)
        return nullptr;
    resbuf* data = acdbEntGet(entity);
    if (data != nullptr)
        ++m_nextIndex;
    return data;
}
