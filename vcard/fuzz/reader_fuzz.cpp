// Arbitrary bytes through the reader and the mapping: cutting into lines and
// cards, parameters, unescaping, quoted-printable, character sets, dates.
#include "vcard/reader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    size_t fields = 0;
    const size_t cards =
        vcard::CardReader::ForEachRecord(bytes, 11, [&](const vcard::CardRecord& r) {
            fields += r.LastName.size() + r.Body.size();
        });
    vcard::CardReader counter;
    counter.LoadText(bytes);
    const int32_t counted = counter.CountLoadedCards();
    // Every card the import reads is one the count pass found.
    if (cards > static_cast<size_t>(counted))
        __builtin_trap();

    std::string out(size, '\0');
    size_t length = 0;
    vcard::QuotedPrintableDecode(bytes.data(), size, &out[0], &length);
    if (length > size)
        __builtin_trap();
    (void)fields;
    return 0;
}
