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
extern "C" const char* __asan_default_options() {
  return "suppressions=" CLIENT_SOURCE_DIR "/tests/shell/asan.supp";
}
#endif
