#include "cadhost/module_exports.h"

#include <algorithm>
#include <cstring>
#include <elf.h>
#include <fstream>
#include <iterator>

namespace cadhost {

namespace {

/// A record of type T at offset in the file, when all of it lies inside.
template <typename T>
bool recordAt(const std::string& file, std::size_t offset, T& record)
{
    if (offset > file.size() || file.size() - offset < sizeof(T))
        return false;
    std::memcpy(&record, file.data() + offset, sizeof(T));
    return true;
}

bool isOwnFileHeader(const Elf64_Ehdr& header)
{
    const bool littleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
    return std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
           header.e_ident[EI_CLASS] == ELFCLASS64 &&
           header.e_ident[EI_DATA] == (littleEndian ? ELFDATA2LSB : ELFDATA2MSB) &&
           header.e_shentsize == sizeof(Elf64_Shdr);
}

bool isExportedFunction(const Elf64_Sym& symbol)
{
    const unsigned bind = ELF64_ST_BIND(symbol.st_info);
    const unsigned visibility = ELF64_ST_VISIBILITY(symbol.st_other);
    return ELF64_ST_TYPE(symbol.st_info) == STT_FUNC && symbol.st_shndx != SHN_UNDEF &&
           (bind == STB_GLOBAL || bind == STB_WEAK) &&
           (visibility == STV_DEFAULT || visibility == STV_PROTECTED);
}

}  // namespace

std::vector<std::string> exportedFunctionNames(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Elf64_Ehdr header;
    if (!recordAt(file, 0, header) || !isOwnFileHeader(header))
        return {};
    std::vector<std::string> names;
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr symbols;
        Elf64_Shdr strings;
        if (!recordAt(file, header.e_shoff + i * sizeof(Elf64_Shdr), symbols) ||
            symbols.sh_type != SHT_DYNSYM || symbols.sh_entsize != sizeof(Elf64_Sym) ||
            !recordAt(file, header.e_shoff + symbols.sh_link * sizeof(Elf64_Shdr), strings) ||
            strings.sh_offset > file.size() || file.size() - strings.sh_offset < strings.sh_size)
            continue;
        for (std::size_t at = 0; at + sizeof(Elf64_Sym) <= symbols.sh_size; at += sizeof(Elf64_Sym)) {
            Elf64_Sym symbol;
            if (!recordAt(file, symbols.sh_offset + at, symbol) || !isExportedFunction(symbol) ||
                symbol.st_name >= strings.sh_size)
                continue;
            const char* name = file.data() + strings.sh_offset + symbol.st_name;
            names.emplace_back(name, strnlen(name, strings.sh_size - symbol.st_name));
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace cadhost
