// Errors the platform raises while reading or writing files and converting
// text; they end the current operation and are shown by the standard error
// display. The message is UTF-8 text, exactly as the user sees it.
#pragma once

#include <stdexcept>
#include <string>

class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
