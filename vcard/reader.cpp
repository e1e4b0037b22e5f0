#include "vcard/reader.h"

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/oledate.h"

#include <cstring>

namespace vcard {

namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Upper(text[i]) != Upper(prefix[i]))
            return false;
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Reads an integer as "%d" (or "%<width>d") does: white space, a sign, digits.
// Large values saturate rather than overflow.
bool ScanInt(std::string_view text, size_t* pos, size_t width, int* out) {
    size_t i = *pos;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    size_t used = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+') && used < width) {
        negative = text[i] == '-';
        ++i;
        ++used;
    }
    long long value = 0;
    size_t digits = 0;
    while (i < text.size() && used < width && text[i] >= '0' && text[i] <= '9') {
        if (value < 100000000)
            value = value * 10 + (text[i] - '0');
        ++i;
        ++used;
        ++digits;
    }
    if (digits == 0)
        return false;
    *out = static_cast<int>(negative ? -value : value);
    *pos = i;
    return true;
}

// Valid UTF-8 with at least one multi-byte sequence.
bool IsUtf8WithMultiByte(std::string_view text) {
    bool multiByte = false;
    return platform::IsValidUtf8(text, &multiByte) && multiByte;
}

// The ':' or ';' that ends the parameter token starting at `from`; one inside
// double quotes does not count. A quote that is never closed is an ordinary
// character (then no quote follows it, so every byte is looked at once).
size_t FindParameterEnd(std::string_view line, size_t from) {
    size_t i = from;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ':' || c == ';')
            return i;
        if (c == '"') {
            const size_t close = line.find('"', i + 1);
            if (close != std::string_view::npos) {
                i = close + 1;
                continue;
            }
        }
        ++i;
    }
    return std::string_view::npos;
}

} // namespace

bool QuotedPrintableDecode(const char* in, size_t count, char* out, size_t* outLength) {
    size_t i = 0;
    size_t o = 0;
    bool ok = true;
    while (i < count) {
        const char c = in[i];
        if (c == '=') {
            if (i + 1 < count && IsAlnum(in[i + 1])) {
                // As far as the two characters are hexadecimal digits.
                int value = 0;
                int hi = HexValue(in[i + 1]);
                if (hi >= 0) {
                    value = hi;
                    if (i + 2 < count) {
                        int lo = HexValue(in[i + 2]);
                        if (lo >= 0)
                            value = value * 16 + lo;
                    }
                }
                out[o++] = static_cast<char>(value);
                i += (i + 2 < count) ? 3 : 2;
                continue;
            }
            if (i + 2 < count && in[i + 1] == '\r' && in[i + 2] == '\n') {
                i += 3;
                continue;
            }
            // No valid escape: the rest stays as it is.
            std::memcpy(out + o, in + i, count - i);
            o += count - i;
            ok = false;
            break;
        }
        if (c != '\r' && c != '\n')
            out[o++] = c;
        ++i;
    }
    *outLength = o;
    return ok;
}

// --- File level -------------------------------------------------------------

int32_t CardReader::LoadFile(const std::string& path) {
    FreeText();
    std::string bytes;
    switch (platform::ReadWholeFile(path, &bytes)) {
    case platform::ReadResult::Ok:
        break;
    case platform::ReadResult::CannotOpen:
        return kLoadCannotOpen;
    case platform::ReadResult::TooLarge:
        return kLoadTooLarge;
    case platform::ReadResult::NoMemory:
        return kLoadNoMemory;
    case platform::ReadResult::ShortRead:
        return kLoadShortRead;
    }
    LoadText(bytes);
    return 0;
}

void CardReader::LoadText(std::string_view bytes) {
    textIsUtf8_ = false;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    int utf16 = 0; // 1 little-endian, 2 big-endian
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        bytes.remove_prefix(3);
        textIsUtf8_ = true;
    } else if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        bytes.remove_prefix(2);
        utf16 = 1;
    } else if (bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
        bytes.remove_prefix(2);
        utf16 = 2;
    } else if (bytes.size() >= 4 && byte(0) != 0 && byte(1) == 0 && byte(2) != 0 && byte(3) == 0) {
        utf16 = 1; // no mark, but "B\0E\0..." is UTF-16 all the same
    } else if (bytes.size() >= 4 && byte(0) == 0 && byte(1) != 0 && byte(2) == 0 && byte(3) != 0) {
        utf16 = 2;
    }
    if (utf16 != 0) {
        std::u16string wide(bytes.size() / 2, u'\0');
        for (size_t i = 0; i < wide.size(); ++i) {
            const unsigned hi = byte(2 * i + (utf16 == 1 ? 1 : 0));
            const unsigned lo = byte(2 * i + (utf16 == 1 ? 0 : 1));
            wide[i] = static_cast<char16_t>(hi << 8 | lo);
        }
        const size_t zero = wide.find(u'\0');
        if (zero != std::u16string::npos)
            wide.resize(zero);
        text_ = platform::WideToUtf8(wide);
        textIsUtf8_ = true;
    } else {
        // A zero byte ends the text.
        const void* zero = std::memchr(bytes.data(), 0, bytes.size());
        if (zero != nullptr)
            bytes =
                bytes.substr(0, static_cast<size_t>(static_cast<const char*>(zero) - bytes.data()));
        text_.assign(bytes);
        if (!textIsUtf8_)
            textIsUtf8_ = IsUtf8WithMultiByte(text_);
    }
    cursor_ = 0;
}

void CardReader::FreeText() {
    std::string().swap(text_);
    cursor_ = 0;
}

int32_t CardReader::CountCards(const std::string& path) {
    if (LoadFile(path) != 0)
        return 0;
    int32_t count = CountLoadedCards();
    FreeText();
    return count;
}

int32_t CardReader::CountLoadedCards() {
    cursor_ = 0;
    int32_t count = 0;
    while (FindCardStart()) {
        bool ended = false;
        while (NextPropertyLine()) {
            if (IsCardEnd()) {
                ended = true;
                break;
            }
        }
        if (!ended)
            break;
        ++count;
    }
    return count;
}

// --- Line level -------------------------------------------------------------

bool CardReader::RawLine(std::string_view* out) {
    const size_t end = text_.size();
    const size_t start = cursor_;
    if (start >= end)
        return false;
    // A line ends at its LF; a CR just before the LF belongs to the line end.
    const char* base = text_.data();
    const void* lf = std::memchr(base + start, '\n', end - start);
    size_t lineEnd = end;
    if (lf != nullptr) {
        lineEnd = static_cast<size_t>(static_cast<const char*>(lf) - base);
        cursor_ = lineEnd + 1;
        if (lineEnd > start && text_[lineEnd - 1] == '\r')
            --lineEnd;
    } else {
        cursor_ = end;
    }
    *out = std::string_view(base + start, lineEnd - start);
    return true;
}

bool CardReader::TakePhysicalLine(bool keepLeadingSpaces) {
    if (!keepLeadingSpaces)
        while (cursor_ < text_.size() && text_[cursor_] == ' ')
            ++cursor_;
    std::string_view line;
    if (!RawLine(&line))
        return false;
    line_.assign(line);
    return true;
}

bool CardReader::NextPhysicalLine() {
    return TakePhysicalLine(false);
}

bool CardReader::NextPropertyLine() {
    for (;;) {
        if (!NextPhysicalLine())
            return false;
        std::string_view more;
        // Whether the line is quoted-printable is known once its parameter
        // list has ended; looked at once, so long folded lines stay linear.
        size_t colonScan = 0;
        int quotedPrintable = -1;
        auto isQuotedPrintable = [&] {
            if (quotedPrintable < 0) {
                if (line_.find(':', colonScan) == std::string::npos) {
                    colonScan = line_.size();
                    return false;
                }
                quotedPrintable = IsQuotedPrintableLine(line_) ? 1 : 0;
            }
            return quotedPrintable == 1;
        };
        for (;;) {
            if (!line_.empty() && line_.back() == '=' && isQuotedPrintable()) {
                // A soft line break: the next line goes on as it stands.
                if (!RawLine(&more))
                    break;
                line_ += "\r\n";
                line_ += more;
                continue;
            }
            if (cursor_ < text_.size() && (text_[cursor_] == ' ' || text_[cursor_] == '\t')) {
                RawLine(&more);
                line_.append(more.substr(1));
                continue;
            }
            break;
        }
        const size_t mark = line_.find_first_of(":;");
        if (mark == std::string::npos)
            continue;
        lineCursor_ = mark;
        std::string_view name(line_.data(), mark);
        const size_t dot = name.find('.');
        if (dot != std::string_view::npos)
            name.remove_prefix(dot + 1);
        name_.assign(name);
        for (char& c : name_)
            c = Upper(c);
        params_.clear();
        charset_.clear();
        quotedPrintable_ = false;
        parametersRead_ = false;
        parametersEndInColon_ = false;
        valueReady_ = false;
        value_.clear();
        return true;
    }
}

bool CardReader::IsQuotedPrintableLine(std::string_view line) {
    size_t pos = line.find_first_of(":;");
    if (pos == std::string_view::npos)
        return false;
    std::string_view name = line.substr(0, pos);
    const size_t dot = name.find('.');
    if (dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    if (name.size() == 3 && StartsWithNoCase(name, "ADR"))
        return true;
    while (pos < line.size() && line[pos] == ';') {
        const size_t stop = FindParameterEnd(line, pos + 1);
        if (stop == std::string_view::npos)
            return false;
        std::string_view token = line.substr(pos + 1, stop - pos - 1);
        if ((token.size() == 16 && StartsWithNoCase(token, "QUOTED-PRINTABLE")) ||
            (token.size() == 25 && StartsWithNoCase(token, "ENCODING=QUOTED-PRINTABLE")))
            return true;
        pos = stop;
    }
    return false;
}

bool CardReader::FindCardStart() {
    while (NextPropertyLine()) {
        if (name_ == "BEGIN" &&
            StartsWithNoCase(std::string_view(line_).substr(lineCursor_), ":VCARD")) {
            cardVersion_ = kCardVersion21;
            return true;
        }
    }
    return false;
}

bool CardReader::NextParameter() {
    if (lineCursor_ < line_.size() && line_[lineCursor_] == ';')
        ++lineCursor_;
    const size_t stop = FindParameterEnd(line_, lineCursor_);
    if (stop == std::string::npos)
        return false;
    std::string_view token(line_.data() + lineCursor_, stop - lineCursor_);
    if (token.size() > 5 && StartsWithNoCase(token, "TYPE="))
        token.remove_prefix(5);
    token_.assign(token);
    for (char& c : token_)
        c = Upper(c);
    lineCursor_ = stop;
    return true;
}

bool CardReader::IsCardEnd() const {
    return name_ == "END" &&
           StartsWithNoCase(std::string_view(line_).substr(lineCursor_), ":VCARD");
}

void CardReader::ApplyVersion() {
    // 4.0 escapes values as 3.0 does.
    const std::string_view at = std::string_view(line_).substr(lineCursor_);
    if (StartsWithNoCase(at, ":3.0") || StartsWithNoCase(at, ":4.0"))
        cardVersion_ = kCardVersion30;
}

// --- Value level ------------------------------------------------------------

std::u16string CardReader::DecodeText(std::string_view bytes) const {
    std::u16string wide;
    if (charset_ == "UTF-8" || charset_ == "UTF8") {
        if (platform::Utf8ToWide(bytes, &wide))
            return wide;
    } else if (charset_ == "ISO-8859-1" || charset_ == "ISO_8859-1" || charset_ == "ISO8859-1" ||
               charset_ == "LATIN1" || charset_ == "LATIN-1") {
        return platform::Latin1ToWide(bytes);
    } else if (charset_ == "WINDOWS-1252" || charset_ == "CP1252" || charset_ == "CP-1252") {
        return platform::Windows1252ToWide(bytes);
    } else if (textIsUtf8_ && platform::Utf8ToWide(bytes, &wide)) {
        return wide;
    }
    return platform::AnsiToWide(bytes);
}

void CardReader::StoreValue(std::u16string& field, std::string_view text) {
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    if (cardVersion_ != kCardVersion30 || text.find('\\') == std::string_view::npos) {
        field = DecodeText(text);
        return;
    }
    std::string plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == ',' || next == '\\') {
                plain += next;
                ++i;
                continue;
            }
            if (next == 'n' || next == 'N') {
                plain += "\r\n";
                ++i;
                continue;
            }
        }
        plain += c;
    }
    field = DecodeText(plain);
}

std::string_view CardReader::StoreComponent(std::u16string& field, std::string_view text,
                                            char delimiter) {
    const size_t stop = text.find(delimiter);
    const std::string_view component = text.substr(0, stop);
    if (!component.empty())
        StoreValue(field, component);
    if (stop == std::string_view::npos)
        return std::string_view();
    return text.substr(stop + 1);
}

std::string CardReader::ReadQuotedPrintableValue() {
    std::string gathered = line_.substr(lineCursor_ < line_.size() ? lineCursor_ : line_.size());
    // Lines gathered here keep their leading spaces: a soft break may fall
    // just before an encoded space.
    while (!gathered.empty() && gathered.back() == '=') {
        if (!TakePhysicalLine(true))
            break;
        gathered += "\r\n";
        gathered += line_;
    }
    std::string decoded(gathered.size(), '\0');
    size_t length = 0;
    QuotedPrintableDecode(gathered.data(), gathered.size(), &decoded[0], &length);
    decoded.resize(length);
    return decoded;
}

void CardReader::ParseDate(double& field) {
    const std::string_view value = Value();
    int year = 0, month = 0, day = 0;
    size_t pos = 0;
    bool read;
    if (value.find('-') != std::string_view::npos) {
        read = ScanInt(value, &pos, SIZE_MAX, &year) && pos < value.size() && value[pos++] == '-' &&
               ScanInt(value, &pos, SIZE_MAX, &month) && pos < value.size() &&
               value[pos++] == '-' && ScanInt(value, &pos, SIZE_MAX, &day);
    } else {
        read = ScanInt(value, &pos, 4, &year) && ScanInt(value, &pos, 2, &month) &&
               ScanInt(value, &pos, 2, &day);
    }
    if (!read)
        return;
    double date = 0.0;
    field = platform::FieldsToOleDate(year, month, day, 0, 0, 0, &date) ? date : 0.0;
}

size_t CardReader::ForEachRecord(std::string_view bytes, LONG outlookVersion,
                                 const std::function<void(const CardRecord&)>& take) {
    CardReader reader;
    reader.SetOutlookVersion(outlookVersion);
    reader.LoadText(bytes);
    size_t count = 0;
    while (reader.FindCardStart()) {
        while (reader.NextPropertyLine()) {
            if (reader.IsCardEnd()) {
                take(reader.record_);
                ++count;
                break;
            }
            reader.ApplyProperty();
        }
        reader.record_.Clear();
    }
    reader.FreeText();
    return count;
}

std::vector<CardRecord> CardReader::ReadRecords(std::string_view bytes, LONG outlookVersion) {
    std::vector<CardRecord> records;
    ForEachRecord(bytes, outlookVersion, [&](const CardRecord& r) { records.push_back(r); });
    return records;
}

} // namespace vcard
