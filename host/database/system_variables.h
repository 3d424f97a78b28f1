// The typed store of system variables of the working drawing, with the host's type and range
// checks.
#pragma once
#include "adscodes.h"
#include <map>
#include <string>

namespace cadhost {

class SystemVariables {
public:
    enum class Type { Short, Real, String, Point3d };

    /// The variables of a new metric drawing: LUPREC 4, DIMZIN 8, DIMDEC 2, DIMDSEP ",",
    /// DIMLFAC 1.0, DIMRND 0.0, DIMSTYLE "ISO-25", ERRNO 0, and the others the host knows.
    SystemVariables();

    /// RTNORM with the value and its type in result (a string is allocated for the caller);
    /// RTERROR for an unknown name. Names are case-insensitive.
    int get(const ACHAR* name, resbuf* result) const;
    /// RTNORM when set; RTERROR for an unknown or read-only name, a wrong type or a value out
    /// of range (the value stays).
    int set(const ACHAR* name, const resbuf* value);

    bool isKnown(const std::string& name) const;
    Type typeOf(const std::string& name) const;
    /// Host-side access; the name must be known and of that type.
    short getShort(const std::string& name) const;
    double getReal(const std::string& name) const;
    std::u16string getString(const std::string& name) const;
    /// Host-side set with the same checks as set(); false when refused.
    bool setShort(const std::string& name, short value);
    bool setReal(const std::string& name, double value);
    bool setString(const std::string& name, const std::u16string& value);
    /// Parses text as the variable's type ("setvar NAME VALUE", "--set NAME=VALUE") and sets
    /// it; on failure returns false with a reason in error.
    bool setFromText(const std::string& name, const std::string& text, std::string& error);

private:
    struct Variable {
        Type type;
        short shortValue;
        double realValue;
        std::u16string stringValue;
        double pointValue[3];
        bool readOnly;
        double minimum;  ///< range of a Short or Real variable
        double maximum;
    };
    std::map<std::string, Variable> m_variables;  ///< by upper-case name
};

/// The system variables of the working drawing.
SystemVariables& systemVariables();

}  // namespace cadhost
