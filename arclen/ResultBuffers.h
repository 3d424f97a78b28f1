// Result buffer records: the ones the module makes and frees itself, and guards for the chains
// the host hands out.
#pragma once
#include "acedads.h"
#include "acge.h"

/// Whether the record's group code carries a string (0-9, 100, 102, 105, 300-369, 390-399,
/// 410-419, 999-1009); false for no record.
bool isStringGroupCode(const resbuf* record);

/// Makes one zero-filled record with this group code, holding a copy of text when one is
/// given; false when it cannot be made or text is given for a code that carries no string.
bool newResultBuffer(resbuf*& record, short groupCode, const ACHAR* text = nullptr);

/// Frees a chain made by newResultBuffer, with the strings of its string-valued records.
void freeResultBufferList(resbuf* chain);

/// The first record of the chain with this group code, or null.
resbuf* findByGroupCode(resbuf* chain, short groupCode);

/// Copies into point the point of the first record with this group code, walking from record
/// past leading records of negative code and stopping at the next group-0 record; point stays
/// as it is when there is none.
void readPointByGroupCode(const resbuf* record, AcGePoint3d& point, short groupCode);

/// Owns a chain that the host handed out and releases it with acutRelRb.
class CHostResultBuffer {
public:
    explicit CHostResultBuffer(resbuf* chain = nullptr) : m_pChain(chain) {}
    ~CHostResultBuffer() { reset(); }
    CHostResultBuffer(const CHostResultBuffer&) = delete;
    CHostResultBuffer& operator=(const CHostResultBuffer&) = delete;

    resbuf* get() const { return m_pChain; }
    explicit operator bool() const { return m_pChain != nullptr; }
    /// Releases the chain held and takes chain instead; the host's status of the release
    /// (RTNORM when nothing was held).
    int reset(resbuf* chain = nullptr);

private:
    resbuf* m_pChain;
};

/// Owns a chain made by newResultBuffer and frees it with freeResultBufferList.
class CModuleResultBuffer {
public:
    explicit CModuleResultBuffer(resbuf* chain) : m_pChain(chain) {}
    ~CModuleResultBuffer() { freeResultBufferList(m_pChain); }
    CModuleResultBuffer(const CModuleResultBuffer&) = delete;
    CModuleResultBuffer& operator=(const CModuleResultBuffer&) = delete;

    resbuf* get() const { return m_pChain; }

private:
    resbuf* m_pChain;
};
