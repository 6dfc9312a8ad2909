// Defaults for the sanitizer in this test program; ASAN_OPTIONS still
// overrides any key it names.
#if defined(__SANITIZE_ADDRESS__)
#define CLIENT_TESTS_WITH_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CLIENT_TESTS_WITH_ASAN 1
#endif
#endif

#ifdef CLIENT_TESTS_WITH_ASAN
// No leak check at exit here: with Qt's and the GL driver's threads ending
// under Xvfb, LeakSanitizer's own tracer now and then crashes ("Tracer caught
// signal 11") after every test has passed. The window-free suites keep it.
extern "C" const char* __asan_default_options() {
  return "detect_leaks=0:suppressions=" CLIENT_SOURCE_DIR "/tests/shell/asan.supp";
}
#endif
