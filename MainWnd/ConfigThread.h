// The configuration thread: fetches and reads the remote configuration,
// decides about the update, fetches the whitelists, and reports one of
// four outcomes to the main window.
#pragma once

#include "MainWnd/ConfigOutcome.h"

#include <string>

// The whole sequence for the configuration document at configUrl. Reports
// exactly one outcome through outcome; nothing throws out of it.
void RunConfigSequence(IConfigOutcome& outcome, const std::string& configUrl);

// The thread routine (for _beginthreadex): argument is the main window's
// IConfigOutcome; runs the sequence for the build's configuration URL.
unsigned ConfigThreadProc(void* argument);
