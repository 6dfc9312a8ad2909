#pragma once
// The one base of every exception the client raises. Each failure carries a
// fixed message text; the boundary that can report it (the frame loop, the
// receive handler, a start-up step) shows Message().

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// Declares an exception class with the given name that derives from Parent.
#define CLIENT_DECLARE_EXCEPTION(Name, Parent)                          \
  class Name : public Parent {                                          \
  public:                                                               \
    explicit Name(const std::string& message) : Parent(message) {}      \
  }

// The run-time library's own failures, shared by every subsystem.
// An index outside a list: "Invalid list index".
CLIENT_DECLARE_EXCEPTION(EListError, Exception);
// A text that is not the number it should be, or an Assign between classes
// that cannot be copied into each other.
CLIENT_DECLARE_EXCEPTION(EConvertError, Exception);
// A file that cannot be opened, read or written; the message names the file.
CLIENT_DECLARE_EXCEPTION(EInOutError, Exception);
