// What kind of value a result buffer of a given type or group code holds.
#pragma once

namespace cadhost {

enum class ValueKind {
    None,    ///< no value (list brackets, T, nil, void, the extended data sentinel)
    String,  ///< rstring, owned by the record
    Point,   ///< rpoint
    Real,    ///< rreal
    Short,   ///< rint
    Long,    ///< rlong
    Name,    ///< rlname: an entity or selection set name
    Unknown  ///< a code the host does not take
};

/// The value kind of a result type (RT...) or a drawing-format group code. Exactly the kinds
/// String own their string: group codes 0-9, 100, 102, 105, 300-369, 390-399, 410-419,
/// 999-1009, and the result type RTSTR.
ValueKind resultValueKind(int code);

}  // namespace cadhost
