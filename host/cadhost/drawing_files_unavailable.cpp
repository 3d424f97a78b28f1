// Stands in for the drawing-file reader and writer until they are built: every request fails
// with a clear reason, and nothing is read or written.
#include "cadhost/drawing_files.h"

namespace cadhost {

bool openDrawing(const std::string& path, std::string& error)
{
    error = path + ": cannot read the drawing: DXF support is not built into this cadhost";
    return false;
}

bool saveDrawing(const std::string& path, std::string& error)
{
    error = path + ": cannot write the drawing: DXF support is not built into this cadhost";
    return false;
}

}  // namespace cadhost
