// The store in the working directory, on the disk, as the tests call it: each operation of the
// note-keeping's store over the real Win32 file system.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notebook/store.h"
#include "win/disk_file_system.h"

namespace qb::store {

inline void EnsureStoreDirectory() {
    win::DiskStore().EnsureDirectory();
}
inline void SavePage(int index, std::string_view bytes) {
    win::DiskStore().SavePage(index, bytes);
}
inline std::optional<std::string> LoadPage(int index) {
    return win::DiskStore().LoadPage(index);
}
inline std::string LoadTextFile(std::wstring_view path) {
    return win::DiskStore().LoadTextFile(path);
}
inline std::optional<StoredText> LoadPageText(int index) {
    return win::DiskStore().LoadPageText(index);
}
inline TextForm SavePageText(int index, Utf16View text, TextForm form) {
    return win::DiskStore().SavePageText(index, text, form).form;
}
inline bool TabListExists() {
    return win::DiskStore().TabListExists();
}
inline void SaveTabList(const std::vector<std::string>& captions) {
    win::DiskStore().SaveTabList(captions);
}
inline std::string ReadTabListBytes() {
    return win::DiskStore().ReadTabListBytes();
}
inline StoredText LoadTabListText() {
    return win::DiskStore().LoadTabListText();
}
inline EncodedText EncodeTabList(const std::vector<Utf16>& captions, TextForm form) {
    return win::DiskStore().EncodeTabList(captions, form);
}
inline void SaveTabListBytes(std::string_view bytes) {
    win::DiskStore().SaveTabListBytes(bytes);
}
inline void RemovePageFiles(int i, int n) {
    win::DiskStore().RemovePageFiles(i, n);
}
inline bool SettingsExist() {
    return win::DiskStore().SettingsExist();
}
inline Settings ReadSettings() {
    return win::DiskStore().ReadSettings();
}
inline void WriteSettings(const Settings& settings) {
    win::DiskStore().WriteSettings(settings);
}

}  // namespace qb::store
