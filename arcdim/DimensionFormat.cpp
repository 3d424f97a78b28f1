// The dimension variables of the jig and the pipeline every number of an arc dimension goes
// through: linear factor, the architecture distance formatter, zero suppression, separator.
#include "arcdim/DimensionFormat.h"

#include "acedads.h"
#include "aecexports.h"
#include "arcdim/KotaDP.h"
#include "geometry/SignificantDigits.h"

namespace {

constexpr int kSuppressTrailingZeros = 8;
constexpr int kSuppressLeadingZeros = 4;
constexpr ACHAR kDecimalPoint = ACRX_T('.');
constexpr ACHAR kZeroDigit = ACRX_T('0');

/// Result of readDimensionVariables when a variable could not be read.
constexpr int kVariableUnreadable = 2;

/// The string the architecture formatter fills: constructed by its resource library, destroyed
/// as an ordinary string when the guard goes.
class FormatterString {
public:
    FormatterString() : m_pString(AecResMgr_116_constructString(&m_storage)) {}
    ~FormatterString() { m_pString->~CString(); }
    FormatterString(const FormatterString&) = delete;
    FormatterString& operator=(const FormatterString&) = delete;
    CString& text() { return *m_pString; }

private:
    alignas(CString) unsigned char m_storage[sizeof(CString)];
    CString* m_pString;
};

/// The units selector the host gives the distance formatter; -1 when it holds no units context.
int unitsSelector()
{
    const AcDbHostApplicationServices* services = acdbHostApplicationServices();
    if (services == nullptr)
        return -1;
    const AcDbUnitsContext* context = services->unitsContext();
    return context == nullptr ? -1 : context->unitsSelector();
}

/// Removes the zeros that end the text after its first point, and the point if bare.
void removeTrailingZeros(CString& text)
{
    const int point = text.Find(kDecimalPoint);
    if (point < 0)
        return;
    int last = text.GetLength() - 1;
    while (last > point && text[last] == kZeroDigit)
        --last;
    if (last == point)
        --last;
    text.Truncate(last + 1);
}

/// Removes the zeros that start the text before its first point; nothing left gives "0".
void removeLeadingZeros(CString& text)
{
    const int point = text.Find(kDecimalPoint);
    const int bound = point < 0 ? text.GetLength() : point;
    int zeros = 0;
    while (zeros < bound && text[zeros] == kZeroDigit)
        ++zeros;
    text.Delete(0, zeros);
    if (text.IsEmpty())
        text = ACRX_T("0");
}

}  // namespace

void formatDistance(CString& text, double value, double factor)
{
    const int selector = unitsSelector();
    if (factor != 0.0)
        value *= factor;
    FormatterString formatted;
    AecBase_7415_formatDistance(value, formatted.text(), -1, selector);
    text = formatted.text();
}

void suppressZerosAndSetSeparator(CString& text, int zeroSuppression, ACHAR separator)
{
    if ((zeroSuppression & kSuppressTrailingZeros) != 0)
        removeTrailingZeros(text);
    if ((zeroSuppression & kSuppressLeadingZeros) != 0)
        removeLeadingZeros(text);
    if (separator == kDecimalPoint || separator == 0)
        return;
    const int point = text.Find(kDecimalPoint);
    if (point >= 0)
        text.SetAt(point, separator);
}

int CKotaDP::readDimensionVariables()
{
    resbuf value{};
    if (acedGetVar(ACRX_T("DIMDEC"), &value) != RTNORM)
        return kVariableUnreadable;
    m_dimDec = value.resval.rint;
    if (acedGetVar(ACRX_T("DIMRND"), &value) != RTNORM)
        return kVariableUnreadable;
    m_dimRnd = value.resval.rreal;
    if (acedGetVar(ACRX_T("DIMZIN"), &value) != RTNORM)
        return kVariableUnreadable;
    m_dimZin = value.resval.rint;
    if (acedGetVar(ACRX_T("DIMLFAC"), &value) != RTNORM)
        return kVariableUnreadable;
    m_dimLfac = value.resval.rreal;
    if (acedGetVar(ACRX_T("DIMDSEP"), &value) != RTNORM || value.restype != RTSTR ||
        value.resval.rstring == nullptr)
        return kVariableUnreadable;
    m_dimDsep = value.resval.rstring[0];
    acutDelString(value.resval.rstring);
    return 0;
}

void CKotaDP::formatDimensionValue(CString& text, double value) const
{
    formatDistance(text, value, m_dimLfac);
    limitSignificantDigits(text, kDoubleSignificantDigits);
    suppressZerosAndSetSeparator(text, m_dimZin, m_dimDsep);
}
