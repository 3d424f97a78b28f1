// ADS names: an entity's name is its database and handle; a selection set's name is the
// host's selection set tag and the set's number.
#pragma once
#include "adscodes.h"
#include "dbmain.h"
#include <cstddef>

namespace cadhost {

/// The ADS name of an object id.
void adsNameOf(AcDbObjectId id, ads_name name);
/// The object id an ADS name stands for; the null id when it names no live object.
AcDbObjectId objectIdOf(const ads_name name);
/// How many selection sets are allocated now (for tests: none left behind).
std::size_t selectionSetCount();

}  // namespace cadhost
