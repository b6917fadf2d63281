// How the file layer replaces a file and moves one, step by step, over the raw calls of a file
// system. Written once and run twice: the Win32 layer (file.cpp) runs these steps on the disk,
// and the native tests' disk in memory runs the very same steps, so the power cuts the crash
// explorer takes the note-keeping through fall between the steps the shipped program makes.
// Portable on purpose: no system header.
//
// A Raw gives:
//   using Handle = ...;
//   bool Exists(const std::wstring& path);
//   void ClearReadOnly(const std::wstring& path);
//   ErrorCode Open(const std::wstring& path, OpenFor how, bool shared, Handle& file);
//   ErrorCode Write(Handle file, std::string_view bytes);  // all of them, or a failure
//   ErrorCode SetEnd(Handle file);
//   ErrorCode Flush(Handle file);
//   ErrorCode Close(Handle file);
//   ErrorCode Move(const std::wstring& from, const std::wstring& to, std::uint32_t flags);
//   ErrorCode Delete(const std::wstring& path);
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "notebook/file_system.h"

namespace qb::win::steps {

using notebook::ErrorCode;

// A move's flags, with the values of MoveFileExW's.
inline constexpr std::uint32_t kReplaceExisting = 0x1;
inline constexpr std::uint32_t kWriteThrough = 0x8;

// How a file is opened for writing.
enum class OpenFor {
    kProbe,    // the target, for writing, existing only: may it be replaced at all?
    kNew,      // the temporary file: made empty, for reading and writing, shared with no one
    kInPlace,  // the target itself, for reading and writing, existing only
};

// The temporary file a replace writes first; never a name the store reads.
inline std::wstring TemporaryFileFor(std::wstring_view path) {
    return std::wstring(path) + L".saving";
}

// Moves a file, flags as given. One that reports a failure although its rename was made (the
// flush of its writing through failing, say) is done: the file that was there under the old
// name is gone, and the new name is there.
template <typename Raw>
ErrorCode MoveAs(Raw& raw, const std::wstring& from, const std::wstring& to, std::uint32_t flags) {
    const bool was = raw.Exists(from);
    const ErrorCode code = raw.Move(from, to, flags);
    return code != 0 && was && !raw.Exists(from) && raw.Exists(to) ? 0 : code;
}

// Moves a file under a new name, written through.
template <typename Raw>
ErrorCode Move(Raw& raw, const std::wstring& from, const std::wstring& to, bool replace) {
    return MoveAs(raw, from, to, kWriteThrough | (replace ? kReplaceExisting : 0));
}

// The bytes written into the open file itself, its end set after them, and flushed: for a file
// another program holds open while sharing it, which cannot be moved over.
template <typename Raw>
ErrorCode WriteInPlace(Raw& raw, const std::wstring& target, std::string_view bytes, bool shared) {
    typename Raw::Handle file{};
    if (const ErrorCode code = raw.Open(target, OpenFor::kInPlace, shared, file)) {
        return code;
    }
    ErrorCode failure = raw.Write(file, bytes);
    if (failure == 0) {
        failure = raw.SetEnd(file);
    }
    if (failure == 0) {
        failure = raw.Flush(file);
    }
    const ErrorCode closed = raw.Close(file);
    return failure != 0 ? failure : closed;
}

// Replaces the file in one step: the bytes go to a temporary file beside it, are flushed to the
// disk, and the temporary file is moved over the target, written through. A failure leaves the
// old file whole, and removes the temporary file again. shared: others may hold the target
// open while sharing it; the move over it is then refused, and the bytes are written in place.
template <typename Raw>
ErrorCode Replace(Raw& raw, const std::wstring& target, std::string_view bytes, bool shared) {
    // The target must be one we may replace: not a directory, not read-only, not held open by
    // another program. Opening it for writing asks all three at once.
    if (raw.Exists(target)) {
        typename Raw::Handle probe{};
        if (const ErrorCode code = raw.Open(target, OpenFor::kProbe, shared, probe)) {
            return code;
        }
        raw.Close(probe);
    }
    const std::wstring temp = TemporaryFileFor(target);
    raw.ClearReadOnly(temp);  // a leftover of a crash
    typename Raw::Handle file{};
    if (const ErrorCode code = raw.Open(temp, OpenFor::kNew, false, file)) {
        return code;
    }
    ErrorCode failure = raw.Write(file, bytes);
    if (failure == 0) {
        failure = raw.Flush(file);
    }
    const ErrorCode closed = raw.Close(file);
    if (failure == 0) {
        failure = closed;
    }
    if (failure == 0) {
        failure = MoveAs(raw, temp, target, kReplaceExisting | kWriteThrough);
    }
    if (failure != 0) {
        raw.Delete(temp);
    }
    // The target passed the probe, so a refused move means another program holds it open.
    if ((failure == notebook::codes::kSharingViolation ||
         failure == notebook::codes::kAccessDenied) &&
        shared) {
        failure = WriteInPlace(raw, target, bytes, shared);
    }
    return failure;
}

}  // namespace qb::win::steps
