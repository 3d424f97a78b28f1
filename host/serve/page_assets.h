// The page's files, built into the program so that it needs nothing beside it.
#pragma once
#include <cstddef>
#include <string>

namespace cadhost {

struct PageAsset {
    const char* name;
    const char* contentType;
    const unsigned char* data;
    std::size_t size;
};

/// The page's file of this name ("index.html", "page.js", "page.css"); null when none.
const PageAsset* findPageAsset(const std::string& name);

}  // namespace cadhost
