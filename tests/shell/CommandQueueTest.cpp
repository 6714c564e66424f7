#include "shell/CommandQueue.h"

#include "tests/support/Utf16.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Payload(uint32_t thread, const std::u16string& text, bool terminated = true) {
    CommandPayloadHeader h = {thread, 0};
    std::vector<uint8_t> bytes(sizeof(h));
    memcpy(bytes.data(), &h, sizeof(h));
    const size_t units = text.size() + (terminated ? 1 : 0);
    const uint8_t* at = reinterpret_cast<const uint8_t*>(text.c_str());
    bytes.insert(bytes.end(), at, at + units * sizeof(char16_t));
    return bytes;
}

Queued Queue(CommandQueue* q, const std::vector<uint8_t>& p) {
    return QueueCommand(q, p.data(), static_cast<uint32_t>(p.size()));
}

// Any program can send WM_COPYDATA: only a payload of whole UTF-16 units that fits is taken,
// read by its length.
TEST(CommandQueue, PayloadsAreCheckedAndReadByTheirLength) {
    auto q = std::make_unique<CommandQueue>();
    std::vector<uint8_t> unterminated = Payload(7, u"P.exe --release", false);
    ASSERT_EQ(Queue(q.get(), unterminated), Queued::Yes);
    EXPECT_EQ(Printable(q->slots[0].line), "P.exe --release");  // its last unit is kept
    EXPECT_EQ(q->slots[0].replyThread, 7u);

    std::vector<uint8_t> odd = Payload(7, u"abc");
    odd.pop_back();
    EXPECT_EQ(Queue(q.get(), odd), Queued::Refused);
    EXPECT_EQ(QueueCommand(q.get(), odd.data(), sizeof(CommandPayloadHeader)), Queued::Refused);  // no text
    EXPECT_EQ(QueueCommand(q.get(), nullptr, 20), Queued::Refused);
    EXPECT_EQ(Queue(q.get(), Payload(7, std::u16string(COMMAND_LINE_CAPACITY, u'x'), false)), Queued::Refused);
    EXPECT_EQ(Queue(q.get(), Payload(7, std::u16string(COMMAND_LINE_CAPACITY - 1, u'x'), false)), Queued::Yes);
    for (int i = 2; i < COMMAND_QUEUE_CAPACITY; i++) {
        EXPECT_EQ(Queue(q.get(), Payload(7, u"P.exe --show")), Queued::Yes);
    }
    EXPECT_EQ(Queue(q.get(), Payload(7, u"P.exe --show")), Queued::Full);
    EXPECT_EQ(q->count, COMMAND_QUEUE_CAPACITY);
}

// Two copies hand their commands over at the same moment: the second arrives while the first is
// carried out, inside a call of the first that lets a sent message in. It waits, then runs whole
// with its own options, and each sender gets its own answer.
TEST(CommandQueue, CommandsThatArriveTogetherRunOneAfterTheOther) {
    struct World {
        std::unique_ptr<CommandQueue> q = std::make_unique<CommandQueue>();
        std::vector<std::string> events;
        std::function<void()> duringFirst;
    } w;
    CommandRunner runner = {
        .context = &w,
        .carryOut = [](void* c, const char16_t* line, CommandArguments* arguments, Command* command) -> int32_t {
            auto* x = static_cast<World*>(c);
            if (ParseCommandLine(line, arguments, command) != EXIT_OK) {
                return EXIT_USAGE;
            }
            x->events.push_back("begin " + Printable(command->text));
            if (x->duringFirst) {
                std::function<void()> nested = std::move(x->duringFirst);
                x->duringFirst = nullptr;
                nested();  // the other copy's WM_COPYDATA, and the posted message to run it
            }
            // The options read back after the nested message: still this command's own.
            x->events.push_back("end " + Printable(command->text) + (command->options.screen ? " screen" : "") +
                                (command->options.then == FinishAction::Exit ? " exit" : ""));
            return command->text[0] == u'A' ? 0 : 3;
        },
        .answer = [](void* c, uint32_t thread, int32_t code) {
            static_cast<World*>(c)->events.push_back("answer " + std::to_string(thread) + " " + std::to_string(code));
        },
    };
    ASSERT_EQ(Queue(w.q.get(), Payload(11, u"P.exe --watch A --screen")), Queued::Yes);
    w.duringFirst = [&] {
        ASSERT_EQ(Queue(w.q.get(), Payload(22, u"P.exe --watch B --then exit")), Queued::Yes);
        RunQueuedCommands(w.q.get(), &runner);
    };
    RunQueuedCommands(w.q.get(), &runner);
    EXPECT_EQ(w.events, (std::vector<std::string>{"begin A", "end A screen", "answer 11 0", "begin B", "end B exit",
                                                  "answer 22 3"}));
    EXPECT_EQ(w.q->count, 0);
    EXPECT_FALSE(w.q->running);
}

}  // namespace
