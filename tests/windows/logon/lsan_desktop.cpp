// Leak checking in sanitizer builds: the keyring path goes through libsecret,
// GLib and D-Bus, and the log-on path through Samba's client libraries, all of
// which keep process-wide allocations until the process ends.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libtalloc.so\nleak:libglib-2.0.so\nleak:libgio-2.0.so\nleak:libgobject-2.0.so\n"
           "leak:libsecret-1.so\nleak:libdbus-1.so\nleak:libQt6DBus.so\n";
}
