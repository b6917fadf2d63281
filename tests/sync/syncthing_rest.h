// One Syncthing instance seen through its REST API, as sync_check.sh started it: the address and
// key come from the environment ("127.0.0.1:<port> <key>"), and the folder shared is "notes".
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <optional>
#include <string>

namespace e2e {

class Syncthing {
  public:
    explicit Syncthing(const char* variable);

    // Stops and starts its traffic with every peer.
    bool Pause() { return Post(L"/rest/system/pause"); }
    bool Resume() { return Post(L"/rest/system/resume"); }
    // Looks at the folder now instead of waiting for the watch.
    bool Rescan() { return Post(L"/rest/db/scan?folder=notes"); }
    // The folder is idle and needs nothing from its peers that it knows of.
    bool Idle();

  private:
    bool Post(const std::wstring& path) { return Request(L"POST", path).has_value(); }
    // The body of a request answered with 200; nothing otherwise.
    std::optional<std::string> Request(const wchar_t* method, const std::wstring& path);

    std::wstring host_;
    INTERNET_PORT port_ = 0;
    std::wstring key_;
};

// Both instances of the pair.
struct Link {
    Syncthing a{"QB_SYNC_REST_A"};
    Syncthing b{"QB_SYNC_REST_B"};

    bool Pause() { return a.Pause() && b.Pause(); }
    bool Resume() { return a.Resume() && b.Resume(); }
    void Rescan() {
        a.Rescan();
        b.Rescan();
    }
    bool Idle() { return a.Idle() && b.Idle(); }
};

}  // namespace e2e
