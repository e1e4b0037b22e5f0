#include "vcard/card_text.h"

#include "platform/codepage.h"
#include "platform/oledate.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace vcard {

void CardText::AppendLine(std::string_view ansi) {
    Append(ansi);
    EndLine();
}

void CardText::AppendTypeParameter(std::string_view word) {
    text_.push_back(';');
    if (code_ == kVCard30)
        text_.append("TYPE=");
    text_.append(word);
}

void CardText::AppendValueLine(std::u16string_view text) {
    Append(platform::WideToAnsi(text));
    EndLine();
}

void CardText::AppendEscaped(std::u16string_view text) {
    if (!text.empty())
        AppendEscaped(std::string_view(platform::WideToAnsi(text)));
}

void CardText::AppendEscaped(std::string_view ansi) {
    if (code_ == kVCard30)
        Append(EscapeText(ansi));
    else
        Append(ansi);
}

void CardText::AppendEscapedLine(std::u16string_view text) {
    AppendEscaped(text);
    EndLine();
}

void CardText::AppendQuotedPrintable(std::u16string_view text) {
    if (!text.empty())
        Append(QuotedPrintableEncode(platform::WideToAnsi(text)));
}

std::string EscapeText(std::string_view ansi) {
    // The three replacements never create one another's targets, so one pass
    // over whole characters gives the same text as three passes.
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 8);
    size_t pos = 0;
    while (pos < ansi.size()) {
        const char c = ansi[pos];
        if (c == '\\') {
            out.append("\\\\");
            ++pos;
        } else if (c == ',') {
            out.append("\\,");
            ++pos;
        } else if (c == '\r' && pos + 1 < ansi.size() && ansi[pos + 1] == '\n') {
            out.append("\\n");
            pos += 2;
        } else {
            size_t next = platform::NextCharOffset(ansi, pos);
            if (next <= pos)
                next = pos + 1;
            out.append(ansi.substr(pos, next - pos));
            pos = next;
        }
    }
    return out;
}

std::string QuotedPrintableEncode(const unsigned char* bytes, size_t count) {
    static const char kHex[] = "0123456789ABCDEF";
    constexpr int kSoftBreakLimit = 65;
    constexpr int kBlankLimit = 64;
    std::string out;
    out.reserve(count * 3 + (count / 22) * 3 + 1);
    int length = 0;
    for (size_t i = 0; i < count; ++i) {
        const unsigned char b = bytes[i];
        if ((b >= 33 && b <= 60) || (b >= 62 && b <= 126) ||
            ((b == ' ' || b == '\t') && length < kBlankLimit)) {
            out.push_back(static_cast<char>(b));
            length += 1;
        } else {
            out.push_back('=');
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0x0F]);
            length += 3;
        }
        if (length >= kSoftBreakLimit) {
            out.append("=\r\n");
            length = 0;
        }
    }
    return out;
}

std::string FormatOleDate(double date, const char* pattern) {
    // Some OLE runtimes break a NaN into 30 December 1899; it is no date.
    platform::DateFields f;
    if (std::isnan(date) || !platform::OleDateToFields(date, &f))
        return "Invalid DateTime";
    std::tm tm{};
    tm.tm_sec = f.second;
    tm.tm_min = f.minute;
    tm.tm_hour = f.hour;
    tm.tm_mday = f.day;
    tm.tm_mon = f.month - 1;
    tm.tm_year = f.year - 1900;
    tm.tm_wday = f.dayOfWeek;
    tm.tm_yday = f.dayOfYear - 1;
    tm.tm_isdst = 0;

    // The year is always four digits, also below 1000, where C runtimes differ.
    std::string fixed;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 'Y') {
            char year[8];
            std::snprintf(year, sizeof year, "%04d", f.year);
            fixed.append(year);
            ++p;
        } else if (p[0] == '%' && p[1] != '\0') {
            fixed.append(p, 2);
            ++p;
        } else {
            fixed.push_back(*p);
        }
    }
    char buffer[256];
    const size_t n = std::strftime(buffer, sizeof buffer, fixed.c_str(), &tm);
    return std::string(buffer, n);
}

} // namespace vcard
