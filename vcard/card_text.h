// The text layer of the vCard writer: one card under construction, the
// 3.0 escaping, the 2.1 quoted-printable encoding and date formatting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vcard {

// The number kept for the version of an export.
using VCardVersionCode = int32_t;
constexpr VCardVersionCode kVCard21 = 21;
constexpr VCardVersionCode kVCard30 = 30;
constexpr VCardVersionCode kVCardUnknown = 0;

constexpr std::string_view kLineEnd = "\r\n";

// One card as bytes in the ANSI code page. The text grows as needed, so a
// card of any size is held whole.
class CardText {
public:
    explicit CardText(VCardVersionCode code = kVCardUnknown) : code_(code) {}

    VCardVersionCode VersionCode() const { return code_; }
    void SetVersionCode(VCardVersionCode code) { code_ = code; }

    // The card so far; Data() is NUL-terminated.
    const char* Data() const { return text_.c_str(); }
    size_t Size() const { return text_.size(); }
    std::string_view View() const { return text_; }

    void Clear() { text_.clear(); }
    void Append(std::string_view ansi) { text_.append(ansi); }
    void EndLine() { text_.append(kLineEnd); }
    void AppendLine(std::string_view ansi);
    // ";WORK" in 2.1, ";TYPE=WORK" in 3.0.
    void AppendTypeParameter(std::string_view word);
    // Contact text converted to ANSI, never escaped, then CR LF.
    void AppendValueLine(std::u16string_view text);
    // Escaped by the 3.0 rules when the version code is 30; unchanged otherwise.
    void AppendEscaped(std::u16string_view text);
    void AppendEscaped(std::string_view ansi);
    void AppendEscapedLine(std::u16string_view text);
    // Contact text converted to ANSI and quoted-printable encoded.
    void AppendQuotedPrintable(std::u16string_view text);

private:
    std::string text_;
    VCardVersionCode code_;
};

// vCard 3.0 escaping: backslash -> "\\", comma -> "\,", CR LF -> "\n". Moves
// over whole characters of a double-byte code page.
std::string EscapeText(std::string_view ansi);

// Quoted-printable with a soft line break once a line reaches 65 characters.
std::string QuotedPrintableEncode(const unsigned char* bytes, size_t count);
inline std::string QuotedPrintableEncode(std::string_view bytes) {
    return QuotedPrintableEncode(reinterpret_cast<const unsigned char*>(bytes.data()),
                                 bytes.size());
}

// The date formatted by strftime with `pattern` (at most 255 characters), or
// "Invalid DateTime" when it cannot be broken into calendar fields.
std::string FormatOleDate(double date, const char* pattern);

} // namespace vcard
