#pragma once
// The application-wide wait cursor as the windows use it: shown and reset, not
// counted. Resetting it once undoes any number of shows, so a command that ends
// early can never leave the hourglass behind.
namespace common {

void ShowWaitCursor();
void ShowNormalCursor();
bool IsWaitCursorShown();

// The wait cursor for a scope: shown, and reset on every way out of it,
// a thrown exception included.
class WaitCursor {
public:
    WaitCursor() { ShowWaitCursor(); }
    ~WaitCursor() { ShowNormalCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace common
