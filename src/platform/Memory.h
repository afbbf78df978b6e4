// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace Memory {

// Hands memory that was freed back to the system. After reading a large file, the allocator would otherwise keep
// the space the parse needed for the life of the process.
void returnFreedToSystem();

} // namespace Memory
