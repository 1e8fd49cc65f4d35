#pragma once
// Start and end of the platform layer as a whole.

// Before anything else of the program runs.
void PlatformInit();
// Releases, in this order: thread records (without waiting), dynamic
// libraries, windows and controls, pictures, open files.
void PlatformRelease();
