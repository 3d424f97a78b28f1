// Small drawing files written in the tests, and reading the entities of a database back.
#pragma once
#include "database/database_impl.h"
#include "database/object_state.h"
#include "dbmain.h"
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

}  // namespace dxftest
