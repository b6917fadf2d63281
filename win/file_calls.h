// The raw Win32 calls by which the file layer changes the disk, behind one seam: the system's
// own by default, one virtual call each. A test may put its own calls in front of them for a
// while (to record what the layer asks of the system, and in which order).
#pragma once

#include <windows.h>

#include <string>

namespace qb::win {

class FileCalls {
  public:
    virtual ~FileCalls() = default;
    // Each gives the system's error code back, 0 for none.
    virtual DWORD Create(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                         HANDLE& file);
    virtual DWORD Write(HANDLE file, const char* bytes, DWORD size, DWORD& written);
    virtual DWORD Flush(HANDLE file);
    virtual DWORD SetEnd(HANDLE file);
    virtual DWORD Close(HANDLE file);
    virtual DWORD Move(const std::wstring& from, const std::wstring& to, DWORD flags);
    virtual DWORD Delete(const std::wstring& path);
    virtual DWORD MakeDirectory(const std::wstring& path);
    virtual DWORD SetAttributes(const std::wstring& path, DWORD attributes);
};

// The calls the file layer makes now.
FileCalls& Calls();

// Puts other calls in front of the system's for as long as it lives.
class UsingFileCalls {
  public:
    explicit UsingFileCalls(FileCalls& calls);
    UsingFileCalls(const UsingFileCalls&) = delete;
    UsingFileCalls& operator=(const UsingFileCalls&) = delete;
    ~UsingFileCalls();

  private:
    FileCalls* previous_;
};

}  // namespace qb::win
