// A selection set of the host that is released on every way out of a command.
#pragma once
#include "adscodes.h"

/// Names a host selection set and releases it when it goes out of scope, unless it has been
/// released already (releaseSelectionSet clears a released name).
class CSelectionSetGuard {
public:
    /// Creates a new empty selection set; the name stays clear when the host refuses.
    CSelectionSetGuard();
    ~CSelectionSetGuard();
    CSelectionSetGuard(const CSelectionSetGuard&) = delete;
    CSelectionSetGuard& operator=(const CSelectionSetGuard&) = delete;

    /// The set's name, for the host calls that fill, read or replace it.
    ads_name& name() { return m_name; }

private:
    ads_name m_name;
};

/// Creates a new empty selection set in name; RTNORM on success, with name cleared otherwise.
int createEmptySelectionSet(ads_name& name);

/// Releases the set (when name is not clear) and clears its name.
void releaseSelectionSet(ads_name& name);

/// Whether name names no selection set.
bool isClearName(const ads_name& name);
