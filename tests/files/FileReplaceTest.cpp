#include "files/FileReplace.h"

#include "tests/support/Utf16.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace {

// Two files and what the system answers, call by call.
struct FakeFolder {
    std::map<std::u16string, std::string> files;
    std::deque<uint32_t> replaceErrors;  // one a call; none left: the call works
    std::deque<uint32_t> moveErrors;
    std::vector<std::string> calls;

    static FakeFolder* F(void* c) { return static_cast<FakeFolder*>(c); }
    FileReplaceOps Ops() {
        return FileReplaceOps{
            .context = this,
            .replace = [](void* c, const char16_t* path, const char16_t* temporary) -> uint32_t {
                FakeFolder* f = F(c);
                f->calls.push_back("replace");
                uint32_t error = f->replaceErrors.empty() ? 0 : f->replaceErrors.front();
                if (!f->replaceErrors.empty()) {
                    f->replaceErrors.pop_front();
                }
                if (error == FILE_ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
                    f->files.erase(path);  // as documented: the old file is gone, the copy stays
                } else if (error == 0) {
                    f->files[path] = f->files[temporary];
                    f->files.erase(temporary);
                }
                return error;
            },
            .move = [](void* c, const char16_t* temporary, const char16_t* path) -> uint32_t {
                FakeFolder* f = F(c);
                f->calls.push_back("move");
                uint32_t error = f->moveErrors.empty() ? 0 : f->moveErrors.front();
                if (!f->moveErrors.empty()) {
                    f->moveErrors.pop_front();
                }
                if (error == 0) {
                    f->files[path] = f->files[temporary];
                    f->files.erase(temporary);
                }
                return error;
            },
            .exists = [](void* c, const char16_t* path) { return F(c)->files.count(path) > 0; },
            .remove = [](void* c, const char16_t* path) {
                F(c)->calls.push_back("remove");
                F(c)->files.erase(path);
            },
            .pause = [](void* c, uint32_t ms) { F(c)->calls.push_back("pause " + std::to_string(ms)); },
        };
    }
};

const char16_t* INI = u"Pellacord.ini";
const char16_t* NEW = u"Pellacord.new";

TEST(FileReplace, TheUsersFileIsNeverLost) {
    struct Case {
        const char* name;
        bool exists;
        std::deque<uint32_t> replaceErrors, moveErrors;
        uint32_t result;
        const char* ini;  // what Pellacord.ini holds afterwards; "" when there is none
        bool copyLeft;
        std::vector<std::string> calls;
    };
    const uint32_t SHARING = FILE_ERROR_SHARING_VIOLATION;
    const uint32_t MOVED_AWAY = FILE_ERROR_UNABLE_TO_MOVE_REPLACEMENT;
    const std::vector<std::string> fiveMoves = {"move", "pause 100", "move", "pause 100", "move",
                                                "pause 100", "move", "pause 100", "move"};
    std::vector<std::string> replaceThenHeldMoves = {"replace"};
    replaceThenHeldMoves.insert(replaceThenHeldMoves.end(), fiveMoves.begin(), fiveMoves.end());
    std::vector<std::string> heldEverywhere = {"replace", "pause 100", "replace", "pause 100", "replace",
                                               "pause 100", "replace", "pause 100", "replace"};
    heldEverywhere.insert(heldEverywhere.end(), fiveMoves.begin(), fiveMoves.end());
    heldEverywhere.push_back("remove");
    const Case cases[] = {
        {"replaced at once", true, {}, {}, 0, "new", false, {"replace"}},
        {"the first save", false, {}, {}, 0, "new", false, {"move"}},
        {"held for a moment, then replaced", true, {SHARING, SHARING}, {}, 0, "new", false,
         {"replace", "pause 100", "replace", "pause 100", "replace"}},
        {"the old file moved away, the copy renamed", true, {MOVED_AWAY}, {}, 0, "new", false, {"replace", "move"}},
        // A scanner holds the new file: the old one is gone and the copy is all there is.
        {"the old file moved away, the copy held", true, {MOVED_AWAY}, {SHARING, SHARING, SHARING, SHARING, SHARING},
         SHARING, "", true, replaceThenHeldMoves},
        {"no replace on this file system: moved", true, {1}, {}, 0, "new", false, {"replace", "move"}},
        {"held throughout: the old file kept", true, {SHARING, SHARING, SHARING, SHARING, SHARING},
         {SHARING, SHARING, SHARING, SHARING, SHARING}, SHARING, "old", false, heldEverywhere},
    };
    for (const Case& c : cases) {
        FakeFolder folder;
        if (c.exists) {
            folder.files[INI] = "old";
        }
        folder.files[NEW] = "new";
        folder.replaceErrors = c.replaceErrors;
        folder.moveErrors = c.moveErrors;
        FileReplaceOps ops = folder.Ops();
        EXPECT_EQ(CommitReplacement(&ops, INI, NEW, c.exists), c.result) << c.name;
        EXPECT_EQ(folder.files.count(INI) ? folder.files[INI] : "", c.ini) << c.name;
        EXPECT_EQ(folder.files.count(NEW) > 0, c.copyLeft) << c.name;
        EXPECT_EQ(folder.calls, c.calls) << c.name;
    }
}

}  // namespace
