#include "BackendTable.h"

const char* CBackendTable::FirstMissing() const {
#define KV_CHECK_MEMBER(name)                                                                      \
    if (name == nullptr)                                                                           \
        return #name;
    KV_FOR_EACH_ENTRY(KV_CHECK_MEMBER)
#undef KV_CHECK_MEMBER
    return nullptr;
}

CBackendTable& KvBackend() {
    static CBackendTable table;
    return table;
}

std::string KvLastError() {
    char reason[KV_MONITOR_LINE_SIZE] = {};
    if (KvBackend().kvLastError == nullptr || !KvBackend().kvLastError(reason, sizeof(reason)))
        return std::string();
    return reason;
}
