// The directories the commands remember ("ImportFolder", "ExportFolder"): a
// small text file under $XDG_CONFIG_HOME/tallyport/ (~/.config/tallyport/),
// kept by the platform's settings store. As with the add-in's registry
// values, a missing or unreadable value reads as the empty text and a failed
// write is silent.
#pragma once

#include "platform/settings.h"

#include <string>

namespace cli {

class Remembered {
public:
    // The file; none when neither XDG_CONFIG_HOME nor HOME is set.
    Remembered();
    std::string Read(const std::string& name) const;
    // Replaces the value; the file is rewritten whole through a temporary
    // file and a rename, so a crash never leaves half a file.
    void Write(const std::string& name, const std::string& value) const;

private:
    platform::SettingsStore store_;
};

} // namespace cli
