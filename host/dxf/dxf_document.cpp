#include "dxf/dxf_document.h"

#include "database/huge_pages.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_handles.h"
#include "dxf/dxf_section_runs.h"
#include <algorithm>
#include <atomic>
#include <system_error>

namespace cadhost {

namespace {

/// Whether a handle's text is as the writer writes it: upper-case hex digits, no leading zero.
bool isPlainHandle(std::string_view text)
{
    if (text.empty() || (text.size() > 1 && text.front() == '0'))
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

/// What the parser learns of a record while it reads its groups.
class RecordSummary {
public:
    void begin(std::size_t offset, std::uint32_t line)
    {
        m_begin = offset;
        m_line = line;
        m_flags = kDxfCanonical;
        m_handle = 0;
        m_mainDone = false;
        m_started = false;
        m_scanner = DxfHandleScanner();
    }

    /// Notes the next group (the first is the record's group 0).
    void add(const DxfTag& tag, const DxfTagForm& form, std::uint64_t& highest)
    {
        if (!form.canonical)
            m_flags &= ~kDxfCanonical;
        if (tag.code == 0) {
            if (m_started)
                m_flags |= kDxfSubrecords;
            closeSubrecord();
            m_subOwn = m_subOwner = m_subMarkers = false;
        } else if (tag.code == 330) {
            m_subOwner = true;
        } else if (tag.code == 100) {
            m_subMarkers = true;
        }
        const DxfHandleRole role = m_scanner.next(tag);
        if (role == DxfHandleRole::Own) {
            m_subOwn = true;
            std::uint64_t value = 0;
            if (parseHandle(tag.value, value)) {
                if (!m_mainDone) {
                    m_handle = value;
                    if (isPlainHandle(tag.value))
                        m_flags |= kDxfPlainHandle;
                }
                if (value > kHighestFileHandle)
                    m_flags |= kDxfHandleTooLarge;
                else
                    highest = std::max(highest, value);
            }
            m_mainDone = true;
        } else if (role == DxfHandleRole::Reference) {
            std::uint64_t value = 0;
            if (!parseHandle(tag.value, value))
                m_flags |= kDxfBrokenPointer;
        }
        if (tag.code == 0 && m_started)
            m_mainDone = true;
        m_started = true;
    }

    DxfRecord finish(std::string_view bytes, std::size_t end)
    {
        closeSubrecord();
        m_started = false;
        return DxfRecord(bytes.substr(m_begin, end - m_begin), m_line, m_flags, m_handle);
    }

private:
    void closeSubrecord()
    {
        if (!m_started)
            return;
        if (!m_subOwn)
            m_flags |= kDxfWithoutHandle;
        if (!m_subOwner)
            m_flags |= kDxfWithoutOwner;
        if (!m_subMarkers)
            m_flags |= kDxfWithoutMarkers;
    }

    std::size_t m_begin = 0;
    std::uint32_t m_line = 0;
    std::uint32_t m_flags = 0;
    std::uint64_t m_handle = 0;
    bool m_started = false;
    bool m_mainDone = false;
    bool m_subOwn = false;
    bool m_subOwner = false;
    bool m_subMarkers = false;
    DxfHandleScanner m_scanner;
};

/// Reads a file's groups section by section, one group ahead.
class DocumentParser {
public:
    DocumentParser(std::shared_ptr<const DxfFileBytes> bytes, const std::string& fileName,
                   DxfMendLog* mends, DxfEntityListener* listener, std::size_t splitFrom,
                   DxfSectionHelper* helper)
        : m_bytes(bytes->view()), m_reader(m_bytes, fileName, mends), m_fileName(fileName),
          m_listener(listener), m_splitFrom(splitFrom), m_givenHelper(helper)
    {
        m_document.bytes = std::move(bytes);
        advance();
    }

    DocumentParser(const DocumentParser&) = delete;
    DocumentParser& operator=(const DocumentParser&) = delete;
    /// Stops the second thread, which reads the bytes the parser holds.
    ~DocumentParser()
    {
        if (m_givenHelper != nullptr)
            m_givenHelper->finish();
        if (m_ownHelper != nullptr)
            m_ownHelper->finish();
    }

    /// A parser of runs of an ENTITIES section, for the thread that reads them while the
    /// parser of the file reads on; it gives up when stop is set.
    DocumentParser(std::string_view bytes, const std::string& fileName,
                   DxfEntityListener* listener, const std::atomic<bool>& stop)
        : m_bytes(bytes), m_reader(m_bytes, fileName, nullptr, 0, 0), m_fileName(fileName),
          m_listener(listener), m_splitFrom(std::string_view::npos), m_stop(&stop)
    {
    }

    /// Reads runs taken from the back of runs until the parser has reached all the others;
    /// each run's lines are counted from its start. Throws DxfError for what is not a run of
    /// entity records that ends where the next begins (the last at the section's ENDSEC), and
    /// when stopped.
    DxfPartResult parseRuns(DxfSectionRuns& runs)
    {
        DxfPartResult result;
        const std::size_t sectionEnd = sectionEndAfter(m_bytes, runs.begin(0));
        DxfRecords& records = m_document.entities;
        // Room for all the rest: the runs this thread reads may be most of it. Only the room
        // filled is made resident.
        records.reserve(roomOnHugePages((sectionEnd - runs.begin(0)) / 100, sizeof(DxfRecord)));
        while (const std::optional<std::size_t> run = runs.takeBack(sectionEnd)) {
            DxfPartRun done;
            done.run = *run;
            done.firstRecord = records.size();
            m_reader.resume(runs.begin(*run), 0);
            advance();
            const bool last = result.runs.empty();
            readRun(records, last ? std::string_view::npos : runs.begin(*run + 1));
            done.records = records.size() - done.firstRecord;
            done.lines = m_linesBefore;
            if (last)
                result.resumeOffset = m_tagStart;
            result.runs.push_back(done);
        }
        result.complete = true;
        result.records = std::move(records);
        result.highestHandle = m_document.highestHandle;
        return result;
    }

    DxfDocument parse()
    {
        while (m_have) {
            if (m_tag.code == 0 && m_tag.value == "EOF")
                return std::move(m_document);
            if (m_tag.code != 0 || m_tag.value != "SECTION")
                fail(m_tag.line, "expected a SECTION or EOF, found group " +
                                     std::to_string(m_tag.code) + " \"" + std::string(m_tag.value) +
                                     "\"");
            parseSection();
        }
        fail(lastLine(), "the file ends without EOF (truncated?)");
    }

private:
    /// Throws the error of the file: the first value the format does not allow, anywhere in
    /// the file, or else this one of its structure.
    [[noreturn]] void fail(std::uint32_t line, const std::string& message)
    {
        DxfTag rest;
        while (m_stop == nullptr && m_reader.next(rest)) {
        }
        throw DxfError(m_fileName, line, message);
    }

    void advance()
    {
        m_tagStart = m_reader.offset();
        m_linesBefore = m_reader.linesRead();
        m_have = m_reader.next(m_tag, m_offset, m_form);
        if (m_have) {
            m_lastLine = m_tag.line + 1;
            m_tagEnd = m_reader.offset();
        }
    }

    /// The line of the file's last value.
    std::uint32_t lastLine() const { return m_lastLine == 0 ? 1 : m_lastLine; }

    bool atRecord(std::string_view type) const
    {
        return m_have && m_tag.code == 0 && isRecordType(m_tag.value, type);
    }

    void expectMore(const std::string& what, std::uint32_t startLine)
    {
        if (!m_have)
            fail(lastLine(), "the " + what + " that begins at line " + std::to_string(startLine) +
                                 " is not closed (truncated?)");
    }

    /// Reads the groups of the (sub)record at the cursor, up to the next group 0, into the
    /// summary; the main record's groups go to m_groups as well.
    void readGroups(bool main, std::uint64_t& highest)
    {
        if (main) {
            m_groups.clear();
            m_numbers.clear();
        }
        do {
            m_summary.add(m_tag, m_form, highest);
            if (main) {
                m_groups.push_back(m_tag);
                m_numbers.push_back(m_form.number);
            }
            m_end = m_tagEnd;
            advance();
        } while (m_have && m_tag.code != 0);
    }

    /// The record at the cursor: its groups up to the next group 0.
    DxfRecord nextRecord()
    {
        m_summary.begin(m_offset, m_tag.line);
        readGroups(true, m_document.highestHandle);
        return m_summary.finish(m_bytes, m_end);
    }

    /// Reads the record at the cursor that the document does not keep (ENDTAB).
    void skipRecord()
    {
        std::uint64_t ignored = 0;
        m_summary.begin(m_offset, m_tag.line);
        readGroups(true, ignored);
    }

    /// The value of the first group with this code among the main record's groups.
    const DxfTag* groupOf(int code) const
    {
        for (std::size_t i = 1; i < m_groups.size(); ++i)
            if (m_groups[i].code == code)
                return &m_groups[i];
        return nullptr;
    }

    /// An entity record with the vertices or attributes that follow it.
    DxfRecord nextEntity()
    {
        m_summary.begin(m_offset, m_tag.line);
        const std::uint32_t line = m_tag.line;
        readGroups(true, m_document.highestHandle);
        const std::string_view type = m_groups.front().value;
        const DxfTag* attributesFollow = groupOf(66);
        const bool hasSequence =
            isRecordType(type, "POLYLINE") ||
            (isRecordType(type, "INSERT") && attributesFollow != nullptr &&
             attributesFollow->value != "0");
        if (hasSequence) {
            while (atRecord("VERTEX") || atRecord("ATTRIB"))
                readGroups(false, m_document.highestHandle);
            if (atRecord("SEQEND"))
                readGroups(false, m_document.highestHandle);
            else if (isRecordType(type, "POLYLINE"))
                fail(line, "the POLYLINE that begins here has no SEQEND");
        }
        return m_summary.finish(m_bytes, m_end);
    }

    void parseSection()
    {
        const std::uint32_t sectionLine = m_tag.line;
        advance();
        if (!m_have || m_tag.code != 2)
            fail(sectionLine, "a SECTION without its name (group 2)");
        const std::string_view name = m_tag.value;
        advance();
        const std::string what = "section " + std::string(name);
        if (name == "HEADER")
            parseHeader(what, sectionLine);
        else if (name == "TABLES")
            parseTables(what, sectionLine);
        else if (name == "BLOCKS")
            parseBlocks(what, sectionLine);
        else if (name == "CLASSES")
            parseRecords(m_document.classes, false, what, sectionLine);
        else if (name == "ENTITIES")
            parseRecords(m_document.entities, true, what, sectionLine);
        else if (name == "OBJECTS") {
            m_document.hasObjectsSection = true;
            parseRecords(m_document.objects, false, what, sectionLine);
        } else
            parseRaw(name, what, sectionLine);
        advance();  // ENDSEC
    }

    void parseHeader(const std::string& what, std::uint32_t sectionLine)
    {
        for (;;) {
            expectMore(what, sectionLine);
            if (m_tag.code == 0) {
                if (m_tag.value != "ENDSEC")
                    fail(m_tag.line, "expected a header variable or ENDSEC, found \"" +
                                         std::string(m_tag.value) + "\"");
                return;
            }
            if (m_tag.code != 9)
                fail(m_tag.line, "a header value without its variable name (group 9)");
            DxfHeaderVariable variable;
            variable.name = m_tag.value;
            variable.line = m_tag.line;
            advance();
            while (m_have && m_tag.code != 0 && m_tag.code != 9) {
                variable.values.push_back(m_tag);
                advance();
            }
            m_document.header.push_back(std::move(variable));
        }
    }

    void parseTables(const std::string& what, std::uint32_t sectionLine)
    {
        for (;;) {
            expectMore(what, sectionLine);
            if (atRecord("ENDSEC"))
                return;
            if (!atRecord("TABLE"))
                fail(m_tag.line, "expected a TABLE or ENDSEC, found \"" + std::string(m_tag.value) +
                                     "\"");
            DxfTable table;
            table.head = nextRecord();
            const DxfTag* name = groupOf(2);
            if (name == nullptr)
                fail(table.head.line(), "a TABLE without its name (group 2)");
            table.name = name->value;
            const std::string tableWhat = "table " + std::string(table.name);
            for (;;) {
                expectMore(tableWhat, table.head.line());
                if (atRecord("ENDTAB"))
                    break;
                if (atRecord("ENDSEC") || atRecord("TABLE"))
                    fail(m_tag.line, "the table " + std::string(table.name) +
                                         " that begins at line " +
                                         std::to_string(table.head.line()) +
                                         " is not closed by ENDTAB");
                table.entries.push_back(nextRecord());
            }
            skipRecord();  // ENDTAB
            m_document.tables.push_back(std::move(table));
        }
    }

    void parseBlocks(const std::string& what, std::uint32_t sectionLine)
    {
        for (;;) {
            expectMore(what, sectionLine);
            if (atRecord("ENDSEC"))
                return;
            if (!atRecord("BLOCK"))
                fail(m_tag.line, "expected a BLOCK or ENDSEC, found \"" + std::string(m_tag.value) +
                                     "\"");
            DxfBlock block;
            block.begin = nextRecord();
            const DxfTag* name = groupOf(2);
            if (name == nullptr)
                fail(block.begin.line(), "a BLOCK without its name (group 2)");
            block.name = name->value;
            const std::string blockWhat = "block " + std::string(block.name);
            for (;;) {
                expectMore(blockWhat, block.begin.line());
                if (atRecord("ENDBLK"))
                    break;
                if (atRecord("ENDSEC") || atRecord("BLOCK"))
                    fail(m_tag.line, "the block " + std::string(block.name) +
                                         " that begins at line " +
                                         std::to_string(block.begin.line()) +
                                         " is not closed by ENDBLK");
                block.entities.push_back(nextEntity());
            }
            block.end = nextRecord();
            m_document.blocks.push_back(std::move(block));
        }
    }

    void parseRecords(DxfRecords& records, bool entities, const std::string& what,
                      std::uint32_t sectionLine)
    {
        // The other thread starts first: the room below is made while it reads.
        DxfSectionHelper* part =
            entities && &records == &m_document.entities ? startPart() : nullptr;
        std::size_t nextRun = 1;
        std::size_t nextRunBegin = part != nullptr ? part->runs().begin(nextRun)
                                                   : std::string_view::npos;
        // Typical entities take more than 100 bytes each.
        if (entities)
            records.reserve(roomOnHugePages((m_bytes.size() - m_offset) / 100, sizeof(DxfRecord)));
        for (;;) {
            expectMore(what, sectionLine);
            if (m_offset >= nextRunBegin) {
                if (!part->runs().takeFront(nextRun)) {
                    joinPart(*part, records, nextRun);
                    part->finish();
                    part = nullptr;
                    nextRunBegin = std::string_view::npos;
                } else {
                    nextRunBegin = part->runs().begin(++nextRun);
                }
                continue;
            }
            if (m_tag.code != 0)
                fail(m_tag.line, "expected a record (group 0), found group " +
                                     std::to_string(m_tag.code));
            if (isRecordType(m_tag.value, "ENDSEC")) {
                // The parser read the runs: the other thread is done with them.
                if (part != nullptr)
                    part->finish();
                // The records stay for the session; the room guessed past them goes back.
                if (entities)
                    releaseUnusedRoom(records);
                return;
            }
            if (isRecordType(m_tag.value, "SECTION") || isRecordType(m_tag.value, "EOF"))
                fail(m_tag.line, "the " + what + " that begins at line " +
                                     std::to_string(sectionLine) + " is not closed by ENDSEC");
            records.push_back(entities ? nextEntity() : nextRecord());
            if (entities && m_listener != nullptr && &records == &m_document.entities)
                m_listener->entityRead(records.size() - 1, records.back(), m_groups, m_numbers);
        }
    }

    /// Reads the entity records of a run from the cursor up to until, the next run's start,
    /// or, when until is npos, up to the section's ENDSEC; see parseRuns.
    void readRun(DxfRecords& records, std::size_t until)
    {
        const std::string what = "run of section ENTITIES";
        for (;;) {
            expectMore(what, 0);
            if (m_offset >= until) {
                // The next run must begin at a record of its own, with no comment before it.
                if (m_offset != until || m_tagStart != until || m_tag.code != 0)
                    fail(m_tag.line, "the run does not end where the next begins");
                return;
            }
            if (m_stop->load(std::memory_order_relaxed))
                fail(m_tag.line, "stopped");
            if (m_tag.code != 0)
                fail(m_tag.line, "expected a record (group 0)");
            if (isRecordType(m_tag.value, "ENDSEC")) {
                if (until != std::string_view::npos)
                    fail(m_tag.line, "the section ends before the next run");
                return;
            }
            if (isRecordType(m_tag.value, "SECTION") || isRecordType(m_tag.value, "EOF"))
                fail(m_tag.line, "the section is not closed by ENDSEC");
            records.push_back(nextEntity());
            m_listener->entityRead(records.size() - 1, records.back(), m_groups, m_numbers);
        }
    }

    /// The thread that reads runs of the rest of the ENTITIES section from its end back, when
    /// the rest is long enough and the listener splits: the one given, or one of the parser's
    /// own; null otherwise.
    DxfSectionHelper* startPart()
    {
        if (m_listener == nullptr || m_stop != nullptr || m_bytes.size() - m_offset < m_splitFrom)
            return nullptr;
        // Runs are shorter where sections this short are split (to test and fuzz the split).
        auto runs = std::make_unique<DxfSectionRuns>(
            m_bytes, m_offset, kDxfSectionRuns,
            std::min(kDxfSmallestRun, m_splitFrom / kDxfSectionRuns));
        if (runs->count() < 2)
            return nullptr;
        DxfSectionHelper* helper = m_givenHelper;
        if (helper == nullptr) {
            try {
                m_ownHelper = std::make_unique<DxfSectionHelper>(*m_listener, m_bytes.size());
            } catch (const std::system_error&) {
                return nullptr;  // no thread to be had: read on alone
            }
            helper = m_ownHelper.get();
        }
        helper->read(m_bytes, m_fileName, std::move(runs));
        return helper;
    }

    /// At or past the beginning of run, which the other thread took: takes the records of the
    /// runs it read and goes on at the section's ENDSEC when the group at the cursor is exactly
    /// where run begins (a record's code line with no comment before it) and the other thread
    /// read run and all after it whole; otherwise reads on alone.
    void joinPart(DxfSectionHelper& part, DxfRecords& records, std::size_t run)
    {
        if (m_offset != part.runs().begin(run) || m_tagStart != m_offset || m_tag.code != 0)
            return;
        DxfPartResult& result = part.result();
        if (!result.complete || result.runs.empty() || result.runs.back().run != run)
            return;
        std::vector<DxfJoinedRun> joined;
        joined.reserve(result.runs.size());
        records.reserve(records.size() + result.records.size());
        std::uint32_t lineShift = m_linesBefore;
        // In the order of the section, the runs the other thread read last first: each is at the
        // end of its list, which gives back its room as the runs are copied, so that the
        // records are not held twice.
        for (auto done = result.runs.rbegin(); done != result.runs.rend(); ++done) {
            joined.push_back({done->firstRecord, done->records, records.size(), lineShift});
            const auto first = result.records.begin() + static_cast<std::ptrdiff_t>(done->firstRecord);
            for (auto record = first; record != first + static_cast<std::ptrdiff_t>(done->records); ++record)
                records.emplace_back(record->textAsRead(), record->line() + lineShift,
                                     record->flags(), record->handle());
            lineShift += done->lines;
            result.records.resize(done->firstRecord);
            releaseUnusedRoom(result.records);
        }
        result.records = DxfRecords();
        m_document.highestHandle = std::max(m_document.highestHandle, result.highestHandle);
        m_listener->join(part.takeListener(), joined);
        m_reader.resume(result.resumeOffset, lineShift);
        advance();
    }

    void parseRaw(std::string_view name, const std::string& what, std::uint32_t sectionLine)
    {
        DxfRawSection section;
        section.name = name;
        for (;;) {
            expectMore(what, sectionLine);
            if (atRecord("ENDSEC"))
                break;
            if (atRecord("SECTION") || atRecord("EOF"))
                fail(m_tag.line, "the " + what + " that begins at line " +
                                     std::to_string(sectionLine) + " is not closed by ENDSEC");
            section.tags.push_back(m_tag);
            advance();
        }
        m_document.otherSections.push_back(std::move(section));
    }

    std::string_view m_bytes;
    DxfTagReader m_reader;
    const std::string& m_fileName;
    DxfEntityListener* m_listener;
    std::size_t m_splitFrom;
    /// Set for a part's parser: when to give up.
    const std::atomic<bool>* m_stop = nullptr;
    /// The second thread made before the file was read, if any.
    DxfSectionHelper* m_givenHelper = nullptr;
    /// The second thread made when none was given.
    std::unique_ptr<DxfSectionHelper> m_ownHelper;
    DxfDocument m_document;
    DxfTag m_tag;
    std::size_t m_offset = 0;
    DxfTagForm m_form;
    bool m_have = false;
    std::size_t m_tagStart = 0;  ///< where the reader was before the group at the cursor
    std::uint32_t m_linesBefore = 0;  ///< the lines before m_tagStart
    std::size_t m_tagEnd = 0;
    std::size_t m_end = 0;
    std::uint32_t m_lastLine = 0;
    RecordSummary m_summary;
    DxfTags m_groups;
    std::vector<double> m_numbers;  ///< of m_groups, as the reader checked them
};

}  // namespace

DxfDocument parseDxfDocument(std::shared_ptr<const DxfFileBytes> bytes,
                             const std::string& fileName, DxfMendLog* mends,
                             DxfEntityListener* listener, std::size_t splitFrom,
                             DxfSectionHelper* helper)
{
    return DocumentParser(std::move(bytes), fileName, mends, listener, splitFrom, helper).parse();
}

DxfPartResult readSectionRuns(std::string_view bytes, const std::string& fileName,
                              DxfEntityListener& listener, const std::atomic<bool>& stop,
                              DxfSectionRuns& runs)
{
    return DocumentParser(bytes, fileName, &listener, stop).parseRuns(runs);
}

DxfDocument parseDxfDocument(std::string bytes, const std::string& fileName)
{
    return parseDxfDocument(std::make_shared<const DxfFileBytes>(std::move(bytes)), fileName);
}

}  // namespace cadhost
