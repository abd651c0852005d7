#pragma once
#include "platform/RunError.h"

#include <functional>

// The number of the run-time failure a step raises; 0 when it succeeds.
inline int failureOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const RunError& e) {
        return e.number();
    }
    return 0;
}
