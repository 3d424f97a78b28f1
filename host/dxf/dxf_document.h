// A drawing file as the host keeps it between reading and writing: the file's bytes, read
// once, and its sections as lists of records that view them (header variables, classes,
// tables, blocks, entities and objects). A record the repair pass or the writer changes holds
// its groups of its own; the others are read again from the bytes when they are needed.
#pragma once
#include "database/huge_pages.h"
#include "dxf/dxf_tags.h"
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cadhost {

/// What the reader noted about a record as it read it.
enum DxfRecordFlag : std::uint32_t {
    /// Every group is written as the writer writes it: the record as read is copied verbatim.
    kDxfCanonical = 1u << 0,
    /// A pointer holds no handle (left for the repair pass).
    kDxfBrokenPointer = 1u << 1,
    /// A sub-record has no own handle.
    kDxfWithoutHandle = 1u << 2,
    /// A sub-record has no owner (330) group.
    kDxfWithoutOwner = 1u << 3,
    /// A sub-record has no subclass marker (100).
    kDxfWithoutMarkers = 1u << 4,
    /// An own handle is above the handles the host can number past.
    kDxfHandleTooLarge = 1u << 5,
    /// The record has sub-records (a polyline's vertices, a block reference's attributes).
    kDxfSubrecords = 1u << 6,
    /// The record's own handle is written as the writer writes handles: upper-case hex digits
    /// without leading zeros.
    kDxfPlainHandle = 1u << 7,
};

class DxfTagRange;

/// A drawing file's bytes, which the records and groups read view: they never move or change.
class DxfFileBytes {
public:
    /// The bytes of text.
    explicit DxfFileBytes(std::string text) : m_text(std::move(text)), m_view(m_text) {}
    /// Room for size bytes, not yet written nor resident, that the file is read into.
    explicit DxfFileBytes(std::size_t size);
    DxfFileBytes(const DxfFileBytes&) = delete;
    DxfFileBytes& operator=(const DxfFileBytes&) = delete;

    /// Where the bytes are to be written, for a file read into the room made.
    char* room() { return m_room.get(); }
    const char* data() const { return m_view.data(); }
    std::size_t size() const { return m_view.size(); }
    std::string_view view() const { return m_view; }

private:
    /// Gives back the room of size bytes that a file was read into.
    struct RoomDeleter {
        std::size_t size;
        void operator()(char* room) const;
    };
    std::string m_text;
    std::unique_ptr<char[], RoomDeleter> m_room;
    std::string_view m_view;
};

/// One record of a section: the groups from its "0 TYPE" group up to the next record. A
/// polyline with its vertices, or a block reference with its attributes, is one record up to
/// and including its SEQEND.
class DxfRecord {
public:
    DxfRecord() = default;
    /// A record of these groups (made by the host, or changed).
    explicit DxfRecord(DxfTags tags) { setTags(std::move(tags)); }
    /// A record as read: text holds its groups, checked by a DxfTagReader, from line on.
    DxfRecord(std::string_view text, std::uint32_t line, std::uint32_t flags,
              std::uint64_t handle)
        : m_text(text), m_line(line), m_flags(flags), m_handle(handle)
    {
    }
    DxfRecord(const DxfRecord& other);
    DxfRecord& operator=(const DxfRecord& other);
    DxfRecord(DxfRecord&&) noexcept = default;
    DxfRecord& operator=(DxfRecord&&) noexcept = default;

    /// The record's groups, one at a time.
    DxfTagRange tags() const;
    /// The record's groups in a list of their own (their values view what they viewed).
    DxfTags tagList() const;
    /// Gives the record these groups in place of those it had.
    void setTags(DxfTags tags);
    /// Whether the record's groups were changed after reading (or made by the host).
    bool changed() const { return m_tags != nullptr; }

    /// The record type (the value of its first group).
    std::string_view type() const;
    /// The first group with this code among the record's own groups (a polyline's, not its
    /// vertices'); none when there is none.
    std::optional<DxfTag> find(int code) const;
    /// The record's own handle; 0 when it has none.
    std::uint64_t handle() const { return m_handle; }
    /// The line the record starts at.
    std::uint32_t line() const { return m_line; }
    /// What the reader noted (DxfRecordFlag bits); 0 for a record made by the host.
    std::uint32_t flags() const { return m_flags; }
    /// The record's text as read (empty for one the host made).
    std::string_view textAsRead() const { return m_text; }
    /// The record's text when the writer may copy it as it stands (read, canonical and not
    /// changed); empty otherwise.
    std::string_view verbatimText() const
    {
        return m_tags == nullptr && (m_flags & kDxfCanonical) != 0 ? m_text : std::string_view();
    }

private:
    friend class DxfTagRange;
    std::string_view m_text;
    std::unique_ptr<DxfTags> m_tags;
    std::uint32_t m_line = 0;
    std::uint32_t m_flags = 0;
    std::uint64_t m_handle = 0;
};

/// A list of records (a section's may hold hundreds of thousands).
using DxfRecords = HugePageVector<DxfRecord>;

/// The groups of a record, for a range-for: read from its text, or from its own list.
class DxfTagRange {
public:
    class iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = DxfTag;
        using difference_type = std::ptrdiff_t;
        using pointer = const DxfTag*;
        using reference = const DxfTag&;

        iterator() = default;
        iterator(const DxfTags* list, std::string_view text, std::uint32_t line)
            : m_list(list), m_cursor(text, line)
        {
            advance();
        }
        const DxfTag& operator*() const { return m_tag; }
        const DxfTag* operator->() const { return &m_tag; }
        iterator& operator++()
        {
            advance();
            return *this;
        }
        bool operator==(const iterator& other) const { return m_end == other.m_end; }
        bool operator!=(const iterator& other) const { return m_end != other.m_end; }

    private:
        void advance()
        {
            if (m_list != nullptr) {
                m_end = m_index >= m_list->size();
                if (!m_end)
                    m_tag = (*m_list)[m_index++];
            } else {
                m_end = !m_cursor.next(m_tag);
            }
        }
        const DxfTags* m_list = nullptr;
        std::size_t m_index = 0;
        DxfTagCursor m_cursor{std::string_view(), 0};
        DxfTag m_tag;
        bool m_end = true;
    };

    explicit DxfTagRange(const DxfRecord& record) : m_record(record) {}
    iterator begin() const
    {
        return iterator(m_record.m_tags.get(), m_record.m_text, m_record.m_line);
    }
    iterator end() const { return iterator(); }

private:
    const DxfRecord& m_record;
};

inline DxfTagRange DxfRecord::tags() const
{
    return DxfTagRange(*this);
}

/// A header variable: its name ("$ACADVER") and its value groups (none in a broken file,
/// until the repair pass leaves such a variable out).
struct DxfHeaderVariable {
    std::string_view name;
    DxfTags values;
    std::uint32_t line = 0;  ///< the line of its name's group 9
};

/// A table: its head record (TABLE and its groups) and its entries.
struct DxfTable {
    std::string_view name;
    DxfRecord head;
    DxfRecords entries;
};

/// A block definition: its BLOCK record, its entities and its ENDBLK record.
struct DxfBlock {
    std::string_view name;
    DxfRecord begin;
    DxfRecords entities;
    DxfRecord end;
};

/// A section the host does not split (a thumbnail, application data): its groups as read.
struct DxfRawSection {
    std::string_view name;
    DxfTags tags;
};

struct DxfDocument {
    /// The file's bytes, which the records and groups read view.
    std::shared_ptr<const DxfFileBytes> bytes;
    /// Texts of groups the repair pass made.
    std::shared_ptr<DxfTextStore> texts = std::make_shared<DxfTextStore>();
    std::vector<DxfHeaderVariable> header;
    DxfRecords classes;
    std::vector<DxfTable> tables;
    std::vector<DxfBlock> blocks;
    DxfRecords entities;
    DxfRecords objects;
    std::vector<DxfRawSection> otherSections;
    bool hasObjectsSection = false;
    /// The highest own handle read (0 when none).
    std::uint64_t highestHandle = 0;

    /// The header variable with this name; null when there is none.
    const DxfHeaderVariable* headerVariable(std::string_view name) const;
    /// The first value of the header variable with this name; null when there is none.
    const DxfTag* headerValue(std::string_view name) const;
    /// The table with this name; null when there is none.
    DxfTable* table(std::string_view name);
    const DxfTable* table(std::string_view name) const;
};

/// Calls visit(record) for every record of document's tables, blocks, entities and objects.
template <class Document, class Visit>
void forEachRecord(Document& document, Visit visit)
{
    for (auto& table : document.tables) {
        visit(table.head);
        for (auto& entry : table.entries)
            visit(entry);
    }
    for (auto& block : document.blocks) {
        visit(block.begin);
        for (auto& entity : block.entities)
            visit(entity);
        visit(block.end);
    }
    for (auto& entity : document.entities)
        visit(entity);
    for (auto& object : document.objects)
        visit(object);
}

/// The drawing format versions the host reads, oldest first: "AC1009" (R12) to "AC1032".
const std::vector<std::string>& knownDxfVersions();
/// The version of a document ($ACADVER; "AC1009" when the header does not say).
std::string documentVersion(const DxfDocument& document);

class DxfSectionHelper;

/// Where records that a part of the ENTITIES section was told, in a run of the section, go
/// in the whole section.
struct DxfJoinedRun {
    std::size_t partFirst = 0;     ///< the index the part was told for the run's first record
    std::size_t count = 0;         ///< the run's records
    std::size_t sectionFirst = 0;  ///< the index of the run's first record in the section
    /// What to add to the lines the part was told (counted from the run's start).
    std::uint32_t lineShift = 0;
};

/// Told of each record of the ENTITIES section as it is read, with its groups.
class DxfEntityListener {
public:
    virtual ~DxfEntityListener() = default;
    /// The entity record at index of the section, its groups and, for each group whose code
    /// holds a real, its value (all valid for the call).
    virtual void entityRead(std::size_t index, const DxfRecord& record, const DxfTags& tags,
                            const std::vector<double>& numbers) = 0;
    /// A listener for the records of runs of the section's bytes left to read, that another
    /// thread reads at the same time (called on that thread); it may be told of few or most of
    /// them. Null when this listener reads in one part.
    virtual std::unique_ptr<DxfEntityListener> split(std::size_t /*bytes*/) { return nullptr; }
    /// Makes room the listener fills resident, on the second thread while the file is read,
    /// in steps until stop() tells it to stop; it may run while records are told, so it
    /// changes nothing they fill.
    virtual void prepareAhead(const std::function<bool()>& /*stop*/) {}
    /// Takes over what part (made by split) was told of the records of runs, in the order of
    /// the section, as if told it here; what part was told of other records is dropped.
    virtual void join(std::unique_ptr<DxfEntityListener> /*part*/,
                      const std::vector<DxfJoinedRun>& /*runs*/)
    {
    }
};

/// An ENTITIES section with at least this many bytes to read is read by two threads at once
/// when its listener splits: one reads on from the section's start, the other takes runs of
/// records from the end back, until they meet.
constexpr std::size_t kDxfSplitSectionBytes = std::size_t{1} << 20;
/// The runs the rest of a section read by two threads is cut into: the more, the nearer the
/// two threads end at the same time.
constexpr std::size_t kDxfSectionRuns = 64;
/// The shortest run (of a section of kDxfSplitSectionBytes or more).
constexpr std::size_t kDxfSmallestRun = std::size_t{4} << 10;

/// The handles above this leave too few for the objects a session and the writer add.
constexpr std::uint64_t kHighestFileHandle = 0xFFFFFFFFFFFFull;

/// Reads a file's bytes into a document, in one pass: groups as DxfTagReader reads them
/// (recording data after EOF in mends), split into sections and records. Throws DxfError
/// naming fileName and the line for a value the format does not allow, and then for a
/// structure it does not allow (a section or table not closed, a record outside a section,
/// no EOF).
/// An ENTITIES section of at least splitFrom bytes is read by two threads at once (see
/// kDxfSplitSectionBytes); the document and what the listener is told are the same.
/// helper, when given, is the second thread, made before the file was read.
DxfDocument parseDxfDocument(std::shared_ptr<const DxfFileBytes> bytes,
                             const std::string& fileName, DxfMendLog* mends = nullptr,
                             DxfEntityListener* listener = nullptr,
                             std::size_t splitFrom = kDxfSplitSectionBytes,
                             DxfSectionHelper* helper = nullptr);
/// The same for bytes given by value.
DxfDocument parseDxfDocument(std::string bytes, const std::string& fileName);

}  // namespace cadhost
