#include "mfc/wide_format.h"

#include "mfc/utf_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace cadhost {

namespace {

enum class Length { None, Char, Short, Long, LongLong, Size, IntMax, PtrDiff, Int64, LongDouble };

/// One parsed conversion directive.
struct Directive {
    std::string flags;
    bool leftAlign = false;
    int width = -1;
    int precision = -1;
    Length length = Length::None;
    char conversion = 0;
};

bool isFlag(char16_t c)
{
    return c == u'-' || c == u'+' || c == u' ' || c == u'#' || c == u'0';
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

/// Reads digits at p; the value saturates so that huge widths cannot overflow.
int readNumber(const char16_t*& p)
{
    long value = 0;
    while (isDigit(*p)) {
        if (value < 100000)
            value = value * 10 + (*p - u'0');
        ++p;
    }
    return static_cast<int>(value);
}

Length readLength(const char16_t*& p)
{
    switch (*p) {
    case u'h':
        ++p;
        if (*p == u'h') {
            ++p;
            return Length::Char;
        }
        return Length::Short;
    case u'l':
        ++p;
        if (*p == u'l') {
            ++p;
            return Length::LongLong;
        }
        return Length::Long;
    case u'w':
        ++p;
        return Length::Long;
    case u'z':
        ++p;
        return Length::Size;
    case u'j':
        ++p;
        return Length::IntMax;
    case u't':
        ++p;
        return Length::PtrDiff;
    case u'L':
        ++p;
        return Length::LongDouble;
    case u'I':
        if (p[1] == u'6' && p[2] == u'4') {
            p += 3;
            return Length::Int64;
        }
        return Length::None;
    default:
        return Length::None;
    }
}

/// The narrow printf directive for a numeric conversion.
std::string narrowDirective(const Directive& directive, const char* lengthText)
{
    std::string text = "%" + directive.flags;
    if (directive.width >= 0)
        text += std::to_string(directive.width);
    if (directive.precision >= 0)
        text += "." + std::to_string(directive.precision);
    text += lengthText;
    text += directive.conversion;
    return text;
}

template <class T>
std::u16string printNumber(const Directive& directive, const char* lengthText, T value)
{
    const std::string format = narrowDirective(directive, lengthText);
    const int needed = std::snprintf(nullptr, 0, format.c_str(), value);
    if (needed <= 0)
        return {};
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::snprintf(buffer.data(), buffer.size(), format.c_str(), value);
    return std::u16string(buffer.begin(), buffer.begin() + needed);
}

/// Pads text to the directive's width, on the left unless '-' was given.
std::u16string pad(std::u16string text, const Directive& directive)
{
    if (directive.width > 0 && text.size() < static_cast<std::size_t>(directive.width)) {
        const std::u16string blanks(static_cast<std::size_t>(directive.width) - text.size(), u' ');
        text = directive.leftAlign ? text + blanks : blanks + text;
    }
    return text;
}

std::u16string limit(std::u16string text, const Directive& directive)
{
    if (directive.precision >= 0 && text.size() > static_cast<std::size_t>(directive.precision))
        text.resize(static_cast<std::size_t>(directive.precision));
    return text;
}

std::u16string formatSigned(const Directive& directive, va_list* ap)
{
    switch (directive.length) {
    case Length::Char:
        return printNumber(directive, "", static_cast<int>(static_cast<signed char>(va_arg(*ap, int))));
    case Length::Short:
        return printNumber(directive, "", static_cast<int>(static_cast<short>(va_arg(*ap, int))));
    case Length::Long:
        return printNumber(directive, "l", va_arg(*ap, long));
    case Length::LongLong:
    case Length::Int64:
        return printNumber(directive, "ll", va_arg(*ap, long long));
    case Length::Size:
    case Length::PtrDiff:
        return printNumber(directive, "ll", static_cast<long long>(va_arg(*ap, std::ptrdiff_t)));
    case Length::IntMax:
        return printNumber(directive, "ll", static_cast<long long>(va_arg(*ap, std::intmax_t)));
    default:
        return printNumber(directive, "", va_arg(*ap, int));
    }
}

std::u16string formatUnsigned(const Directive& directive, va_list* ap)
{
    switch (directive.length) {
    case Length::Char:
        return printNumber(directive, "",
                           static_cast<unsigned>(static_cast<unsigned char>(va_arg(*ap, unsigned))));
    case Length::Short:
        return printNumber(directive, "",
                           static_cast<unsigned>(static_cast<unsigned short>(va_arg(*ap, unsigned))));
    case Length::Long:
        return printNumber(directive, "l", va_arg(*ap, unsigned long));
    case Length::LongLong:
    case Length::Int64:
        return printNumber(directive, "ll", va_arg(*ap, unsigned long long));
    case Length::Size:
    case Length::PtrDiff:
        return printNumber(directive, "ll", static_cast<unsigned long long>(va_arg(*ap, std::size_t)));
    case Length::IntMax:
        return printNumber(directive, "ll", static_cast<unsigned long long>(va_arg(*ap, std::uintmax_t)));
    default:
        return printNumber(directive, "", va_arg(*ap, unsigned));
    }
}

std::u16string formatFloating(const Directive& directive, va_list* ap)
{
    if (directive.length == Length::LongDouble)
        return printNumber(directive, "L", va_arg(*ap, long double));
    return printNumber(directive, "", va_arg(*ap, double));
}

std::u16string formatString(const Directive& directive, bool narrow, va_list* ap)
{
    std::u16string text;
    if (narrow) {
        const char* value = va_arg(*ap, const char*);
        text = value == nullptr ? u"(null)" : utf16FromUtf8(value);
    } else {
        const char16_t* value = va_arg(*ap, const char16_t*);
        text = value == nullptr ? u"(null)" : std::u16string(value);
    }
    return pad(limit(std::move(text), directive), directive);
}

std::u16string formatCharacter(const Directive& directive, bool narrow, va_list* ap)
{
    const int value = va_arg(*ap, int);
    const char16_t unit = narrow ? static_cast<char16_t>(static_cast<unsigned char>(value))
                                 : static_cast<char16_t>(value);
    return pad(std::u16string(1, unit), directive);
}

}  // namespace

std::u16string formatWide(const char16_t* format, va_list args)
{
    std::u16string out;
    if (format == nullptr)
        return out;
    va_list ap;
    va_copy(ap, args);
    const char16_t* p = format;
    while (*p != 0) {
        if (*p != u'%') {
            out += *p++;
            continue;
        }
        const char16_t* start = p++;
        if (*p == u'%') {
            out += u'%';
            ++p;
            continue;
        }
        Directive directive;
        while (isFlag(*p)) {
            if (*p == u'-')
                directive.leftAlign = true;
            directive.flags += static_cast<char>(*p++);
        }
        if (*p == u'*') {
            ++p;
            directive.width = va_arg(ap, int);
            if (directive.width < 0) {
                directive.leftAlign = true;
                directive.flags += '-';
                directive.width = -directive.width;
            }
        } else if (isDigit(*p)) {
            directive.width = readNumber(p);
        }
        if (*p == u'.') {
            ++p;
            if (*p == u'*') {
                ++p;
                directive.precision = va_arg(ap, int);
                if (directive.precision < 0)
                    directive.precision = -1;
            } else {
                directive.precision = readNumber(p);
            }
        }
        directive.length = readLength(p);
        const char16_t conversion = *p;
        if (conversion == 0) {
            out.append(start, p);
            break;
        }
        ++p;
        directive.conversion = static_cast<char>(conversion);
        switch (conversion) {
        case u'd':
        case u'i':
            out += formatSigned(directive, &ap);
            break;
        case u'u':
        case u'o':
        case u'x':
        case u'X':
            out += formatUnsigned(directive, &ap);
            break;
        case u'e':
        case u'E':
        case u'f':
        case u'F':
        case u'g':
        case u'G':
        case u'a':
        case u'A':
            out += formatFloating(directive, &ap);
            break;
        case u's':
            out += formatString(directive, directive.length == Length::Short, &ap);
            break;
        case u'S':
            out += formatString(directive, directive.length != Length::Long, &ap);
            break;
        case u'c':
            out += formatCharacter(directive, directive.length == Length::Short, &ap);
            break;
        case u'C':
            out += formatCharacter(directive, directive.length != Length::Long, &ap);
            break;
        case u'p':
            directive.length = Length::None;
            out += printNumber(directive, "", va_arg(ap, void*));
            break;
        case u'n':
            // Writing through an argument pointer is refused; the argument is skipped.
            va_arg(ap, void*);
            break;
        default:
            out.append(start, p);
            break;
        }
    }
    va_end(ap);
    return out;
}

std::u16string formatWideArgs(const char16_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::u16string text = formatWide(format, args);
    va_end(args);
    return text;
}

}  // namespace cadhost
