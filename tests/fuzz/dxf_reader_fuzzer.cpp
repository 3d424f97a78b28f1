// libFuzzer target of the drawing-file reader: any bytes either read, or fail with a DxfError;
// a drawing that reads is written, and what is written reads again.
#include "dxf/dxf_error.h"
#include "dxf/dxf_reader.h"
#include "dxf/dxf_writer.h"
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<AcDbDatabase> db;
    try {
        db = cadhost::readDxf(bytes, "fuzz.dxf");
    } catch (const cadhost::DxfError&) {
        return 0;
    }
    const std::string written = cadhost::writeDxf(*db);
    try {
        cadhost::readDxf(written, "written.dxf");
    } catch (const cadhost::DxfError&) {
        std::abort();  // the host wrote a drawing it cannot read back
    }
    return 0;
}
