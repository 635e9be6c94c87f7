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
// A class of its own rather than an alias, so that every compiler deduces F from the lambda.
template <typename F> class ScopeExit : public QScopeGuard<F> {
public:
    using QScopeGuard<F>::QScopeGuard;
};
template <typename F> ScopeExit(F) -> ScopeExit<F>;
