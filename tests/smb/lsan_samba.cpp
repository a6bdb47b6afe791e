// Leak checking in sanitizer builds: Samba's client libraries keep a few
// process-wide allocations (the debug log's name, made with talloc) until the
// process ends. Vantor's own talloc use (one context per pipe, in SambaRpc.c)
// is freed whole when the pipe goes, so leaks reported there are theirs.
extern "C" const char* __lsan_default_suppressions() { return "leak:libtalloc.so\n"; }
// Quiet about it: a program's standard error is part of what tests compare.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
