// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/RunError.h"

#include <functional>
#include <sqlite3.h>
#include <string>

// The number of the run-time failure a step raises; 0 when it succeeds.
inline int failureOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const RunError& e) {
        return e.number();
    }
    return 0;
}

// While it lives, the database file of that name opens once more, then never
// again, as a file that another program takes away would.
class OpensOnce {
public:
    explicit OpensOnce(const std::string& fileName) {
        real_ = sqlite3_vfs_find(nullptr);
        vfs_ = *real_;
        vfs_.zName = "opens-once";
        vfs_.xOpen = &OpensOnce::open;
        suffix_ = "/" + fileName;
        left_ = 1;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~OpensOnce() {
        sqlite3_vfs_register(real_, 1);
        sqlite3_vfs_unregister(&vfs_);
    }
    OpensOnce(const OpensOnce&) = delete;
    OpensOnce& operator=(const OpensOnce&) = delete;

private:
    static int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out) {
        const std::string path = name ? name : "";
        const bool it = (flags & SQLITE_OPEN_MAIN_DB) && path.size() >= suffix_.size() &&
                        path.compare(path.size() - suffix_.size(), suffix_.size(), suffix_) == 0;
        if (it && left_-- <= 0)
            return SQLITE_CANTOPEN;
        return real_->xOpen(real_, name, file, flags, out);
    }
    static inline sqlite3_vfs* real_ = nullptr;
    static inline sqlite3_vfs vfs_{};
    static inline std::string suffix_;
    static inline int left_ = 0;
};
