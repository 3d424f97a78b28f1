// The system variables of a drawing: defaults of a new metric drawing, typed access and the
// host's type and range checks.
#include "database/system_variables.h"
#include "database/database_impl.h"
#include "mfc/utf_text.h"
#include "session/recorder.h"
#include "session/session.h"
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>

namespace cadhost {

namespace {

std::string upperCase(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string formatReal(double value)
{
    std::ostringstream text;
    text.precision(17);
    text << value;
    return text.str();
}

/// Reads a whole decimal number; false unless the text is one number and nothing else.
bool parseReal(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

ACHAR* newHostString(const std::u16string& text)
{
    ACHAR* copy = static_cast<ACHAR*>(std::malloc((text.size() + 1) * sizeof(ACHAR)));
    if (copy != nullptr)
        std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(ACHAR));
    return copy;
}

}  // namespace

SystemVariables::SystemVariables()
{
    auto addShort = [this](const char* name, short value, short minimum, short maximum) {
        Variable v;
        v.type = Type::Short;
        v.shortValue = value;
        v.minimum = minimum;
        v.maximum = maximum;
        m_variables[name] = v;
    };
    auto addReal = [this](const char* name, double value, double minimum, double maximum,
                          bool nonZero) {
        Variable v;
        v.type = Type::Real;
        v.realValue = value;
        v.minimum = minimum;
        v.maximum = maximum;
        v.nonZero = nonZero;
        m_variables[name] = v;
    };
    auto addString = [this](const char* name, const std::u16string& value, bool readOnly,
                            int maxLength) {
        Variable v;
        v.type = Type::String;
        v.stringValue = value;
        v.readOnly = readOnly;
        v.maxLength = maxLength;
        m_variables[name] = v;
    };
    constexpr double kAny = std::numeric_limits<double>::max();
    // Units of a metric drawing: decimal lengths in millimetres, angles in degrees.
    addShort("LUNITS", 2, 1, 5);
    addShort("LUPREC", 4, 0, 8);
    addShort("AUNITS", 0, 0, 4);
    addShort("AUPREC", 0, 0, 8);
    addShort("ANGDIR", 0, 0, 1);
    addReal("ANGBASE", 0.0, -kAny, kAny, false);
    addShort("INSUNITS", 4, 0, 24);
    addShort("MEASUREMENT", 1, 0, 1);
    // Dimension variables of the style ISO-25.
    addShort("DIMDEC", 2, 0, 8);
    addShort("DIMADEC", 0, -1, 8);
    addShort("DIMZIN", 8, 0, 15);
    addShort("DIMAZIN", 0, 0, 3);
    addReal("DIMLFAC", 1.0, -kAny, kAny, true);
    addReal("DIMRND", 0.0, 0.0, kAny, false);
    addReal("DIMSCALE", 1.0, 0.0, kAny, false);
    addReal("DIMASZ", 2.5, 0.0, kAny, false);
    addReal("DIMTXT", 2.5, 0.0, kAny, false);
    addReal("DIMEXO", 0.625, 0.0, kAny, false);
    addReal("DIMEXE", 1.25, 0.0, kAny, false);
    addReal("DIMGAP", 0.625, -kAny, kAny, false);
    // The decimal separator is one character; empty leaves dimension texts without one.
    addString("DIMDSEP", u",", false, 1);
    addString("DIMSTYLE", u"ISO-25", true, -1);
    // The code of the last error of an editor or ADS call; the host sets it, and so may users.
    addShort("ERRNO", 0, std::numeric_limits<short>::min(), std::numeric_limits<short>::max());
    Variable insbase;
    insbase.type = Type::Point3d;
    m_variables["INSBASE"] = insbase;
}

bool SystemVariables::rangeOf(const std::string& name, double& minimum, double& maximum) const
{
    const Variable* v = find(name);
    if (v == nullptr || (v->type != Type::Short && v->type != Type::Real))
        return false;
    minimum = v->minimum;
    maximum = v->maximum;
    return true;
}

std::string SystemVariables::rangeText(const Variable& v)
{
    const double kAny = std::numeric_limits<double>::max();
    switch (v.type) {
    case Type::String:
        return v.maxLength < 0 ? "any text"
                               : "at most " + std::to_string(v.maxLength) + " character" +
                                     (v.maxLength == 1 ? "" : "s");
    case Type::Point3d:
        return "a point";
    default:
        break;
    }
    const auto shown = [&v](double bound) {
        return v.type == Type::Short ? std::to_string(static_cast<int>(bound)) : formatReal(bound);
    };
    std::string range;
    if (v.minimum == -kAny && v.maximum == kAny)
        range = "any number";
    else if (v.maximum == kAny)
        range = shown(v.minimum) + " or more";
    else
        range = shown(v.minimum) + " to " + shown(v.maximum);
    return v.nonZero ? range + ", not 0" : range;
}

SystemVariables::Variable* SystemVariables::find(const std::string& name)
{
    auto found = m_variables.find(upperCase(name));
    return found == m_variables.end() ? nullptr : &found->second;
}

const SystemVariables::Variable* SystemVariables::find(const std::string& name) const
{
    auto found = m_variables.find(upperCase(name));
    return found == m_variables.end() ? nullptr : &found->second;
}

bool SystemVariables::accepts(const Variable& variable, const resbuf& value)
{
    switch (variable.type) {
    case Type::Short:
        return value.restype == RTSHORT && value.resval.rint >= variable.minimum &&
               value.resval.rint <= variable.maximum;
    case Type::Real: {
        double real = 0.0;
        if (value.restype == RTREAL)
            real = value.resval.rreal;
        else if (value.restype == RTSHORT)
            real = value.resval.rint;
        else
            return false;
        return std::isfinite(real) && real >= variable.minimum && real <= variable.maximum &&
               !(variable.nonZero && real == 0.0);
    }
    case Type::String: {
        if (value.restype != RTSTR || value.resval.rstring == nullptr)
            return false;
        const std::size_t length = std::char_traits<char16_t>::length(value.resval.rstring);
        return variable.maxLength < 0 || length <= static_cast<std::size_t>(variable.maxLength);
    }
    case Type::Point3d:
        return (value.restype == RT3DPOINT || value.restype == RTPOINT) &&
               std::isfinite(value.resval.rpoint[0]) && std::isfinite(value.resval.rpoint[1]) &&
               (value.restype == RTPOINT || std::isfinite(value.resval.rpoint[2]));
    }
    return false;
}

void SystemVariables::recordSet(const std::string& name, const std::string& value)
{
    RecordedEvent event;
    event.kind = RecordedEvent::Kind::SysVarSet;
    event.text = name + "=" + value;
    recorder().record(std::move(event));
}

int SystemVariables::get(const ACHAR* name, resbuf* result) const
{
    if (name == nullptr || result == nullptr)
        return RTERROR;
    const Variable* v = find(utf8FromUtf16(name));
    if (v == nullptr)
        return RTERROR;
    switch (v->type) {
    case Type::Short:
        result->restype = RTSHORT;
        result->resval.rint = v->shortValue;
        break;
    case Type::Real:
        result->restype = RTREAL;
        result->resval.rreal = v->realValue;
        break;
    case Type::String:
        result->restype = RTSTR;
        result->resval.rstring = newHostString(v->stringValue);
        if (result->resval.rstring == nullptr)
            return RTERROR;
        break;
    case Type::Point3d:
        result->restype = RT3DPOINT;
        for (int i = 0; i < 3; ++i)
            result->resval.rpoint[i] = v->pointValue[i];
        break;
    }
    return RTNORM;
}

int SystemVariables::set(const ACHAR* name, const resbuf* value)
{
    if (name == nullptr || value == nullptr)
        return RTERROR;
    const std::string key = upperCase(utf8FromUtf16(name));
    Variable* v = find(key);
    if (v == nullptr || v->readOnly || !accepts(*v, *value))
        return RTERROR;
    std::string shown;
    switch (v->type) {
    case Type::Short:
        v->shortValue = value->resval.rint;
        shown = std::to_string(v->shortValue);
        break;
    case Type::Real:
        v->realValue = value->restype == RTREAL ? value->resval.rreal : value->resval.rint;
        shown = formatReal(v->realValue);
        break;
    case Type::String:
        v->stringValue = value->resval.rstring;
        shown = utf8FromUtf16(v->stringValue);
        break;
    case Type::Point3d:
        v->pointValue[0] = value->resval.rpoint[0];
        v->pointValue[1] = value->resval.rpoint[1];
        v->pointValue[2] = value->restype == RT3DPOINT ? value->resval.rpoint[2] : 0.0;
        shown = formatReal(v->pointValue[0]) + "," + formatReal(v->pointValue[1]) + "," +
                formatReal(v->pointValue[2]);
        break;
    }
    recordSet(key, shown);
    return RTNORM;
}

bool SystemVariables::isKnown(const std::string& name) const
{
    return find(name) != nullptr;
}

SystemVariables::Type SystemVariables::typeOf(const std::string& name) const
{
    const Variable* v = find(name);
    return v != nullptr ? v->type : Type::Short;
}

short SystemVariables::getShort(const std::string& name) const
{
    const Variable* v = find(name);
    return v != nullptr && v->type == Type::Short ? v->shortValue : 0;
}

double SystemVariables::getReal(const std::string& name) const
{
    const Variable* v = find(name);
    return v != nullptr && v->type == Type::Real ? v->realValue : 0.0;
}

std::u16string SystemVariables::getString(const std::string& name) const
{
    const Variable* v = find(name);
    return v != nullptr && v->type == Type::String ? v->stringValue : std::u16string();
}

bool SystemVariables::setShort(const std::string& name, short value)
{
    resbuf rb{};
    rb.restype = RTSHORT;
    rb.resval.rint = value;
    return set(utf16FromUtf8(name).c_str(), &rb) == RTNORM;
}

bool SystemVariables::setReal(const std::string& name, double value)
{
    resbuf rb{};
    rb.restype = RTREAL;
    rb.resval.rreal = value;
    return set(utf16FromUtf8(name).c_str(), &rb) == RTNORM;
}

bool SystemVariables::setString(const std::string& name, const std::u16string& value)
{
    std::u16string copy = value;
    resbuf rb{};
    rb.restype = RTSTR;
    rb.resval.rstring = copy.data();
    return set(utf16FromUtf8(name).c_str(), &rb) == RTNORM;
}

void SystemVariables::assignString(const std::string& name, const std::u16string& value)
{
    Variable* v = find(name);
    if (v != nullptr && v->type == Type::String)
        v->stringValue = value;
}

bool SystemVariables::setFromText(const std::string& name, const std::string& text,
                                  std::string& error)
{
    const Variable* v = find(name);
    if (v == nullptr) {
        error = "unknown system variable " + name;
        return false;
    }
    if (v->readOnly) {
        error = upperCase(name) + " is read-only";
        return false;
    }
    bool parsed = false;
    resbuf rb{};
    std::u16string textValue;
    switch (v->type) {
    case Type::Short: {
        double number = 0.0;
        parsed = parseReal(text, number) && number == std::floor(number) &&
                 number >= std::numeric_limits<short>::min() &&
                 number <= std::numeric_limits<short>::max() &&
                 text.find_first_of(".eE") == std::string::npos;
        rb.restype = RTSHORT;
        rb.resval.rint = parsed ? static_cast<short>(number) : 0;
        if (!parsed)
            error = upperCase(name) + " takes an integer, not \"" + text + "\"";
        break;
    }
    case Type::Real:
        parsed = parseReal(text, rb.resval.rreal);
        rb.restype = RTREAL;
        if (!parsed)
            error = upperCase(name) + " takes a number, not \"" + text + "\"";
        break;
    case Type::String:
        textValue = utf16FromUtf8(text);
        rb.restype = RTSTR;
        rb.resval.rstring = textValue.data();
        parsed = true;
        break;
    case Type::Point3d: {
        std::istringstream parts(text);
        std::string part;
        int count = 0;
        parsed = true;
        while (std::getline(parts, part, ',') && parsed) {
            parsed = count < 3 && parseReal(part, rb.resval.rpoint[count]);
            ++count;
        }
        parsed = parsed && count >= 2;
        rb.restype = RT3DPOINT;
        if (!parsed)
            error = upperCase(name) + " takes a point x,y[,z], not \"" + text + "\"";
        break;
    }
    }
    if (!parsed)
        return false;
    if (set(utf16FromUtf8(name).c_str(), &rb) != RTNORM) {
        error = upperCase(name) + ": \"" + text + "\" is out of range (" + rangeText(*v) + ")";
        return false;
    }
    return true;
}

SystemVariables& systemVariables()
{
    return workingDatabase()->impl().systemVariables();
}

}  // namespace cadhost
