#include "shell/RunConsole.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The standard handle slots of the process, and a console the parent may or may not have.
struct FakeProcess {
    uintptr_t slots[3];
    bool parentConsole;
    uintptr_t console[3] = {0x61, 0x62, 0x63};
    std::vector<std::string> calls;

    ConsoleCalls Calls() {
        return ConsoleCalls{
            .context = this,
            .attachParent = [](void* c) {
                auto* p = static_cast<FakeProcess*>(c);
                p->calls.push_back("attach");
                if (!p->parentConsole) {
                    return false;
                }
                for (int i = 0; i < 3; i++) {
                    if (p->slots[i] == 0 || p->slots[i] == ~uintptr_t{0}) {
                        p->slots[i] = p->console[i];  // only the missing ones
                    }
                }
                return true;
            },
            .freeConsole = [](void* c) { static_cast<FakeProcess*>(c)->calls.push_back("free"); },  // the values stay
            .get = [](void* c, int32_t which) { return static_cast<FakeProcess*>(c)->slots[which]; },
            .set = [](void* c, int32_t which, uintptr_t h) {
                auto* p = static_cast<FakeProcess*>(c);
                p->calls.push_back("set " + std::to_string(which));
                p->slots[which] = h;
            },
        };
    }
};

TEST(RunConsole, TheCommandGetsTheScriptsHandlesAndNeverANewWindow) {
    const uintptr_t NONE = ~uintptr_t{0};
    const uintptr_t FILE = 0x50;  // "> build.log"
    struct Case {
        const char* name;
        uintptr_t slots[3];
        bool parentConsole;
        uintptr_t child[3];
        bool noWindow;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"from a console, output redirected", {0, FILE, 0}, true, {0x61, FILE, 0x63}, false,
         {"attach", "free", "set 0", "set 1", "set 2"}},
        {"from a console, nothing redirected", {0, 0, 0}, true, {0x61, 0x62, 0x63}, false,
         {"attach", "free", "set 0", "set 1", "set 2"}},
        {"no console, output redirected", {NONE, FILE, NONE}, false, {0, FILE, 0}, true, {"attach"}},
        {"no console, nothing redirected", {0, 0, 0}, false, {0, 0, 0}, true, {"attach"}},
    };
    for (const Case& c : cases) {
        FakeProcess p{{c.slots[0], c.slots[1], c.slots[2]}, c.parentConsole, {0x61, 0x62, 0x63}, {}};
        ConsoleCalls calls = p.Calls();
        BorrowedConsole b = BorrowConsole(&calls);
        ChildHandles h = ChildHandlesOf(&calls, &b);
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(h.handles[i], c.child[i]) << c.name << " handle " << i;
        }
        EXPECT_EQ(h.noWindow, c.noWindow) << c.name;
        ReturnConsole(&calls, &b);
        // Pellacord's own handles are back, not the values of the console's closed ones.
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(p.slots[i], c.slots[i]) << c.name << " slot " << i;
        }
        EXPECT_EQ(p.calls, c.calls) << c.name;
    }
}

}  // namespace
