// A call that may take longer than the update check can wait (a name lookup, the automatic proxy
// configuration), run on a helper thread and waited for no longer than given. A call left behind
// finishes on its own: it shares only a reference-counted record with the caller.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// 1 with result set when work returned within waitMs; 0 when it did not, or no thread could be
// started. work must own everything it uses.
template <class TResult> int CallWithin(uint32_t waitMs, std::function<TResult()> work, TResult& result) {
    struct CShared {
        std::mutex lock;
        std::condition_variable ended;
        bool done = false;
        TResult value{};
    };
    std::shared_ptr<CShared> shared;
    try {
        shared = std::make_shared<CShared>();
        std::thread([shared, work = std::move(work)] {
            TResult value{};
            try {
                value = work();
            } catch (const std::exception&) {
                // no memory: the empty result
            }
            std::lock_guard<std::mutex> hold(shared->lock);
            shared->value = std::move(value);
            shared->done = true;
            shared->ended.notify_one();
        }).detach();
    } catch (const std::exception&) {
        return 0;
    }
    std::unique_lock<std::mutex> hold(shared->lock);
    if (!shared->ended.wait_for(hold, std::chrono::milliseconds(waitMs), [&] { return shared->done; }))
        return 0;
    result = std::move(shared->value);
    return 1;
}
