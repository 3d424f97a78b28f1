#include "dxf/dxf_document.h"

#include "dxf/dxf_error.h"
#include "dxf/dxf_handles.h"
#include <algorithm>

namespace cadhost {

namespace {

/// Walks the groups of a file, section by section.
class DocumentParser {
public:
    DocumentParser(DxfTags& tags, const std::string& fileName)
        : m_tags(tags), m_fileName(fileName)
    {
    }

    DxfDocument parse()
    {
        DxfDocument document;
        while (m_pos < m_tags.size()) {
            const DxfTag& tag = m_tags[m_pos];
            if (tag.code == 0 && tag.value == "EOF")
                return document;
            if (tag.code != 0 || tag.value != "SECTION")
                fail(tag.line, "expected a SECTION or EOF, found group " +
                                   std::to_string(tag.code) + " \"" + tag.value + "\"");
            parseSection(document);
        }
        fail(lastLine(), "the file ends without EOF (truncated?)");
    }

private:
    [[noreturn]] void fail(std::uint32_t line, const std::string& message) const
    {
        throw DxfError(m_fileName, line, message);
    }

    /// The line of the file's last value.
    std::uint32_t lastLine() const { return m_tags.empty() ? 1 : m_tags.back().line + 1; }

    bool atRecord(const char* type) const
    {
        return m_pos < m_tags.size() && m_tags[m_pos].code == 0 && m_tags[m_pos].value == type;
    }

    void expectMore(const char* what, std::uint32_t startLine) const
    {
        if (m_pos >= m_tags.size())
            fail(lastLine(), std::string("the ") + what + " that begins at line " +
                                 std::to_string(startLine) + " is not closed (truncated?)");
    }

    /// The record at the cursor: its groups up to the next group 0.
    DxfRecord nextRecord()
    {
        DxfRecord record;
        std::size_t end = m_pos + 1;
        while (end < m_tags.size() && m_tags[end].code != 0)
            ++end;
        record.tags.reserve(end - m_pos);
        for (; m_pos < end; ++m_pos)
            record.tags.push_back(std::move(m_tags[m_pos]));
        return record;
    }

    /// An entity record with the vertices or attributes that follow it.
    DxfRecord nextEntity()
    {
        DxfRecord record = nextRecord();
        const std::string type = record.type();
        const DxfTag* attributesFollow = record.find(66);
        const bool hasSequence =
            type == "POLYLINE" || (type == "INSERT" && attributesFollow != nullptr &&
                                   attributesFollow->value != "0");
        if (!hasSequence)
            return record;
        while (atRecord("VERTEX") || atRecord("ATTRIB")) {
            DxfRecord part = nextRecord();
            record.tags.insert(record.tags.end(), part.tags.begin(), part.tags.end());
        }
        if (atRecord("SEQEND")) {
            DxfRecord end = nextRecord();
            record.tags.insert(record.tags.end(), end.tags.begin(), end.tags.end());
        } else if (type == "POLYLINE") {
            fail(record.line(), "the POLYLINE that begins here has no SEQEND");
        }
        return record;
    }

    void parseSection(DxfDocument& document)
    {
        const std::uint32_t sectionLine = m_tags[m_pos].line;
        ++m_pos;
        if (m_pos >= m_tags.size() || m_tags[m_pos].code != 2)
            fail(sectionLine, "a SECTION without its name (group 2)");
        const std::string name = m_tags[m_pos].value;
        ++m_pos;
        const std::string what = "section " + name;
        if (name == "HEADER")
            parseHeader(document, what.c_str(), sectionLine);
        else if (name == "TABLES")
            parseTables(document, what.c_str(), sectionLine);
        else if (name == "BLOCKS")
            parseBlocks(document, what.c_str(), sectionLine);
        else if (name == "CLASSES")
            parseRecords(document.classes, false, what.c_str(), sectionLine);
        else if (name == "ENTITIES")
            parseRecords(document.entities, true, what.c_str(), sectionLine);
        else if (name == "OBJECTS") {
            document.hasObjectsSection = true;
            parseRecords(document.objects, false, what.c_str(), sectionLine);
        } else
            parseRaw(document, name, what.c_str(), sectionLine);
        ++m_pos;  // ENDSEC
    }

    void parseHeader(DxfDocument& document, const char* what, std::uint32_t sectionLine)
    {
        for (;;) {
            expectMore(what, sectionLine);
            const DxfTag& tag = m_tags[m_pos];
            if (tag.code == 0) {
                if (tag.value != "ENDSEC")
                    fail(tag.line, "expected a header variable or ENDSEC, found \"" + tag.value +
                                       "\"");
                return;
            }
            if (tag.code != 9)
                fail(tag.line, "a header value without its variable name (group 9)");
            DxfHeaderVariable variable;
            variable.name = tag.value;
            variable.line = tag.line;
            ++m_pos;
            while (m_pos < m_tags.size() && m_tags[m_pos].code != 0 && m_tags[m_pos].code != 9)
                variable.values.push_back(m_tags[m_pos++]);
            document.header.push_back(std::move(variable));
        }
    }

    void parseTables(DxfDocument& document, const char* what, std::uint32_t sectionLine)
    {
        for (;;) {
            expectMore(what, sectionLine);
            if (atRecord("ENDSEC"))
                return;
            if (!atRecord("TABLE"))
                fail(m_tags[m_pos].line, "expected a TABLE or ENDSEC, found \"" +
                                             m_tags[m_pos].value + "\"");
            DxfTable table;
            table.head = nextRecord();
            const DxfTag* name = table.head.find(2);
            if (name == nullptr)
                fail(table.head.line(), "a TABLE without its name (group 2)");
            table.name = name->value;
            const std::string tableWhat = "table " + table.name;
            for (;;) {
                expectMore(tableWhat.c_str(), table.head.line());
                if (atRecord("ENDTAB"))
                    break;
                if (atRecord("ENDSEC") || atRecord("TABLE"))
                    fail(m_tags[m_pos].line, "the table " + table.name + " that begins at line " +
                                                 std::to_string(table.head.line()) +
                                                 " is not closed by ENDTAB");
                table.entries.push_back(nextRecord());
            }
            nextRecord();  // ENDTAB
            document.tables.push_back(std::move(table));
        }
    }

    void parseBlocks(DxfDocument& document, const char* what, std::uint32_t sectionLine)
    {
        for (;;) {
            expectMore(what, sectionLine);
            if (atRecord("ENDSEC"))
                return;
            if (!atRecord("BLOCK"))
                fail(m_tags[m_pos].line, "expected a BLOCK or ENDSEC, found \"" +
                                             m_tags[m_pos].value + "\"");
            DxfBlock block;
            block.begin = nextRecord();
            const DxfTag* name = block.begin.find(2);
            if (name == nullptr)
                fail(block.begin.line(), "a BLOCK without its name (group 2)");
            block.name = name->value;
            const std::string blockWhat = "block " + block.name;
            for (;;) {
                expectMore(blockWhat.c_str(), block.begin.line());
                if (atRecord("ENDBLK"))
                    break;
                if (atRecord("ENDSEC") || atRecord("BLOCK"))
                    fail(m_tags[m_pos].line, "the block " + block.name + " that begins at line " +
                                                 std::to_string(block.begin.line()) +
                                                 " is not closed by ENDBLK");
                block.entities.push_back(nextEntity());
            }
            block.end = nextRecord();
            document.blocks.push_back(std::move(block));
        }
    }

    void parseRecords(std::vector<DxfRecord>& records, bool entities, const char* what,
                      std::uint32_t sectionLine)
    {
        for (;;) {
            expectMore(what, sectionLine);
            const DxfTag& tag = m_tags[m_pos];
            if (tag.code != 0)
                fail(tag.line, "expected a record (group 0), found group " +
                                   std::to_string(tag.code));
            if (tag.value == "ENDSEC")
                return;
            if (tag.value == "SECTION" || tag.value == "EOF")
                fail(tag.line, std::string("the ") + what + " that begins at line " +
                                   std::to_string(sectionLine) + " is not closed by ENDSEC");
            records.push_back(entities ? nextEntity() : nextRecord());
        }
    }

    void parseRaw(DxfDocument& document, const std::string& name, const char* what,
                  std::uint32_t sectionLine)
    {
        DxfRawSection section;
        section.name = name;
        for (;;) {
            expectMore(what, sectionLine);
            if (atRecord("ENDSEC"))
                break;
            if (atRecord("SECTION") || atRecord("EOF"))
                fail(m_tags[m_pos].line, std::string("the ") + what + " that begins at line " +
                                             std::to_string(sectionLine) +
                                             " is not closed by ENDSEC");
            section.tags.push_back(m_tags[m_pos++]);
        }
        document.otherSections.push_back(std::move(section));
    }

    DxfTags& m_tags;
    const std::string& m_fileName;
    std::size_t m_pos = 0;
};

}  // namespace

const DxfTag* DxfRecord::find(int code) const
{
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (i > 0 && tags[i].code == 0)
            return nullptr;
        if (tags[i].code == code)
            return &tags[i];
    }
    return nullptr;
}

std::uint64_t DxfRecord::handle() const
{
    DxfHandleScanner scanner;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (i > 0 && tags[i].code == 0)
            break;
        if (scanner.next(tags[i]) == DxfHandleRole::Own) {
            std::uint64_t value = 0;
            parseHandle(tags[i].value, value);
            return value;
        }
    }
    return 0;
}

const DxfHeaderVariable* DxfDocument::headerVariable(const std::string& name) const
{
    for (const DxfHeaderVariable& variable : header)
        if (variable.name == name)
            return &variable;
    return nullptr;
}

const DxfTag* DxfDocument::headerValue(const std::string& name) const
{
    const DxfHeaderVariable* variable = headerVariable(name);
    return variable == nullptr || variable->values.empty() ? nullptr : &variable->values.front();
}

DxfTable* DxfDocument::table(const std::string& name)
{
    for (DxfTable& t : tables)
        if (t.name == name)
            return &t;
    return nullptr;
}

const DxfTable* DxfDocument::table(const std::string& name) const
{
    return const_cast<DxfDocument*>(this)->table(name);
}

const std::vector<std::string>& knownDxfVersions()
{
    static const std::vector<std::string> versions = {"AC1009", "AC1012", "AC1014", "AC1015",
                                                      "AC1018", "AC1021", "AC1024", "AC1027",
                                                      "AC1032"};
    return versions;
}

std::string documentVersion(const DxfDocument& document)
{
    const DxfTag* version = document.headerValue("$ACADVER");
    return version == nullptr ? "AC1009" : version->value;
}

DxfDocument parseDxfDocument(DxfTags tags, const std::string& fileName)
{
    return DocumentParser(tags, fileName).parse();
}

}  // namespace cadhost
