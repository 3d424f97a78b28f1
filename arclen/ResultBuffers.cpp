#include "arclen/ResultBuffers.h"

#include <new>

namespace {

struct GroupCodeRange {
    short first;
    short last;
};

/// The group codes whose records carry a string.
constexpr GroupCodeRange kStringGroupCodes[] = {{0, 9},     {100, 100}, {102, 102},
                                                {105, 105}, {300, 369}, {390, 399},
                                                {410, 419}, {999, 1009}};

std::size_t lengthOf(const ACHAR* text)
{
    std::size_t length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

}  // namespace

bool isStringGroupCode(const resbuf* record)
{
    if (record == nullptr)
        return false;
    for (const GroupCodeRange& range : kStringGroupCodes)
        if (record->restype >= range.first && record->restype <= range.last)
            return true;
    return false;
}

bool newResultBuffer(resbuf*& record, short groupCode, const ACHAR* text)
{
    resbuf* made = new (std::nothrow) resbuf{};
    if (made == nullptr)
        return false;
    made->restype = groupCode;
    if (text != nullptr) {
        if (!isStringGroupCode(made)) {
            delete made;
            return false;
        }
        const std::size_t length = lengthOf(text);
        ACHAR* copy = new (std::nothrow) ACHAR[length + 1];
        if (copy == nullptr) {
            delete made;
            return false;
        }
        for (std::size_t i = 0; i <= length; ++i)
            copy[i] = text[i];
        made->resval.rstring = copy;
    }
    record = made;
    return true;
}

void freeResultBufferList(resbuf* chain)
{
    while (chain != nullptr) {
        resbuf* next = chain->rbnext;
        if (isStringGroupCode(chain))
            delete[] chain->resval.rstring;
        delete chain;
        chain = next;
    }
}

resbuf* findByGroupCode(resbuf* chain, short groupCode)
{
    for (resbuf* record = chain; record != nullptr; record = record->rbnext)
        if (record->restype == groupCode)
            return record;
    return nullptr;
}

void readPointByGroupCode(const resbuf* record, AcGePoint3d& point, short groupCode)
{
    while (record != nullptr && record->restype < 0)
        record = record->rbnext;
    while (record != nullptr) {
        if (record->restype == groupCode) {
            point = AcGePoint3d(record->resval.rpoint[X], record->resval.rpoint[Y],
                                record->resval.rpoint[Z]);
            return;
        }
        record = record->rbnext;
        if (record != nullptr && record->restype == 0)
            return;
    }
}

int CHostResultBuffer::reset(resbuf* chain)
{
    const int status = m_pChain != nullptr ? acutRelRb(m_pChain) : RTNORM;
    m_pChain = chain;
    return status;
}
