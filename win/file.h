// A thin layer over the Windows file API: whole-file reads and writes, existence tests, and
// the system's error texts. Reads and writes give the system's error code back (0 for none).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win/handles.h"

namespace qb::win {

// The absolute form of a path relative to the working directory, as messages show it.
std::wstring FullPath(std::wstring_view path);

// The system's message for an error code, trimmed as the error box wants it; empty when the
// system has no message for the code.
std::wstring SystemErrorText(DWORD code);

bool FileExists(std::wstring_view path);       // an existing file; a directory does not count
bool DirectoryExists(std::wstring_view path);  // an existing directory

// The whole content, read with the given access while others may share it as given.
DWORD ReadWholeFile(std::wstring_view path, std::string& bytes, DWORD access, DWORD shareMode);

// Replaces the file in one step (the steps of win/file_steps.h, through the raw calls of
// win/file_calls.h): the bytes go to a temporary file beside it (not shared while
// open), are flushed to the disk, and the temporary file is then moved over the target. A
// crash, a killed process or a full disk leaves the old file whole. Returns 0 or the system's
// error code; the temporary file is removed again on failure.
//
// shareMode is how the target may be shared with others while this program writes it. With
// sharing, another program may hold the target open; the move over it is then refused by the
// system, and the bytes are written into the open file in place instead.
DWORD ReplaceWholeFile(std::wstring_view path, std::string_view bytes, DWORD shareMode = 0);

// Moves a file under a new name, written through (done on the disk when it returns, where the
// system promises so); fails when the target exists, unless replace.
DWORD MoveFileWrittenThrough(std::wstring_view from, std::wstring_view to, bool replace);

// The temporary file ReplaceWholeFile writes first; never a name the store reads.
std::wstring TemporaryFileFor(std::wstring_view path);

}  // namespace qb::win
