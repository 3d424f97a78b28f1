// The host access of the three-point arc length calculator: the command line, system
// variables and the entities of one selection set, in order.
#pragma once
#include "acedads.h"

class CAloneCadFunc {
public:
    /// Reads the entities of selectionSet, which it does not own, from the first one on.
    explicit CAloneCadFunc(ads_name& selectionSet);
    virtual ~CAloneCadFunc();
    CAloneCadFunc(const CAloneCadFunc&) = delete;
    CAloneCadFunc& operator=(const CAloneCadFunc&) = delete;

    /// Prints text on the command line; the host's status.
    int prompt(const ACHAR* text) const;
    /// Reads a system variable into result; the host's status.
    int getVar(const ACHAR* name, resbuf* result) const;
    /// The definition list of the set's next entity (the caller releases it with acutRelRb),
    /// or null when the set cannot be read or has no more entities.
    resbuf* nextEntityData();

private:
    ads_name& m_selectionSet;
    int m_nextIndex;
};
