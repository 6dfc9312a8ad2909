#include "platform/base/assertion.h"

#include <string>

void RaiseAssertion(const char* message, const char* file, int line) {
  std::string text = message ? message : "Assertion failure";
  text += " (";
  text += file;
  text += ", line " + std::to_string(line) + ")";
  throw EAssertionFailed(text);
}
