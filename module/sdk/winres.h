// The string table of a resource library. A library carries its strings in an exported array
// named by RESOURCE_STRING_TABLE_SYMBOL, ended by an entry with a null text; LoadStringW finds
// it there, as the host platform finds the STRINGTABLE of a library's resource section.
#pragma once
#include "win32.h"

struct RESOURCE_STRING_ENTRY {
    UINT id;
    const WCHAR* text;
};

#define RESOURCE_STRING_TABLE_SYMBOL "ResourceStringTable"
