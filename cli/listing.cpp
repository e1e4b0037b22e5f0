#include "cli/listing.h"

#include "platform/codepage.h"
#include "platform/oledate.h"

#include <cstdio>

namespace cli {

std::string EscapeField(std::u16string_view text) {
    std::string utf8 = platform::WideToUtf8(text);
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string FormatDate(double oleDate) {
    platform::DateFields f;
    if (oleDate == platform::kNoDate || !platform::OleDateToFields(oleDate, &f))
        return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", f.year, f.month, f.day);
    return buf;
}

std::string FormatValue(const com::Variant& value) {
    switch (value.Type()) {
    case VT_EMPTY:
    case VT_NULL:
        return {};
    case VT_DATE:
        return FormatDate(value.Get()->date);
    default: {
        std::u16string text;
        if (FAILED(value.ToText(&text)))
            return {};
        return EscapeField(text);
    }
    }
}

} // namespace cli
