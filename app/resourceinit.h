#pragma once

// Registers the compiled-in resources. They live in a static library, whose unreferenced
// objects the linker drops; the program, the application object and tests that paint without
// one call this. Safe to call more than once.
void initResources();
