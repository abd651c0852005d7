// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "RunError.h"

// Opened at the top of a handler that skips or catches failures: the pending
// error belongs to the handler that raised it and is gone when that handler
// ends, by any road. A handler called from another starts with none pending and
// gives its caller back the caller's own; the outermost leaves none behind, so
// no later handler or window sees the error of one long finished.
class HandlerScope {
public:
    HandlerScope() : outer_(PendingError::error()) {
        ++depth_;
        PendingError::clear();
    }
    ~HandlerScope() {
        if (--depth_ > 0 && outer_.number() != 0)
            PendingError::set(outer_);
        else
            PendingError::clear();
    }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    RunError outer_;
    static inline int depth_ = 0;
};
