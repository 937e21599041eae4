#pragma once

// Whether NumLock is on, where the platform tells it (X11); false where it does not.
bool numLockOn();
