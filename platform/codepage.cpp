#include "platform/codepage.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

namespace {

// 0x80..0x9F of Windows-1252 as Windows maps them; the five bytes the code
// page leaves unassigned map to the C1 controls of the same value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, //
};

char16_t Cp1252ByteToWide(unsigned char b) {
    if (b >= 0x80 && b < 0xA0)
        return kCp1252High[b - 0x80];
    return static_cast<char16_t>(b);
}

#ifndef _WIN32
// Wide to Windows-1252 without best fit: what has no exact mapping becomes '?'.
char WideToCp1252Char(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (unsigned i = 0; i < 32; ++i) {
        if (kCp1252High[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}
#endif

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

#ifdef _WIN32

std::string WideToAnsi(std::u16string_view text) {
    if (text.empty())
        return std::string();
    // Without WC_NO_BEST_FIT_CHARS Windows would turn e.g. U+0100 into "A";
    // a character without an exact mapping must become "?".
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0,
                                           nullptr, nullptr);
    if (needed <= 0)
        return std::string();
    std::string out(static_cast<size_t>(needed), '\0');
    const int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, &out[0],
                                            needed, nullptr, nullptr);
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return out;
}

std::u16string AnsiToWide(std::string_view text) {
    if (text.empty())
        return std::u16string();
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return std::u16string();
    std::u16string out(static_cast<size_t>(needed), u'\0');
    const int written = MultiByteToWideChar(CP_ACP, 0, text.data(), length,
                                            reinterpret_cast<wchar_t*>(&out[0]), needed);
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return out;
}

bool IsLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

#else

std::string WideToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    // Every UTF-16 unit is one character to the code page, so a surrogate pair
    // becomes "??", as WideCharToMultiByte gives it.
    for (char16_t c : text)
        out.push_back(WideToCp1252Char(c));
    return out;
}

std::u16string AnsiToWide(std::string_view text) {
    return Windows1252ToWide(text);
}

bool IsLeadByte(unsigned char) {
    return false;
} // Windows-1252 has none

#endif

// As CharNextA, but on a counted text: a lead byte takes its trail byte with
// it unless the text ends (or a NUL follows) right after it.
size_t NextCharOffset(std::string_view text, size_t pos) {
    if (pos >= text.size())
        return text.size();
    if (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() &&
        text[pos + 1] != '\0')
        return pos + 2;
    return pos + 1;
}

std::u16string Windows1252ToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(Cp1252ByteToWide(static_cast<unsigned char>(c)));
    return out;
}

std::u16string Latin1ToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

namespace {

// Length of the valid UTF-8 sequence at text[i] (no overlong forms, no
// surrogates, nothing past U+10FFFF) and its code point; 0 when invalid.
size_t DecodeUtf8At(std::string_view text, size_t i, char32_t* cp) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    }
    size_t len;
    char32_t value;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        value = b0 & 0x1Fu;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        value = b0 & 0x0Fu;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        value = b0 & 0x07u;
        min = 0x10000;
    } else {
        return 0; // stray continuation byte, overlong lead, or beyond U+10FFFF
    }
    if (text.size() - i < len)
        return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0u) != 0x80u)
            return 0;
        value = (value << 6) | (b & 0x3Fu);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *cp = value;
    return len;
}

} // namespace

bool IsValidUtf8(std::string_view text, bool* hasMultiByte) {
    bool multi = false;
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        const size_t len = DecodeUtf8At(text, i, &cp);
        if (len == 0)
            return false;
        multi = multi || len > 1;
        i += len;
    }
    if (hasMultiByte)
        *hasMultiByte = multi;
    return true;
}

bool Utf8ToWide(std::string_view text, std::u16string* out) {
    std::u16string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        const size_t len = DecodeUtf8At(text, i, &cp);
        if (len == 0)
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FFu)));
        } else {
            result.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    *out = std::move(result);
    return true;
}

std::string WideToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            cp = 0xFFFD; // a lone surrogate has no UTF-8 form
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

} // namespace platform
