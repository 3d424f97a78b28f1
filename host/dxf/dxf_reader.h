// Reading an ASCII drawing file (R12 to R2018) into a new database: the header variables the
// host models, layers, dimension styles and the model space entities it models, in world
// coordinates; everything else is kept in the database's foreign data for the writer.
#pragma once
#include "dbmain.h"
#include "dxf/dxf_document.h"
#include "dxf/dxf_entity_reader.h"
#include "dxf/dxf_mends.h"
#include <memory>
#include <string>
#include <vector>

namespace cadhost {

/// A new database holding the drawing in bytes, the contents of the file named fileName.
/// What can be read is read: data after EOF, a pointer that holds a name, a modelled value
/// out of range or an entity of a modelled kind that the host cannot model are mended and the
/// mends given in mends (when not null). Throws DxfError naming the file and line of what
/// cannot be read (a binary or pre-R12 file, a broken structure, a value that is not a number).
/// An ENTITIES section of at least splitFrom bytes is read by two threads at once, to the
/// same database.
std::unique_ptr<AcDbDatabase> readDxf(std::string bytes, const std::string& fileName,
                                      std::vector<DxfMend>* mends = nullptr,
                                      std::size_t splitFrom = kDxfSplitSectionBytes);
/// The drawing in the file at path. Throws DxfError when it cannot be read.
std::unique_ptr<AcDbDatabase> readDxfFile(const std::string& path,
                                          std::vector<DxfMend>* mends = nullptr);

}  // namespace cadhost
