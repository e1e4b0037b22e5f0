#include "com/error.h"

#include <cstdio>

namespace com {

std::string FormatGuid(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

ComError::ComError(HRESULT hr, const IID& iid) : hr_(hr), iid_(iid) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
    what_ = std::string("COM call failed with ") + buf + " on interface " + FormatGuid(iid);
}

} // namespace com
