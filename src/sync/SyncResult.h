// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sync/SyncError.h"

#include <variant>

// The outcome of one sync call: a value or the error that stopped it. SyncResult<std::monostate> is a call that
// returns nothing.
template <typename T> class SyncResult
{
public:
    SyncResult(T value) : m_state(std::move(value)) {}
    SyncResult(SyncError error) : m_state(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    // Only valid when ok() / !ok() respectively.
    const T& value() const { return std::get<T>(m_state); }
    const SyncError& error() const { return std::get<SyncError>(m_state); }

private:
    std::variant<T, SyncError> m_state;
};
