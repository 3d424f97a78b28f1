// Small drawing files written in the tests, and reading the entities of a database back.
#pragma once
#include "database/database_impl.h"
#include "database/object_state.h"
#include "dbmain.h"
#include "dxf/dxf_document.h"
#include "dxf/dxf_handles.h"
#include "dxf/dxf_writer.h"
#include <set>
#include <string>
#include <vector>

namespace dxftest {

/// A minimal R12-style file: a HEADER with the given variable groups, and an ENTITIES
/// section with the given groups (each "code\nvalue\n").
inline std::string drawing(const std::string& header, const std::string& entities)
{
    return "0\nSECTION\n2\nHEADER\n" + header + "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities +
           "0\nENDSEC\n0\nEOF\n";
}

/// The live model space entities of db, in drawing order.
inline std::vector<const AcDbEntity*> entities(const AcDbDatabase& db)
{
    std::vector<const AcDbEntity*> found;
    for (const AcDbObjectId& id : db.impl().modelSpaceIds()) {
        const AcDbEntity* entity = AcDbEntity::cast(db.impl().objectAt(id));
        if (entity != nullptr && !entity->isErased())
            found.push_back(entity);
    }
    return found;
}

/// Joins "code\nvalue\n" pairs written as {code, value} into file text.
inline std::string groups(std::initializer_list<std::pair<int, const char*>> pairs)
{
    std::string text;
    for (const auto& [code, value] : pairs)
        text += std::to_string(code) + "\n" + value + "\n";
    return text;
}

/// The document of a file's text.
inline cadhost::DxfDocument parsed(const std::string& text)
{
    return cadhost::parseDxfDocument(text, "written.dxf");
}

/// The document db is written as.
inline cadhost::DxfDocument written(const AcDbDatabase& db) { return parsed(cadhost::writeDxf(db)); }

/// Opens the entity with this handle for write and closes it again, as a command that
/// changes it would.
inline void touch(AcDbDatabase& db, Adesk::UInt64 handle)
{
    AcDbObject* object = nullptr;
    if (acdbOpenAcDbObject(object, db.impl().idOfHandle(AcDbHandle(handle)), AcDb::kForWrite) ==
        Acad::eOk)
        object->close();
}

/// Every pointer of document that names no record of it, as "TYPE group value" texts, and
/// every own handle held twice, as "duplicate value".
inline std::vector<std::string> brokenHandles(const cadhost::DxfDocument& document)
{
    std::set<std::uint64_t> owned;
    std::vector<std::string> broken;
    cadhost::forEachRecord(document, [&](const cadhost::DxfRecord& record) {
        cadhost::forEachHandle(record.tags(), [&](const cadhost::DxfTag& tag, cadhost::DxfHandleRole role) {
            std::uint64_t value = 0;
            if (role == cadhost::DxfHandleRole::Own && cadhost::parseHandle(tag.value, value) &&
                !owned.insert(value).second)
                broken.push_back("duplicate " + std::string(tag.value));
        });
    });
    cadhost::forEachRecord(document, [&](const cadhost::DxfRecord& record) {
        std::string type;
        cadhost::DxfHandleScanner scanner;
        for (const cadhost::DxfTag& tag : record.tags()) {
            if (tag.code == 0)
                type = tag.value;
            std::uint64_t value = 0;
            if (scanner.next(tag) == cadhost::DxfHandleRole::Reference &&
                cadhost::parseHandle(tag.value, value) && value != 0 && owned.count(value) == 0)
                broken.push_back(type + " " + std::to_string(tag.code) + " " + std::string(tag.value));
        }
    });
    return broken;
}

/// The subclass markers of the first record of tags, in order, joined by spaces.
inline std::string markersOf(const cadhost::DxfTags& tags, std::size_t begin = 0)
{
    std::string markers;
    for (std::size_t i = begin + 1; i < tags.size() && tags[i].code != 0; ++i)
        if (tags[i].code == 100)
            markers += (markers.empty() ? "" : " ") + std::string(tags[i].value);
    return markers;
}

}  // namespace dxftest
