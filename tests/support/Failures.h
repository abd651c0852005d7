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

// While it lives, every write to a database file whose path holds part fails as
// on a full disk.
class DiskFull {
public:
    explicit DiskFull(std::string part) {
        real_ = sqlite3_vfs_find(nullptr);
        vfs_ = *real_;
        vfs_.zName = "disk-full";
        vfs_.xOpen = &DiskFull::open;
        part_ = std::move(part);
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~DiskFull() {
        sqlite3_vfs_register(real_, 1);
        sqlite3_vfs_unregister(&vfs_);
    }
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;

private:
    // The file is the real one; only its writes are replaced.
    static int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out) {
        const int rc = real_->xOpen(real_, name, file, flags, out);
        if (rc == SQLITE_OK && file->pMethods && name &&
            std::string(name).find(part_) != std::string::npos) {
            methods_ = *file->pMethods;
            methods_.xWrite = [](sqlite3_file*, const void*, int, sqlite3_int64) {
                return SQLITE_FULL;
            };
            file->pMethods = &methods_;
        }
        return rc;
    }
    static inline sqlite3_vfs* real_ = nullptr;
    static inline sqlite3_vfs vfs_{};
    static inline sqlite3_io_methods methods_{};
    static inline std::string part_;
};
