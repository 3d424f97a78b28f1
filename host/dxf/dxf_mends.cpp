#include "dxf/dxf_mends.h"

#include <ostream>

namespace cadhost {

std::string warningText(const DxfMend& mend)
{
    const std::string place =
        mend.line == 0 ? mend.file : mend.file + ":" + std::to_string(mend.line);
    return place + ": warning: " + mend.message;
}

void DxfMendLog::record(DxfMendKind kind, std::size_t line, std::string message)
{
    m_mends.push_back({kind, m_fileName, line, std::move(message)});
}

void printWarnings(const std::vector<DxfMend>& mends, std::ostream& out)
{
    for (const DxfMend& mend : mends)
        out << warningText(mend) << '\n';
}

}  // namespace cadhost
