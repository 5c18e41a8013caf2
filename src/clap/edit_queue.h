#pragma once
// Edits made on the panel, on their way to the host. The panel reports them on its own thread (the editor
// thread on Linux, the window's thread on Windows); the host collects them in process or flush, on the
// audio or main thread. Producers serialise on a mutex, which the audio thread never takes; the one
// consumer reads without a lock.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace KVX::Clap
{
class CEditQueue
{
public:
    enum class Kind : std::uint8_t
    {
        Begin,
        Value,
        End
    };
    struct Edit
    {
        Kind kind;
        std::uint32_t index;
        float value; // normalised, for Value
    };

    static constexpr std::size_t kCapacity = 4096;
    // Room kept for gesture ends and beginnings: a host that collects nothing for a long drag loses
    // intermediate values, never the end of a gesture.
    static constexpr std::size_t kGestureReserve = 64;

    // False when the edit had to be dropped.
    bool Push(const Edit& edit)
    {
        const std::lock_guard<std::mutex> lock(m_ProducerLock);
        const std::size_t tail = m_Tail.load(std::memory_order_relaxed);
        const std::size_t used = tail - m_Head.load(std::memory_order_acquire);
        const std::size_t limit = edit.kind == Kind::Value ? kCapacity - kGestureReserve : kCapacity;
        if (used >= limit)
        {
            return false;
        }
        m_Slots[tail % kCapacity] = edit;
        m_Tail.store(tail + 1, std::memory_order_release);
        return true;
    }

    // The oldest edit, left in place until Pop: a host whose event list is full gets it next time.
    const Edit* Peek() const
    {
        const std::size_t head = m_Head.load(std::memory_order_relaxed);
        return head == m_Tail.load(std::memory_order_acquire) ? nullptr : &m_Slots[head % kCapacity];
    }

    void Pop() { m_Head.store(m_Head.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

    bool Empty() const { return Peek() == nullptr; }

private:
    std::mutex m_ProducerLock;
    std::array<Edit, kCapacity> m_Slots{};
    std::atomic<std::size_t> m_Head{0};
    std::atomic<std::size_t> m_Tail{0};
};
} // namespace KVX::Clap
