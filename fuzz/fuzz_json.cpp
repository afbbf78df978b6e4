// SPDX-License-Identifier: GPL-3.0-or-later
// The JSON documents Vantro reads: the chat history, the projects in the settings and the sync service's payloads.
// The first byte picks the decoder; whatever decodes must come back unchanged from a save and a load.
#include "FuzzInput.h"
#include "model/ChatSession.h"
#include "model/ChatStore.h"
#include "model/Project.h"
#include "sync/SharedProjectPayload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray json = fuzzBytes(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        if (const auto sessions = decodeJsonArray<ChatSession>(json))
            FUZZ_ASSERT(decodeJsonArray<ChatSession>(ChatStore::encode(*sessions)) == sessions);
        break;
    case 1:
        if (const auto projects = Project::decodeList(json))
            FUZZ_ASSERT(Project::decodeList(Project::encodeList(*projects)) == projects);
        break;
    default:
        if (const auto payloads = decodeJsonArray<SharedProjectPayload>(json)) {
            for (const SharedProjectPayload& payload : *payloads) {
                const Project joined = payload.toLocalProject(payload.shareCode);
                FUZZ_ASSERT(joined.prompts.size() == payload.prompts.size());
            }
        }
        break;
    }
    return 0;
}
