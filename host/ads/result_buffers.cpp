// Result buffers and host strings: making, building and freeing chains.
#include "acedads.h"
#include "ads/value_kinds.h"
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

namespace cadhost {

ValueKind resultValueKind(int code)
{
    switch (code) {
    case RTSTR:
    case RTDXF0:
        return ValueKind::String;
    case RTREAL:
    case RTANG:
    case RTORINT:
        return ValueKind::Real;
    case RTPOINT:
    case RT3DPOINT:
        return ValueKind::Point;
    case RTSHORT:
        return ValueKind::Short;
    case RTLONG:
        return ValueKind::Long;
    case RTENAME:
    case RTPICKS:
        return ValueKind::Name;
    case RTLB:
    case RTLE:
    case RTDOTE:
    case RTNIL:
    case RTT:
    case RTVOID:
    case -3:
        return ValueKind::None;
    case -1:
    case -2:
        return ValueKind::Name;
    default:
        break;
    }
    auto in = [code](int first, int last) { return code >= first && code <= last; };
    if (in(0, 9) || code == 100 || code == 102 || code == 105 || in(300, 369) ||
        in(390, 399) || in(410, 419) || in(999, 1009))
        return ValueKind::String;
    if (in(10, 39) || in(110, 139) || in(210, 239) || in(1010, 1013))
        return ValueKind::Point;
    if (in(40, 59) || in(140, 149) || in(460, 469) || in(1040, 1042))
        return ValueKind::Real;
    if (in(60, 79) || in(170, 179) || in(270, 299) || in(370, 389) || in(400, 409) ||
        code == 1070)
        return ValueKind::Short;
    if (in(90, 99) || in(420, 429) || in(440, 459) || code == 1071)
        return ValueKind::Long;
    return ValueKind::Unknown;
}

}  // namespace cadhost

using cadhost::ValueKind;

ACHAR* acutNewString(const ACHAR* text)
{
    if (text == nullptr)
        return nullptr;
    const std::size_t length = std::char_traits<ACHAR>::length(text);
    auto* copy = static_cast<ACHAR*>(std::malloc((length + 1) * sizeof(ACHAR)));
    if (copy != nullptr)
        std::memcpy(copy, text, (length + 1) * sizeof(ACHAR));
    return copy;
}

void acutDelString(ACHAR*& text)
{
    std::free(text);
    text = nullptr;
}

resbuf* acutNewRb(int type)
{
    auto* rb = static_cast<resbuf*>(std::calloc(1, sizeof(resbuf)));
    if (rb != nullptr)
        rb->restype = static_cast<short>(type);
    return rb;
}

int acutRelRb(resbuf* chain)
{
    while (chain != nullptr) {
        resbuf* next = chain->rbnext;
        if (cadhost::resultValueKind(chain->restype) == ValueKind::String)
            std::free(chain->resval.rstring);
        std::free(chain);
        chain = next;
    }
    return RTNORM;
}

resbuf* acutBuildList(int type, ...)
{
    va_list args;
    va_start(args, type);
    resbuf* head = nullptr;
    resbuf** tail = &head;
    bool failed = false;
    int code = type;
    while (code != 0 && code != RTNONE && !failed) {
        // Group 0 cannot be passed as 0, which ends the list: RTDXF0 stands for it.
        const int restype = code == RTDXF0 ? 0 : code;
        resbuf* rb = acutNewRb(restype);
        if (rb == nullptr) {
            failed = true;
            break;
        }
        *tail = rb;
        tail = &rb->rbnext;
        switch (cadhost::resultValueKind(code)) {
        case ValueKind::String: {
            const ACHAR* text = va_arg(args, const ACHAR*);
            rb->resval.rstring = acutNewString(text != nullptr ? text : u"");
            failed = rb->resval.rstring == nullptr;
            break;
        }
        case ValueKind::Point: {
            const double* point = va_arg(args, const double*);
            failed = point == nullptr;
            for (int i = 0; i < 3 && !failed; ++i)
                rb->resval.rpoint[i] = point[i];
            break;
        }
        case ValueKind::Real:
            rb->resval.rreal = va_arg(args, double);
            break;
        case ValueKind::Short:
            rb->resval.rint = static_cast<short>(va_arg(args, int));
            break;
        case ValueKind::Long:
            rb->resval.rlong = static_cast<Adesk::Int32>(va_arg(args, int));
            break;
        case ValueKind::Name: {
            const Adesk::LongPtr* name = va_arg(args, const Adesk::LongPtr*);
            failed = name == nullptr;
            if (!failed) {
                rb->resval.rlname[0] = name[0];
                rb->resval.rlname[1] = name[1];
            }
            break;
        }
        case ValueKind::None:
            break;
        case ValueKind::Unknown:
            failed = true;
            break;
        }
        if (!failed)
            code = va_arg(args, int);
    }
    va_end(args);
    if (failed) {
        acutRelRb(head);
        return nullptr;
    }
    return head;
}
