// Writing a drawing as an ASCII drawing file of version R2000 (AC1015) or the later version it
// was read in: the host's entities with a block of graphics for each dimension, and whatever
// the file it was read from carried that the host does not model.
#pragma once
#include "dbmain.h"
#include "dxf/dimension_graphics.h"
#include <string>

namespace cadhost {

/// The drawing file of db.
std::string writeDxf(const AcDbDatabase& db);
/// What a dimension's block is drawn with: its style's sizes and the decimal separator of a
/// measured text.
struct DimensionBlockStyle {
    DimensionStyleSizes sizes;
    char16_t decimalSeparator = u'.';
};
/// The settings the writer draws the block of a dimension of the named style with, in db.
DimensionBlockStyle dimensionBlockStyle(const AcDbDatabase& db, const std::u16string& styleName);
/// Writes the drawing file of db to path: to a temporary file beside it, renamed to path when
/// complete, so that a failure leaves whatever was at path whole. Throws DxfError when the
/// file cannot be written.
void writeDxfFile(const AcDbDatabase& db, const std::string& path);

}  // namespace cadhost
