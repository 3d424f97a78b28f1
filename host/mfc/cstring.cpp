#include "afxwin.h"
#include "mfc/wide_format.h"

#include <algorithm>

namespace {

/// The lower-case form of a UTF-16 unit for comparisons: ASCII, Latin-1 and Latin Extended-A
/// letters (the Czech letters among them); other units stay as they are.
char16_t foldCase(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + 32);
    if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7)
        return static_cast<char16_t>(c + 32);
    if (c >= 0x0100 && c <= 0x017F) {
        // Upper/lower pairs: even/odd, except 0x139-0x148 and 0x179-0x17E, which are odd/even.
        const bool oddUpper = (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
        if (c == 0x0130 || c == 0x0131 || c == 0x0138 || c == 0x0149 || c == 0x017F)
            return c;
        if (c == 0x0178)
            return 0x00FF;
        const bool isUpper = oddUpper ? (c % 2 == 1) : (c % 2 == 0);
        return isUpper ? static_cast<char16_t>(c + 1) : c;
    }
    return c;
}

std::size_t lengthOf(const WCHAR* text)
{
    std::size_t length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

int clampIndex(int index, int length)
{
    return std::max(0, std::min(index, length));
}

}  // namespace

CString::CString(const WCHAR* text)
{
    if (text != nullptr)
        m_str.assign(text, lengthOf(text));
}

CString::CString(const WCHAR* text, int length)
{
    if (text != nullptr && length > 0)
        m_str.assign(text, static_cast<std::size_t>(length));
}

CString::CString(WCHAR ch, int repeat)
{
    if (repeat > 0)
        m_str.assign(static_cast<std::size_t>(repeat), ch);
}

CString& CString::operator=(const WCHAR* text)
{
    if (text == nullptr)
        m_str.clear();
    else
        m_str = std::u16string(text, lengthOf(text));
    return *this;
}

WCHAR CString::GetAt(int index) const
{
    // Reading at the length gives the terminating zero, as the platform's string does.
    if (index < 0 || index > GetLength())
        return 0;
    return index == GetLength() ? WCHAR(0) : m_str[static_cast<std::size_t>(index)];
}

void CString::SetAt(int index, WCHAR ch)
{
    if (index >= 0 && index < GetLength())
        m_str[static_cast<std::size_t>(index)] = ch;
}

int CString::Find(WCHAR ch, int start) const
{
    if (start < 0 || start >= GetLength())
        return -1;
    const std::size_t found = m_str.find(ch, static_cast<std::size_t>(start));
    return found == std::u16string::npos ? -1 : static_cast<int>(found);
}

int CString::Find(const WCHAR* sub, int start) const
{
    if (sub == nullptr || start < 0 || start > GetLength())
        return -1;
    const std::size_t found = m_str.find(sub, static_cast<std::size_t>(start), lengthOf(sub));
    return found == std::u16string::npos ? -1 : static_cast<int>(found);
}

CString CString::Left(int count) const
{
    const int kept = clampIndex(count, GetLength());
    return CString(m_str.data(), kept);
}

CString CString::Right(int count) const
{
    const int kept = clampIndex(count, GetLength());
    return CString(m_str.data() + (GetLength() - kept), kept);
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    const int begin = clampIndex(first, GetLength());
    const int kept = clampIndex(count, GetLength() - begin);
    return CString(m_str.data() + begin, kept);
}

int CString::Delete(int index, int count)
{
    const int length = GetLength();
    if (index < 0)
        index = 0;
    if (count > 0 && index < length) {
        const int removed = std::min(count, length - index);
        m_str.erase(static_cast<std::size_t>(index), static_cast<std::size_t>(removed));
    }
    return GetLength();
}

int CString::Insert(int index, WCHAR ch)
{
    m_str.insert(static_cast<std::size_t>(clampIndex(index, GetLength())), 1, ch);
    return GetLength();
}

int CString::Insert(int index, const WCHAR* text)
{
    if (text != nullptr)
        m_str.insert(static_cast<std::size_t>(clampIndex(index, GetLength())), text,
                     lengthOf(text));
    return GetLength();
}

void CString::Truncate(int length)
{
    m_str.resize(static_cast<std::size_t>(clampIndex(length, GetLength())));
}

int CString::Replace(WCHAR oldCh, WCHAR newCh)
{
    if (oldCh == newCh)
        return 0;
    int replaced = 0;
    for (char16_t& unit : m_str)
        if (unit == oldCh) {
            unit = newCh;
            ++replaced;
        }
    return replaced;
}

int CString::CompareNoCase(const WCHAR* other) const
{
    const std::u16string right = other != nullptr ? std::u16string(other) : std::u16string();
    const std::size_t common = std::min(m_str.size(), right.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t a = foldCase(m_str[i]);
        const char16_t b = foldCase(right[i]);
        if (a != b)
            return a < b ? -1 : 1;
    }
    if (m_str.size() == right.size())
        return 0;
    return m_str.size() < right.size() ? -1 : 1;
}

CString& CString::operator+=(const CString& other)
{
    m_str += other.m_str;
    return *this;
}

CString& CString::operator+=(const WCHAR* text)
{
    if (text != nullptr)
        m_str.append(text, lengthOf(text));
    return *this;
}

CString& CString::operator+=(WCHAR ch)
{
    m_str += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b)
{
    CString sum(a);
    sum += b;
    return sum;
}

bool operator==(const CString& a, const WCHAR* b)
{
    if (b == nullptr)
        return a.IsEmpty();
    return a.m_str == std::u16string(b, lengthOf(b));
}

BOOL CString::LoadString(UINT id)
{
    m_str.clear();
    // Asked with a size of zero, the platform hands out the text itself and its length.
    const WCHAR* text = nullptr;
    const int length = LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr)
        return FALSE;
    m_str.assign(text, static_cast<std::size_t>(length));
    return TRUE;
}

void CString::Format(const WCHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const WCHAR* format, va_list args)
{
    m_str = cadhost::formatWide(format, args);
}

void CString::AppendFormat(const WCHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    m_str += cadhost::formatWide(format, args);
    va_end(args);
}
