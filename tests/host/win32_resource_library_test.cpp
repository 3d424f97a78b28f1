// Windows resource libraries. Invariants: a string is read from block id / 16 + 1, entry
// id % 16, of the RT_STRING table, in the thread's language or else the block's first one; a
// file that is no loadable PE32+ DLL is refused by LoadLibraryW (ERROR_BAD_EXE_FORMAT); a
// resource directory that does not hold together yields no string; nothing is ever read outside
// the file (the images are read from heap buffers of the file's exact size, which the address
// sanitizer guards).
#include "mfc/loaded_libraries.h"
#include "mfc/pe_image.h"
#include "mfc/utf_text.h"
#include "session/session.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string kStringsPath =
    std::string(CADHOST_BIN_DIR) + "/fixtures/loader/LoaderStrings.dll";
constexpr cadhost::LanguageId kEnglish = 0x0409;
constexpr cadhost::LanguageId kCzech = 0x0405;
constexpr cadhost::LanguageId kGerman = 0x0407;
constexpr DWORD kErrorBadExeFormat = 193;

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t get32(const Bytes& b, std::size_t at)
{
    return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 |
           static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}

void put16(Bytes& b, std::size_t at, std::uint16_t value)
{
    b.at(at) = value & 0xFF;
    b.at(at + 1) = value >> 8;
}

void put32(Bytes& b, std::size_t at, std::uint32_t value)
{
    put16(b, at, value & 0xFFFF);
    put16(b, at + 2, value >> 16);
}

/// Where the parts of the fixture library lie in its file, found by following its headers:
/// the resource section starts with the type directory, whose one type (RT_STRING) has one
/// block (1) in two languages, Czech then English.
struct Layout {
    std::size_t peHeader, optionalHeader, resourceDirectoryEntry, typeDirectory, typeEntry,
        blockEntry, czechEntry, englishEntry, englishData, englishBlock;

    explicit Layout(const Bytes& b)
    {
        peHeader = get32(b, 0x3C);
        optionalHeader = peHeader + 24;
        resourceDirectoryEntry = optionalHeader + 112 + 2 * 8;
        const std::size_t sectionTable =
            optionalHeader + (b.at(peHeader + 20) | b.at(peHeader + 21) << 8);
        const std::uint32_t sectionRva = get32(b, sectionTable + 12);
        const std::uint32_t sectionFile = get32(b, sectionTable + 20);
        auto fileOf = [&](std::uint32_t rva) { return sectionFile + (rva - sectionRva); };
        typeDirectory = fileOf(get32(b, resourceDirectoryEntry));
        typeEntry = typeDirectory + 16;
        const std::size_t blockDirectory = typeDirectory + (get32(b, typeEntry + 4) & 0x7FFFFFFF);
        blockEntry = blockDirectory + 16;
        const std::size_t languageDirectory =
            typeDirectory + (get32(b, blockEntry + 4) & 0x7FFFFFFF);
        czechEntry = languageDirectory + 16;
        englishEntry = languageDirectory + 24;
        englishData = typeDirectory + get32(b, englishEntry + 4);
        englishBlock = fileOf(get32(b, englishData));
    }
};

/// String id with English preferred ("" for none), read from a copy of exactly the image's size.
std::u16string englishString(const Bytes& image, std::uint32_t id)
{
    const Bytes exact(image);
    const cadhost::PeImage pe(exact.data(), exact.size());
    const auto text = pe.findString(id, kEnglish);
    return text ? cadhost::PeImage::decode(*text) : u"";
}

TEST(ResourceLibraryTest, TheThreadsLanguageFirstElseTheBlocksFirstLanguage)
{
    cadhost::resetSession();
    HMODULE library = LoadLibraryW(cadhost::utf16FromUtf8(kStringsPath).c_str());
    ASSERT_NE(library, nullptr) << cadhost::lastLoaderError();
    EXPECT_EQ(GetProcAddress(library, "DllMain"), nullptr);  // no code, no exports

    struct Row {
        cadhost::LanguageId language;
        std::u16string first, second;
    };
    // The Czech block holds string 1 alone: a block is taken whole, in one language.
    const Row rows[] = {{kEnglish, u"Hello from the fixture", u"Fixture caption"},
                        {kCzech, u"Ahoj z přípravku", u""},
                        {kGerman, u"Ahoj z přípravku", u""}};
    const cadhost::LanguageId saved = cadhost::threadUiLanguage();
    for (const Row& row : rows) {
        cadhost::setThreadUiLanguage(row.language);
        WCHAR buffer[64];
        LoadStringW(library, 1, buffer, 64);
        EXPECT_EQ(std::u16string(buffer), row.first) << std::hex << row.language;
        LoadStringW(library, 2, buffer, 64);
        EXPECT_EQ(std::u16string(buffer), row.second) << std::hex << row.language;
    }
    cadhost::setThreadUiLanguage(saved);
    EXPECT_TRUE(FreeLibrary(library));
}

struct BrokenFile {
    const char* description;
    std::function<void(Bytes&, const Layout&)> edit;
    const char* refusal;  ///< words of the reason the file is refused (null: it loads)
    std::u16string first, second;  ///< strings 1 and 2 with English preferred ("" none)
};

void PrintTo(const BrokenFile& c, std::ostream* os) { *os << c.description; }

const std::u16string kFirst = u"Hello from the fixture";
const std::u16string kSecond = u"Fixture caption";
const std::u16string kCzechFirst = u"Ahoj z přípravku";

const BrokenFile kBrokenFiles[] = {
    {"the file as built", [](Bytes&, const Layout&) {}, nullptr, kFirst, kSecond},
    // Refused: not a loadable image.
    {"no MZ header", [](Bytes& b, const Layout&) { b[1] = 'X'; }, "no MZ header", u"", u""},
    {"the PE header past the end",
     [](Bytes& b, const Layout&) { put32(b, 0x3C, b.size() - 2); }, "no PE header", u"", u""},
    {"no PE signature", [](Bytes& b, const Layout& l) { b[l.peHeader + 1] = 'X'; },
     "no PE header", u"", u""},
    {"a 32-bit x86 image", [](Bytes& b, const Layout& l) { put16(b, l.peHeader + 4, 0x14C); },
     "x86-64", u"", u""},
    {"not a DLL", [](Bytes& b, const Layout& l) { b[l.peHeader + 23] &= ~0x20; }, "DLL", u"",
     u""},
    {"a PE32 optional header",
     [](Bytes& b, const Layout& l) { put16(b, l.optionalHeader, 0x10B); }, "PE32+", u"", u""},
    {"an entry point",
     [](Bytes& b, const Layout& l) { put32(b, l.optionalHeader + 16, 0x1000); }, "entry point",
     u"", u""},
    {"an optional header longer than the file",
     [](Bytes& b, const Layout& l) { put16(b, l.peHeader + 20, 0xFFF0); },
     "optional header is cut short", u"", u""},
    {"more sections than the file holds",
     [](Bytes& b, const Layout& l) { put16(b, l.peHeader + 6, 90); },
     "section table is cut short", u"", u""},
    {"cut inside the resource section",
     [](Bytes& b, const Layout& l) { b.resize(l.typeDirectory + 40); },
     "runs past the end of the file", u"", u""},
    {"cut inside the headers", [](Bytes& b, const Layout&) { b.resize(100); }, "no PE header",
     u"", u""},
    // Loaded, but the resource directory does not hold together.
    {"the resource directory outside every section",
     [](Bytes& b, const Layout& l) { put32(b, l.resourceDirectoryEntry, 0x70000); }, nullptr,
     u"", u""},
    {"the resource directory beyond the directory count",
     [](Bytes& b, const Layout& l) { put32(b, l.optionalHeader + 108, 2); }, nullptr, u"", u""},
    {"a resource directory too small for its root",
     [](Bytes& b, const Layout& l) { put32(b, l.resourceDirectoryEntry + 4, 20); }, nullptr,
     u"", u""},
    {"the root's entry count past the end",
     [](Bytes& b, const Layout& l) { put16(b, l.typeDirectory + 14, 0xFFFF); }, nullptr, u"",
     u""},
    {"the string type leading out of the directory",
     [](Bytes& b, const Layout& l) { put32(b, l.typeEntry + 4, 0xFFFFFFF0); }, nullptr, u"",
     u""},
    {"the string type a data entry, not a directory",
     [](Bytes& b, const Layout& l) { b[l.typeEntry + 7] &= 0x7F; }, nullptr, u"", u""},
    {"a loop: the block leads back to the root",
     [](Bytes& b, const Layout& l) { put32(b, l.blockEntry + 4, 0x80000000); }, nullptr, u"",
     u""},
    {"the English entry a directory",
     [](Bytes& b, const Layout& l) { b[l.englishEntry + 7] |= 0x80; }, nullptr, u"", u""},
    {"the English data outside every section",
     [](Bytes& b, const Layout& l) { put32(b, l.englishData, 0x7FFFFFF0); }, nullptr, u"", u""},
    {"the English data larger than its section",
     [](Bytes& b, const Layout& l) { put32(b, l.englishData + 4, 0xFFFFFF00); }, nullptr, u"",
     u""},
    {"the English data entry outside the directory",
     [](Bytes& b, const Layout& l) { put32(b, l.englishEntry + 4, 0x7FFFFFF0); }, nullptr, u"",
     u""},
    {"no English block: the first language, Czech, instead",
     [](Bytes& b, const Layout& l) { put32(b, l.englishEntry, 0x0410); }, nullptr, kCzechFirst,
     u""},
    // Loaded; the strings before the damage in a block still read.
    {"the count of string 2 past the end of its block",
     [](Bytes& b, const Layout& l) { put16(b, l.englishBlock + 4 + 2 * 22, 0x7FFF); }, nullptr,
     kFirst, u""},
    {"the block cut after string 1",
     [](Bytes& b, const Layout& l) { put32(b, l.englishData + 4, 4 + 2 * 22); }, nullptr, kFirst,
     u""},
    {"the block cut inside string 1",
     [](Bytes& b, const Layout& l) { put32(b, l.englishData + 4, 4 + 2 * 21); }, nullptr, u"",
     u""},
};

class ResourceLibraryBrokenFile : public ::testing::TestWithParam<BrokenFile> {
protected:
    void SetUp() override { cadhost::resetSession(); }
};

TEST_P(ResourceLibraryBrokenFile, IsRefusedOrYieldsNoStringWithoutReadingOutsideIt)
{
    const BrokenFile& c = GetParam();
    Bytes image = readFile(kStringsPath);
    ASSERT_GT(image.size(), 512u);
    c.edit(image, Layout(image));

    const Bytes exact(image);
    const cadhost::PeImage pe(exact.data(), exact.size());
    const bool loadable = c.refusal == nullptr;
    EXPECT_EQ(pe.isLoadable(), loadable) << pe.problem();
    if (!loadable) {
        EXPECT_NE(pe.problem().find(c.refusal), std::string::npos) << pe.problem();
    }
    EXPECT_EQ(englishString(image, 1), c.first);
    EXPECT_EQ(englishString(image, 2), c.second);
    // The whole table is what findString gives, id for id.
    const auto table = pe.strings(kEnglish);
    for (const auto& [id, text] : table)
        EXPECT_EQ(englishString(image, id), text) << id;

    // LoadLibraryW refuses what the image reader refuses, and reads the same strings.
    const fs::path file =
        fs::temp_directory_path() / ("cadhost-pe-" + std::to_string(::getpid()) + ".dll");
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                static_cast<std::streamsize>(image.size()));
    HMODULE library = LoadLibraryW(cadhost::utf16FromUtf8(file.string()).c_str());
    if (loadable) {
        ASSERT_NE(library, nullptr) << cadhost::lastLoaderError();
        WCHAR buffer[64];
        LoadStringW(library, 1, buffer, 64);
        EXPECT_EQ(std::u16string(buffer), c.first);
        EXPECT_EQ(cadhost::stringTableOf(library).size(), table.size());
        FreeLibrary(library);
    } else {
        EXPECT_EQ(library, nullptr);
        EXPECT_EQ(GetLastError(), kErrorBadExeFormat);
        EXPECT_FALSE(cadhost::lastLoaderError().empty());
    }
    fs::remove(file);
}

INSTANTIATE_TEST_SUITE_P(Win32, ResourceLibraryBrokenFile, ::testing::ValuesIn(kBrokenFiles));

TEST(ResourceLibraryTest, RandomByteEditsNeverReadOutsideTheFile)
{
    // Seeded edits of the headers and the resource section; the address sanitizer stops any
    // read outside the exact-size buffer. A failure names the seed that reproduces it.
    const Bytes good = readFile(kStringsPath);
    const Layout layout(good);
    std::mt19937 random(20240515);
    std::uniform_int_distribution<std::size_t> anywhere(0, good.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> editCount(1, 4);
    std::bernoulli_distribution inResourceSection(0.8);
    for (int run = 0; run < 2000; ++run) {
        const std::uint32_t seed = random();
        std::mt19937 edits(seed);
        Bytes image = good;
        for (int i = editCount(edits); i > 0; --i) {
            // Mostly the resource directory and its data, sometimes anywhere.
            std::size_t at = anywhere(edits);
            if (inResourceSection(edits))
                at = layout.typeDirectory + at % (good.size() - layout.typeDirectory);
            image[at] = static_cast<std::uint8_t>(byte(edits));
        }
        const cadhost::PeImage pe(image.data(), image.size());
        const auto table = pe.strings(kEnglish);
        for (std::uint32_t id = 0; id < 40; ++id) {
            const auto text = pe.findString(id, kCzech);
            if (text) {
                ASSERT_LE(text->units + 2 * text->length, image.data() + image.size())
                    << "seed " << seed;
            }
        }
        for (std::size_t i = 1; i < table.size(); ++i)
            ASSERT_LT(table[i - 1].first, table[i].first) << "seed " << seed;
    }
}

}  // namespace
