# Writes OUTPUT, a C++ file that holds the page's files (FILES, paths apart by "|") as byte
# arrays and the findPageAsset that finds them by name.
string(REPLACE "|" ";" FILES "${FILES}")
set(arrays "")
set(entries "")
set(index 0)
foreach(path IN LISTS FILES)
    get_filename_component(name "${path}" NAME)
    get_filename_component(extension "${path}" LAST_EXT)
    if(extension STREQUAL ".html")
        set(type "text/html; charset=utf-8")
    elseif(extension STREQUAL ".js")
        set(type "text/javascript; charset=utf-8")
    elseif(extension STREQUAL ".css")
        set(type "text/css; charset=utf-8")
    else()
        message(FATAL_ERROR "no content type for ${path}")
    endif()
    file(READ "${path}" hex HEX)
    string(LENGTH "${hex}" hexLength)
    math(EXPR size "${hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "const unsigned char kFile${index}[] = {\n    ${bytes}0};\n")
    string(APPEND entries "    {\"${name}\", \"${type}\", kFile${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.new" "// Made by embed_page.cmake from the page's files; do not edit.
#include \"serve/page_assets.h\"

namespace cadhost {

namespace {

${arrays}
const PageAsset kAssets[] = {
${entries}};

}  // namespace

const PageAsset* findPageAsset(const std::string& name)
{
    for (const PageAsset& asset : kAssets)
        if (name == asset.name)
            return &asset;
    return nullptr;
}

}  // namespace cadhost
")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
