#include "cli/remembered.h"

namespace cli {

Remembered::Remembered() {
    store_.Open();
}

std::string Remembered::Read(const std::string& name) const {
    return store_.Read(name.c_str());
}

void Remembered::Write(const std::string& name, const std::string& value) const {
    // A name the store would cut short at a NUL is not this name.
    if (name.find('\0') != std::string::npos)
        return;
    store_.Write(name.c_str(), value);
}

} // namespace cli
