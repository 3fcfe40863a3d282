// A chain of heap blocks that are freed all at once; blocks are never freed one by one.
#pragma once
#include <cstddef>

class CBlockChain {
  public:
    CBlockChain() = default;
    ~CBlockChain() { FreeAll(); }
    CBlockChain(const CBlockChain&) = delete;
    CBlockChain& operator=(const CBlockChain&) = delete;

    // Data area of a new block of n bytes, or null when memory runs out.
    void* Alloc(size_t n);
    void FreeAll();
    bool IsEmpty() const { return m_pHead == nullptr; }

  private:
    struct Header {
        Header* pNewer;
        Header* pOlder;
    };
    Header* m_pHead = nullptr;
};
