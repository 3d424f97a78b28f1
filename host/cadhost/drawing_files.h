// Reading and writing drawing files (DXF) for cadhost's --drawing, --save, `open` and `save`.
//
// The definitions are in host/dxf/drawing_files.cpp (part of libcadhost). openDrawing reads the file into a new database and makes it the working drawing
// (cadhost::setWorkingDatabase); on any failure the working drawing stays as it was.
// saveDrawing writes the working drawing; it never writes part of a file over a good one.
#pragma once
#include <string>

namespace cadhost {

/// Reads the drawing at path and makes it the working drawing; false with a reason in error
/// (which names the file and, where it applies, the line) when it cannot be read.
bool openDrawing(const std::string& path, std::string& error);
/// Writes the working drawing to path; false with a reason in error when it cannot be written.
bool saveDrawing(const std::string& path, std::string& error);

}  // namespace cadhost
