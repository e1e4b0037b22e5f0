// The system ANSI code page: CP_ACP on Windows, Windows-1252 elsewhere.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Wide (UTF-16) to ANSI; characters without a mapping become the code page's
// default character "?" (as WideCharToMultiByte with no flags).
std::string WideToAnsi(std::u16string_view text);

// ANSI to wide (as MultiByteToWideChar with CP_ACP).
std::u16string AnsiToWide(std::string_view text);

// Offset of the character after the one at `pos` (CharNextA): moves over a
// whole double-byte character; never past `text.size()`.
size_t NextCharOffset(std::string_view text, size_t pos);

// Is this byte the lead byte of a double-byte character (IsDBCSLeadByte)?
bool IsLeadByte(unsigned char byte);

// Windows-1252 and ISO-8859-1 decoding and UTF-8 conversion, the same on every
// platform (used for text whose character set a file declares).
std::u16string Windows1252ToWide(std::string_view text);
std::u16string Latin1ToWide(std::string_view text);
// Is the text valid UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF)? When it is, *hasMultiByte tells whether any character took more
// than one byte.
bool IsValidUtf8(std::string_view text, bool* hasMultiByte = nullptr);
// Decodes UTF-8; returns false (and leaves out untouched) when it is not valid.
bool Utf8ToWide(std::string_view text, std::u16string* out);
std::string WideToUtf8(std::u16string_view text);

} // namespace platform
