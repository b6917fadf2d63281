#include "store/pure/page_names.h"

namespace qb::store {

std::wstring PageFileName(int index) {
    return L"./strings/Tab" + std::to_wstring(index) + L".txt";
}

std::wstring RemovedPageFileFor(int index) {
    return PageFileName(index) + L".removed";
}

}  // namespace qb::store
