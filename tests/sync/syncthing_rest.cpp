#include "tests/sync/syncthing_rest.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace e2e {

namespace {

// The value of a key in Syncthing's JSON, as text without its quotes ("" when absent): enough
// for the flat status object read here.
std::string JsonValue(const std::string& json, const std::string& key) {
    auto at = json.find("\"" + key + "\"");
    if (at == std::string::npos) {
        return "";
    }
    at = json.find(':', at);
    if (at == std::string::npos) {
        return "";
    }
    at = json.find_first_not_of(" \t\r\n", at + 1);
    if (at == std::string::npos) {
        return "";
    }
    if (json[at] == '"') {
        const auto end = json.find('"', at + 1);
        return end == std::string::npos ? "" : json.substr(at + 1, end - at - 1);
    }
    const auto end = json.find_first_of(",}\r\n", at);
    return json.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

}  // namespace

Syncthing::Syncthing(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr) {
        throw std::runtime_error(std::string("environment variable missing: ") + variable);
    }
    std::istringstream in(value);
    std::string address;
    std::string key;
    in >> address >> key;
    const auto colon = address.find(':');
    host_ = std::wstring(address.begin(), address.begin() + static_cast<long>(colon));
    port_ = static_cast<INTERNET_PORT>(std::stoi(address.substr(colon + 1)));
    key_ = L"X-API-Key: " + std::wstring(key.begin(), key.end());
}

bool Syncthing::Idle() {
    const auto status = Request(L"GET", L"/rest/db/status?folder=notes");
    return status && JsonValue(*status, "state") == "idle" &&
           JsonValue(*status, "needTotalItems") == "0";
}

std::optional<std::string> Syncthing::Request(const wchar_t* method, const std::wstring& path) {
    HINTERNET session = WinHttpOpen(L"qb-sync-test", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    HINTERNET connection =
        session != nullptr ? WinHttpConnect(session, host_.c_str(), port_, 0) : nullptr;
    HINTERNET request = connection != nullptr ? WinHttpOpenRequest(connection, method, path.c_str(),
                                                                   nullptr, WINHTTP_NO_REFERER,
                                                                   WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                              : nullptr;
    bool ok = request != nullptr &&
              WinHttpSendRequest(request, key_.c_str(), static_cast<DWORD>(-1), nullptr, 0, 0, 0) &&
              WinHttpReceiveResponse(request, nullptr);
    DWORD status = 0;
    DWORD size = sizeof status;
    std::string body;
    if (ok) {
        WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        for (;;) {
            char chunk[4096];
            DWORD got = 0;
            if (!WinHttpReadData(request, chunk, sizeof chunk, &got) || got == 0) {
                break;
            }
            body.append(chunk, got);
        }
    }
    for (HINTERNET handle : {request, connection, session}) {
        if (handle != nullptr) {
            WinHttpCloseHandle(handle);
        }
    }
    if (!ok || status != 200) {
        return std::nullopt;
    }
    return body;
}

}  // namespace e2e
