#include "shell/CommandQueue.h"

#include <cstring>

Queued QueueCommand(CommandQueue* q, const void* payload, uint32_t bytes) {
    const uint32_t header = sizeof(CommandPayloadHeader);
    if (!payload || bytes <= header || (bytes - header) % sizeof(char16_t) != 0) {
        return Queued::Refused;
    }
    const uint32_t units = (bytes - header) / sizeof(char16_t);
    if (units > static_cast<uint32_t>(COMMAND_LINE_CAPACITY - 1)) {
        return Queued::Refused;
    }
    if (q->count == COMMAND_QUEUE_CAPACITY) {
        return Queued::Full;
    }
    PendingCommand* slot = &q->slots[(q->head + q->count) % COMMAND_QUEUE_CAPACITY];
    CommandPayloadHeader h;
    memcpy(&h, payload, header);
    slot->replyThread = h.replyThread;
    memcpy(slot->line, static_cast<const uint8_t*>(payload) + header, units * sizeof(char16_t));
    slot->line[units] = 0;  // the text ends where the data does, whether or not it ended itself
    q->count++;
    return Queued::Yes;
}

void RunQueuedCommands(CommandQueue* q, const CommandRunner* r) {
    if (q->running) {
        return;
    }
    q->running = true;
    while (q->count > 0) {
        // The slot stays where it is while its command runs: what comes meanwhile goes behind it.
        const PendingCommand* next = &q->slots[q->head];
        int32_t code = r->carryOut(r->context, next->line, &q->arguments, &q->command);
        uint32_t thread = next->replyThread;
        q->head = (q->head + 1) % COMMAND_QUEUE_CAPACITY;
        q->count--;
        r->answer(r->context, thread, code);
    }
    q->running = false;
}
