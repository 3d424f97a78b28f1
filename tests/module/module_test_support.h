// Shared helpers of the module's tests: printing of host values in failure messages.
#pragma once
#include "acge.h"

#include <ostream>

/// Prints a vector as (x, y, z) in test failure messages.
inline std::ostream& operator<<(std::ostream& os, const AcGeVector3d& v)
{
    return os << '(' << v.x << ", " << v.y << ", " << v.z << ')';
}

/// Prints a point as (x, y, z) in test failure messages.
inline std::ostream& operator<<(std::ostream& os, const AcGePoint3d& p)
{
    return os << '(' << p.x << ", " << p.y << ", " << p.z << ')';
}
