// libFuzzer target of the resource library reader: any bytes are refused or read without a
// read outside them; every string found lies inside them, and the table lists exactly what
// looking each identifier up finds, in ascending order.
#include "mfc/pe_image.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const cadhost::PeImage image(data, size);
    if (!image.isLoadable())
        return 0;
    for (const cadhost::LanguageId language : {0x0405, 0x0409}) {
        std::int64_t previous = -1;
        for (const auto& [id, text] : image.strings(language)) {
            const auto found = image.findString(id, language);
            if (!found || found->units < data || found->units + 2 * found->length > data + size ||
                cadhost::PeImage::decode(*found) != text || id <= previous)
                std::abort();
            previous = id;
        }
    }
    return 0;
}
