#include "outside/local/ThrottledLog.h"

std::string ThrottledLog::Note(const std::string& text, Clock::time_point now) {
  if (written_ && now - last_ < period_) {
    ++leftOut_;
    return std::string();
  }
  std::string record = text;
  if (leftOut_ > 0) record += " (" + std::to_string(leftOut_) + " more like it since the last record)";
  written_ = true;
  last_ = now;
  leftOut_ = 0;
  return record;
}
