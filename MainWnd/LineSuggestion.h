// The line the options suggest ("推荐"): of the lines that answered, the
// one with the least loss; among equal loss, the least round-trip time
// plus jitter, as shown in whole milliseconds; among equal figures, the
// lower line number. A suggestion only: nothing switches by itself.
#pragma once

#include "MainWnd/LineQuality.h"

#include <vector>

// The index of the suggested line in lines, or -1 when no line answered
// (lines not measured yet take no part).
int SuggestLine(const std::vector<LineQuality>& lines);
