// What the redirection library remembers between calls and processes: the
// installed driver pair, the rules and the registered process ids, and its
// text form in the state file.
//
// The state file is line-based text:
//   proxysdk-state 1
//   installed=0|1
//   bits=32|64
//   proxy=<path>
//   process=<path>
//   error=<why the last installation failed>
//   service=0|1             (the installed drivers redirect through the service)
//   rule=<protocol>\t<address>\t<port>\t<note>\t<reserved>   (any number)
//   pid=<decimal>                                          (any number)
// Values are percent-escaped ("%", tab, CR, LF and other control bytes as
// %XX). Unknown keys are ignored; a file without the first line reads as
// the empty state.
#pragma once

#include <string>
#include <vector>

struct RedirectRule {
  std::string protocol;
  std::string address;
  std::string port;
  std::string note;
  std::string reserved;
};

struct SdkState {
  bool installed = false;
  int bits = 0;
  std::string proxyPath;
  std::string processPath;
  std::string error;
  bool service = false;
  std::vector<RedirectRule> rules;
  std::vector<unsigned long> pids;
};

std::string FormatSdkState(const SdkState& state);

// False (and state empty) when text is not a state file.
bool ParseSdkState(const std::string& text, SdkState& state);
