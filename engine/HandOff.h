// A lock-free single-producer single-consumer queue of a few small records: how the wave-input
// callback passes completed headers to the feeder thread without blocking or taking a lock.
#pragma once
#include <atomic>
#include <stdint.h>

template <typename T, uint32_t N> class CHandOff {
    static_assert(N && (N & (N - 1)) == 0, "capacity must be a power of two");

  public:
    // Producer only. 0 when full, which cannot happen while it holds every item that exists.
    int Push(const T& item) {
        const uint32_t tail = m_nTail.load(std::memory_order_relaxed);
        if (tail - m_nHead.load(std::memory_order_acquire) == N)
            return 0;
        m_Items[tail % N] = item;
        m_nTail.store(tail + 1, std::memory_order_release);
        return 1;
    }
    // Consumer only: the oldest item, left in place until Pop, or null.
    const T* Peek() const {
        const uint32_t head = m_nHead.load(std::memory_order_relaxed);
        if (head == m_nTail.load(std::memory_order_acquire))
            return nullptr;
        return &m_Items[head % N];
    }
    // Consumer only, after a Peek that returned an item.
    void Pop() { m_nHead.store(m_nHead.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

  private:
    T m_Items[N] = {};
    std::atomic<uint32_t> m_nHead{0}; // written by the consumer
    std::atomic<uint32_t> m_nTail{0}; // written by the producer
};
