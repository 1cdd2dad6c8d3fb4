#include "BackendTable.h"

const char* CBackendTable::FirstMissing() const {
#define KV_CHECK_MEMBER(name)                                                                      \
    if (name == nullptr)                                                                           \
        return #name;
    KV_FOR_EACH_OPERATION(KV_CHECK_MEMBER)
#undef KV_CHECK_MEMBER
    return nullptr;
}

CBackendTable& KvBackend() {
    static CBackendTable table;
    return table;
}
