#pragma once

#include "BackendTable.h"

// Makes KvBackend() call the library this program is linked with, for the
// lifetime of the object; the table it replaced comes back afterwards.
class CLinkedBackend {
public:
    CLinkedBackend() : m_saved(KvBackend()) {
#define KV_LINK_MEMBER(name) KvBackend().name = &::name;
        KV_FOR_EACH_ENTRY(KV_LINK_MEMBER)
#undef KV_LINK_MEMBER
    }
    ~CLinkedBackend() {
        KvBackend() = m_saved;
    }
    CLinkedBackend(const CLinkedBackend&) = delete;
    CLinkedBackend& operator=(const CLinkedBackend&) = delete;

private:
    CBackendTable m_saved;
};
