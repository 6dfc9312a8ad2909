#pragma once
// Failed assertions raise EAssertionFailed ("Assertion failure (file, line N)")
// instead of aborting, so a programming error inside a frame or a receive
// handler is reported at that boundary and the program goes on.

#include "platform/base/exception.h"

CLIENT_DECLARE_EXCEPTION(EAssertionFailed, Exception);

[[noreturn]] void RaiseAssertion(const char* message, const char* file, int line);

// CLIENT_ASSERT(cond) or CLIENT_ASSERT(cond, "own message"): the message
// replaces "Assertion failure" where a caller has one of its own.
#define CLIENT_ASSERT_1(cond) \
  ((cond) ? (void)0 : RaiseAssertion(nullptr, __FILE__, __LINE__))
#define CLIENT_ASSERT_2(cond, msg) \
  ((cond) ? (void)0 : RaiseAssertion((msg), __FILE__, __LINE__))
#define CLIENT_ASSERT_PICK(_1, _2, NAME, ...) NAME
#define CLIENT_ASSERT(...) \
  CLIENT_ASSERT_PICK(__VA_ARGS__, CLIENT_ASSERT_2, CLIENT_ASSERT_1, unused)(__VA_ARGS__)
