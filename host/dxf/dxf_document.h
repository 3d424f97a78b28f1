// A drawing file as the host keeps it between reading and writing: its sections split into
// header variables, classes, tables, blocks, entities and objects, each a list of records.
#pragma once
#include "dxf/dxf_tags.h"
#include <cstdint>
#include <string>
#include <vector>

namespace cadhost {

/// One record of a section: the groups from its "0 TYPE" group up to the next record. A
/// polyline with its vertices, or a block reference with its attributes, is one record up to
/// and including its SEQEND.
struct DxfRecord {
    DxfTags tags;

    /// The record type (the value of its first group).
    const std::string& type() const { return tags.front().value; }
    /// The first group with this code among the record's own groups (a polyline's, not its
    /// vertices'); null when there is none.
    const DxfTag* find(int code) const;
    /// The record's own handle; 0 when it has none.
    std::uint64_t handle() const;
    /// The line the record starts at.
    std::uint32_t line() const { return tags.empty() ? 0 : tags.front().line; }
};

/// A header variable: its name ("$ACADVER") and its value groups (none in a broken file,
/// until the repair pass leaves such a variable out).
struct DxfHeaderVariable {
    std::string name;
    DxfTags values;
    std::uint32_t line = 0;  ///< the line of its name's group 9
};

/// A table: its head record (TABLE and its groups) and its entries.
struct DxfTable {
    std::string name;
    DxfRecord head;
    std::vector<DxfRecord> entries;
};

/// A block definition: its BLOCK record, its entities and its ENDBLK record.
struct DxfBlock {
    std::string name;
    DxfRecord begin;
    std::vector<DxfRecord> entities;
    DxfRecord end;
};

/// A section the host does not split (a thumbnail, application data): its groups as read.
struct DxfRawSection {
    std::string name;
    DxfTags tags;
};

struct DxfDocument {
    std::vector<DxfHeaderVariable> header;
    std::vector<DxfRecord> classes;
    std::vector<DxfTable> tables;
    std::vector<DxfBlock> blocks;
    std::vector<DxfRecord> entities;
    std::vector<DxfRecord> objects;
    std::vector<DxfRawSection> otherSections;
    bool hasObjectsSection = false;

    /// The header variable with this name; null when there is none.
    const DxfHeaderVariable* headerVariable(const std::string& name) const;
    /// The first value of the header variable with this name; null when there is none.
    const DxfTag* headerValue(const std::string& name) const;
    /// The table with this name; null when there is none.
    DxfTable* table(const std::string& name);
    const DxfTable* table(const std::string& name) const;
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

/// Splits a file's groups into a document (the groups are moved into it). Throws DxfError
/// naming fileName and the line for a structure the format does not allow (a section or table
/// not closed, a record outside a section, no EOF).
DxfDocument parseDxfDocument(DxfTags tags, const std::string& fileName);

}  // namespace cadhost
