#include "shell/RunLine.h"

#include "shell/Apps.h"
#include "tests/support/Utf16.h"
#include "base/CaseFold.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The files that exist, by their full paths, found in any case as Windows finds them.
struct FakeDisk {
    std::vector<std::u16string> files;
    std::u16string current = u"C:\\work";
    std::vector<std::u16string> asked;  // every path looked at, in order

    RunSearch Search(const char16_t* path, const char16_t* pathExt = u".COM;.EXE;.BAT;.CMD") {
        return RunSearch{this,
                         [](void* c, const char16_t* folder, const char16_t* name, char16_t* out, int32_t capacity) {
                             auto* d = static_cast<FakeDisk*>(c);
                             std::u16string full = folder ? std::u16string(folder) + u"\\" + name : std::u16string(name);
                             if (!folder && full.size() > 1 && full[1] != u':' && full[0] != u'\\') {
                                 full = d->current + u"\\" + full;
                             }
                             d->asked.push_back(full);
                             for (const std::u16string& f : d->files) {
                                 if (EqualIgnoringCase(f.c_str(), full.c_str()) && static_cast<int32_t>(f.size()) < capacity) {
                                     std::copy(f.c_str(), f.c_str() + f.size() + 1, out);
                                     return true;
                                 }
                             }
                             return false;
                         },
                         current.c_str(), path, pathExt, u"C:\\Windows\\system32\\cmd.exe"};
    }
};

struct Resolved {
    RunStart outcome;
    std::u16string application, commandLine, quoted;
};

Resolved Resolve(FakeDisk* disk, const char16_t* line, const char16_t* path,
                 const char16_t* pathExt = u".COM;.EXE;.BAT;.CMD") {
    auto out = std::make_unique<ResolvedRun>();
    RunSearch search = disk->Search(path, pathExt);
    ResolveRunLine(line, &search, out.get());
    return Resolved{out->outcome, out->application, out->commandLine, out->quoted};
}

// The tools builds use are batch files found through PATHEXT; a program is run by its path.
TEST(RunLine, FindsProgramsAsTheCommandPromptDoes) {
    FakeDisk disk;
    disk.files = {u"C:\\node\\npm.cmd",        u"C:\\node\\node.exe",     u"C:\\work\\gradlew.bat",
                  u"C:\\work\\gradlew",        u"C:\\bin\\make.exe",      u"C:\\tools\\make.exe",
                  u"C:\\work\\build.cmd",      u"C:\\Program Files\\X\\y.exe", u"C:\\bin\\code.CMD",
                  u"C:\\work\\scripts\\nightly.bat"};
    const char16_t* PATH = u"C:\\bin;;\"C:\\node\";C:\\tools";
    struct Case {
        const char* name;
        const char16_t* line;
        RunStart outcome;
        const char16_t* application;
        const char16_t* commandLine;
    };
    const Case cases[] = {
        {"a batch file on PATH", u"npm run build", RunStart::Ready, u"C:\\Windows\\system32\\cmd.exe",
         u"\"C:\\Windows\\system32\\cmd.exe\" /d /s /c \"\"C:\\node\\npm.cmd\" run build\""},
        {"the current folder first, never the bare script", u"gradlew assemble", RunStart::Ready,
         u"C:\\Windows\\system32\\cmd.exe", u"\"C:\\Windows\\system32\\cmd.exe\" /d /s /c \"\"C:\\work\\gradlew.bat\" assemble\""},
        {"a program: its path, the line as it is", u"node  x.js", RunStart::Ready, u"C:\\node\\node.exe",
         u"node  x.js"},
        {"PATH's first folder wins", u"make -j8", RunStart::Ready, u"C:\\bin\\make.exe", u"make -j8"},
        {"an extension given", u"build.cmd --all", RunStart::Ready, u"C:\\Windows\\system32\\cmd.exe",
         u"\"C:\\Windows\\system32\\cmd.exe\" /d /s /c \"\"C:\\work\\build.cmd\" --all\""},
        {"any case", u"CODE .", RunStart::Ready, u"C:\\Windows\\system32\\cmd.exe",
         u"\"C:\\Windows\\system32\\cmd.exe\" /d /s /c \"\"C:\\bin\\code.CMD\" .\""},
        {"a quoted path with a blank", u"\"C:\\Program Files\\X\\y.exe\" -v", RunStart::Ready,
         u"C:\\Program Files\\X\\y.exe", u"\"C:\\Program Files\\X\\y.exe\" -v"},
        {"a quoted path without its extension", u"\"C:\\Program Files\\X\\y\"", RunStart::Ready,
         u"C:\\Program Files\\X\\y.exe", u"\"C:\\Program Files\\X\\y\""},
        {"a relative path", u"scripts\\nightly", RunStart::Ready, u"C:\\Windows\\system32\\cmd.exe",
         u"\"C:\\Windows\\system32\\cmd.exe\" /d /s /c \"\"C:\\work\\scripts\\nightly.bat\"\""},
        {"nothing of that name", u"nosuch run build", RunStart::NotFound, u"", u""},
        {"an empty line", u"   ", RunStart::NotFound, u"", u""},
    };
    for (const Case& c : cases) {
        Resolved r = Resolve(&disk, c.line, PATH);
        EXPECT_EQ(r.outcome, c.outcome) << c.name;
        EXPECT_EQ(r.application, c.application) << c.name << ": " << Printable(r.application);
        EXPECT_EQ(r.commandLine, c.commandLine) << c.name << ": " << Printable(r.commandLine);
    }
}

// CreateProcess would try "C:\Program.exe" first: a path with a blank must be quoted.
TEST(RunLine, AnUnquotedPathWithABlankIsRefused) {
    FakeDisk disk;
    disk.files = {u"C:\\Program Files\\X\\y.exe", u"C:\\Program.exe"};
    Resolved r = Resolve(&disk, u"C:\\Program Files\\X\\y.exe --fast", u"");
    // "C:\Program" does name a program: the line runs as written, as a prompt would run it.
    EXPECT_EQ(r.outcome, RunStart::Ready);
    EXPECT_EQ(r.application, u"C:\\Program.exe");

    disk.files = {u"C:\\Program Files\\X\\y.exe"};
    r = Resolve(&disk, u"C:\\Program Files\\X\\y.exe --fast", u"");
    EXPECT_EQ(r.outcome, RunStart::NeedsQuotes);
    EXPECT_EQ(r.quoted, u"\"C:\\Program Files\\X\\y.exe\" --fast");
    r = Resolve(&disk, u"C:\\Program Files\\X\\y", u"");  // its extension from PATHEXT
    EXPECT_EQ(r.outcome, RunStart::NeedsQuotes);
    EXPECT_EQ(r.quoted, u"\"C:\\Program Files\\X\\y\"");
}

// Where it looks: the current folder, then PATH in its order, each with every extension in turn;
// never the folder Pellacord runs from unless PATH names it.
TEST(RunLine, LooksInTheCurrentFolderThenOnPath) {
    FakeDisk disk;
    Resolve(&disk, u"tool", u"C:\\a;C:\\b", u".EXE;.CMD");
    EXPECT_EQ(disk.asked, (std::vector<std::u16string>{u"C:\\work\\tool.EXE", u"C:\\work\\tool.CMD", u"C:\\a\\tool.EXE",
                                                       u"C:\\a\\tool.CMD", u"C:\\b\\tool.EXE", u"C:\\b\\tool.CMD"}));
    disk.asked.clear();
    Resolve(&disk, u"tool", u"", u"");  // no PATHEXT: the system's list
    EXPECT_EQ(disk.asked, (std::vector<std::u16string>{u"C:\\work\\tool.COM", u"C:\\work\\tool.EXE",
                                                       u"C:\\work\\tool.BAT", u"C:\\work\\tool.CMD"}));
}

}  // namespace
