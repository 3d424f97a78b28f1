// A Windows resource library's image as the platform's loader reads it: the headers of a
// PE32+ file and the string table of its resource section, every offset checked against the
// file's bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cadhost {

/// A Windows language identifier (LANGID): the primary language in the low ten bits, the
/// sublanguage above them (0x0405 is Czech, 0x0409 English of the United States).
typedef std::uint16_t LanguageId;

/// Where one string of a string table lies in an image: counted UTF-16LE units, no zero.
struct ResourceString {
    const std::uint8_t* units;  ///< the first byte of the first unit
    std::size_t length;         ///< in UTF-16 units
};

/// The bytes of a resource library's file, read as a PE32+ image.
class PeImage {
public:
    /// Reads the headers of the image in [data, data + size); the bytes must outlive it.
    PeImage(const std::uint8_t* data, std::size_t size);

    /// Whether the platform would load the image as a resource library: a PE32+ x86-64 DLL
    /// without an entry point (no code to run), whose headers and sections lie in the file.
    bool isLoadable() const { return m_problem.empty(); }
    /// Why the image cannot be loaded; empty when it can.
    const std::string& problem() const { return m_problem; }

    /// String id of the RT_STRING table (entry id % 16 of block id / 16 + 1), from the block in
    /// language preferred, else from the block's first language; none when the string is
    /// missing or empty or the resource directory that leads to it does not hold together.
    std::optional<ResourceString> findString(std::uint32_t id, LanguageId preferred) const;
    /// Every string findString gives, in ascending order of id.
    std::vector<std::pair<std::uint32_t, std::u16string>> strings(LanguageId preferred) const;

    /// The units of a string as text.
    static std::u16string decode(const ResourceString& text);

private:
    struct Section {
        std::uint32_t virtualAddress;
        std::uint32_t mappedSize;  ///< bytes of the file that the section maps
        std::uint32_t fileOffset;
    };
    /// A resource directory node: where its entries start in the file and how many there are.
    struct Directory {
        std::size_t entries;
        std::uint32_t namedCount;
        std::uint32_t idCount;
    };
    /// A span of the file.
    struct Bytes {
        std::size_t offset;
        std::size_t size;
    };

    std::string readHeaders();
    std::uint16_t read16(std::size_t offset) const;
    std::uint32_t read32(std::size_t offset) const;
    /// Where length bytes at image address rva lie in the file, within one section.
    std::optional<std::size_t> fileOffsetOf(std::uint64_t rva, std::uint64_t length) const;
    /// Where length bytes at offset of the resource directory lie in the file.
    std::optional<std::size_t> resourceOffsetOf(std::uint64_t offset, std::uint64_t length) const;
    /// The directory node at offset of the resource directory, its entries in the file.
    std::optional<Directory> directoryAt(std::uint32_t offset) const;
    /// The directory an entry's value leads to; none for a data entry.
    std::optional<Directory> subdirectory(std::optional<std::uint32_t> entryValue) const;
    std::uint32_t entryIdAt(const Directory& directory, std::uint32_t index) const;
    std::uint32_t entryValueAt(const Directory& directory, std::uint32_t index) const;
    /// The value of the entry with this numeric id (binary search, as the platform does).
    std::optional<std::uint32_t> findEntry(const Directory& directory, std::uint32_t id) const;
    /// Where the data of a data entry lies in the file; none for a directory.
    std::optional<Bytes> dataOf(std::uint32_t entryValue) const;
    /// The directory of the RT_STRING blocks.
    std::optional<Directory> stringBlocks() const;
    /// The RT_STRING block with this number, in the preferred language or its first one.
    std::optional<Bytes> stringBlock(std::uint32_t block, LanguageId preferred) const;
    std::optional<ResourceString> stringInBlock(const Bytes& block, std::uint32_t index) const;

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::vector<Section> m_sections;
    std::uint32_t m_resourceRva = 0;
    std::uint32_t m_resourceSize = 0;
    std::string m_problem;
};

}  // namespace cadhost
