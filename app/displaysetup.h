#pragma once

// What the window system and Qt's scaling are told before the application object exists; the
// program and the benchmarks that stand in for its window share it.
void prepareDisplay();
