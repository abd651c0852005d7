// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "HandlerScope.h"
#include "RunError.h"

#include <exception>
#include <utility>

// Turns any failure escaping a step into a RunError with a number.
RunError toRunError(const std::exception& e);

// The resume-on-error rule: a failing step is skipped without a message and the
// next one runs. The failure stays pending (PendingError) as the last error
// until the handler's HandlerScope ends.
// Returns whether the step ran to its end.
template <class Step> bool resumeStep(Step&& step) {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const RunError& e) {
        PendingError::set(e);
    } catch (const std::exception& e) {
        PendingError::set(toRunError(e));
    }
    return false;
}
