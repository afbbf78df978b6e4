// SPDX-License-Identifier: GPL-3.0-or-later
// Commands another process sends to the running instance over its socket: what decodes, encodes back to a
// command that decodes the same.
#include "FuzzInput.h"
#include "app/SingleInstance.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (const std::optional<QStringList> command = SingleInstance::decodeCommand(fuzzBytes(data, size)))
        FUZZ_ASSERT(SingleInstance::decodeCommand(SingleInstance::encodeCommand(*command)) == command);
    return 0;
}
