// Reading an ASCII drawing file (R12 to R2018) into a new database: the header variables the
// host models, layers, dimension styles and the model space entities it models, in world
// coordinates; everything else is kept in the database's foreign data for the writer.
#pragma once
#include "dbmain.h"
#include "dxf/dxf_document.h"
#include <memory>
#include <string>

namespace cadhost {

/// The largest coordinate, radius or distance a modelled entity may have.
constexpr double kDxfCoordinateLimit = 1e12;

/// A new database holding the drawing in document, read from the file named fileName (used
/// in error messages). Throws DxfError naming the file and line of a value the host cannot
/// take (a huge coordinate, a zero radius or extrusion, a variable out of range).
std::unique_ptr<AcDbDatabase> importDxfDocument(DxfDocument document,
                                                const std::string& fileName);
/// The drawing in bytes, the contents of the file named fileName.
std::unique_ptr<AcDbDatabase> readDxf(const std::string& bytes, const std::string& fileName);
/// The drawing in the file at path. Throws DxfError when it cannot be read.
std::unique_ptr<AcDbDatabase> readDxfFile(const std::string& path);

}  // namespace cadhost
