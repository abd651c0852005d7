// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <memory>

class Recordset;

// A reference to a data control's records that reads as null once the data
// control closes them, so nobody can walk records that are gone.
class RecordsetHandle {
public:
    RecordsetHandle() = default;
    RecordsetHandle(std::nullptr_t) {}
    explicit RecordsetHandle(std::weak_ptr<Recordset> records) : records_(std::move(records)) {}

    // The records, or null when they were closed. The data control keeps them
    // alive until it closes; use the pointer within one step only.
    Recordset* get() const { return records_.lock().get(); }
    Recordset* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
    friend bool operator==(const RecordsetHandle& h, std::nullptr_t) { return !h; }

private:
    std::weak_ptr<Recordset> records_;
};
