#pragma once

#include <functional>

class QWidget;

namespace TestSupport {

// Runs action on the next modal widget once it is showing (polled from the event loop), so a
// test can answer a dialog that a call under test runs with exec(). Gives up after timeoutMs.
void whenModalShown(const std::function<void(QWidget *)> &action, int timeoutMs = 5000);

} // namespace TestSupport
