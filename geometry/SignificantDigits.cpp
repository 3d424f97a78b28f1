#include "geometry/SignificantDigits.h"

namespace {

constexpr WCHAR kPoint = u'.';

bool isDigit(WCHAR c)
{
    return c >= u'0' && c <= u'9';
}

/// Whether text is an optional '-', digits, and an optional '.' with digits after it.
bool isPlainDecimal(const CString& text)
{
    int at = text.GetLength() > 0 && text[0] == u'-' ? 1 : 0;
    int digits = 0;
    bool point = false;
    for (; at < text.GetLength(); ++at) {
        if (isDigit(text[at]))
            ++digits;
        else if (text[at] == kPoint && !point)
            point = true;
        else
            return false;
    }
    return digits > 0;
}

/// Adds one unit in the place of the digit at index, carrying to the left over the point; a
/// carry out of the first digit puts a new '1' in front. True when that added a digit.
bool incrementAt(CString& text, int index)
{
    for (int at = index; at >= 0; --at) {
        const WCHAR c = text[at];
        if (c == kPoint)
            continue;
        if (!isDigit(c)) {
            text.Insert(at + 1, u'1');
            return true;
        }
        if (c != u'9') {
            text.SetAt(at, static_cast<WCHAR>(c + 1));
            return false;
        }
        text.SetAt(at, u'0');
    }
    text.Insert(0, u'1');
    return true;
}

}  // namespace

void limitSignificantDigits(CString& text, int maxDigits)
{
    if (maxDigits < 1 || !isPlainDecimal(text))
        return;
    // The index of the first digit beyond maxDigits significant ones.
    int significant = 0;
    int cut = -1;
    for (int at = 0; at < text.GetLength() && cut < 0; ++at) {
        const WCHAR c = text[at];
        if (!isDigit(c) || (significant == 0 && c == u'0'))
            continue;
        if (++significant > maxDigits)
            cut = at;
    }
    if (cut < 0)
        return;
    const bool roundUp = text[cut] >= u'5';
    int point = text.Find(kPoint);
    if (point < 0)
        point = text.GetLength();
    if (cut > point) {
        text.Truncate(cut);
    } else {
        // Whole digits beyond the limit become zeros; no decimal is held any more.
        text.Truncate(point);
        for (int at = cut; at < point; ++at)
            text.SetAt(at, u'0');
    }
    int last = text.GetLength() - 1;
    if (text[last] == kPoint)
        text.Truncate(last--);
    if (roundUp && incrementAt(text, cut > point ? last : cut - 1)) {
        // The carry made one digit more: the last decimal goes (it is a zero); a whole
        // number keeps its digits, the new one standing for the magnitude.
        const int newPoint = text.Find(kPoint);
        if (newPoint >= 0) {
            text.Truncate(text.GetLength() - 1);
            if (text[text.GetLength() - 1] == kPoint)
                text.Truncate(text.GetLength() - 1);
        }
    }
}
