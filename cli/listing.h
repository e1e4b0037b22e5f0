// The text of `tallyport list`: one line per item, fields separated by tabs.
#pragma once

#include "com/holders.h"

#include <string>
#include <string_view>

namespace cli {

// UTF-8 with backslash, tab, CR and LF written as \\, \t, \r, \n.
std::string EscapeField(std::u16string_view text);

// YYYY-MM-DD; empty for the unset date (949998.0) and for dates outside
// what an OLE date can show.
std::string FormatDate(double oleDate);

// A property value as the list shows it.
std::string FormatValue(const com::Variant& value);

} // namespace cli
