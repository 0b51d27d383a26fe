#pragma once
// A run's question (its destination drive stopped answering: Retry or Cancel?) in the program's
// message box. Shown from a message of its own, not from inside the handler that applies the
// run's events, and gone by itself once the run no longer waits for the answer (the drive came back).
#include <memory>

#include "transfer/Sink.h"

namespace tess {

// On the window's thread; returns at once, the box shows from the thread's message loop.
void ShowRunQuestion(std::shared_ptr<Question> question);

}  // namespace tess
