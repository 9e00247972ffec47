// ThreadSanitizer cannot see the atomic reference count that libstdc++ (not built with
// the sanitizer) keeps for a std::exception_ptr. A query whose work throws hands the very
// exception object to the asking thread, and whichever thread drops the last reference
// frees it; without the suppression that hand-over is reported as a race.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
  return "race:std::__exception_ptr::exception_ptr::_M_release\n";
}
#endif
