#include "mfc/pe_image.h"

#include <algorithm>

namespace cadhost {

namespace {

// The image headers (all fields little-endian).
constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kNewHeaderPointer = 0x3C;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kExecutableImage = 0x0002;
constexpr std::uint16_t kDll = 0x2000;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kEntryPointField = 16;
constexpr std::size_t kRvaCountField = 108;
constexpr std::size_t kDataDirectories = 112;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint16_t kMostSections = 96;

// The resource directory: a tree of type, name and language directories whose leaves are data
// entries. Offsets in it count from its own start; a data entry gives an image address.
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kDirectoryEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
constexpr std::uint32_t kStringType = 6;  // RT_STRING
constexpr std::uint32_t kStringsPerBlock = 16;
constexpr std::uint32_t kLastStringId = 0xFFFF;

}  // namespace

PeImage::PeImage(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size)
{
    m_problem = readHeaders();
    if (!m_problem.empty()) {
        m_sections.clear();
        m_resourceSize = 0;
    }
}

std::uint16_t PeImage::read16(std::size_t offset) const
{
    return static_cast<std::uint16_t>(m_data[offset] | m_data[offset + 1] << 8);
}

std::uint32_t PeImage::read32(std::size_t offset) const
{
    return static_cast<std::uint32_t>(read16(offset)) |
           static_cast<std::uint32_t>(read16(offset + 2)) << 16;
}

std::string PeImage::readHeaders()
{
    if (m_size < kDosHeaderSize || m_data[0] != 'M' || m_data[1] != 'Z')
        return "not a Windows library (no MZ header)";
    const std::uint64_t peHeader = read32(kNewHeaderPointer);
    const std::uint64_t fileHeader = peHeader + 4;
    const std::uint64_t optionalHeader = fileHeader + kFileHeaderSize;
    if (optionalHeader > m_size || m_data[peHeader] != 'P' || m_data[peHeader + 1] != 'E' ||
        m_data[peHeader + 2] != 0 || m_data[peHeader + 3] != 0)
        return "not a Windows library (no PE header)";
    if (read16(fileHeader) != kMachineAmd64)
        return "not a library for x86-64";
    const std::uint16_t sectionCount = read16(fileHeader + 2);
    const std::uint16_t optionalHeaderSize = read16(fileHeader + 16);
    const std::uint16_t characteristics = read16(fileHeader + 18);
    if ((characteristics & kExecutableImage) == 0 || (characteristics & kDll) == 0)
        return "not a library (DLL) image";
    if (optionalHeaderSize < kDataDirectories || optionalHeader + optionalHeaderSize > m_size)
        return "the optional header is cut short";
    if (read16(optionalHeader) != kPe32PlusMagic)
        return "not a PE32+ image";
    if (read32(optionalHeader + kEntryPointField) != 0)
        return "the library has code (an entry point), which this host cannot run";

    const std::uint64_t directoryCount =
        std::min<std::uint64_t>(read32(optionalHeader + kRvaCountField),
                                (optionalHeaderSize - kDataDirectories) / 8);
    if (directoryCount > kResourceDirectoryIndex) {
        const std::size_t entry = optionalHeader + kDataDirectories + 8 * kResourceDirectoryIndex;
        m_resourceRva = read32(entry);
        m_resourceSize = read32(entry + 4);
    }

    if (sectionCount > kMostSections)
        return "too many sections";
    const std::uint64_t sectionTable = optionalHeader + optionalHeaderSize;
    if (sectionTable + std::uint64_t{sectionCount} * kSectionHeaderSize > m_size)
        return "the section table is cut short";
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::size_t header = sectionTable + std::size_t{i} * kSectionHeaderSize;
        const std::uint32_t virtualSize = read32(header + 8);
        const std::uint32_t rawSize = read32(header + 16);
        const std::uint32_t rawOffset = read32(header + 20);
        if (std::uint64_t{rawOffset} + rawSize > m_size)
            return "section " + std::to_string(i + 1) + " runs past the end of the file";
        // Bytes of the file past the section's size in memory are not mapped.
        const std::uint32_t mapped = virtualSize == 0 ? rawSize : std::min(virtualSize, rawSize);
        m_sections.push_back({read32(header + 12), mapped, rawOffset});
    }
    return {};
}

std::optional<std::size_t> PeImage::fileOffsetOf(std::uint64_t rva, std::uint64_t length) const
{
    for (const Section& section : m_sections) {
        if (rva < section.virtualAddress)
            continue;
        const std::uint64_t into = rva - section.virtualAddress;
        if (into < section.mappedSize && length <= section.mappedSize - into)
            return static_cast<std::size_t>(section.fileOffset + into);
    }
    return std::nullopt;
}

std::optional<std::size_t> PeImage::resourceOffsetOf(std::uint64_t offset,
                                                     std::uint64_t length) const
{
    if (offset > m_resourceSize || length > m_resourceSize - offset)
        return std::nullopt;
    return fileOffsetOf(m_resourceRva + offset, length);
}

std::optional<PeImage::Directory> PeImage::directoryAt(std::uint32_t offset) const
{
    const std::optional<std::size_t> header = resourceOffsetOf(offset, kDirectoryHeaderSize);
    if (!header)
        return std::nullopt;
    const std::uint32_t named = read16(*header + 12);
    const std::uint32_t ids = read16(*header + 14);
    const std::uint64_t entriesSize = std::uint64_t{named + ids} * kDirectoryEntrySize;
    const std::optional<std::size_t> entries =
        resourceOffsetOf(std::uint64_t{offset} + kDirectoryHeaderSize, entriesSize);
    if (!entries)
        return std::nullopt;
    return Directory{*entries, named, ids};
}

std::optional<PeImage::Directory> PeImage::subdirectory(
    std::optional<std::uint32_t> entryValue) const
{
    if (!entryValue || (*entryValue & kSubdirectoryBit) == 0)
        return std::nullopt;
    return directoryAt(*entryValue & ~kSubdirectoryBit);
}

std::uint32_t PeImage::entryIdAt(const Directory& directory, std::uint32_t index) const
{
    return read32(directory.entries + std::size_t{index} * kDirectoryEntrySize);
}

std::uint32_t PeImage::entryValueAt(const Directory& directory, std::uint32_t index) const
{
    return read32(directory.entries + std::size_t{index} * kDirectoryEntrySize + 4);
}

std::optional<std::uint32_t> PeImage::findEntry(const Directory& directory, std::uint32_t id) const
{
    // Entries with numeric ids follow the named ones, in ascending order of id.
    std::uint32_t low = directory.namedCount;
    std::uint32_t high = directory.namedCount + directory.idCount;
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        const std::uint32_t entryId = entryIdAt(directory, middle);
        if (entryId == id)
            return entryValueAt(directory, middle);
        if (entryId < id)
            low = middle + 1;
        else
            high = middle;
    }
    return std::nullopt;
}

std::optional<PeImage::Bytes> PeImage::dataOf(std::uint32_t entryValue) const
{
    if ((entryValue & kSubdirectoryBit) != 0)
        return std::nullopt;
    const std::optional<std::size_t> entry = resourceOffsetOf(entryValue, kDataEntrySize);
    if (!entry)
        return std::nullopt;
    const std::uint32_t size = read32(*entry + 4);
    const std::optional<std::size_t> data = fileOffsetOf(read32(*entry), size);
    if (!data)
        return std::nullopt;
    return Bytes{*data, size};
}

std::optional<PeImage::Directory> PeImage::stringBlocks() const
{
    const std::optional<Directory> types = directoryAt(0);
    return types ? subdirectory(findEntry(*types, kStringType)) : std::nullopt;
}

std::optional<PeImage::Bytes> PeImage::stringBlock(std::uint32_t block, LanguageId preferred) const
{
    // Below the type, two levels, each entry found by its id: the block, the language.
    const std::optional<Directory> blocks = stringBlocks();
    const std::optional<Directory> languages =
        blocks ? subdirectory(findEntry(*blocks, block)) : std::nullopt;
    if (!languages || languages->idCount == 0)
        return std::nullopt;
    std::optional<std::uint32_t> chosen = findEntry(*languages, preferred);
    if (!chosen)
        chosen = entryValueAt(*languages, languages->namedCount);
    return dataOf(*chosen);
}

std::optional<ResourceString> PeImage::stringInBlock(const Bytes& block, std::uint32_t index) const
{
    // The block holds sixteen counted strings; an unused one has the count 0.
    std::size_t at = 0;
    for (std::uint32_t i = 0;; ++i) {
        if (block.size - at < 2)
            return std::nullopt;
        const std::size_t length = read16(block.offset + at);
        at += 2;
        if (length > (block.size - at) / 2)
            return std::nullopt;
        if (i == index) {
            if (length == 0)
                return std::nullopt;
            return ResourceString{m_data + block.offset + at, length};
        }
        at += 2 * length;
    }
}

std::optional<ResourceString> PeImage::findString(std::uint32_t id, LanguageId preferred) const
{
    if (id > kLastStringId)
        return std::nullopt;
    const std::optional<Bytes> block = stringBlock(id / kStringsPerBlock + 1, preferred);
    if (!block)
        return std::nullopt;
    return stringInBlock(*block, id % kStringsPerBlock);
}

std::vector<std::pair<std::uint32_t, std::u16string>> PeImage::strings(LanguageId preferred) const
{
    std::vector<std::pair<std::uint32_t, std::u16string>> table;
    const std::optional<Directory> blocks = stringBlocks();
    if (!blocks)
        return table;
    std::vector<std::uint32_t> listed;
    for (std::uint32_t i = 0; i < blocks->idCount; ++i) {
        const std::uint32_t block = entryIdAt(*blocks, blocks->namedCount + i);
        if (block >= 1 && block <= kLastStringId / kStringsPerBlock + 1)
            listed.push_back(block);
    }
    std::sort(listed.begin(), listed.end());
    listed.erase(std::unique(listed.begin(), listed.end()), listed.end());
    for (std::uint32_t block : listed) {
        // Found again by its id, so that the table holds exactly what findString finds.
        const std::optional<Bytes> bytes = stringBlock(block, preferred);
        if (!bytes)
            continue;
        for (std::uint32_t index = 0; index < kStringsPerBlock; ++index)
            if (const std::optional<ResourceString> text = stringInBlock(*bytes, index))
                table.emplace_back((block - 1) * kStringsPerBlock + index, decode(*text));
    }
    return table;
}

std::u16string PeImage::decode(const ResourceString& text)
{
    std::u16string units(text.length, u'\0');
    for (std::size_t i = 0; i < text.length; ++i)
        units[i] = static_cast<char16_t>(text.units[2 * i] | text.units[2 * i + 1] << 8);
    return units;
}

}  // namespace cadhost
