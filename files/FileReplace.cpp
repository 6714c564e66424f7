#include "files/FileReplace.h"

bool TransientFileError(uint32_t error) {
    return error == FILE_ERROR_SHARING_VIOLATION || error == FILE_ERROR_LOCK_VIOLATION ||
           error == FILE_ERROR_ACCESS_DENIED || error == FILE_ERROR_UNABLE_TO_REMOVE_REPLACED;
}

namespace {

// One operation, tried again while its error is transient. Returns 0 or the last error.
template <typename Attempt>
uint32_t WithRetries(const FileReplaceOps* ops, Attempt attempt) {
    uint32_t error = 0;
    for (int32_t i = 0; i < REPLACE_ATTEMPTS; i++) {
        if (i > 0) {
            ops->pause(ops->context, REPLACE_PAUSE_MS);
        }
        error = attempt();
        if (error == 0 || !TransientFileError(error)) {
            break;
        }
    }
    return error;
}

}  // namespace

// ReplaceFileW keeps the file's attributes, permissions and streams; where it cannot work (a
// file system without the support, or a file gone meanwhile) the copy is moved over instead.
uint32_t CommitReplacement(const FileReplaceOps* ops, const char16_t* path, const char16_t* temporary, bool exists) {
    uint32_t error = 0;
    if (exists) {
        error = WithRetries(ops, [&] { return ops->replace(ops->context, path, temporary); });
        if (error == 0) {
            return 0;
        }
        // Also after FILE_ERROR_UNABLE_TO_MOVE_REPLACEMENT: the old file is gone and the copy
        // is the only one left, so it must be moved into place.
    }
    error = WithRetries(ops, [&] { return ops->move(ops->context, temporary, path); });
    if (error != 0 && ops->exists(ops->context, path)) {
        ops->remove(ops->context, temporary);  // the user's file is still there; the copy is not needed
    }
    return error;
}
