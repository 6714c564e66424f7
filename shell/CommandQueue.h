#pragma once
#include "shell/CommandLine.h"

#include <cstdint>

// Commands that other copies hand over, carried out one at a time, whole, in the order they
// came, each with its own options. A command waits in the queue while another is carried out:
// Windows delivers a sent message, such as the next copy's WM_COPYDATA, inside any call that
// sends one elsewhere (a tray update, say), so a command could otherwise start inside another.
// The sender is answered afterwards, by a message to the thread it names.

constexpr int32_t COMMAND_QUEUE_CAPACITY = 8;
// WM_COPYDATA's answer when the command was queued: no exit code looks like it.
constexpr uint32_t COMMAND_QUEUED = 0x51434D50;  // "PMCQ"

// What a second copy sends: the thread to answer, then the command line's UTF-16 units, with or
// without a terminating NUL.
struct CommandPayloadHeader {
    uint32_t replyThread;
    uint32_t reserved;
};

struct PendingCommand {
    uint32_t replyThread;
    char16_t line[COMMAND_LINE_CAPACITY];
};

struct CommandQueue {
    PendingCommand slots[COMMAND_QUEUE_CAPACITY];
    int32_t head;
    int32_t count;
    bool running;  // a command is being carried out
    // The one command being carried out, parsed; nothing of it outlives it.
    CommandArguments arguments;
    Command command;
};

enum class Queued { Yes, Refused, Full };

// Checks the payload and copies it in: its text is read by its length, and must fit.
Queued QueueCommand(CommandQueue* queue, const void* payload, uint32_t bytes);

struct CommandRunner {
    void* context;
    // Parses the line into the queue's records and carries it out; returns the exit code.
    int32_t (*carryOut)(void* context, const char16_t* line, CommandArguments* arguments, Command* command);
    void (*answer)(void* context, uint32_t replyThread, int32_t code);
};

// Carries out every queued command in order, answering each sender. Called again while it runs
// (from a message dispatched inside a command), it returns at once: the loop below it picks up
// what came meanwhile.
void RunQueuedCommands(CommandQueue* queue, const CommandRunner* runner);
