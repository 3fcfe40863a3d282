#include "BlockChain.h"

#include <cstdlib>
#include <new>

void* CBlockChain::Alloc(size_t n) {
    // The data area follows the header at max alignment, so any type may be placed there.
    constexpr size_t headerBytes =
        (sizeof(Header) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    if (n > static_cast<size_t>(-1) - headerBytes)
        return nullptr;
    auto* block = static_cast<Header*>(std::malloc(headerBytes + n));
    if (!block)
        return nullptr;
    block->pNewer = nullptr;
    block->pOlder = m_pHead;
    if (m_pHead)
        m_pHead->pNewer = block;
    m_pHead = block;
    return reinterpret_cast<char*>(block) + headerBytes;
}

void CBlockChain::FreeAll() {
    Header* block = m_pHead;
    while (block) {
        Header* older = block->pOlder;
        std::free(block);
        block = older;
    }
    m_pHead = nullptr;
}
