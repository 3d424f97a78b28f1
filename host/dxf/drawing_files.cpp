// cadhost's drawing files: --drawing, --save and the host commands open and save.
#include "cadhost/drawing_files.h"

#include "dbmain.h"
#include "dxf/dxf_error.h"
#include "dxf/dxf_reader.h"
#include "dxf/dxf_writer.h"
#include "session/session.h"
#include <iostream>
#include <new>

namespace cadhost {

bool openDrawing(const std::string& path, std::string& error)
{
    try {
        std::vector<DxfMend> mends;
        setWorkingDatabase(readDxfFile(path, &mends));
        printWarnings(mends, std::cerr);
        return true;
    } catch (const DxfError& failure) {
        error = failure.what();
    } catch (const std::bad_alloc&) {
        error = path + ": the drawing is too large to read";
    }
    return false;
}

bool saveDrawing(const std::string& path, std::string& error)
{
    try {
        writeDxfFile(*workingDatabase(), path);
        return true;
    } catch (const DxfError& failure) {
        error = failure.what();
    } catch (const std::bad_alloc&) {
        error = path + ": the drawing is too large to write";
    }
    return false;
}

}  // namespace cadhost
