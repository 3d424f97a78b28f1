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
    /// The range a Short or Real variable takes; false for other names.
    bool rangeOf(const std::string& name, double& minimum, double& maximum) const;
    /// Host-side access; the name must be known and of that type.
    short getShort(const std::string& name) const;
    double getReal(const std::string& name) const;
    std::u16string getString(const std::string& name) const;
    /// Host-side set with the same checks as set(); false when refused.
    bool setShort(const std::string& name, short value);
    bool setReal(const std::string& name, double value);
    bool setString(const std::string& name, const std::u16string& value);
    /// Host-internal: sets a string variable that users may not set (DIMSTYLE follows the
    /// drawing's current dimension style); the name must be known and a string.
    void assignString(const std::string& name, const std::u16string& value);
    /// Parses text as the variable's type ("setvar NAME VALUE", "--set NAME=VALUE") and sets
    /// it; on failure returns false with a reason in error.
    bool setFromText(const std::string& name, const std::string& text, std::string& error);

private:
    struct Variable {
        Type type = Type::Short;
        short shortValue = 0;
        double realValue = 0.0;
        std::u16string stringValue;
        double pointValue[3] = {0.0, 0.0, 0.0};
        bool readOnly = false;
        double minimum = 0.0;  ///< range of a Short or Real variable
        double maximum = 0.0;
        bool nonZero = false;  ///< a Real variable that refuses 0
        int maxLength = -1;    ///< the longest text a String variable takes; -1: any
    };
    /// Whether value may be stored in variable (type, range, length).
    static bool accepts(const Variable& variable, const resbuf& value);
    /// The values variable takes, in words, for error messages.
    static std::string rangeText(const Variable& variable);
    /// Records the change in the session's record.
    static void recordSet(const std::string& name, const std::string& value);
    Variable* find(const std::string& name);
    const Variable* find(const std::string& name) const;

    std::map<std::string, Variable> m_variables;  ///< by upper-case name
};

/// The system variables of the working drawing.
SystemVariables& systemVariables();

}  // namespace cadhost
