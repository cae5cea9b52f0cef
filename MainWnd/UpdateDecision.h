// The update decision: does the configuration announce a newer release?
#pragma once

#include <string>

// The leading decimal number of the URL's last segment (after the last "/"
// or "\\"), read like a base-10 strtol: leading blanks, an optional sign,
// digits up to the first non-digit; 0 without digits.
long ReleaseVersionCode(const std::string& updateUrl);

// True when updateUrl is not empty and its version code is greater than
// the build's version code.
bool ReleaseIsNewer(const std::string& updateUrl);
