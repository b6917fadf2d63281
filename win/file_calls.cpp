#include "win/file_calls.h"

namespace qb::win {

namespace {

DWORD Result(BOOL ok) {
    return ok ? 0 : GetLastError();
}

FileCalls systemCalls;
FileCalls* current = &systemCalls;

}  // namespace

DWORD FileCalls::Create(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                        HANDLE& file) {
    file = CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    return file != INVALID_HANDLE_VALUE ? 0 : GetLastError();
}

DWORD FileCalls::Write(HANDLE file, const char* bytes, DWORD size, DWORD& written) {
    written = 0;
    return Result(WriteFile(file, bytes, size, &written, nullptr));
}

DWORD FileCalls::Flush(HANDLE file) {
    return Result(FlushFileBuffers(file));
}

DWORD FileCalls::SetEnd(HANDLE file) {
    return Result(SetEndOfFile(file));
}

DWORD FileCalls::Close(HANDLE file) {
    return Result(CloseHandle(file));
}

DWORD FileCalls::Move(const std::wstring& from, const std::wstring& to, DWORD flags) {
    return Result(MoveFileExW(from.c_str(), to.c_str(), flags));
}

DWORD FileCalls::Delete(const std::wstring& path) {
    return Result(DeleteFileW(path.c_str()));
}

DWORD FileCalls::MakeDirectory(const std::wstring& path) {
    return Result(CreateDirectoryW(path.c_str(), nullptr));
}

DWORD FileCalls::SetAttributes(const std::wstring& path, DWORD attributes) {
    return Result(SetFileAttributesW(path.c_str(), attributes));
}

FileCalls& Calls() {
    return *current;
}

UsingFileCalls::UsingFileCalls(FileCalls& calls) : previous_(current) {
    current = &calls;
}

UsingFileCalls::~UsingFileCalls() {
    current = previous_;
}

}  // namespace qb::win
