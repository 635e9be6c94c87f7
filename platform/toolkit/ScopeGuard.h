#pragma once

#include <QScopeGuard>

// Runs a clean-up when the scope ends, however it ends, unless dismissed first. Undoing a
// half-done step on failure reads
//
//     ScopeExit undo([&] { drop(); });
//     ...              // may throw
//     undo.dismiss();  // done: keep it
//
// rather than a catch (...) that cleans up and rethrows. It is Qt's guard: not copyable, and the
// clean-up must not throw.
template <typename F> using ScopeExit = QScopeGuard<F>;
