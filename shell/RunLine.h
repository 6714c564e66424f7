#pragma once
#include <cstdint>

// How --run starts its command line, as a command prompt would: the program named first is
// looked up in the current folder and then in PATH's folders, with each extension PATHEXT
// lists, and a batch file runs through the command processor. Pellacord's own folder is not
// searched, and an unquoted path with a blank is never taken for the shorter path it begins with.

constexpr int32_t RUN_LINE_CAPACITY = 32768;  // the longest command line Windows takes, and its end

// The file system and the environment, as the resolution asks them.
struct RunSearch {
    void* context;
    // The full path of the file `name` in `folder`, or of `name` itself (a path, taken from the
    // current folder when relative) when `folder` is null; false when there is no such file.
    bool (*find)(void* context, const char16_t* folder, const char16_t* name, char16_t* out, int32_t capacity);
    const char16_t* currentFolder;
    const char16_t* path;     // %PATH%
    const char16_t* pathExt;  // %PATHEXT%; empty or null: the system's default list
    const char16_t* comSpec;  // %ComSpec%, the command processor
};

enum class RunStart {
    Ready,        // start `application` with `commandLine`
    NotFound,     // no program of that name
    NeedsQuotes,  // the program's path holds a blank and must be quoted; `quoted` shows how
};

struct ResolvedRun {
    RunStart outcome;
    char16_t application[RUN_LINE_CAPACITY];  // the program itself, or the command processor
    char16_t commandLine[RUN_LINE_CAPACITY];
    char16_t quoted[RUN_LINE_CAPACITY];       // for NeedsQuotes: the line with its path quoted
};

void ResolveRunLine(const char16_t* line, const RunSearch* search, ResolvedRun* out);
