// Runs a system tool (nft, ip, groupadd) and waits for it.
#pragma once

#include <string>
#include <vector>

// Runs program (looked up in /usr/sbin, /sbin, /usr/bin, /bin, else as
// given) with arguments, feeding input on its standard input; its standard
// output goes to output when that is given (at most 1 MiB), else nowhere.
// True on exit status 0; otherwise false with error holding the tool's
// first line of error output.
bool RunCommand(const std::string& program, const std::vector<std::string>& arguments, const std::string& input,
                std::string& error, std::string* output = nullptr);
