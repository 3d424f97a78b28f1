// The functions a module's file exports, read from its dynamic symbol table, as the host lists a
// module's export table.
#pragma once
#include <string>
#include <vector>

namespace cadhost {

/// The names of the functions the shared library at path defines and exports (global or weak,
/// default or protected visibility), sorted; empty when the file cannot be read or is no
/// 64-bit ELF file of this machine's byte order.
std::vector<std::string> exportedFunctionNames(const std::string& path);

}  // namespace cadhost
