#pragma once

// What the window system and Qt's scaling are told before the application object exists; the
// program and the benchmarks that stand in for its window share it.
void prepareDisplay();

class QWidget;

// Has the kernel map the window's freshly made backing store in one go, rather than a page
// fault at a time while the first frame paints it (several milliseconds for a 3.4 MB window on
// a virtual machine). Call after show(); harmless where it cannot help.
void prefaultBackingStore(QWidget *window);
